// PENDING: replaced by migrate_startup_entries.cpp.
#include "migrate.h"
void MigrateStartupEntries(void) {}
