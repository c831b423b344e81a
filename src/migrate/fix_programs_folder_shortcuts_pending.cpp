// PENDING: replaced by fix_programs_folder_shortcuts.cpp.
#include "migrate.h"
void FixProgramsFolderShortcuts(void) {}
