// LoadDialogDefinitionText: one key per section of the built-in text, its
// entry lines as values. Built-in values of the same names are overwritten;
// nothing else in the keys is touched.
#include "dialog_import.h"
#include "dialog_text_reader.h"

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
