// The registry side of the dialog definitions: the built-in set, the old
// "Include" and "Exclude" lists, and one definition's key.
#ifndef ZARIZED_DIALOG_IMPORT_H
#define ZARIZED_DIALOG_IMPORT_H

#include <windows.h>

#include "dialog_definition.h"

// Writes the built-in text (RCDATA 1001 of the module) into the open Dialogs key.
void LoadDefaultDialogDefinitions(HINSTANCE instance, HKEY dialogsKey);
// Writes a definition text of size bytes into the open Dialogs key: one key
// per section, numbers as REG_DWORD and other values as REG_SZ with the NUL,
// then "RegRevision" after each section whose key could be created or opened.
void LoadDialogDefinitionText(HKEY dialogsKey, const char *bytes, DWORD size);
// Creates the definition's key under the Dialogs key and fills it, but only
// if the key is new, or holds nothing but values of this conversion (one a
// stopped run left part-way).
void WriteDialogDefinition(HKEY dialogsKey, const DialogDefinition *definition);
// Converts every entry of the old list of that name (disable: 1 for
// "Exclude", whose entries that the "Include" list also holds are passed over).
void ConvertOldDialogList(HKEY dialogsKey, const char *listName, int disable);

#endif
