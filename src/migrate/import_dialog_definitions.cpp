// ImportDialogDefinitions: brings the current user's dialog definitions to one
// key per definition. The built-in set goes first, then the old "Include" and
// "Exclude" lists, and the writer never touches an existing key, so the first
// writer of a name wins. The old lists go afterwards whatever happened. The
// text work is in dialog_text_reader.cpp and parse_old_dialog_definition.cpp.
#include "migrate.h"
#include "dialog_import.h"
#include "dialog_text_reader.h"
#include "migration_registry.h"
#include "../common/common.h"
#include "../../res/resource.h"
#include "../runtime/runtime.h"

// LoadDefaultDialogDefinitions: the built-in definitions, from the program's
// own RCDATA resource. Resources belong to the module and need no freeing.
void LoadDefaultDialogDefinitions(HINSTANCE instance, HKEY dialogsKey)
{
    HRSRC found = FindResourceA(instance, MAKEINTRESOURCEA(IDR_DIALOG_DEFINITIONS), RT_RCDATA);
    HGLOBAL loaded;
    const char *bytes;
    DWORD size;
    if (!found)
        return;
    loaded = LoadResource(instance, found);
    if (!loaded)
        return;
    bytes = (const char *)LockResource(loaded);
    size = SizeofResource(instance, found);
    if (bytes && size)
        LoadDialogDefinitionText(dialogsKey, bytes, size);
}

// LoadDialogDefinitionText: one key per section of the built-in text, its
// entry lines as values. Built-in values of the same names are overwritten;
// nothing else in the keys is touched.

static const DWORD kRegRevision = 0x01010108;

// The text is stepped through as the system's code page reads it.
static const char *StepCharacter(const char *character)
{
    return CharNextA(character);
}

static void WriteEntry(HKEY section, const DialogTextEntry *entry)
{
    if (entry->isNumber) {
        DWORD number = entry->number;
        RegSetValueExA(section, entry->name, 0, REG_DWORD, (const BYTE *)&number, sizeof(number));
    } else {
        RegSetValueExA(section, entry->name, 0, REG_SZ, (const BYTE *)entry->value, entry->valueBytes + 1);
    }
}

void LoadDialogDefinitionText(HKEY dialogsKey, const char *bytes, DWORD size)
{
    DialogText text;
    DialogTextEntry entry;
    const char *name;
    OpenDialogText(&text, bytes, size, StepCharacter);
    while ((name = ReadDialogSectionName(&text)) != 0) {
        HKEY section;
        DialogEntryResult result;
        if (RegCreateKeyExA(dialogsKey, name, 0, 0, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, 0, &section, 0) !=
            ERROR_SUCCESS) {
            // No key to write to: its lines are passed over, the next section still loads.
            while (ReadDialogEntry(&text, &entry) != DIALOG_SECTION_END) {
            }
            continue;
        }
        while ((result = ReadDialogEntry(&text, &entry)) != DIALOG_SECTION_END)
            if (result == DIALOG_ENTRY)
                WriteEntry(section, &entry);
        RegCloseKey(section);
        RegSetValueExA(dialogsKey, "RegRevision", 0, REG_DWORD, (const BYTE *)&kRegRevision, sizeof(kRegRevision));
    }
}

// WriteDialogDefinition: a converted old entry becomes a key of its own, but
// never over a key that is already there, with one exception: a key that
// holds nothing but values of this very conversion is what a run stopped
// part-way left of it, and is filled up, since the old lists are gone once a
// run has ended. Its texts are written without their NUL, as the
// definitions' reader has always had them.

// Whether every value of the key is one of the conversion's, as written.
static int HoldsOnlyValuesOf(HKEY key, const DialogDefinitionValue *values, int count)
{
    DWORD index;
    for (index = 0;; ++index) {
        char name[DIALOG_VALUE_NAME_BYTES];
        unsigned char data[DIALOG_TEXT_BYTES];
        DWORD nameChars = sizeof(name);
        DWORD dataBytes = sizeof(data);
        DWORD type;
        int i;
        LONG result = RegEnumValueA(key, index, name, &nameChars, 0, &type, data, &dataBytes);
        if (result == ERROR_NO_MORE_ITEMS)
            return 1;
        // A name or data too long for the conversion's values is none of them.
        if (result != ERROR_SUCCESS)
            return 0;
        i = FindDialogDefinitionValue(values, count, name);
        if (i == count || !StoredValueIs(&values[i], type, data, dataBytes))
            return 0;
    }
}

