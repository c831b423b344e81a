// PENDING: replaced by migrate_indexing_base_directory.cpp.
#include "migrate.h"
int MigrateIndexingBaseDirectory(void) { return 1; }
