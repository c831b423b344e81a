// WriteUndoExceptionDefaults: the undo merge flag and default exception patterns of release 95.0.b.
#include "migrate.h"
#include "../common/common.h"
#include "../runtime/runtime.h"

enum { PATTERN_BYTES = 100, PATTERN_COUNT = 7 };

static const char *const ExceptionPatterns[PATTERN_COUNT] = {
    "~*.*", "*.TMP", "ShellIconCache", "VEZO.DAT", "*._MP", "_INS*.*", "_IS*.*"};

static char KeyClass[] = "SOFTWARE";

static int CreateUndoKey(const char *path, HKEY *key)
{
    DWORD disposition = 0;
    return RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, KeyClass, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, 0, key,
                           &disposition) == ERROR_SUCCESS;
}

static void SetDwordValue(HKEY key, const char *name, DWORD value)
{
    RegSetValueExA(key, name, 0, REG_DWORD, (const BYTE *)&value, sizeof(value));
}

void WriteUndoExceptionDefaults(void)
{
    HKEY key;
    char pattern[PATTERN_BYTES];
    char name[12];
    int i;
    // The Exception key is written even when the Undo key cannot be.
    if (CreateUndoKey(UndoKey, &key)) {
        SetDwordValue(key, "Default Merged", 1);
        RegCloseKey(key);
    }
    if (!CreateUndoKey(UndoExceptionKey, &key))
        return;
    // "Count" goes in before the patterns it counts.
    SetDwordValue(key, "Count", PATTERN_COUNT);
    for (i = 0; i < PATTERN_COUNT; ++i) {
        // Each pattern is stored in a fixed 100-byte field, zero-filled.
        RtMemSet(pattern, 0, sizeof(pattern));
        RtCopyText(pattern, sizeof(pattern), ExceptionPatterns[i]);
        RtFormatDecimal(i, name);
        RegSetValueExA(key, name, 0, REG_SZ, (const BYTE *)pattern, sizeof(pattern));
    }
    RegCloseKey(key);
}
