// PENDING: replaced by import_dialog_definitions.cpp.
#include "migrate.h"
void ImportDialogDefinitions(HINSTANCE instance) { (void)instance; }
