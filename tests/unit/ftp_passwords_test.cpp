// Stored FTP passwords end in the scrambled REG_BINARY form, against the real
// registry under Wine.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "migrate/migrate.h"
#include "import_slots.h"
#include "registry.h"
#include "registry_compare.h"

typedef LONG(WINAPI *EnumKeyFn)(HKEY, DWORD, LPSTR, LPDWORD, LPDWORD, LPSTR, LPDWORD, PFILETIME);

namespace {

using Bytes = std::vector<unsigned char>;

const char kSites[] = "Software\\Quorvel\\Palomid\\ZELFSV4\\FTP";

std::string Site(const std::string &name)
{
    return std::string(kSites) + "\\" + name;
}

RegValue PasswordOf(const std::string &site)
{
    return ReadRegValue(HKEY_CURRENT_USER, Site(site), "Password");
}

TEST(FtpPasswords, EveryFormEndsAsScrambledBinaryAndASecondRunChangesNothing)
{
    ProductRegistryScope scope;
    std::string fifty;
    for (int i = 0; i < 50; ++i)
        fifty += (char)('A' + i % 26);
    std::string zeroed = "pa?wd!";  // its third byte scrambles to zero
    zeroed[2] = (char)('6' ^ 'e');
    SetRegString(HKEY_CURRENT_USER, Site("plain"), "Password", "secret");
    SetRegString(HKEY_CURRENT_USER, Site("plain long"), "Password", fifty);
    SetRegString(HKEY_CURRENT_USER, Site("plain empty"), "Password", "");
    SetRegDword(HKEY_CURRENT_USER, Site("number"), "Password", 7);
    SetRegString(HKEY_CURRENT_USER, Site("expandable"), "Password", "secret", REG_EXPAND_SZ);
    SetRegBinary(HKEY_CURRENT_USER, Site("scrambled"), "Password", Scrambled("hunter2"));
    SetRegBinary(HKEY_CURRENT_USER, Site("scrambled zero"), "Password", Scrambled(zeroed));
    SetRegBinary(HKEY_CURRENT_USER, Site("scrambled long"), "Password", Scrambled(fifty));
    SetRegString(HKEY_CURRENT_USER, Site("no password"), "Host", "ftp.example");
    SetRegString(HKEY_CURRENT_USER, Site("too long"), "Password", std::string(300, 't'));
    const RegValue tooLong = PasswordOf("too long");
    ASSERT_EQ(0, Scrambled(zeroed)[2]);

    RescrambleFtpPasswords();
    const RegSnapshot once = SnapshotRegTree(HKEY_CURRENT_USER, kSites);
    RescrambleFtpPasswords();

    EXPECT_EQ(once, SnapshotRegTree(HKEY_CURRENT_USER, kSites));
    EXPECT_EQ(Value(REG_BINARY, Scrambled("secret")), PasswordOf("plain"));
    EXPECT_EQ(Value(REG_BINARY, Scrambled(fifty.substr(0, 40))), PasswordOf("plain long"));
    EXPECT_EQ(Value(REG_BINARY, {}), PasswordOf("plain empty"));
    EXPECT_EQ(Value(REG_BINARY, {}), PasswordOf("number"));
    EXPECT_EQ(Value(REG_BINARY, {}), PasswordOf("expandable"));
    EXPECT_EQ(Value(REG_BINARY, Scrambled("hunter2")), PasswordOf("scrambled"));
    EXPECT_EQ(Value(REG_BINARY, Scrambled(zeroed)), PasswordOf("scrambled zero"));
    // Unscrambled with its own length key 50, cut, scrambled again with 40.
    EXPECT_EQ(Value(REG_BINARY, Scrambled(fifty.substr(0, 40))), PasswordOf("scrambled long"));
    EXPECT_FALSE(PasswordOf("no password").exists);
    EXPECT_EQ("ftp.example", ReadRegValue(HKEY_CURRENT_USER, Site("no password"), "Host").Text());
    EXPECT_EQ(301u, tooLong.data.size());
    EXPECT_EQ(tooLong, PasswordOf("too long"));
}

// A site name too long for the 260-byte buffer (a double-byte code page can
// make one of a 256-character key name) must not end the enumeration.
EnumKeyFn g_realEnumKey;

LONG WINAPI EnumKeyWithOverlongName(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved,
                                    LPSTR keyClass, LPDWORD classSize, PFILETIME written)
{
    LONG result = g_realEnumKey(key, index, name, nameSize, reserved, keyClass, classSize, written);
    if (result == ERROR_SUCCESS && std::string(name).rfind("overlong", 0) == 0) {
        *nameSize = 400;
        return ERROR_MORE_DATA;
    }
    return result;
}


TEST(FtpPasswords, SiteNameTooLongForTheBufferIsPassedOver)
{
    ProductRegistryScope scope;
    SetRegString(HKEY_CURRENT_USER, Site("a site"), "Password", "first");
    SetRegString(HKEY_CURRENT_USER, Site("overlong site"), "Password", "middle");
    SetRegString(HKEY_CURRENT_USER, Site("z site"), "Password", "last");

    {
        ImportPatch overlong("RegEnumKeyExA", (void *)EnumKeyWithOverlongName);
        ASSERT_TRUE(overlong.Active());
        g_realEnumKey = overlong.Original<EnumKeyFn>();
        RescrambleFtpPasswords();
    }

    EXPECT_EQ(Value(REG_BINARY, Scrambled("first")), PasswordOf("a site"));
    EXPECT_EQ((DWORD)REG_SZ, PasswordOf("overlong site").type);
    EXPECT_EQ(Value(REG_BINARY, Scrambled("last")), PasswordOf("z site"));
}

TEST(FtpPasswords, WithoutTheSitesKeyNothingChanges)
{
    ProductRegistryScope scope;
    SetRegString(HKEY_CURRENT_USER, "Software\\Quorvel\\Palomid\\ZELFSV4", "Password", "secret");
    const RegSnapshot before = SnapshotRegTree(HKEY_CURRENT_USER, "Software\\Quorvel");
    RescrambleFtpPasswords();
    EXPECT_EQ(before, SnapshotRegTree(HKEY_CURRENT_USER, "Software\\Quorvel"));
}

}  // namespace
