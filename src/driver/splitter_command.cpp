// Reading the splitter mode's command text: file "," size "," size ...
#include "splitter_command.h"
#include "../runtime/runtime.h"

int ParseSplitterCommand(char *arguments, char *fileName, int fileChars, int *sizes)
{
    char *state = 0;
    char *token = RtStrTok(arguments, ",", &state);
    int used = 0;
    if (!token)
        return 0;
    RtCopyText(fileName, (size_t)fileChars, token);
    // A token that is no number leaves its entry 0 but still uses it up.
    while (used < SPLIT_SIZE_COUNT && (token = RtStrTok(0, ",", &state)) != 0)
        RtScanLong(token, &sizes[used++]);
    return 1;
}
