// The patch flag lands in the machine-wide Users key, and in the logon user's
// key while profiles are in force, against the real registry under Wine.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "migrate/migrate.h"
#include "migrate/profile_user.h"
#include "registry.h"

namespace {

const std::string kUsers = "Software\\Quorvel\\Palomid\\Kelvane Taskbar\\Users";
const char kLogon[] = "Network\\Logon";
const char kReconciliation[] = "Software\\Microsoft\\Windows\\CurrentVersion\\ProfileReconciliation";
const char kDesktop[] = "Software\\Microsoft\\Windows\\CurrentVersion\\ProfileReconciliation\\Desktop";

std::string ClassOf(const std::string &path)
{
    HKEY key;
    char keyClass[64] = "(no key)";
    DWORD size = sizeof(keyClass);
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
        RegQueryInfoKeyA(key, keyClass, &size, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr, nullptr);
        RegCloseKey(key);
    }
    return keyClass;
}

void ExpectFlag(const std::string &path)
{
    const RegValue flag = ReadRegValue(HKEY_LOCAL_MACHINE, path, "Installed_950B_Patch");
    EXPECT_EQ((DWORD)REG_DWORD, flag.type) << path;
    EXPECT_EQ((std::vector<unsigned char>{1, 0, 0, 0}), flag.data) << path;
    EXPECT_EQ("SOFTWARE", ClassOf(path)) << path;
}

// Wine has neither the logon key nor the profile key: each test makes what
// it needs, and removes again only what did not exist before it.
class UsersPatched : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (int i = 0; i < 4; ++i)
            had_[i] = RegKeyExists(kKeys[i].root, kKeys[i].path);
        ASSERT_FALSE(had_[1]) << kLogon;
        ASSERT_FALSE(had_[3]) << kDesktop;
    }
    void TearDown() override
    {
        for (int i = 3; i >= 0; --i)
            if (!had_[i])
                DeleteRegTree(kKeys[i].root, kKeys[i].path);
    }
    static void ProfilesOn(const std::string &userName)
    {
        SetRegDword(HKEY_LOCAL_MACHINE, kLogon, "UserProfiles", 1);
        SetRegString(HKEY_LOCAL_MACHINE, kLogon, "UserName", userName);
        CreateRegKey(HKEY_CURRENT_USER, kDesktop);
    }
    // Runs the routine: the Users key has the flag, and these subkeys.
    static void ExpectFlagged(const char *situation, int inForce, const std::vector<std::string> &userKeys)
    {
        SCOPED_TRACE(situation);
        char name[USER_NAME_BYTES] = "stale";
        EXPECT_EQ(inForce, QueryProfileUser(name));
        MarkUsersPatched();
        ExpectFlag(kUsers);
        EXPECT_EQ(userKeys, SubkeyNames(HKEY_LOCAL_MACHINE, kUsers));
        for (const std::string &user : userKeys)
            ExpectFlag(kUsers + "\\" + user);
        EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, "Software\\Quorvel"));
        ProductRegistryScope::Clear();
    }

    const struct {
        HKEY root;
        const char *path;
    } kKeys[4] = {{HKEY_LOCAL_MACHINE, "Network"},
                  {HKEY_LOCAL_MACHINE, kLogon},
                  {HKEY_CURRENT_USER, kReconciliation},
                  {HKEY_CURRENT_USER, kDesktop}};
    bool had_[4] = {true, true, true, true};
    ProductRegistryScope scope_;
};

