// ParseOldDialogDefinition, NextPackedField, ParseDecimalDigits: reading the
// packed strings of the old "Include" and "Exclude" lists.
#include "dialog_definition.h"

// A numeric field is never longer than the entry it comes from: a buffer for
// all of the entry's characters and a NUL reads every digit.
enum { NUMBER_FIELD_BYTES = OLD_ENTRY_DATA_BYTES + 1 };

int NextPackedField(const char *packedText, unsigned int *position, char *field, unsigned int capacity)
{
    const char *start = packedText + *position;
    unsigned int length = 0;
    unsigned int copied = 0;
    while (start[length] && start[length] != ',') {
        if (copied + 1 < capacity)
            field[copied++] = start[length];
        ++length;
    }
    if (capacity > 0)
        field[copied] = 0;
    *position += length;
    if (start[length] == ',')
        ++*position;
    return (int)copied;
}

unsigned int ParseDecimalDigits(const char *field)
{
    unsigned int value = 0;
    for (; *field; ++field)
        if (*field >= '0' && *field <= '9')
            value = value * 10u + (unsigned int)(*field - '0');
    return value;
}

static unsigned int NextNumberField(const char *packedText, unsigned int *position, int *present)
{
    char field[NUMBER_FIELD_BYTES];
    int length = NextPackedField(packedText, position, field, sizeof(field));
    if (present)
        *present = length > 0;
    return ParseDecimalDigits(field);
}

void ParseOldDialogDefinition(const char *packedText, DialogDefinition *definition)
{
    unsigned int position = 0;
    char dropped[DIALOG_TEXT_BYTES];
    int pair;
    unsigned int flags = NextNumberField(packedText, &position, 0);

    definition->name[0] = 0;
    definition->fileStewardFlags = (flags ^ 7u) & 15u;
    definition->lfnFlags = flags >> 4;
    definition->disable = 0;
    NextPackedField(packedText, &position, dropped, sizeof(dropped));
    NextPackedField(packedText, &position, definition->ownerClass, DIALOG_TEXT_BYTES);
    NextPackedField(packedText, &position, definition->windowClass, DIALOG_TEXT_BYTES);
    NextPackedField(packedText, &position, definition->windowTitle, DIALOG_TEXT_BYTES);
    definition->driveNameCtrlId = NextNumberField(packedText, &position, 0);
    definition->folderNameCtrlId = NextNumberField(packedText, &position, 0);
    definition->fileNameCtrlId = NextNumberField(packedText, &position, 0);

    // A pair whose id is empty is dropped whole: the next pair's class lands
    // in the same slot.
    definition->TestCtrlCount = 0;
    for (pair = 0; pair < DIALOG_TEST_PAIRS; ++pair) {
        DialogTestPair *slot = &definition->testPairs[definition->TestCtrlCount];
        int present;
        unsigned int id;
        NextPackedField(packedText, &position, slot->className, DIALOG_TEXT_BYTES);
        id = NextNumberField(packedText, &position, &present);
        if (present) {
            slot->id = id;
            ++definition->TestCtrlCount;
        }
    }

    definition->lfnEditCtrlId = NextNumberField(packedText, &position, 0);
    definition->lfnFileListCtrlId = NextNumberField(packedText, &position, 0);
    definition->lfnFolderListCtrlId = NextNumberField(packedText, &position, 0);
}
