// LocateInstallation: finds the Windows, product and media folders and checks the media files.
#include "driver.h"
#include "../../res/resource.h"
#include "../runtime/runtime.h"

// The folder the program runs from: drive and directory of its own path.
static int FindSourceDir(char *sourceDir)
{
    char modulePath[PATH_CHARS];
    char drive[RT_MAX_DRIVE];
    char dir[RT_MAX_DIR];
    DWORD length = GetModuleFileNameA(0, modulePath, PATH_CHARS);
    if (length == 0 || length >= PATH_CHARS)
        return 0;
    RtSplitPath(modulePath, drive, dir, 0, 0);
    if (RtStrLen(drive) + RtStrLen(dir) >= PATH_CHARS)
        return 0;
    RtCopyText(sourceDir, PATH_CHARS, drive);
    RtAppendText(sourceDir, PATH_CHARS, dir);
    StripTrailingBackslash(sourceDir);
    return 1;
}

static int MediaFilesPresent(const char *sourceDir)
{
    return FileExistsInDir("PATCH.DLL", sourceDir) && FileExistsInDir("PATCH.PIF", sourceDir) &&
           FileExistsInDir("PATCH.0", sourceDir);
}

// Ends the registered folder text of `size` bytes read into a PATH_CHARS
// buffer: at its own NUL, or right after its data when it was stored without
// one. 0 when the data fill the whole buffer with no NUL: such a text has 260
// characters or more, and cut to 259 it would name another folder.
static int EndRegisteredText(char *text, DWORD size)
{
    DWORD at;
    for (at = 0; at < size && at < PATH_CHARS; ++at)
        if (!text[at])
            return 1;
    if (size >= PATH_CHARS)
        return 0;
    text[size] = 0;
    return 1;
}

int LocateInstallation(char *windowsDir, char *productDir, char *sourceDir)
{
    HKEY key;
    char registered[PATH_CHARS];
    DWORD type = 0;
    DWORD size = sizeof(registered);
    int found = 0;
    int result = 0;
    if (GetWindowsDirectoryA(windowsDir, PATH_CHARS) == 0) {
        ShowStringMessage(IDS_ERROR, IDS_NO_WINDOWS_DIR, MB_OK);
        return 0;
    }
    StripTrailingBackslash(windowsDir);
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Quorvel\\InstalledApps", 0, KEY_ALL_ACCESS, &key) ==
        ERROR_SUCCESS) {
        registered[0] = 0;
        if (RegQueryValueExA(key, "Kelvane Palomid", 0, &type, (BYTE *)registered, &size) == ERROR_SUCCESS &&
            type == REG_SZ && size > 0 && registered[0] && EndRegisteredText(registered, size)) {
            found = 1;
            RtCopyText(productDir, PATH_CHARS, registered);
            StripTrailingBackslash(productDir);
            if (FindSourceDir(sourceDir)) {
                result = MediaFilesPresent(sourceDir);
                if (!result)
                    ShowStringMessage(IDS_ERROR, IDS_MISSING_FILES, MB_OK);
            }
        }
        RegCloseKey(key);
    }
    if (!found)
        ShowStringMessage(IDS_ERROR, IDS_NOT_INSTALLED, MB_OK);
    return result;
}
