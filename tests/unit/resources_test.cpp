// The built program's resources, read back from ZARIZED.EXE itself.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "program_runner.h"

namespace {

class ResourcesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        program_ = LoadLibraryExA(ProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    }
    static void TearDownTestSuite() { FreeLibrary(program_); }
    static HMODULE program_;

    std::vector<unsigned char> Resource(LPCSTR type, int id)
    {
        HRSRC found = FindResourceExA(program_, type, MAKEINTRESOURCEA(id), MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
        if (!found)
            return {};
        const unsigned char *bytes = (const unsigned char *)LockResource(LoadResource(program_, found));
        return std::vector<unsigned char>(bytes, bytes + SizeofResource(program_, found));
    }
};
HMODULE ResourcesTest::program_ = nullptr;

struct Text {
    int id;
    const char *text;
};

const Text kStrings[] = {
    {2000, "Kelvane Palomid"},
    {2001, "Palomid Run"},
    {2002, "Error"},
    {2003, "Kelvane Palomid 95.0.b Maintenance Release"},
    {2004, "Can't find a valid installation of Kelvane Palomid.  Program terminating.  Please view 'READNOW.TXT' "
           "for instructions on how to manually apply the maintenance release."},
    {2005, "Can't copy a needed file.  Program terminating.  Please view 'READNOW.TXT' for instructions on how to "
           "manually apply the maintenance release."},
    {2006, "Can't run 'REGEDIT.EXE'.  Program terminating.  Please view 'READNOW.TXT' for instructions on how to "
           "manually apply the maintenance release."},
    {2007, "To complete the upgrade, Windows must be restarted.  Close all applications and press OK to restart "
           "Windows."},
    {2008, "Can't find necessary upgrade files.  Program terminating.  Please view 'READNOW.TXT' for instructions "
           "on how to manually apply the maintenance release."},
    {2009, "Can't find Windows 95 installation directory.  Program terminating.  Please view 'READNOW.TXT' for "
           "instructions on how to manually apply the maintenance release."},
    {2010, "Copying neccessary files to the Kelvane Palomid folder..."},
    {2011, "Warning: Not enough free hard drive space on drive. \n\nYou currently have %ld Bytes free and need an "
           "additional %ld Bytes to install this patch.\n\nPlease free up additional space and run the update "
           "again."},
    {2012, "This patch is intended for the %s release of Kelvane Palomid.\n\nYou currently have %s installed on "
           "your machine.\n\n To upgrade to 95.0.b you will need to install the %s version of the patch.\n\nPlease "
           "refer to the 'READNOW.TXT' for information on how to get the correct patch for\nyour version of "
           "Kelvane Palomid."},
    {2014, "Please insert disk %i."},
    {2015, "Update Cancelled : Not Enough Hard Drive Space"},
    {2016, "Update Cancelled"},
    {2017, "Could not find source file"},
    {2018, "You already have the 95.0.b version of Kelvane Palomid on your system.  There is no need to patch it."},
    {2019, "The disk in the drive is not disk %i of this patch, or it cannot be read.  Please insert disk %i."},
};

TEST_F(ResourcesTest, StringTableHoldsEveryTextExactly)
{
    ASSERT_NE(nullptr, program_);
    for (const Text &t : kStrings) {
        char text[1024] = "";
        int length = LoadStringA(program_, t.id, text, sizeof(text));
        EXPECT_EQ(std::string(t.text), std::string(text, length)) << t.id;
    }
    char none[16];
    EXPECT_EQ(0, LoadStringA(program_, 2013, none, sizeof(none))) << "there is no string 2013";
}

TEST_F(ResourcesTest, StringsAreUsEnglish)
{
    // String ids 2000-2015 live in block 126, 2016-2018 in block 127.
    EXPECT_FALSE(Resource(RT_STRING, 2000 / 16 + 1).empty());
    EXPECT_FALSE(Resource(RT_STRING, 2018 / 16 + 1).empty());
}

WORD Word(const std::vector<unsigned char> &b, size_t at)
{
    return (WORD)(b[at] | (b[at + 1] << 8));
}

DWORD Dword(const std::vector<unsigned char> &b, size_t at)
{
    return Word(b, at) | ((DWORD)Word(b, at + 2) << 16);
}

// Reads a resource name or class: 0xFFFF and an ordinal, or UTF-16 text.
std::string SzOrOrdinal(const std::vector<unsigned char> &b, size_t *at)
{
    if (Word(b, *at) == 0xFFFF) {
        std::string ordinal = "#" + std::to_string(Word(b, *at + 2));
        *at += 4;
        return ordinal;
    }
    std::string text;
    for (; Word(b, *at); *at += 2)
        text += (char)Word(b, *at);
    *at += 2;
    return text;
}

TEST_F(ResourcesTest, ProgressDialogTemplate)
{
    std::vector<unsigned char> t = Resource(RT_DIALOG, 3000);
    ASSERT_FALSE(t.empty());
    EXPECT_EQ(0x90C00AC0u, Dword(t, 0));  // style
    EXPECT_EQ(0u, Dword(t, 4));           // extended style
    EXPECT_EQ(5, Word(t, 8));             // controls
    EXPECT_EQ(0, Word(t, 10));
    EXPECT_EQ(0, Word(t, 12));
    EXPECT_EQ(270, Word(t, 14));
    EXPECT_EQ(46, Word(t, 16));
    size_t at = 18;
    EXPECT_EQ("", SzOrOrdinal(t, &at));  // menu
    EXPECT_EQ("", SzOrOrdinal(t, &at));  // class
    EXPECT_EQ("Kelvane Palomid", SzOrOrdinal(t, &at));
    EXPECT_EQ(8, Word(t, at));
    at += 2;
    EXPECT_EQ("Helv", SzOrOrdinal(t, &at));

    struct Control {
        DWORD style;
        WORD x, y, cx, cy, id;
        const char *cls;
        const char *text;
    };
    const Control expected[] = {{0x50020003, 10, 7, 0, 0, 0xFFFF, "#130", "#1000"},
                                {0x50020081, 35, 13, 227, 8, 101, "#130", ""},
                                // The bar: its filled part above its sunken frame, then the disk line.
                                {0x50000080, 36, 29, 168, 8, 102, "#130", ""},
                                {0x54001000, 35, 28, 170, 10, 103, "#130", ""},
                                {0x50000080, 212, 29, 50, 8, 104, "#130", ""}};
    for (const Control &c : expected) {
        at = (at + 3) & ~(size_t)3;
        EXPECT_EQ(c.style, Dword(t, at));
        EXPECT_EQ(0u, Dword(t, at + 4));
        EXPECT_EQ(c.x, Word(t, at + 8));
        EXPECT_EQ(c.y, Word(t, at + 10));
        EXPECT_EQ(c.cx, Word(t, at + 12));
        EXPECT_EQ(c.cy, Word(t, at + 14));
        EXPECT_EQ(c.id, Word(t, at + 16));
        at += 18;
        EXPECT_EQ(c.cls, SzOrOrdinal(t, &at));  // 0x82: the STATIC class
        EXPECT_EQ(c.text, SzOrOrdinal(t, &at));
        at += 2;  // no creation data
    }
}

TEST_F(ResourcesTest, IconIsOne32By32SixteenColourImage)
{
    std::vector<unsigned char> group = Resource(RT_GROUP_ICON, 1000);
    ASSERT_EQ(6u + 14u, group.size());
    EXPECT_EQ(1, Word(group, 4));  // one image
    EXPECT_EQ(32, group[6]);
    EXPECT_EQ(32, group[7]);
    EXPECT_EQ(16, group[8]);   // colours
    EXPECT_EQ(1, Word(group, 10));  // planes
    EXPECT_EQ(4, Word(group, 12));  // bits per pixel
    EXPECT_EQ(744u, Dword(group, 14));
    std::vector<unsigned char> image = Resource(RT_ICON, Word(group, 18));
    EXPECT_EQ(744u, image.size());
    EXPECT_EQ(40u, Dword(image, 0));  // a BITMAPINFOHEADER
    EXPECT_EQ(4, Word(image, 14));
}

}  // namespace
