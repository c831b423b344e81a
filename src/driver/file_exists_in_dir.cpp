// FileExistsInDir: whether dir\name can be opened for reading while others may only read it.
#include "driver.h"
#include "../runtime/runtime.h"

int FileExistsInDir(const char *name, const char *dir)
{
    char path[PATH_CHARS];
    HANDLE file;
    if (RtStrLen(dir) + 1 + RtStrLen(name) + 1 > PATH_CHARS)
        return 0;
    RtCopyText(path, PATH_CHARS, dir);
    RtAppendText(path, PATH_CHARS, "\\");
    RtAppendText(path, PATH_CHARS, name);
    file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, 0, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, 0);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    CloseHandle(file);
    return 1;
}
