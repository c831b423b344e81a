// The indexing settings move from the current user to the machine, against
// the real registry under Wine.
#include <gtest/gtest.h>

#include "migrate/migrate.h"
#include "registry_compare.h"

namespace {

const std::string kUserProduct = "Software\\Quorvel\\Palomid";
const std::string kUserIndexing = kUserProduct + "\\Indexing";
const std::string kUserDefinitions = kUserIndexing + "\\Index Definitions";
const std::string kMachineIndexing = "SOFTWARE\\Quorvel\\Palomid\\Indexing";
const std::string kMachineDefinitions = kMachineIndexing + "\\Index Definitions";
const std::string kLongPath = "C:\\Documents\\" + std::string(190, 'd');

class IndexingMigration : public ::testing::Test {
protected:
    ProductRegistryScope scope_;
};

// Two definitions, a value on the definitions key itself, keys below a
// definition, and a setting of the user's that is not about indexing. Values
// enumerate in name order, so the short "Pattern" is read after the long "Path".
void PopulateUserIndexing()
{
    SetRegString(HKEY_CURRENT_USER, kUserIndexing, "Base Directory", "C:\\");
    SetRegString(HKEY_CURRENT_USER, kUserDefinitions, "Top", "not a definition");
    SetRegDword(HKEY_CURRENT_USER, kUserDefinitions + "\\Docs", "Depth", 0x01020307);
    SetRegString(HKEY_CURRENT_USER, kUserDefinitions + "\\Docs", "Filter", "%TEMP%\\*.tmp", REG_EXPAND_SZ);
    SetRegString(HKEY_CURRENT_USER, kUserDefinitions + "\\Docs", "Path", kLongPath);
    SetRegString(HKEY_CURRENT_USER, kUserDefinitions + "\\Docs", "Pattern", "*.txt");
    SetRegString(HKEY_CURRENT_USER, kUserDefinitions + "\\Docs\\Nested\\Deeper", "Deep", "below a definition");
    SetRegString(HKEY_CURRENT_USER, kUserDefinitions + "\\Mail", "Path", "C:\\Mail");
    SetRegString(HKEY_CURRENT_USER, kUserProduct + "\\Other", "Keep", "1");
}

TEST_F(IndexingMigration, DefinitionsAndBaseDirectoryMoveToTheMachineOnceOnly)
{
    PopulateUserIndexing();
    EXPECT_EQ(1, MigrateIndexingBaseDirectory());

    EXPECT_EQ("Software", ClassOf(HKEY_LOCAL_MACHINE, kMachineDefinitions));
    EXPECT_EQ("", ClassOf(HKEY_LOCAL_MACHINE, kMachineDefinitions + "\\Docs"));
    EXPECT_EQ(std::vector<std::string>({"Docs", "Mail"}), SubkeyNames(HKEY_LOCAL_MACHINE, kMachineDefinitions));
    EXPECT_TRUE(SubkeyNames(HKEY_LOCAL_MACHINE, kMachineDefinitions + "\\Docs").empty());
    EXPECT_VALUES(Values(), HKEY_LOCAL_MACHINE, kMachineDefinitions);
    EXPECT_VALUES(Values({{"Depth", Fixed(std::string("\x07\x03\x02\x01", 4))},
                          {"Filter", Fixed("%TEMP%\\*.tmp")},
                          {"Path", Fixed(kLongPath)},
                          {"Pattern", Fixed("*.txt")}}),
                  HKEY_LOCAL_MACHINE, kMachineDefinitions + "\\Docs");
    EXPECT_VALUES(Values({{"Path", Fixed("C:\\Mail")}}), HKEY_LOCAL_MACHINE, kMachineDefinitions + "\\Mail");
    EXPECT_VALUES(Values({{"Base Directory", Sz("C:\\")}}), HKEY_LOCAL_MACHINE, kMachineIndexing);  // 4 bytes
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, kUserIndexing));
    EXPECT_VALUES(Values({{"Keep", Sz("1")}}), HKEY_CURRENT_USER, kUserProduct + "\\Other");

    const RegSnapshot machine = SnapshotRegTree(HKEY_LOCAL_MACHINE, "Software\\Quorvel");
    const RegSnapshot user = SnapshotRegTree(HKEY_CURRENT_USER, "Software\\Quorvel");
    MigrateIndexingBaseDirectory();
    EXPECT_TRUE(machine == SnapshotRegTree(HKEY_LOCAL_MACHINE, "Software\\Quorvel"));
    EXPECT_TRUE(user == SnapshotRegTree(HKEY_CURRENT_USER, "Software\\Quorvel"));
}

