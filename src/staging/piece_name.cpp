// The names of spanned-file pieces.
#include "piece_name.h"
#include "../runtime/runtime.h"

int FormPieceName(char *out, int capacity, const char *path, int index)
{
    const char *lastDot = 0;
    const char *p;
    char number[12];
    int stem;
    for (p = path; *p; ++p)
        if (*p == '.')
            lastDot = p;
    out[0] = 0;
    if (!lastDot)
        return 0;
    // Built piece by piece rather than through a format string, so a "%" in
    // a folder name is only a character.
    stem = (int)(lastDot - path);
    RtFormatDecimal(index, number);
    if (stem + 1 + (int)RtStrLen(number) >= capacity)
        return 0;
    RtMemCopy(out, path, (size_t)stem);
    out[stem] = '.';
    RtCopyText(out + stem + 1, (size_t)(capacity - stem - 1), number);
    return 1;
}
