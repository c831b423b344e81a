// ConvertOldDialogList: every packed entry of the old "Include" or "Exclude"
// list becomes a definition key. The list is deleted afterwards, so an entry
// that cannot be read is passed over and the next one still converted.
#include "dialog_import.h"
#include "../runtime/runtime.h"

// The enumeration buffers: names up to 255 characters, data up to
// OLD_ENTRY_DATA_BYTES.
enum { OLD_NAME_CHARS = 256 };

void ConvertOldDialogList(HKEY dialogsKey, const char *listName, int disable)
{
    HKEY list;
    DWORD index;
    char name[OLD_NAME_CHARS];
    // One byte more than the data may fill, so that data without its own NUL
    // still ends.
    BYTE data[OLD_ENTRY_DATA_BYTES + 1];
    DialogDefinition definition;
    if (RegOpenKeyExA(dialogsKey, listName, 0, KEY_ALL_ACCESS, &list) != ERROR_SUCCESS)
        return;
    for (index = 0;; ++index) {
        DWORD nameChars = OLD_NAME_CHARS;
        DWORD dataBytes = OLD_ENTRY_DATA_BYTES;
        LONG result = RegEnumValueA(list, index, name, &nameChars, 0, 0, data, &dataBytes);
        if (result == ERROR_MORE_DATA)
            continue;  // too long a name or too much data for the buffers: passed over
        if (result != ERROR_SUCCESS)
            break;
        data[dataBytes < (DWORD)OLD_ENTRY_DATA_BYTES ? dataBytes : (DWORD)OLD_ENTRY_DATA_BYTES] = 0;
        ParseOldDialogDefinition((const char *)data, &definition);
        RtCopyText(definition.name, DIALOG_TEXT_BYTES, name);  // longer names are cut to 127
        definition.disable = disable;
        WriteDialogDefinition(dialogsKey, &definition);
    }
    RegCloseKey(list);
}
