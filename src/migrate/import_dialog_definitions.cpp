// ImportDialogDefinitions: brings the current user's dialog definitions to one
// key per definition. The built-in set goes first, then the old "Include" and
// "Exclude" lists, and the writer never touches an existing key, so the first
// writer of a name wins. The old lists go afterwards whatever happened.
#include "migrate.h"
#include "delete_key_tree.h"
#include "dialog_import.h"

static const char kDialogsPath[] = "Software\\Quorvel\\Palomid\\" "FileSteward" "\\" "Dialogs";

void ImportDialogDefinitions(HINSTANCE instance)
{
    HKEY dialogs;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kDialogsPath, 0, KEY_ALL_ACCESS, &dialogs) != ERROR_SUCCESS)
        return;
    LoadDefaultDialogDefinitions(instance, dialogs);
    ConvertOldDialogList(dialogs, "Include", 0);
    ConvertOldDialogList(dialogs, "Exclude", 1);
    // The lists hold values only, but anything below them goes with them.
    DeleteKeyTree(dialogs, "Exclude");
    DeleteKeyTree(dialogs, "Include");
    RegCloseKey(dialogs);
}