void WriteDialogDefinition(HKEY dialogsKey, const DialogDefinition *definition)
{
    DialogDefinitionValue values[DIALOG_MAX_VALUES];
    int count = ListDialogDefinitionValues(definition, values);
    HKEY key;
    DWORD disposition = 0;
    int i;
    if (RegCreateKeyExA(dialogsKey, definition->name, 0, 0, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, 0, &key,
                        &disposition) != ERROR_SUCCESS)
        return;
    if (disposition == REG_CREATED_NEW_KEY || HoldsOnlyValuesOf(key, values, count))
        for (i = 0; i < count; ++i) {
            if (values[i].isNumber) {
                DWORD number = values[i].number;
                RegSetValueExA(key, values[i].name, 0, REG_DWORD, (const BYTE *)&number, sizeof(number));
            } else {
                RegSetValueExA(key, values[i].name, 0, REG_SZ, (const BYTE *)values[i].text,
                               (DWORD)RtStrLen(values[i].text));
            }
        }
    RegCloseKey(key);
}

// ConvertOldDialogList: every packed entry of the old "Include" or "Exclude"
// list becomes a definition key. The list is deleted afterwards, so an entry
// that cannot be read is passed over and the next one still converted.

// The enumeration buffers: names up to 255 characters, data up to
// OLD_ENTRY_DATA_BYTES.
enum { OLD_NAME_CHARS = 256 };

void ConvertOldDialogList(HKEY dialogsKey, const char *listName, int disable)
{
    HKEY list;
    HKEY included = 0;
    DWORD index;
    char name[OLD_NAME_CHARS];
    // One byte more than the data may fill, so that data without its own NUL
    // still ends.
    BYTE data[OLD_ENTRY_DATA_BYTES + 1];
    DialogDefinition definition;
    if (RegOpenKeyExA(dialogsKey, listName, 0, KEY_ALL_ACCESS, &list) != ERROR_SUCCESS)
        return;
    // An entry of both lists keeps its "Include" version, however far a
    // stopped run got with it: the "Exclude" one is passed over.
    if (disable && RegOpenKeyExA(dialogsKey, "Include", 0, KEY_ALL_ACCESS, &included) != ERROR_SUCCESS)
        included = 0;
    for (index = 0;; ++index) {
        DWORD nameChars = OLD_NAME_CHARS;
        DWORD dataBytes = OLD_ENTRY_DATA_BYTES;
        LONG result = RegEnumValueA(list, index, name, &nameChars, 0, 0, data, &dataBytes);
        if (result == ERROR_MORE_DATA)
            continue;  // too long a name or too much data for the buffers: passed over
        if (result != ERROR_SUCCESS)
            break;
        if (included && RegQueryValueExA(included, name, 0, 0, 0, 0) == ERROR_SUCCESS)
            continue;
        data[dataBytes < (DWORD)OLD_ENTRY_DATA_BYTES ? dataBytes : (DWORD)OLD_ENTRY_DATA_BYTES] = 0;
        ParseOldDialogDefinition((const char *)data, &definition);
        RtCopyText(definition.name, DIALOG_TEXT_BYTES, name);  // longer names are cut to 127
        definition.disable = disable;
        WriteDialogDefinition(dialogsKey, &definition);
    }
    if (included)
        RegCloseKey(included);
    RegCloseKey(list);
}

void ImportDialogDefinitions(HINSTANCE instance)
{
    HKEY dialogs;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, DialogsKey, 0, KEY_ALL_ACCESS, &dialogs) != ERROR_SUCCESS)
        return;
    LoadDefaultDialogDefinitions(instance, dialogs);
    ConvertOldDialogList(dialogs, "Include", 0);
    ConvertOldDialogList(dialogs, "Exclude", 1);
    // The lists hold values only, but anything below them goes with them.
    DeleteKeyTree(dialogs, "Exclude");
    DeleteKeyTree(dialogs, "Include");
    RegCloseKey(dialogs);
}
