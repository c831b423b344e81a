// The two-key XOR of stored FTP passwords, as pure buffer work.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "migrate/password_scramble.h"

namespace {

using Bytes = std::vector<unsigned char>;

TEST(PasswordScramble, KnownBytesAndBothKeysRepeating)
{
    // "abc": length key "3" (0x33), then "Ode" of the fixed key.
    // 0x61^0x33^0x4F = 0x1D, 0x62^0x33^0x64 = 0x35, 0x63^0x33^0x65 = 0x35.
    Bytes abc = {'a', 'b', 'c'};
    ScramblePassword(abc.data(), 3);
    EXPECT_EQ((Bytes{0x1D, 0x35, 0x35}), abc);

    // Twelve zero bytes show the keys themselves: length key "12" repeats
    // every two bytes, the fixed key starts again at position 11.
    Bytes zeros(12, 0);
    ScramblePassword(zeros.data(), 12);
    EXPECT_EQ((Bytes{'1' ^ 'O', '2' ^ 'd', '1' ^ 'e', '2' ^ ' ', '1' ^ 'P', '2' ^ 'a', '1' ^ 'r', '2' ^ 'v',
                     '1' ^ 'i', '2' ^ 'l', '1' ^ 'k', '2' ^ 'O'}),
              zeros);
}

TEST(PasswordScramble, RoundTripForEveryLengthUpToFortyThroughZeroBytes)
{
    const std::string fixed = "Ode Parvilk";
    for (int length = 0; length <= 40; ++length) {
        const std::string lengthKey = std::to_string(length);
        Bytes plain(length);
        for (int i = 0; i < length; ++i)  // every third byte scrambles to zero, byte 5 is zero before
            plain[i] = i % 3 == 1 ? (unsigned char)(lengthKey[i % lengthKey.size()] ^ fixed[i % 11])
                                  : i == 5 ? 0 : (unsigned char)('!' + (i * 7 + length) % 90);
        Bytes bytes = plain;
        ScramblePassword(bytes.data(), length);
        for (int i = 1; i < length; i += 3)
            EXPECT_EQ(0, bytes[i]) << "length " << length << ", byte " << i;
        UnscramblePassword(bytes.data(), length);
        EXPECT_EQ(plain, bytes) << "length " << length;
    }
}

TEST(PasswordScramble, XorTouchesOnlyWhatItIsGiven)
{
    Bytes bytes = {0, 0, 0, 0, 0, 9};
    EXPECT_EQ(3, XorWithKey(bytes.data(), 0, "abc"));
    EXPECT_EQ(3, XorWithKey(bytes.data(), -2, "abc"));
    EXPECT_EQ(3, XorWithKey(nullptr, 3, "abc"));
    EXPECT_EQ(0, XorWithKey(bytes.data(), 3, ""));
    EXPECT_EQ(0, XorWithKey(bytes.data(), 3, nullptr));
    EXPECT_EQ((Bytes{0, 0, 0, 0, 0, 9}), bytes);
    EXPECT_EQ(2, XorWithKey(bytes.data(), 5, "xy"));
    EXPECT_EQ((Bytes{'x', 'y', 'x', 'y', 'x', 9}), bytes);
}

}  // namespace
