// LoadDefaultDialogDefinitions: the built-in definitions, from the program's
// own RCDATA resource. Resources belong to the module and need no freeing.
#include "dialog_import.h"
#include "../../res/resource.h"

void LoadDefaultDialogDefinitions(HINSTANCE instance, HKEY dialogsKey)
{
    HRSRC found = FindResourceA(instance, MAKEINTRESOURCEA(IDR_DIALOG_DEFINITIONS), RT_RCDATA);
    HGLOBAL loaded;
    const char *bytes;
    DWORD size;
    if (!found)
        return;
    loaded = LoadResource(instance, found);
    if (!loaded)
        return;
    bytes = (const char *)LockResource(loaded);
    size = SizeofResource(instance, found);
    if (bytes && size)
        LoadDialogDefinitionText(dialogsKey, bytes, size);
}
