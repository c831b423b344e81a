// ReadProgramsFolder: the Programs folder of the current user's Start menu.
#include <windows.h>

#include "shortcut_fixups.h"
#include "../runtime/runtime.h"

int ReadProgramsFolder(char *path)
{
    HKEY key;
    char value[PROGRAMS_PATH_CHARS];
    DWORD size = sizeof(value);
    DWORD length = 0;
    int result = 0;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", 0,
                      KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return 0;
    if (RegQueryValueExA(key, "Programs", 0, 0, (BYTE *)value, &size) == ERROR_SUCCESS) {
        // Only a text that ends inside the buffer is a whole path; a full
        // buffer without a terminator would be a cut one. An empty text would
        // make the walk start at the root of the current drive.
        while (length < size && length < sizeof(value) && value[length])
            ++length;
        if (length > 0 && length < sizeof(value)) {
            value[length] = 0;
            RtCopyText(path, PROGRAMS_PATH_CHARS, value);
            result = 1;
        }
    }
    RegCloseKey(key);
    return result;
}
