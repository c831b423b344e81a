// FixProgramsFolderShortcuts: every "Clear Menu.lnk" in a subfolder of the
// product's "Palomid Documents" Start-menu folder gets that subfolder's name
// as its arguments.
#include <windows.h>
#include <objbase.h>
#include <ole2.h>
#include <shlobj.h>

#include "migrate.h"
#include "shortcut_fixups.h"
#include "../common/common.h"
#include "../runtime/runtime.h"

// ReadProgramsFolder: the Programs folder of the current user's Start menu.
int ReadProgramsFolder(char *path)
{
    HKEY key;
    char value[PROGRAMS_PATH_CHARS];
    DWORD size = sizeof(value);
    DWORD length = 0;
    int result = 0;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, ShellFoldersKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return 0;
    if (RegQueryValueExA(key, "Programs", 0, 0, (BYTE *)value, &size) == ERROR_SUCCESS) {
        // Only a text that ends inside the buffer is a whole path; a full
        // buffer without a terminator would be a cut one. An empty text would
        // make the walk start at the root of the current drive.
        while (length < size && length < sizeof(value) && value[length])
            ++length;
        if (length > 0 && length < sizeof(value)) {
            value[length] = 0;
            RtCopyText(path, PROGRAMS_PATH_CHARS, value);
            result = 1;
        }
    }
    RegCloseKey(key);
    return result;
}

// SetShortcutArguments: gives one shell link new command-line arguments.
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

// The walk's paths. Too large together for the stack of a program without
// stack probes, and the walk runs once on the one thread.
static struct {
    char programs[PROGRAMS_PATH_CHARS];
    char documents[WALK_PATH_CHARS];
    char savedDir[WALK_PATH_CHARS];
    char pattern[WALK_PATH_CHARS];
    char subfolder[WALK_PATH_CHARS];
    char shortcut[SHORTCUT_PATH_CHARS];
    WIN32_FIND_DATAA entry;
    WIN32_FIND_DATAA shortcutEntry;
} Walk;

// A directory whose name does not begin with "." ("." and ".." included).
static int IsSubfolder(const WIN32_FIND_DATAA *entry)
{
    return (entry->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && entry->cFileName[0] != '.';
}

static int NextSubfolder(HANDLE search, WIN32_FIND_DATAA *entry)
{
    while (FindNextFileA(search, entry))
        if (IsSubfolder(entry))
            return 1;
    return 0;
}

static void FixSubfolderShortcut(const char *name)
{
    HANDLE search;
    // The shortcut is searched for in the current directory, so a subfolder
    // that cannot be made current is passed over rather than searched for in
    // whatever folder is current instead.
    if (!FormFilePath(Walk.subfolder, WALK_PATH_CHARS, Walk.documents, name) || !SetCurrentDirectoryA(Walk.subfolder))
        return;
    search = FindFirstFileA("Clear Menu.lnk", &Walk.shortcutEntry);
    if (search != INVALID_HANDLE_VALUE) {
        // A path that does not fit its buffer is passed over, never cut: a cut
        // path could name another file.
        if (FormFilePath(Walk.shortcut, SHORTCUT_PATH_CHARS, Walk.subfolder, Walk.shortcutEntry.cFileName))
            SetShortcutArguments(Walk.shortcut, name);
        FindClose(search);
    }
    SetCurrentDirectoryA("..");
}

void FixProgramsFolderShortcuts(void)
{
    HANDLE search;
    DWORD length;
    int oleStarted = 0;
    if (!ReadProgramsFolder(Walk.programs) ||
        !FormFilePath(Walk.documents, WALK_PATH_CHARS, Walk.programs, "Kelvane Palomid\\Palomid Documents") ||
        !FormFilePath(Walk.pattern, WALK_PATH_CHARS, Walk.documents, "*.*"))
        return;
    // A current directory that cannot be saved whole could not be restored.
    length = GetCurrentDirectoryA(WALK_PATH_CHARS, Walk.savedDir);
    if (length == 0 || length >= WALK_PATH_CHARS)
        return;
    SetCurrentDirectoryA(Walk.documents);
    search = FindFirstFileA(Walk.pattern, &Walk.entry);
    if (search != INVALID_HANDLE_VALUE) {
        if (IsSubfolder(&Walk.entry) || NextSubfolder(search, &Walk.entry)) {
            // Uninitialised at the end only if this call initialised it.
            oleStarted = SUCCEEDED(OleInitialize(0));
            do
                FixSubfolderShortcut(Walk.entry.cFileName);
            while (NextSubfolder(search, &Walk.entry));
        }
        FindClose(search);
    }
    SetCurrentDirectoryA(Walk.savedDir);
    if (oleStarted)
        OleUninitialize();
}
