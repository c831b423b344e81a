// The registry work the migrations share: deleting a key tree, and reading
// values for the fixed-length copies.
#ifndef ZARIZED_MIGRATION_REGISTRY_H
#define ZARIZED_MIGRATION_REGISTRY_H

#include <windows.h>

#include "fixed_text.h"

// Deletes the subkey `name` of the open key `parent` and everything below it.
// Returns the result of deleting `name` itself (ERROR_SUCCESS when it is gone).
// Windows NT (and Wine) refuse to delete a key that still has subkeys, and the
// calls that delete a whole tree do not exist on Windows 95, so the tree goes
// depth first.
LONG DeleteKeyTree(HKEY parent, const char *name);

enum { FIXED_VALUE_END, FIXED_VALUE_READ, FIXED_VALUE_SKIPPED };

// Reads value number `index` of `key` into name and data buffers of
// FIXED_TEXT_BYTES each, the data zero-padded to the full length (see
// PadFixedText). FIXED_VALUE_SKIPPED: the value does not fit the buffers or
// is no terminated text, and the enumeration goes on with the next index;
// FIXED_VALUE_END: there are no more values.
int ReadFixedTextValue(HKEY key, DWORD index, char *name, unsigned char *data);

#endif
