// StripTrailingBackslash: the folder form every part uses, stepping by the characters of the ANSI code page.
#include "common.h"

void StripTrailingBackslash(char *path)
{
    char *last;
    char *next;
    if (!path[0])
        return;
    last = path;
    for (next = CharNextA(last); *next; next = CharNextA(last))
        last = next;
    if (last[0] == '\\' && next - last == 1)
        last[0] = 0;
}
