// The registered product folder.
#include "common.h"

int ReadRegisteredFolder(char *folder, DWORD readBytes, DWORD *type)
{
    HKEY key;
    DWORD size = readBytes;
    int read = 0;
    *type = 0;
    folder[0] = 0;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, InstalledAppsKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return 0;
    if (RegQueryValueExA(key, RegisteredFolderValue, 0, type, (BYTE *)folder, &size) == ERROR_SUCCESS) {
        // Whatever its type, the data ends inside the buffer.
        folder[size < readBytes ? size : readBytes] = 0;
        read = 1;
    }
    RegCloseKey(key);
    return read;
}

int DiscoverProductFolder(char *productDir)
{
    char registered[PATH_CHARS + 1];
    DWORD type = 0;
    // A text that fills all 260 bytes without a NUL has 260 characters or
    // more: cut to 259 it would name another folder.
    if (!ReadRegisteredFolder(registered, PATH_CHARS, &type) || type != REG_SZ || !registered[0] ||
        RtStrLen(registered) >= PATH_CHARS)
        return 0;
    RtCopyText(productDir, PATH_CHARS, registered);
    StripTrailingBackslash(productDir);
    return 1;
}
