// The stored passwords of the product's FTP sites (HKEY_CURRENT_USER).
#ifndef ZARIZED_FTP_PASSWORDS_H
#define ZARIZED_FTP_PASSWORDS_H

#include <windows.h>

// The capacity of the buffers a password value is read into.
enum { PASSWORD_VALUE_BYTES = 260 };

// Reads a stored password (REG_BINARY scrambled, or REG_SZ plain) into
// `buffer` as text of at most 40 characters; any other type, or a value that
// cannot be read, gives the empty text. *capacity: in, the buffer's size;
// out, the data length read (0 when nothing was read).
void ReadStoredPassword(HKEY siteKey, const char *valueName, char *buffer, DWORD *capacity);

// Stores at most 40 characters of `text`, scrambled, as a REG_BINARY value of
// exactly their length, with no terminator.
void WriteScrambledPassword(HKEY siteKey, const char *valueName, const char *text);

#endif
