// The two-key XOR of stored FTP passwords, on any bytes and any length.
// Input: byte 0 is a length below zero to try (0..-255), byte 1 where the
// rest is cut into a key (up to its first NUL) and a buffer; the rest whole
// is the password (any length: the program keeps 40 bytes, the routines
// accept more).
#include "fuzz_support.h"

#include "migrate/password_scramble.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput input(data, size);
    int negativeLength = -(int)input.Byte();
    size_t cut = input.Byte();
    std::string password = input.Rest();
    int length = (int)password.size();

    // Unscrambling with the same length gives the bytes back, zero bytes included.
    ExactBuffer bytes(password, false);
    unsigned char *buffer = (unsigned char *)bytes.data();
    ScramblePassword(buffer, length);
    std::string scrambled(bytes.data(), bytes.size());
    UnscramblePassword(buffer, length);
    FUZZ_CHECK(std::string(bytes.data(), bytes.size()) == password);

    // The scrambling depends on the length alone: every password of a length
    // is XORed with the same bytes, those that zeros scramble to. The fixed
    // key has no digit, so the two keys never cancel and every byte changes.
    ExactBuffer zeros((size_t)length, 0);
    ScramblePassword((unsigned char *)zeros.data(), length);
    for (int i = 0; i < length; ++i) {
        FUZZ_CHECK((char)(scrambled[i] ^ password[i]) == zeros.data()[i]);
        FUZZ_CHECK(scrambled[i] != password[i]);
    }

    // A length of 0 or less changes nothing.
    ScramblePassword(buffer, negativeLength);
    UnscramblePassword(buffer, negativeLength);
    FUZZ_CHECK(std::string(bytes.data(), bytes.size()) == password);

    // XorWithKey: the key's length back, each pass its own inverse, and the
    // key repeating from its first character.
    if (cut > password.size())
        cut = password.size();
    std::string keyText = password.substr(0, cut);
    keyText = keyText.substr(0, keyText.find('\0'));
    ExactBuffer key(keyText, true);
    std::string plain = password.substr(cut);
    int plainLength = (int)plain.size();
    ExactBuffer target(plain, false);
    int keyLength = XorWithKey((unsigned char *)target.data(), plainLength, key.data());
    FUZZ_CHECK(keyLength == (int)keyText.size());
    for (int i = 0; i < plainLength; ++i)
        FUZZ_CHECK((char)(target.data()[i] ^ plain[i]) == (keyLength ? keyText[(size_t)i % keyText.size()] : 0));
    FUZZ_CHECK(XorWithKey((unsigned char *)target.data(), plainLength, key.data()) == keyLength);
    FUZZ_CHECK(std::string(target.data(), target.size()) == plain);
    FUZZ_CHECK(XorWithKey((unsigned char *)target.data(), negativeLength, key.data()) == keyLength);
    FUZZ_CHECK(XorWithKey(nullptr, plainLength, key.data()) == keyLength);
    FUZZ_CHECK(XorWithKey((unsigned char *)target.data(), plainLength, nullptr) == 0);
    FUZZ_CHECK(std::string(target.data(), target.size()) == plain);
    return 0;
}
