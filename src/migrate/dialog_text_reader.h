// Reading the built-in dialog-definition text: a run of sections, each its
// name, its entry lines and an empty line, every one ended by a NUL; an empty
// name ends the run. Pure text work over a buffer of known size: no Win32
// call, no windows.h, and never a byte read at or past the end of the buffer.
#ifndef ZARIZED_DIALOG_TEXT_READER_H
#define ZARIZED_DIALOG_TEXT_READER_H

// Longest entry key name taken, in bytes (characters in single-byte text).
enum { DIALOG_KEY_NAME_BYTES = 256 };

// Steps from one character to the next, as the system's code page has it (a
// double-byte character is one step). The reader calls it only on a non-NUL
// byte with at least one more byte in the buffer, and never lets a step leave
// the line or the buffer.
typedef const char *(*DialogTextStep)(const char *character);

// A byte is a character: the step for single-byte text.
const char *StepDialogTextByte(const char *character);

struct DialogText {
    const char *next;  // where the next name or line begins
    const char *end;   // one past the last byte of the text
    DialogTextStep step;
};

struct DialogTextEntry {
    char name[DIALOG_KEY_NAME_BYTES];  // the characters before the first "="
    const char *value;                 // after that "=", ended by a NUL inside the text
    unsigned int valueBytes;           // bytes of the value, without its NUL
    int isNumber;                      // the value begins with "0x" or "0X"
    unsigned int number;               // its value by the hex rule, when isNumber
};

enum DialogEntryResult {
    DIALOG_SECTION_END = 0,   // the empty line, or the end of the text
    DIALOG_ENTRY = 1,         // an entry, filled in
    DIALOG_ENTRY_SKIPPED = 2  // a line with no "=", or a key name over 255 bytes
};

void OpenDialogText(DialogText *text, const char *bytes, unsigned int size, DialogTextStep step);

// The name of the next section, NUL-terminated inside the text, or 0 when the
// run has ended: an empty name, or the end of the buffer. A name or line that
// the end of the buffer cuts before its NUL is not taken, and ends the run.
const char *ReadDialogSectionName(DialogText *text);

// The next line of the current section.
DialogEntryResult ReadDialogEntry(DialogText *text, DialogTextEntry *entry);

// The hex rule: from 0, for every character after the two-character prefix up
// to the value's NUL, multiply by 16 (low 32 bits kept) and add the
// character's hex digit value, 0 for any other character.
unsigned int DialogHexValue(const char *value, const char *valueEnd, DialogTextStep step);

#endif
