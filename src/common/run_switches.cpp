// Reading the switches of a patch run's command text.
#include "run_switches.h"

static int IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// Copies the word's path, its double quotes taken off, into the log path;
// leaves it empty when the path is empty or does not fit.
static void TakeLogPath(const char *path, const char *end, RunSwitches *switches)
{
    unsigned int length = 0;
    for (; path < end; ++path) {
        if (*path == '"')
            continue;
        if (length + 1 >= PATH_CHARS) {
            length = 0;
            break;
        }
        switches->logPath[length++] = *path;
    }
    switches->logPath[length] = 0;
}

void ParseRunSwitches(const char *text, RunSwitches *switches)
{
    switches->silent = 0;
    switches->logPath[0] = 0;
    for (;;) {
        const char *word;
        int quoted = 0;
        while (IsBlank(*text))
            ++text;
        if (!*text)
            return;
        word = text;
        for (; *text && (quoted || !IsBlank(*text)); ++text)
            if (*text == '"')
                quoted = !quoted;
        if (word[0] != '/' || text - word < 2)
            continue;
        if ((word[1] == 's' || word[1] == 'S') && text - word == 2)
            switches->silent = 1;
        else if ((word[1] == 'l' || word[1] == 'L') && text - word > 2)
            TakeLogPath(word + 2, text, switches);
    }
}
