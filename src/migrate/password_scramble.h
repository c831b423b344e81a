// Scrambling of stored FTP passwords: a repeating XOR with two keys, the
// decimal text of the password's length and a fixed key. Pure buffer work,
// no Win32 call.
#ifndef ZARIZED_PASSWORD_SCRAMBLE_H
#define ZARIZED_PASSWORD_SCRAMBLE_H

// The longest password kept, in characters.
enum { PASSWORD_MAX_CHARS = 40 };

// The fixed key of the second pass.
extern const char PasswordFixedKey[];

// XORs `length` bytes of `buffer` in place with `key` repeated from its first
// character; changes nothing when the buffer or key is absent, the key is
// empty or the length is 0 or less. Returns the key's length (0 when absent).
int XorWithKey(unsigned char *buffer, int length, const char *key);

// Both transforms work on exactly `length` bytes: a byte that is or becomes
// zero is an ordinary byte. Unscrambling with the same length undoes
// scrambling.
void ScramblePassword(unsigned char *buffer, int length);
void UnscramblePassword(unsigned char *buffer, int length);

#endif
