// One-shot migrations of the product's registry settings and shortcuts. None
// reports anything or can stop the run.
#ifndef ZARIZED_MIGRATE_H
#define ZARIZED_MIGRATE_H

#include <windows.h>

void WriteUndoExceptionDefaults(void);
int MigrateIndexingBaseDirectory(void);
void RescrambleFtpPasswords(void);
void MigrateStartupEntries(void);
void FixProgramsFolderShortcuts(void);
void ImportDialogDefinitions(HINSTANCE instance);
void MarkUsersPatched(void);
int FixRegisteredOwner(void);

#endif
