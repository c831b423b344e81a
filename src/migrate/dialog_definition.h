// One dialog definition as the old packed lists carry it, and the parsing of
// those packed strings. Pure text work: no Win32 call, no windows.h.
#ifndef ZARIZED_DIALOG_DEFINITION_H
#define ZARIZED_DIALOG_DEFINITION_H

// Every text of a definition: at most 127 characters and its NUL.
enum { DIALOG_TEXT_BYTES = 128, DIALOG_TEST_PAIRS = 3 };

// The most data an old packed entry brings: it is read into a buffer of this
// size, with one byte more for the NUL that data without one lacks.
enum { OLD_ENTRY_DATA_BYTES = 256 };

struct DialogTestPair {
    unsigned int id;
    char className[DIALOG_TEXT_BYTES];
};

struct DialogDefinition {
    char name[DIALOG_TEXT_BYTES];
    unsigned int driveNameCtrlId;
    unsigned int folderNameCtrlId;
    unsigned int fileNameCtrlId;
    unsigned int lfnEditCtrlId;
    unsigned int lfnFileListCtrlId;
    unsigned int lfnFolderListCtrlId;
    unsigned int fileStewardFlags;
    unsigned int lfnFlags;
    int disable;
    char ownerClass[DIALOG_TEXT_BYTES];
    char windowClass[DIALOG_TEXT_BYTES];
    char windowTitle[DIALOG_TEXT_BYTES];
    int TestCtrlCount;
    DialogTestPair testPairs[DIALOG_TEST_PAIRS];
};

// One value of a converted entry's key: a number (REG_DWORD) or a text
// (REG_SZ, written without its NUL, as the definitions' reader has always
// had them). The text lies in the definition listed.
enum {
    DIALOG_VALUE_NAME_BYTES = 24,
    // Every field, and an id and a class for each test pair.
    DIALOG_MAX_VALUES = 12 + 2 * DIALOG_TEST_PAIRS,
    // The registry's type numbers of the two kinds.
    DIALOG_VALUE_TEXT = 1,
    DIALOG_VALUE_NUMBER = 4
};

struct DialogDefinitionValue {
    char name[DIALOG_VALUE_NAME_BYTES];
    int isNumber;
    unsigned int number;
    const char *text;
};

// The values the definition's key receives, in the order they are written,
// into values (DIALOG_MAX_VALUES); returns their count. Empty texts and zero
// numbers are left out, but for each test pair's id.
int ListDialogDefinitionValues(const DialogDefinition *definition, DialogDefinitionValue *values);

// Whether a stored value of that registry type and data is the value as
// written: the same number, or the same text with or without one NUL after
// it (Windows 95 adds one).
int StoredValueIs(const DialogDefinitionValue *value, unsigned int type, const unsigned char *data, unsigned int size);

// The index of the value so named, ignoring the case of its letters as the
// registry does, or count if none is.
int FindDialogDefinitionValue(const DialogDefinitionValue *values, int count, const char *name);

// Fills the definition from the 17 comma-separated fields of one old entry
// of at most OLD_ENTRY_DATA_BYTES characters (missing fields count as empty).
// Clears the name and sets disable to 0: the caller stores the name and marks
// "Exclude" entries. A text field longer than 127 characters is cut; the
// fields after it are still read in place.
void ParseOldDialogDefinition(const char *packedText, DialogDefinition *definition);

// Copies the field that starts at *position into field (at most capacity - 1
// characters, always ended by a NUL), moves *position past the whole field and
// its comma if there is one, and returns the number of characters copied. At
// the end of the text it yields an empty field and leaves *position alone.
int NextPackedField(const char *packedText, unsigned int *position, char *field, unsigned int capacity);

// The value of the decimal digits in the field, other characters skipped, in
// wrapping unsigned 32-bit arithmetic; an empty field gives 0.
unsigned int ParseDecimalDigits(const char *field);

#endif
