// What every part of the program shares: the path buffer size, the module
// whose resources the messages come from, the string-table messages, the
// registered product folder and the one path join. The driver and the parts
// (staging, hand-off, migrations) include this; it includes none of them.
#ifndef ZARIZED_COMMON_H
#define ZARIZED_COMMON_H

#include <windows.h>

#include "file_path.h"
#include "product_keys.h"

// Stored by WinMain before anything else; every string load uses it.
extern HINSTANCE ModuleInstance;

enum {
    // A string of the table: message 2012 passes 260 characters.
    MESSAGE_STRING_CHARS = 520,
    // A formatted message: all that wsprintfA ever writes.
    MESSAGE_TEXT_CHARS = 1024
};

// Loads string `id` into text (MESSAGE_STRING_CHARS); returns its length, or
// 0 with text empty when the table lacks it. Every message's caption and
// format comes through here; a format is then filled by wsprintfA into a
// MESSAGE_TEXT_CHARS buffer and shown in an ownerless box.
int LoadMessageString(UINT id, char *text);

// Loads caption and text from the string table and shows them in an ownerless
// message box; returns its answer, or IDCANCEL (2) when a string is missing.
int ShowStringMessage(UINT captionId, UINT textId, UINT style);

// Creates dialog dialogId of the module as the program's progress window:
// modeless, owned by the desktop, no message loop serving it, its bar empty.
// 0 when it cannot be made; the calls below then do nothing.
HWND CreateProgressDialog(UINT dialogId);
void DestroyProgressDialog(void);
// Fills the bar to the share done of total (done at or past total: full).
// Nothing shows until the window is repainted.
void SetProgressBar(DWORDLONG done, DWORDLONG total);
// Sets the short line beside the bar.
void SetProgressLine(const char *text);
// Paints now what is due in this program's windows, their controls
// included, by taking only the paint messages waiting for them. No message
// loop serves the progress window, and a window is drawn only when its paint
// messages are taken: so once it has its text, and again after each box that
// covered it (where the box lay stays as the box left it until then).
void RepaintOwnWindows(void);

// Removes one trailing "\" (never half of a double-byte character).
void StripTrailingBackslash(char *path);

// The registered product folder: value RegisteredFolderValue of the key
// InstalledAppsKey under HKEY_LOCAL_MACHINE. The parts read it by one rule
// and differ only where named:
// - discovery (DiscoverProductFolder) takes only a non-empty REG_SZ of at
//   most 259 characters (a 260-byte text without a NUL is refused, not cut)
//   and strips one trailing backslash: the product folder of the run;
// - the component path and the loader's command line take the text as
//   stored (ReadRegisteredFolder), whatever its type, trailing backslash and
//   all, and refuse what does not fit their own buffers.

// Reads at most readBytes bytes of the value into folder, which has room
// for readBytes + 1, and ends them with a NUL at the end of the data (or at
// readBytes). 1 when the value could be read; *type is its type.
int ReadRegisteredFolder(char *folder, DWORD readBytes, DWORD *type);

// Discovery's reading into productDir (PATH_CHARS); 0 when there is no
// usable registered folder.
int DiscoverProductFolder(char *productDir);

#endif
