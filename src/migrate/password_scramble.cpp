// XorWithKey, ScramblePassword, UnscramblePassword: the two-key XOR of stored
// FTP passwords.
#include "password_scramble.h"

#include "../runtime/runtime.h"

const char PasswordFixedKey[] = "Ode Parvilk";

int XorWithKey(unsigned char *buffer, int length, const char *key)
{
    int keyLength = key ? (int)RtStrLen(key) : 0;
    int keyPosition = 0;
    if (!buffer || keyLength == 0 || length <= 0)
        return keyLength;
    for (int i = 0; i < length; ++i) {
        buffer[i] ^= (unsigned char)key[keyPosition];
        if (++keyPosition == keyLength)
            keyPosition = 0;
    }
    return keyLength;
}

void ScramblePassword(unsigned char *buffer, int length)
{
    char lengthKey[12];
    RtFormatDecimal(length, lengthKey);
    XorWithKey(buffer, length, lengthKey);
    XorWithKey(buffer, length, PasswordFixedKey);
}

void UnscramblePassword(unsigned char *buffer, int length)
{
    char lengthKey[12];
    RtFormatDecimal(length, lengthKey);
    XorWithKey(buffer, length, PasswordFixedKey);
    XorWithKey(buffer, length, lengthKey);
}
