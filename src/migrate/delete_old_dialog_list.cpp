// DeleteOldDialogList: removes an old list key. The lists hold values only,
// but a key with subkeys must go too: Windows 95's RegDeleteKeyA takes the
// whole tree, later systems refuse, so the subkeys are deleted first, depth
// first, down to a fixed depth that bounds the stack.
#include "dialog_import.h"

enum { SUBKEY_NAME_CHARS = 256, MAX_TREE_DEPTH = 32 };

static LONG DeleteListTree(HKEY parent, const char *name, int depth)
{
    HKEY key;
    if (depth < MAX_TREE_DEPTH && RegOpenKeyExA(parent, name, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        for (;;) {
            char child[SUBKEY_NAME_CHARS];
            DWORD childChars = SUBKEY_NAME_CHARS;
            if (RegEnumKeyExA(key, 0, child, &childChars, 0, 0, 0, 0) != ERROR_SUCCESS)
                break;
            if (DeleteListTree(key, child, depth + 1) != ERROR_SUCCESS)
                break;
        }
        RegCloseKey(key);
    }
    return RegDeleteKeyA(parent, name);
}

void DeleteOldDialogList(HKEY dialogsKey, const char *listName)
{
    DeleteListTree(dialogsKey, listName, 0);
}