TEST_F(IndexingMigration, ExistingMachineDefinitionKeepsWhatTheUserLacks)
{
    SetRegString(HKEY_LOCAL_MACHINE, kMachineDefinitions + "\\Docs", "Keep", "machine only");
    SetRegString(HKEY_LOCAL_MACHINE, kMachineDefinitions + "\\Docs", "Pattern", "an older and longer description");
    SetRegString(HKEY_CURRENT_USER, kUserDefinitions + "\\Docs", "Pattern", "*.doc");
    MigrateIndexingBaseDirectory();
    EXPECT_VALUES(Values({{"Keep", Sz("machine only")}, {"Pattern", Fixed("*.doc")}}), HKEY_LOCAL_MACHINE,
                  kMachineDefinitions + "\\Docs");
}

TEST_F(IndexingMigration, WithoutTheUserIndexingKeyTheRegistryIsUnchanged)
{
    SetRegString(HKEY_LOCAL_MACHINE, kMachineIndexing, "Base Directory", "D:\\Index");
    SetRegString(HKEY_LOCAL_MACHINE, kMachineDefinitions + "\\Docs", "Pattern", "*.txt");
    SetRegString(HKEY_CURRENT_USER, kUserProduct + "\\Other", "Keep", "1");
    const RegSnapshot machine = SnapshotRegTree(HKEY_LOCAL_MACHINE, "Software\\Quorvel");
    const RegSnapshot user = SnapshotRegTree(HKEY_CURRENT_USER, "Software\\Quorvel");
    MigrateIndexingBaseDirectory();
    EXPECT_TRUE(machine == SnapshotRegTree(HKEY_LOCAL_MACHINE, "Software\\Quorvel"));
    EXPECT_TRUE(user == SnapshotRegTree(HKEY_CURRENT_USER, "Software\\Quorvel"));
}

TEST_F(IndexingMigration, WithoutTheMachineIndexingKeyTheUserKeyStillGoesWithItsWholeTree)
{
    SetRegString(HKEY_CURRENT_USER, kUserIndexing, "Base Directory", "C:\\Index");
    std::string deep = kUserIndexing;
    for (int level = 0; level < 12; ++level) {
        deep += "\\Level" + std::to_string(level);
        SetRegString(HKEY_CURRENT_USER, deep, "Value", "x");
        CreateRegKey(HKEY_CURRENT_USER, deep + "\\Sibling");
    }
    CreateRegKey(HKEY_CURRENT_USER, kUserProduct + "\\Other");
    MigrateIndexingBaseDirectory();
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, kUserIndexing));
    EXPECT_TRUE(RegKeyExists(HKEY_CURRENT_USER, kUserProduct + "\\Other"));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kMachineIndexing));
}

TEST_F(IndexingMigration, ValuesTooLongForTheBuffersArePassedOverAndTheCopyGoesOn)
{
    const std::string docs = kUserDefinitions + "\\Docs";
    SetRegString(HKEY_CURRENT_USER, docs, std::string(300, 'A'), "name does not fit");
    SetRegString(HKEY_CURRENT_USER, docs, "Big", std::string(300, 'b'));
    SetRegBinary(HKEY_CURRENT_USER, docs, "Bin", std::vector<unsigned char>(260, 'x'));  // no terminator
    SetRegString(HKEY_CURRENT_USER, docs, "Fits", std::string(259, 'f'));
    SetRegString(HKEY_CURRENT_USER, docs, "Zed", "z");
    SetRegString(HKEY_CURRENT_USER, kUserDefinitions + "\\Mail", "Path", "C:\\Mail");
    SetRegString(HKEY_CURRENT_USER, kUserIndexing, "Base Directory", "C:\\" + std::string(300, 'i'));
    MigrateIndexingBaseDirectory();
    EXPECT_VALUES(Values({{"Fits", Fixed(std::string(259, 'f'))}, {"Zed", Fixed("z")}}), HKEY_LOCAL_MACHINE,
                  kMachineDefinitions + "\\Docs");
    EXPECT_VALUES(Values({{"Path", Fixed("C:\\Mail")}}), HKEY_LOCAL_MACHINE, kMachineDefinitions + "\\Mail");
    EXPECT_VALUES(Values(), HKEY_LOCAL_MACHINE, kMachineIndexing);
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, kUserIndexing));
}

}  // namespace
