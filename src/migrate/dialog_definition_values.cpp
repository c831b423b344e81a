// ListDialogDefinitionValues, StoredValueIs, FindDialogDefinitionValue: the
// values a converted old entry becomes in its key, and whether a stored value
// is one of them.
#include "dialog_definition.h"

// Takes the next value of the list and names it.
static DialogDefinitionValue *AddValue(DialogDefinitionValue *values, int *count, const char *name)
{
    DialogDefinitionValue *value = &values[(*count)++];
    int i;
    for (i = 0; name[i] && i < DIALOG_VALUE_NAME_BYTES - 1; ++i)
        value->name[i] = name[i];
    value->name[i] = 0;
    return value;
}

static void AddText(DialogDefinitionValue *values, int *count, const char *name, const char *text)
{
    DialogDefinitionValue *value;
    // An empty text is not written.
    if (!text[0])
        return;
    value = AddValue(values, count, name);
    value->isNumber = 0;
    value->number = 0;
    value->text = text;
}

static void AddNumber(DialogDefinitionValue *values, int *count, const char *name, unsigned int number,
                      int evenZero)
{
    DialogDefinitionValue *value;
    if (!number && !evenZero)
        return;
    value = AddValue(values, count, name);
    value->isNumber = 1;
    value->number = number;
    value->text = 0;
}

// "TestCtrlId" or "TestCtrlClass", then the pair's number 1 to 3.
static void PairName(char *name, const char *stem, int n)
{
    int i;
    for (i = 0; stem[i]; ++i)
        name[i] = stem[i];
    name[i++] = (char)('0' + n);
    name[i] = 0;
}

int ListDialogDefinitionValues(const DialogDefinition *definition, DialogDefinitionValue *values)
{
    int count = 0;
    int n;
    AddText(values, &count, "OwnerClassName", definition->ownerClass);
    AddText(values, &count, "WindowClassName", definition->windowClass);
    AddText(values, &count, "WindowTitle", definition->windowTitle);
    AddNumber(values, &count, "DriveNameCtrlId", definition->driveNameCtrlId, 0);
    AddNumber(values, &count, "FolderNameCtrlId", definition->folderNameCtrlId, 0);
    AddNumber(values, &count, "FileNameCtrlId", definition->fileNameCtrlId, 0);
    AddNumber(values, &count, "LFNEditCtrlId", definition->lfnEditCtrlId, 0);
    AddNumber(values, &count, "LFNFileListCtrlId", definition->lfnFileListCtrlId, 0);
    AddNumber(values, &count, "LFNFolderListCtrlId", definition->lfnFolderListCtrlId, 0);
    AddNumber(values, &count, "Disable", (unsigned int)definition->disable, 0);
    AddNumber(values, &count, "FileStewardFlags", definition->fileStewardFlags, 0);
    AddNumber(values, &count, "LFN Flags", definition->lfnFlags, 0);
    for (n = 1; n <= definition->TestCtrlCount && n <= DIALOG_TEST_PAIRS; ++n) {
        char name[DIALOG_VALUE_NAME_BYTES];
        PairName(name, "TestCtrlId", n);
        AddNumber(values, &count, name, definition->testPairs[n - 1].id, 1);
        PairName(name, "TestCtrlClass", n);
        AddText(values, &count, name, definition->testPairs[n - 1].className);
    }
    return count;
}

int StoredValueIs(const DialogDefinitionValue *value, unsigned int type, const unsigned char *data, unsigned int size)
{
    unsigned int length = 0;
    unsigned int i;
    if (value->isNumber)
        return type == DIALOG_VALUE_NUMBER && size == 4 && data[0] == (value->number & 0xFF) &&
               data[1] == (value->number >> 8 & 0xFF) && data[2] == (value->number >> 16 & 0xFF) &&
               data[3] == (value->number >> 24 & 0xFF);
    while (value->text[length])
        ++length;
    // Written without its NUL; Windows 95 stores one after the text.
    if (type != DIALOG_VALUE_TEXT || (size != length && !(size == length + 1 && data[length] == 0)))
        return 0;
    for (i = 0; i < length; ++i)
        if (data[i] != (unsigned char)value->text[i])
            return 0;
    return 1;
}

static char FoldLetter(char c)
{
    return c >= 'a' && c <= 'z' ? (char)(c - 'a' + 'A') : c;
}

int FindDialogDefinitionValue(const DialogDefinitionValue *values, int count, const char *name)
{
    int i;
    for (i = 0; i < count; ++i) {
        const char *a = values[i].name;
        const char *b = name;
        while (*a && FoldLetter(*a) == FoldLetter(*b)) {
            ++a;
            ++b;
        }
        if (!*a && !*b)
            return i;
    }
    return count;
}
