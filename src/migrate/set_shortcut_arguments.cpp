// SetShortcutArguments: gives one shell link new command-line arguments.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include "shortcut_fixups.h"

// The platform's identifiers, defined here: the import library's copies come
// in one object with every other identifier, some 35 KB of them.
static const CLSID ShellLinkClass = {0x00021401, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
static const IID ShellLinkInterface = {0x000214EE, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
static const IID PersistFileInterface = {0x0000010B, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

int SetShortcutArguments(const char *shortcutPath, const char *arguments)
{
    IShellLinkA *link = 0;
    IPersistFile *file = 0;
    WCHAR widePath[WIDE_PATH_CHARS];
    int result = 0;
    if (FAILED(CoCreateInstance(ShellLinkClass, 0, CLSCTX_INPROC_SERVER, ShellLinkInterface, (void **)&link)))
        return 0;
    if (SUCCEEDED(link->QueryInterface(PersistFileInterface, (void **)&file))) {
        // The caller's path fits SHORTCUT_PATH_CHARS, so it always fits here;
        // a path that does not convert is left alone all the same.
        if (MultiByteToWideChar(CP_ACP, 0, shortcutPath, -1, widePath, WIDE_PATH_CHARS) > 0 &&
            SUCCEEDED(file->Load(widePath, STGM_READWRITE))) {
            link->SetArguments(arguments);
            result = SUCCEEDED(file->Save(widePath, TRUE));
        }
        file->Release();
    }
    link->Release();
    return result;
}
