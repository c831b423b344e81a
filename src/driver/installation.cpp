// LocateInstallation: finds the Windows, product and media folders and checks the media files.
#include "driver.h"
#include "../../res/resource.h"
#include "../runtime/runtime.h"

int FileExistsInDir(const char *name, const char *dir)
{
    char path[PATH_CHARS];
    HANDLE file;
    if (!FormFilePath(path, PATH_CHARS, dir, name))
        return 0;
    file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, 0, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, 0);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    CloseHandle(file);
    return 1;
}

// The folder the program runs from: drive and directory of its own path
// (a network path, \\SERVER\SHARE\..., has no drive).
static int FindSourceDir(char *sourceDir)
{
    char modulePath[PATH_CHARS];
    char drive[RT_MAX_DRIVE];
    char dir[RT_MAX_DIR];
    if (!GetProgramPath(modulePath))
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

int LocateInstallation(char *windowsDir, char *productDir, char *sourceDir)
{
    if (GetWindowsDirectoryA(windowsDir, PATH_CHARS) == 0) {
        ShowStringMessage(IDS_ERROR, IDS_NO_WINDOWS_DIR, MB_OK);
        return 0;
    }
    StripTrailingBackslash(windowsDir);
    if (!DiscoverProductFolder(productDir)) {
        ShowStringMessage(IDS_ERROR, IDS_NOT_INSTALLED, MB_OK);
        return 0;
    }
    // A program path too long for its buffer ends the run without a message.
    if (!FindSourceDir(sourceDir))
        return 0;
    if (!MediaFilesPresent(sourceDir)) {
        ShowStringMessage(IDS_ERROR, IDS_MISSING_FILES, MB_OK);
        return 0;
    }
    return 1;
}
