// WriteDialogDefinition: a converted old entry becomes a key of its own, but
// never over a key that is already there. Its texts are written without their
// NUL, as the definitions' reader has always had them.
#include "dialog_import.h"
#include "../runtime/runtime.h"

static void WriteText(HKEY key, const char *name, const char *text)
{
    if (text[0])
        RegSetValueExA(key, name, 0, REG_SZ, (const BYTE *)text, (DWORD)RtStrLen(text));
}

static void WriteNumber(HKEY key, const char *name, DWORD number)
{
    RegSetValueExA(key, name, 0, REG_DWORD, (const BYTE *)&number, sizeof(number));
}

static void WriteNonZero(HKEY key, const char *name, DWORD number)
{
    if (number)
        WriteNumber(key, name, number);
}

void WriteDialogDefinition(HKEY dialogsKey, const DialogDefinition *definition)
{
    HKEY key;
    DWORD disposition = 0;
    int n;
    if (RegCreateKeyExA(dialogsKey, definition->name, 0, 0, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, 0, &key,
                        &disposition) != ERROR_SUCCESS)
        return;
    if (disposition == REG_CREATED_NEW_KEY) {
        WriteText(key, "OwnerClassName", definition->ownerClass);
        WriteText(key, "WindowClassName", definition->windowClass);
        WriteText(key, "WindowTitle", definition->windowTitle);
        WriteNonZero(key, "DriveNameCtrlId", definition->driveNameCtrlId);
        WriteNonZero(key, "FolderNameCtrlId", definition->folderNameCtrlId);
        WriteNonZero(key, "FileNameCtrlId", definition->fileNameCtrlId);
        WriteNonZero(key, "LFNEditCtrlId", definition->lfnEditCtrlId);
        WriteNonZero(key, "LFNFileListCtrlId", definition->lfnFileListCtrlId);
        WriteNonZero(key, "LFNFolderListCtrlId", definition->lfnFolderListCtrlId);
        WriteNonZero(key, "Disable", (DWORD)definition->disable);
        WriteNonZero(key, "FileStewardFlags", definition->fileStewardFlags);
        WriteNonZero(key, "LFN Flags", definition->lfnFlags);
        for (n = 1; n <= definition->TestCtrlCount && n <= DIALOG_TEST_PAIRS; ++n) {
            char valueName[24];
            wsprintfA(valueName, "TestCtrlId%d", n);
            WriteNumber(key, valueName, definition->testPairs[n - 1].id);
            wsprintfA(valueName, "TestCtrlClass%d", n);
            WriteText(key, valueName, definition->testPairs[n - 1].className);
        }
    }
    RegCloseKey(key);
}