TEST_F(UsersPatched, WithoutProfilesOnlyTheUsersKeyIsFlagged)
{
    ExpectFlagged("no logon key", 0, {});
    ProfilesOn("Visitor");
    DeleteRegValue(HKEY_LOCAL_MACHINE, kLogon, "UserProfiles");
    ExpectFlagged("no UserProfiles value", 0, {});
    SetRegDword(HKEY_LOCAL_MACHINE, kLogon, "UserProfiles", 0);
    ExpectFlagged("UserProfiles 0", 0, {});
    SetRegString(HKEY_LOCAL_MACHINE, kLogon, "UserProfiles", "1");
    ExpectFlagged("UserProfiles as REG_SZ", 0, {});
    SetRegBinary(HKEY_LOCAL_MACHINE, kLogon, "UserProfiles", {1, 0, 0, 0});
    ExpectFlagged("UserProfiles as REG_BINARY", 0, {});
    SetRegDword(HKEY_LOCAL_MACHINE, kLogon, "UserProfiles", 1);
    DeleteRegTree(HKEY_CURRENT_USER, kDesktop);
    ExpectFlagged("no Desktop profile key", 0, {});
}

TEST_F(UsersPatched, WithProfilesTheUserKeyUnderTheMachineIsFlaggedToo)
{
    ProfilesOn("Visitor");
    SetRegString(HKEY_LOCAL_MACHINE, kUsers, "Other", "kept");
    char name[USER_NAME_BYTES];
    EXPECT_EQ(1, QueryProfileUser(name));
    EXPECT_STREQ("Visitor", name);
    MarkUsersPatched();
    const RegSnapshot once = SnapshotRegTree(HKEY_LOCAL_MACHINE, "Software\\Quorvel");
    MarkUsersPatched();
    EXPECT_EQ(once, SnapshotRegTree(HKEY_LOCAL_MACHINE, "Software\\Quorvel"));
    EXPECT_EQ("kept", ReadRegValue(HKEY_LOCAL_MACHINE, kUsers, "Other").Text());
    EXPECT_TRUE(RegKeyExists(HKEY_CURRENT_USER, kDesktop));
    ExpectFlagged("Visitor", 1, {"Visitor"});

    // A name stored without its terminator still ends where its data end.
    SetRegBinary(HKEY_LOCAL_MACHINE, kLogon, "UserName", {'G', 'u', 'e', 's', 't'}, REG_SZ);
    ExpectFlagged("unterminated name", 1, {"Guest"});
    // The Users key path has 46 characters: "\" and a name of 212 make 259,
    // the most there is room for; with one more the user key is skipped.
    ProfilesOn(std::string(212, 'u'));
    ExpectFlagged("212 characters", 1, {std::string(212, 'u')});
    ProfilesOn(std::string(213, 'u'));
    ExpectFlagged("213 characters", 1, {});
}

TEST_F(UsersPatched, UnreadableUserNameLeavesTheUsersKeyPathWithABackslash)
{
    // "Users\" names the Users key itself: it gets the flag, no subkey appears.
    ProfilesOn("Visitor");
    DeleteRegValue(HKEY_LOCAL_MACHINE, kLogon, "UserName");
    ExpectFlagged("no UserName", 1, {});
    SetRegDword(HKEY_LOCAL_MACHINE, kLogon, "UserName", 5);
    ExpectFlagged("UserName as REG_DWORD", 1, {});
    SetRegString(HKEY_LOCAL_MACHINE, kLogon, "UserName", std::string(300, 'v'));
    ExpectFlagged("UserName over 260 bytes", 1, {});
    char name[USER_NAME_BYTES] = "stale";
    EXPECT_EQ(1, QueryProfileUser(name));
    EXPECT_STREQ("", name);
}

TEST_F(UsersPatched, UsersKeyThatCannotBeCreatedStopsEverything)
{
    // A volatile parent refuses a lasting child key.
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Quorvel\\Palomid\\Kelvane Taskbar", 0,
                                             nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr));
    RegCloseKey(key);
    ProfilesOn("Visitor");
    const RegSnapshot before = SnapshotRegTree(HKEY_LOCAL_MACHINE, "Software\\Quorvel");
    MarkUsersPatched();
    EXPECT_EQ(before, SnapshotRegTree(HKEY_LOCAL_MACHINE, "Software\\Quorvel"));
}

}  // namespace
