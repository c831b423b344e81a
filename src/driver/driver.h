// The installer driver, on top of every part: start-up and dispatch, the
// prerequisite checks, the installed-release check and the progress window.
#ifndef ZARIZED_DRIVER_H
#define ZARIZED_DRIVER_H

#include "../common/common.h"

enum {
    COMMAND_CHARS = 256,  // the copy of the command text
    REQUIRED_FREE_BYTES = 0x500000
};

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandText, int showCommand);

// The modeless progress window (dialog 3000); 0 when it could not be created.
HWND ShowProgressWindow(void);

// Installation discovery and prerequisites (installation.cpp).
int LocateInstallation(char *windowsDir, char *productDir, char *sourceDir);
int FileExistsInDir(const char *name, const char *dir);

// Free space (free_space.cpp). A drive whose figures cannot be had counts as
// full.
DWORD GetFreeDiskBytes(const char *dir);
// Shows message 2011 and returns 0 when freeBytes is below what the patch needs.
int CheckFreeSpace(DWORD freeBytes);

// The installed release check (release_check.cpp): reads the installed
// release into `installed` (PATH_CHARS) and returns 1 when it is in the class
// of `expected`; ReportReleaseMismatch then explains a refusal.
int IsInstalledReleaseAccepted(const char *expected, char *installed);
void ReportReleaseMismatch(const char *expected, const char *installed);

#endif
