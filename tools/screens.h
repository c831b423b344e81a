// What the screen shows, taken as PNG files by ImageMagick's import on the X
// server that Wine's X11 driver draws on (runboxes --screens).
#ifndef ZARIZED_TOOLS_SCREENS_H
#define ZARIZED_TOOLS_SCREENS_H

#include <windows.h>

#include <string>

// Takes the whole screen into the Unix file <start>-NN-<name>.png (NN counts
// the pictures of this run) once window, of any process, has painted all it
// has to, with the window's thread held still meanwhile; with settleMs, the
// thread runs that long more once the window has painted, for a window whose
// thread then waits for the user (a message box). Returns the file and where
// the window lay, or "" when the window went away first or import failed.
std::string ShootScreen(const std::string &start, const std::string &name, HWND window, DWORD settleMs);

#endif
