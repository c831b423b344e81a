// The hand-off's text work over plain buffers (no Win32): the text of
// PATCH.BAT, the bytes of one PIF field and the command line of a launch.
#ifndef ZARIZED_HANDOFF_TEXT_H
#define ZARIZED_HANDOFF_TEXT_H

enum {
    // The batch is built in one block of this size; its longest text, for a
    // 259-character folder, is 73 + 4 x 259 = 1109 bytes.
    HANDOFF_BATCH_BYTES = 5000,
    // A launch's command line: at most 259 characters and its terminator.
    LAUNCH_LINE_CHARS = 260,
    // Its buffer: that, and the two quotes put around a path with a blank.
    LAUNCH_QUOTED_LINE_CHARS = LAUNCH_LINE_CHARS + 2,
    // The widest PIF field the hand-off writes (the 64-byte ones).
    PIF_FIELD_BYTES = 64,
    // What each field receives: 57 of the program's 63 bytes, 47 of the
    // startup folder's 64, 63 of the parameters' 64. The shipped file's zero
    // bytes after each count end a value that fills it, so a value of up to
    // that many characters reaches DOS whole.
    PIF_PROGRAM_BYTES = 57,
    PIF_STARTUP_BYTES = 47,
    PIF_PARAMETERS_BYTES = 63
};

// The startup folder Patch.pif is given: the product folder as it is when
// it fits the field (so every folder that always fitted keeps its bytes), else
// its short form shortDir ("" when there is none) when that fits; 0 when
// neither does.
const char *ChooseStartupFolder(const char *productDir, const char *shortDir);

// Builds the six CR LF lines of PATCH.BAT for shortDir (the short form of
// the product folder, no trailing backslash) into text and returns the
// text's length in bytes (73 + 4 x length of shortDir), or 0 when the text
// and a terminator would not fit capacity (nothing is written past it).
int BuildHandoffBatchText(const char *shortDir, char *text, int capacity);

// Fills the first count bytes of field with value: its bytes, then zero
// bytes up to count; a value of count characters or more gives its first
// count bytes and no terminator. count is at most PIF_FIELD_BYTES.
void FillPifField(char *field, int count, const char *value);

// Forms directory + "\" + program + " " + arguments into line (capacity
// bytes); with no directory (0 or empty), program + " " + arguments. The
// program's path is put in quotes when it holds a blank, so that no shorter
// path before the blank can be started in its place. The line may have at
// most `longest` characters, the quotes not counted: they never refuse a line
// that fits without them. Returns 0, with line empty, when the line exceeds
// that or does not fit capacity.
int BuildLaunchCommandLine(char *line, int capacity, int longest, const char *directory, const char *program,
                           const char *arguments);

#endif
