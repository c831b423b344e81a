// The Start-menu shortcut fix-ups: the Programs folder and one shell link's
// arguments. Buffer sizes are those of the walk in FixProgramsFolderShortcuts.
#ifndef ZARIZED_SHORTCUT_FIXUPS_H
#define ZARIZED_SHORTCUT_FIXUPS_H

enum {
    PROGRAMS_PATH_CHARS = 260,   // the Programs folder as read from the registry
    WALK_PATH_CHARS = 1024,      // documents folder, saved directory, pattern, subfolder
    SHORTCUT_PATH_CHARS = 260,   // one shortcut's full path
    WIDE_PATH_CHARS = 260        // the same path in UTF-16, for the shell link
};

// Copies the current user's Programs folder into path (PROGRAMS_PATH_CHARS);
// 1 when a non-empty, terminated value could be read, else 0 and path untouched.
int ReadProgramsFolder(char *path);

// Loads the shell link at shortcutPath, sets its arguments and saves it,
// leaving every other property as it was; 1 when it was saved, else 0.
int SetShortcutArguments(const char *shortcutPath, const char *arguments);

#endif
