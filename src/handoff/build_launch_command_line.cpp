// BuildLaunchCommandLine: the command line that starts a program, its path quoted when it holds a blank.
#include "handoff_text.h"
#include "../runtime/runtime.h"

static int HasBlank(const char *text)
{
    return text && RtStrStr(text, " ") != 0;
}

int BuildLaunchCommandLine(char *line, int capacity, int longest, const char *directory, const char *program,
                           const char *arguments)
{
    size_t size = (size_t)capacity;
    int hasDirectory = directory && directory[0];
    // Unquoted, "C:\Program Files\X\Patch.pif" would first be tried as
    // "C:\Program" with the rest as its arguments.
    const char *quote = HasBlank(hasDirectory ? directory : 0) || HasBlank(program) ? "\"" : "";
    int fitted;
    if (capacity <= 0)
        return 0;
    line[0] = 0;
    fitted = RtAppendText(line, size, quote) &&
             (!hasDirectory || (RtAppendText(line, size, directory) && RtAppendText(line, size, "\\"))) &&
             RtAppendText(line, size, program) && RtAppendText(line, size, quote) &&
             RtAppendText(line, size, " ") && RtAppendText(line, size, arguments ? arguments : "") &&
             RtStrLen(line) - 2 * RtStrLen(quote) <= (size_t)(longest > 0 ? longest : 0);
    if (!fitted)
        line[0] = 0;
    return fitted;
}
