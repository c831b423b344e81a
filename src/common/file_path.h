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

// A program's own path as Windows 95 reports it. Wine reports the path of
// a program started from \\SERVER\SHARE as UNC\SERVER\SHARE\... (the NT
// spelling of a network path, without its \\?\ in front): such a path, with
// or without that, becomes the network path \\SERVER\SHARE\... it names, in
// place; "\\?\" before any other path goes. Windows 95 never reports these
// forms, so its paths stay as they are.
inline void NetworkFormOfModulePath(char *path)
{
    const char *from = path;
    char *to = path;
    if (from[0] == '\\' && from[1] == '\\' && from[2] == '?' && from[3] == '\\')
        from += 4;
    if ((from[0] == 'U' || from[0] == 'u') && (from[1] == 'N' || from[1] == 'n') && (from[2] == 'C' || from[2] == 'c') &&
        from[3] == '\\') {
        *to++ = '\\';
        from += 3;  // the backslash after "UNC" becomes the second one
    }
    if (from != to)
        while ((*to++ = *from++) != 0) {
        }
}

#endif
