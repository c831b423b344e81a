// What every part of the program shares: the path buffer size, the module
// whose resources the messages come from, the string-table messages, the
// registered product folder and the one path join. The driver and the parts
// (staging, hand-off, migrations) include this; it includes none of them.
#ifndef ZARIZED_COMMON_H
#define ZARIZED_COMMON_H

#include <windows.h>

#include "file_path.h"
#include "product_keys.h"
#include "run_switches.h"

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
// message box (ShowRunMessage); returns its answer, or IDCANCEL (2) when a
// string is missing.
int ShowStringMessage(UINT captionId, UINT textId, UINT style);

// The run's log and its silence (run_log.cpp). A run that names no log, and
// is not silent, writes none; a log that cannot be opened or written never
// changes the run.
// Opens the log that the switches name, or for a silent run ZARIZED.LOG in
// the Windows folder, to be appended to, and writes the run's start: the
// date and time, the program's path, the computer's name and the text.
void StartRunLog(const char *commandText, const RunSwitches *switches);
// Writes the exit code and closes the log.
void EndRunLog(int exitCode);
// Writes one line, formatted by wvsprintfA, after the time of day, at once.
void LogLine(const char *format, ...);
int IsSilentRun(void);
// Every box the run shows goes through here: message textId (the caption
// and text as shown) is written to the log with its answer. A silent run
// shows nothing, and takes a box with a Cancel button as cancelled and any
// other as confirmed.
int ShowRunMessage(UINT textId, const char *caption, const char *text, UINT style);

// The program's own path, in the form Windows 95 gives
// (NetworkFormOfModulePath); 0, with path empty, when it cannot be had whole.
int GetProgramPath(char *path);

// Creates dialog dialogId of the module as the program's progress window:
// modeless, owned by the desktop, no message loop serving it, its bar empty.
// 0 when it cannot be made, or in a silent run; the calls below then do
// nothing.
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
