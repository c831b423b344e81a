// FixProgramsFolderShortcuts: every "Clear Menu.lnk" in a subfolder of the
// product's "Palomid Documents" Start-menu folder gets that subfolder's name
// as its arguments.
#include <windows.h>
#include <ole2.h>

#include "migrate.h"
#include "shortcut_fixups.h"
#include "../runtime/runtime.h"

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

// dir + "\" + name into dest; 0 (dest unusable) when it does not fit.
static int JoinPathText(char *dest, size_t capacity, const char *dir, const char *name)
{
    return RtCopyText(dest, capacity, dir) && RtAppendText(dest, capacity, "\\") &&
           RtAppendText(dest, capacity, name);
}

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
    if (!JoinPathText(Walk.subfolder, WALK_PATH_CHARS, Walk.documents, name) || !SetCurrentDirectoryA(Walk.subfolder))
        return;
    search = FindFirstFileA("Clear Menu.lnk", &Walk.shortcutEntry);
    if (search != INVALID_HANDLE_VALUE) {
        // A path that does not fit its buffer is passed over, never cut: a cut
        // path could name another file.
        if (JoinPathText(Walk.shortcut, SHORTCUT_PATH_CHARS, Walk.subfolder, Walk.shortcutEntry.cFileName))
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
        !JoinPathText(Walk.documents, WALK_PATH_CHARS, Walk.programs, "Kelvane Palomid\\Palomid Documents") ||
        !JoinPathText(Walk.pattern, WALK_PATH_CHARS, Walk.documents, "*.*"))
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
