// The one path join of the program, and the size of every path buffer
// (pure text work, no Win32).
#ifndef ZARIZED_FILE_PATH_H
#define ZARIZED_FILE_PATH_H

#include "../runtime/runtime.h"

enum { PATH_CHARS = 260 };  // every path and release buffer

// Forms dir + "\" + name in out. Returns 0 (out empty) when it does not fit in
// capacity characters, so that no cut path is ever opened. Defined here so
// that every routine built on it, the pure ones on the host included, has it
// without another source file.
inline int FormFilePath(char *out, int capacity, const char *dir, const char *name)
{
    size_t size = (size_t)capacity;
    out[0] = 0;
    if (RtCopyText(out, size, dir) && RtAppendText(out, size, "\\") && RtAppendText(out, size, name))
        return 1;
    out[0] = 0;
    return 0;
}

#endif
