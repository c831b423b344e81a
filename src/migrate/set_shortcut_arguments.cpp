// SetShortcutArguments: gives one shell link new command-line arguments.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include "shortcut_fixups.h"

int SetShortcutArguments(const char *shortcutPath, const char *arguments)
{
    IShellLinkA *link = 0;
    IPersistFile *file = 0;
    WCHAR widePath[WIDE_PATH_CHARS];
    int result = 0;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, 0, CLSCTX_INPROC_SERVER, IID_IShellLinkA, (void **)&link)))
        return 0;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, (void **)&file))) {
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
