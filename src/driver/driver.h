// The installer driver: start-up, dispatch, the prerequisite checks, the
// installed-release check, the progress window and the string-table messages.
#ifndef ZARIZED_DRIVER_H
#define ZARIZED_DRIVER_H

#include <windows.h>

#include "classify_release.h"
#include "splitter_command.h"

enum {
    PATH_CHARS = 260,          // every path and release buffer
    COMMAND_CHARS = 256,       // the copy of the command text
    REQUIRED_FREE_BYTES = 0x500000
};

// Stored by WinMain before anything else; every string load uses it.
extern HINSTANCE ModuleInstance;

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandText, int showCommand);

// Loads caption and text from the string table and shows them in an ownerless
// message box; returns its answer, or IDCANCEL (2) when a string is missing.
int ShowStringMessage(UINT captionId, UINT textId, UINT style);

// The modeless progress window (dialog 3000); 0 when it could not be created.
INT_PTR CALLBACK ProgressDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
HWND ShowProgressWindow(void);

// Installation discovery and prerequisites.
int LocateInstallation(char *windowsDir, char *productDir, char *sourceDir);
void StripTrailingBackslash(char *path);
int FileExistsInDir(const char *name, const char *dir);
DWORD GetFreeDiskBytes(const char *dir);
// Shows message 2011 and returns 0 when freeBytes is below what the patch needs.
int CheckFreeSpace(DWORD freeBytes);

// The installed release check (ClassifyRelease: classify_release.h).
int ReadInstalledVersion(const char *expected, char *installed);
void ReportReleaseMismatch(const char *expected, const char *installed);

#endif
