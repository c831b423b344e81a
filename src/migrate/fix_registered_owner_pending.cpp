// PENDING: replaced by fix_registered_owner.cpp.
#include "migrate.h"
int FixRegisteredOwner(void) { return 0; }
