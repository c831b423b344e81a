// DeleteKeyTree: deletes a key's subkeys depth first, then the key itself.
#include "delete_key_tree.h"

enum { KEY_NAME_CHARS = 260 };  // key names are at most 255 characters

LONG DeleteKeyTree(HKEY parent, const char *name)
{
    HKEY key;
    char child[KEY_NAME_CHARS];
    DWORD childSize;
    DWORD index = 0;
    LONG result;
    if (RegOpenKeyExA(parent, name, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        // Each deleted child moves the next one down to the same index; a
        // child that cannot be deleted (or named) is stepped over, so the
        // loop always ends.
        for (;;) {
            childSize = sizeof(child);
            result = RegEnumKeyExA(key, index, child, &childSize, 0, 0, 0, 0);
            if (result == ERROR_MORE_DATA) {
                ++index;
                continue;
            }
            if (result != ERROR_SUCCESS)
                break;
            if (DeleteKeyTree(key, child) != ERROR_SUCCESS)
                ++index;
        }
        RegCloseKey(key);
    }
    return RegDeleteKeyA(parent, name);
}
