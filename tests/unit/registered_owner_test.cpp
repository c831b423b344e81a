// The registered owner and organization are copied into the product's key as
// fixed-length texts, both or neither, against the real registry under Wine.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "migrate/migrate.h"
#include "registry.h"

namespace {

const char kWindows[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
const char kProduct[] = "SOFTWARE\\Quorvel\\Palomid";
const char kOwner[] = "RegisteredOwner";
const char kOrganization[] = "RegisteredOrganization";

// A REG_SZ of 1024 bytes: the text, then zeros.
RegValue Fixed(const std::string &text)
{
    RegValue value;
    value.exists = true;
    value.type = REG_SZ;
    value.data.assign(text.begin(), text.end());
    value.data.resize(1024, 0);
    return value;
}

void SetSource(const char *name, const std::string &bytes, DWORD type = REG_SZ)
{
    SetRegBinary(HKEY_LOCAL_MACHINE, kWindows, name, std::vector<unsigned char>(bytes.begin(), bytes.end()), type);
}

RegValue Copied(const char *name)
{
    return ReadRegValue(HKEY_LOCAL_MACHINE, kProduct, name);
}

// Wine keeps values of its own under the Windows version key: they are put
// back exactly as they were after every test.
class RegisteredOwner : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (int i = 0; i < 2; ++i)
            saved_[i] = ReadRegValue(HKEY_LOCAL_MACHINE, kWindows, kNames[i]);
    }
    void TearDown() override
    {
        for (int i = 0; i < 2; ++i) {
            DeleteRegValue(HKEY_LOCAL_MACHINE, kWindows, kNames[i]);
            if (saved_[i].exists)
                SetRegBinary(HKEY_LOCAL_MACHINE, kWindows, kNames[i], saved_[i].data, saved_[i].type);
            EXPECT_EQ(saved_[i], ReadRegValue(HKEY_LOCAL_MACHINE, kWindows, kNames[i]));
        }
    }

    const char *const kNames[2] = {kOwner, kOrganization};
    ProductRegistryScope scope_;
    RegValue saved_[2];
};

TEST_F(RegisteredOwner, BothAreCopiedAsTextsOfExactly1024Bytes)
{
    SetRegDword(HKEY_LOCAL_MACHINE, kProduct, kOwner, 5);
    SetRegString(HKEY_LOCAL_MACHINE, kProduct, kOrganization, "old organization");
    SetRegString(HKEY_LOCAL_MACHINE, kProduct, "Other", "kept");
    SetSource(kOwner, std::string(600, 'o') + '\0');
    SetSource(kOrganization, std::string("Example Org\0", 12));
    EXPECT_EQ(1, FixRegisteredOwner());
    EXPECT_EQ(Fixed(std::string(600, 'o')), Copied(kOwner));
    EXPECT_EQ(Fixed("Example Org"), Copied(kOrganization));
    EXPECT_EQ("kept", ReadRegValue(HKEY_LOCAL_MACHINE, kProduct, "Other").Text());

    // Shorter texts later: nothing of the earlier ones shows after them, and
    // a second run with the same source writes the same bytes.
    SetSource(kOwner, std::string("Bo\0", 3));
    SetSource(kOrganization, std::string("", 1));
    EXPECT_EQ(1, FixRegisteredOwner());
    const RegSnapshot once = SnapshotRegTree(HKEY_LOCAL_MACHINE, kProduct);
    EXPECT_EQ(1, FixRegisteredOwner());
    EXPECT_EQ(once, SnapshotRegTree(HKEY_LOCAL_MACHINE, kProduct));
    EXPECT_EQ(Fixed("Bo"), Copied(kOwner));
    EXPECT_EQ(Fixed(""), Copied(kOrganization));

    // Bytes beyond the text are not copied; a full buffer keeps 1023.
    const struct {
        std::string source;
        DWORD type;
        std::string copied;
    } cases[] = {{std::string("Ann\0junk\0", 9), REG_SZ, "Ann"},
                 {"Corp", REG_BINARY, "Corp"},
                 {std::string(1024, 'x'), REG_BINARY, std::string(1023, 'x')},
                 {std::string(1023, 'y') + '\0', REG_SZ, std::string(1023, 'y')}};
    for (const auto &c : cases) {
        SetSource(kOwner, c.source, c.type);
        SetSource(kOrganization, c.source, c.type);
        EXPECT_EQ(1, FixRegisteredOwner());
        EXPECT_EQ(Fixed(c.copied), Copied(kOwner)) << c.source.size() << " bytes of type " << c.type;
        EXPECT_EQ(Fixed(c.copied), Copied(kOrganization)) << c.source.size() << " bytes of type " << c.type;
    }
}

TEST_F(RegisteredOwner, OneValueUnreadableOrNoProductKeyChangesNothing)
{
    // Guards docs/behaviour.md, "Both or neither".
    SetRegString(HKEY_LOCAL_MACHINE, kProduct, kOwner, "previous owner");
    const RegSnapshot before = SnapshotRegTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quorvel");
    for (int unreadable = 0; unreadable < 4; ++unreadable) {
        SetSource(kOwner, std::string("New Owner\0", 10));
        SetSource(kOrganization, std::string("New Org\0", 8));
        const char *name = unreadable % 2 ? kOwner : kOrganization;
        if (unreadable < 2)
            DeleteRegValue(HKEY_LOCAL_MACHINE, kWindows, name);
        else
            SetSource(name, std::string(1024, 'z') + '\0');  // over 1024 bytes
        EXPECT_EQ(0, FixRegisteredOwner()) << name << (unreadable < 2 ? " missing" : " too long");
        EXPECT_EQ(before, SnapshotRegTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quorvel"));
    }

    DeleteRegTree(HKEY_LOCAL_MACHINE, kProduct);
    RegisterProduct("C:\\Kelvane");
    SetSource(kOwner, std::string("New Owner\0", 10));
    SetSource(kOrganization, std::string("New Org\0", 8));
    const RegSnapshot withoutProduct = SnapshotRegTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quorvel");
    EXPECT_EQ(0, FixRegisteredOwner());
    EXPECT_EQ(withoutProduct, SnapshotRegTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quorvel"));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kProduct));
}

}  // namespace
