// strtok-style tokenising, with the position kept by the caller.
#include "runtime.h"

static int IsDelimiter(char c, const char *delimiters)
{
    for (; *delimiters; ++delimiters)
        if (*delimiters == c)
            return 1;
    return 0;
}

char *RtStrTok(char *text, const char *delimiters, char **state)
{
    char *p = text ? text : *state;
    char *token;
    if (!p)
        return 0;
    while (*p && IsDelimiter(*p, delimiters))
        ++p;
    if (!*p) {
        *state = p;
        return 0;
    }
    token = p;
    while (*p && !IsDelimiter(*p, delimiters))
        ++p;
    if (*p)
        *p++ = 0;
    *state = p;
    return token;
}
