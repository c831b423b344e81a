// DeleteKeyTree: removes a registry key with every key below it. Windows NT
// (and Wine) refuse to delete a key that still has subkeys, and the calls that
// delete a whole tree do not exist on Windows 95, so the tree goes depth first.
#ifndef ZARIZED_DELETE_KEY_TREE_H
#define ZARIZED_DELETE_KEY_TREE_H

#include <windows.h>

// Deletes the subkey `name` of the open key `parent` and everything below it.
// Returns the result of deleting `name` itself (ERROR_SUCCESS when it is gone).
LONG DeleteKeyTree(HKEY parent, const char *name);

#endif
