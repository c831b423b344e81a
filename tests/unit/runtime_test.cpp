// The program's own runtime routines against the C library's, input by input.
#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "runtime/runtime.h"

namespace {

int Sign(int v)
{
    return (v > 0) - (v < 0);
}

const char *const kTexts[] = {"", "a", "b", "ab", "abc", "abd", "A", "\x80", "\xff", "ab\x80", "95.0.b", "95.0.B",
                              "1.0", "1.0.0"};

TEST(RuntimeStrings, CompareOrdersAsTheCLibraryDoes)
{
    for (const char *a : kTexts)
        for (const char *b : kTexts)
            EXPECT_EQ(Sign(strcmp(a, b)), Sign(RtStrCmp(a, b))) << '"' << a << "\" vs \"" << b << '"';
}

TEST(RuntimeStrings, SearchFindsTheSamePlace)
{
    const char *const haystacks[] = {"", "1.0", "1.0.0", "95.0.a", "aaab", "abcabd", "x.0"};
    const char *const needles[] = {"", "1", ".0", "0.0", "1.0.0", "ab", "abd", "aab", "95.0.a1", "z"};
    for (const char *h : haystacks)
        for (const char *n : needles)
            EXPECT_EQ(strstr(h, n), RtStrStr(h, n)) << '"' << n << "\" in \"" << h << '"';
}

TEST(RuntimeStrings, LengthAndBoundedCopy)
{
    EXPECT_EQ(0u, RtStrLen(""));
    EXPECT_EQ(6u, RtStrLen("95.0.b"));
    char buffer[5];
    EXPECT_EQ(1, RtCopyText(buffer, sizeof(buffer), "abcd"));
    EXPECT_STREQ("abcd", buffer);
    EXPECT_EQ(0, RtCopyText(buffer, sizeof(buffer), "abcde"));
    EXPECT_STREQ("abcd", buffer);
    EXPECT_EQ(1, RtCopyText(buffer, sizeof(buffer), "ab"));
    EXPECT_EQ(1, RtAppendText(buffer, sizeof(buffer), "c"));
    EXPECT_EQ(0, RtAppendText(buffer, sizeof(buffer), "de"));
    EXPECT_STREQ("abcd", buffer);
}

TEST(RuntimeStrings, DecimalTextMatchesPrintf)
{
    const int values[] = {0, 1, 7, 12, 40, -1, -5, 2147483647, -2147483647 - 1};
    for (int v : values) {
        char expected[16];
        char actual[16];
        snprintf(expected, sizeof(expected), "%d", v);
        RtFormatDecimal(v, actual);
        EXPECT_STREQ(expected, actual);
    }
}

std::vector<std::string> CLibraryTokens(std::string text, const char *delimiters)
{
    std::vector<std::string> tokens;
    for (char *t = strtok(&text[0], delimiters); t; t = strtok(nullptr, delimiters))
        tokens.push_back(t);
    return tokens;
}

std::vector<std::string> RuntimeTokens(std::string text, const char *delimiters)
{
    std::vector<std::string> tokens;
    char *state = nullptr;
    for (char *t = RtStrTok(&text[0], delimiters, &state); t; t = RtStrTok(nullptr, delimiters, &state))
        tokens.push_back(t);
    return tokens;
}

TEST(RuntimeTokens, SameTokensAsStrtok)
{
    const char *const texts[] = {"", ",", ",,,", "data.bin,100,200", " data.bin,100", ",100", "a,,b", "a,b,",
                                 "a b,c", ",,a,,,b,,", "abc"};
    for (const char *t : texts) {
        EXPECT_EQ(CLibraryTokens(t, ","), RuntimeTokens(t, ",")) << '"' << t << '"';
        EXPECT_EQ(CLibraryTokens(t, ", "), RuntimeTokens(t, ", ")) << '"' << t << '"';
    }
}

TEST(RuntimeTokens, KeepsReturningNothingAtTheEnd)
{
    char text[] = "a,b";
    char *state = nullptr;
    EXPECT_STREQ("a", RtStrTok(text, ",", &state));
    EXPECT_STREQ("b", RtStrTok(nullptr, ",", &state));
    EXPECT_EQ(nullptr, RtStrTok(nullptr, ",", &state));
    EXPECT_EQ(nullptr, RtStrTok(nullptr, ",", &state));
}

TEST(RuntimeScan, SameConversionAsScanfLd)
{
    const char *const texts[] = {"", " ", "0", "100", "-5", "+7", "  42", "\t-3x", "12abc", "abc", "-", "+", "- 5",
                                 "2147483647", "-2147483648", "007", " \n 9", "1 2", "0x10"};
    for (const char *t : texts) {
        long expected = 12345;
        int actual = 12345;
        int expectedCount = sscanf(t, "%ld", &expected);
        int actualCount = RtScanLong(t, &actual);
        EXPECT_EQ(expectedCount, actualCount) << '"' << t << '"';
        EXPECT_EQ((int)expected, actual) << '"' << t << '"';
    }
}

TEST(RuntimeScan, DigitsBeyond32BitsWrap)
{
    int value = 0;
    ASSERT_EQ(1, RtScanLong("4294967297", &value));
    EXPECT_EQ(1, value);
}

TEST(RuntimeMemory, FillAndCopy)
{
    unsigned char a[16];
    unsigned char b[16];
    memset(a, 0x5A, sizeof(a));
    EXPECT_EQ(b, RtMemSet(b, 0x5A, sizeof(b)));
    EXPECT_EQ(0, memcmp(a, b, sizeof(a)));
    for (int i = 0; i < 16; ++i)
        a[i] = (unsigned char)(i * 17);
    EXPECT_EQ(b, RtMemCopy(b, a, 10));
    EXPECT_EQ(0, memcmp(a, b, 10));
    EXPECT_EQ(0x5A, b[10]);
}

TEST(RuntimeSplitPath, SameFourPartsAsSplitpath)
{
    const char *const paths[] = {"A:\\ZARIZED.EXE", "C:\\MEDIA\\SET.B\\ZARIZED.EXE", "C:\\a.b\\c", "C:\\", "C:",
                                 "ZARIZED.EXE", "\\\\server\\share\\x.exe", "D:/apps/tool.v1.exe", "", ".profile",
                                 "C:\\dir\\", "name."};
    for (const char *p : paths) {
        char d1[_MAX_DRIVE], p1[_MAX_DIR], n1[_MAX_FNAME], e1[_MAX_EXT];
        char d2[RT_MAX_DRIVE], p2[RT_MAX_DIR], n2[RT_MAX_FNAME], e2[RT_MAX_EXT];
        _splitpath(p, d1, p1, n1, e1);
        RtSplitPath(p, d2, p2, n2, e2);
        EXPECT_STREQ(d1, d2) << p;
        EXPECT_STREQ(p1, p2) << p;
        EXPECT_STREQ(n1, n2) << p;
        EXPECT_STREQ(e1, e2) << p;
    }
}

TEST(RuntimeSplitPath, OverlongPartsAreCutNotOverrun)
{
    std::string longDir = "C:\\" + std::string(300, 'd') + "\\" + std::string(300, 'n') + ".ext";
    char dir[RT_MAX_DIR + 8];
    char name[RT_MAX_FNAME + 8];
    memset(dir, '#', sizeof(dir));
    memset(name, '#', sizeof(name));
    RtSplitPath(longDir.c_str(), nullptr, dir, name, nullptr);
    EXPECT_EQ((size_t)RT_MAX_DIR - 1, strlen(dir));
    EXPECT_EQ((size_t)RT_MAX_FNAME - 1, strlen(name));
    EXPECT_EQ('#', dir[RT_MAX_DIR]);
    EXPECT_EQ('#', name[RT_MAX_FNAME]);
}

}  // namespace
