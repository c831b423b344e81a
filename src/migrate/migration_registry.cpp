// The registry work the migrations share: deleting a key tree, and reading a
// value for a fixed-length copy.
#include "migration_registry.h"

// DeleteKeyTree: deletes a key's subkeys depth first, then the key itself.
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

// ReadFixedTextValue: reads one value of a key for a fixed-length copy.
int ReadFixedTextValue(HKEY key, DWORD index, char *name, unsigned char *data)
{
    DWORD nameSize = FIXED_TEXT_BYTES;
    DWORD dataSize = FIXED_TEXT_BYTES;
    DWORD type;
    LONG result = RegEnumValueA(key, index, name, &nameSize, 0, &type, data, &dataSize);
    // A value too long for the buffers is passed over, not cut: a cut name
    // would be another value, and a cut path or command line would be wrong.
    if (result == ERROR_MORE_DATA)
        return FIXED_VALUE_SKIPPED;
    if (result != ERROR_SUCCESS)
        return FIXED_VALUE_END;
    return PadFixedText(data, dataSize, FIXED_TEXT_BYTES) ? FIXED_VALUE_READ : FIXED_VALUE_SKIPPED;
}
