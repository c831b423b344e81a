// Splitting a path into drive, directory, name and extension.
#include "runtime.h"

static void CopySpan(char *dest, size_t capacity, const char *from, const char *to)
{
    size_t i = 0;
    if (!dest)
        return;
    for (; from + i < to && i + 1 < capacity; ++i)
        dest[i] = from[i];
    dest[i] = 0;
}

void RtSplitPath(const char *path, char *drive, char *dir, char *name, char *ext)
{
    const char *p = path;
    const char *lastSlash = 0;
    const char *lastDot = 0;
    const char *end;
    if (p[0] && p[1] == ':') {
        CopySpan(drive, RT_MAX_DRIVE, p, p + 2);
        p += 2;
    } else {
        CopySpan(drive, RT_MAX_DRIVE, p, p);
    }
    for (end = p; *end; ++end) {
        if (*end == '\\' || *end == '/')
            lastSlash = end;
        else if (*end == '.')
            lastDot = end;
    }
    if (lastSlash) {
        CopySpan(dir, RT_MAX_DIR, p, lastSlash + 1);
        p = lastSlash + 1;
    } else {
        CopySpan(dir, RT_MAX_DIR, p, p);
    }
    if (lastDot && lastDot >= p) {
        CopySpan(name, RT_MAX_FNAME, p, lastDot);
        CopySpan(ext, RT_MAX_EXT, lastDot, end);
    } else {
        CopySpan(name, RT_MAX_FNAME, p, end);
        CopySpan(ext, RT_MAX_EXT, end, end);
    }
}
