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
// full. *clusterBytes (when given) is the size of its clusters, 0 when unknown.
DWORD GetFreeDiskBytes(const char *dir, DWORD *clusterBytes = 0);
// Shows message 2011 with the bytes free and the bytes still needed, and
// returns 0, when stillNeeded is above 0.
int CheckFreeSpace(DWORD freeBytes, DWORDLONG stillNeeded);
// Whether the product's drive has room for what the run stages (at least
// REQUIRED_FREE_BYTES), the files it replaces counted as room; message 2011
// when not. Reads the media and the product folder, changes nothing.
int CheckRoomToStage(const char *sourceDir, const char *productDir);

// The installed release check (release_check.cpp): reads the installed
// release into `installed` (PATH_CHARS) and returns 1 when it is in the class
// of `expected`; ReportReleaseMismatch then explains a refusal.
int IsInstalledReleaseAccepted(const char *expected, char *installed);
void ReportReleaseMismatch(const char *expected, const char *installed);

#endif
