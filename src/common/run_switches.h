// The switches of a patch run's command text (pure text work, no Win32),
// which both programs read: the download extractor passes its command text
// on to ZARIZED.EXE.
#ifndef ZARIZED_RUN_SWITCHES_H
#define ZARIZED_RUN_SWITCHES_H

#include "file_path.h"

struct RunSwitches {
    int silent;               // "/s": no box and no window
    char logPath[PATH_CHARS]; // "/l<path>": the log; empty when none is named
};

// Reads the text as words separated by blanks, a word running on through
// blanks within double quotes. "/s" or "/S" makes the run silent; "/l" or
// "/L" followed directly by a path (in double quotes when it holds blanks)
// names the log, the quotes taken off. Every other word is passed over. A
// path too long for its buffer names no log: it is never cut.
void ParseRunSwitches(const char *text, RunSwitches *switches);

#endif
