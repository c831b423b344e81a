// PENDING: replaced by write_undo_exception_defaults.cpp.
#include "migrate.h"
void WriteUndoExceptionDefaults(void) {}
