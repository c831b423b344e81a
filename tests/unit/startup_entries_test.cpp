// The start-up entries move from the Windows Run key into the product's Run
// keys, against the real registry under Wine.
#include <gtest/gtest.h>

#include "migrate/migrate.h"
#include "migrate/startup_entries.h"
#include "import_slots.h"
#include "registry_compare.h"

typedef LONG(WINAPI *SetValueFn)(HKEY, LPCSTR, DWORD, DWORD, const BYTE *, DWORD);

namespace {

const char kWindowsRun[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kUserRun[] = "Software\\Quorvel\\Palomid\\Run";
const char kMachineRun[] = "SOFTWARE\\Quorvel\\Palomid\\Run";
const char kLoader[] = "Kelvane Palomid Loader";

// Fails the write of one value, as a full disk or a refused key would.
SetValueFn g_realSetValue;
std::string g_refusedName;

LONG WINAPI RefuseOneSetValue(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE *data, DWORD size)
{
    if (name && g_refusedName == name)
        return ERROR_ACCESS_DENIED;
    return g_realSetValue(key, name, reserved, type, data, size);
}

// The Windows Run key holds Wine's own entries (or none): each test starts
// from an empty one, and the original values come back afterwards.
class StartupEntries : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved_ = ValuesOf(HKEY_LOCAL_MACHINE, kWindowsRun);
        ClearWindowsRun();
    }
    void TearDown() override
    {
        ClearWindowsRun();
        SetValues(HKEY_LOCAL_MACHINE, kWindowsRun, saved_);
        EXPECT_VALUES(saved_, HKEY_LOCAL_MACHINE, kWindowsRun);
    }
    static void ClearWindowsRun()
    {
        CreateRegKey(HKEY_LOCAL_MACHINE, kWindowsRun);
        for (const auto &v : ValuesOf(HKEY_LOCAL_MACHINE, kWindowsRun))
            DeleteRegValue(HKEY_LOCAL_MACHINE, kWindowsRun, v.first);
    }
    ProductRegistryScope scope_;
    Values saved_;
};

const std::string kLongCommand = "C:\\Kelvane\\steward.exe /" + std::string(180, 's');

// Every component, entries of other programs, the unnamed default value and
// an old loader entry. Values enumerate in name order, so the short
// "Kelvane FolderCues" is read right after the long "Kelvane FileSteward".
const Values kOthers = {{"", Sz("C:\\default.exe")},
                        {"Indexing", Sz("C:\\Other\\indexer.exe /quiet")},
                        {"Other App", Sz("C:\\Other\\app.exe")}};

void PopulateWindowsRun()
{
    SetValues(HKEY_LOCAL_MACHINE, kWindowsRun, kOthers);
    SetValues(HKEY_LOCAL_MACHINE, kWindowsRun,
              {{"Kelvane FileSteward", Sz(kLongCommand)},
               {"Kelvane FolderCues", Sz("fc.exe")},
               {"Kelvane Indexing", Sz("C:\\Kelvane\\kidx.exe")},
               {"Kelvane Start Menu", Sz("sm.exe")},
               {"Kelvane TaskBar", Sz("tb.exe")},
               {"Kelvane Undo Monitor", Sz("%KELVANE%\\um.exe", REG_EXPAND_SZ)},
               {"Kelvane Undo Purge", Sz("up.exe")},
               {kLoader, Sz("C:\\Old\\kploader.exe")}});
}

Values WithLoader(Values values, const std::string &command)
{
    values[kLoader] = Fixed(command);
    return values;
}

TEST(StartupEntryNames, ValueNameIsSoughtInsideTheComponentNamesInTestOrder)
{
    const std::pair<const char *, int> cases[] = {
        {"Kelvane FileSteward", 1},  {"Kelvane TaskBar", 2},   {"Kelvane Start Menu", 3},
        {"Kelvane FolderCues", 4},   {"Kelvane Indexing", 5},  {"Kelvane Undo Purge", 6},
        {"Kelvane Undo Monitor", 7}, {"", 1},                  {"Kelvane", 1},
        {"Indexing", 5},             {"Undo", 6},              {"Monitor", 7},
        {"kelvane taskbar", 0},      {"Kelvane Palomid Loader", 0}, {"Kelvane TaskBar2", 0}};
    for (const auto &c : cases)
        EXPECT_EQ(c.second, MatchStartupEntry(c.first)) << '"' << c.first << '"';
}

TEST_F(StartupEntries, ComponentEntriesMoveAndTheLoaderTakesTheirPlaceOnceOnly)
{
    PopulateWindowsRun();
    RegisterProduct("C:\\Program Files\\Kelvane\\");  // stored with a trailing backslash
    MigrateStartupEntries();

    EXPECT_VALUES(Values({{"", Fixed("C:\\default.exe")},
                          {"Kelvane FileSteward", Fixed(kLongCommand)},
                          {"Kelvane Start Menu", Fixed("sm.exe")},
                          {"Kelvane TaskBar", Fixed("tb.exe")}}),
                  HKEY_CURRENT_USER, kUserRun);
    EXPECT_VALUES(Values({{"Indexing", Fixed("C:\\Other\\indexer.exe /quiet")},
                          {"Kelvane FolderCues", Fixed("fc.exe")},
                          {"Kelvane Indexing", Fixed("C:\\Kelvane\\kidx.exe")},
                          {"Kelvane Undo Monitor", Fixed("%KELVANE%\\um.exe")},
                          {"Kelvane Undo Purge", Fixed("up.exe")}}),
                  HKEY_LOCAL_MACHINE, kMachineRun);
    EXPECT_VALUES(WithLoader(kOthers, "C:\\Program Files\\Kelvane\\\\kploader.exe"), HKEY_LOCAL_MACHINE,
                  kWindowsRun);
    EXPECT_EQ("Software", ClassOf(HKEY_CURRENT_USER, kUserRun));
    EXPECT_EQ("SOFTWARE", ClassOf(HKEY_LOCAL_MACHINE, kMachineRun));

    const Values windows = ValuesOf(HKEY_LOCAL_MACHINE, kWindowsRun);
    const RegSnapshot machine = SnapshotRegTree(HKEY_LOCAL_MACHINE, "Software\\Quorvel");
    const RegSnapshot user = SnapshotRegTree(HKEY_CURRENT_USER, "Software\\Quorvel");
    MigrateStartupEntries();
    EXPECT_VALUES(windows, HKEY_LOCAL_MACHINE, kWindowsRun);
    EXPECT_TRUE(machine == SnapshotRegTree(HKEY_LOCAL_MACHINE, "Software\\Quorvel"));
    EXPECT_TRUE(user == SnapshotRegTree(HKEY_CURRENT_USER, "Software\\Quorvel"));
}

TEST_F(StartupEntries, WithoutTheWindowsRunKeyNothingIsDone)
{
    ASSERT_TRUE(SubkeyNames(HKEY_LOCAL_MACHINE, kWindowsRun).empty()) << "the Run key could not be restored";
    RegisterProduct("C:\\Kelvane");
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteKeyA(HKEY_LOCAL_MACHINE, kWindowsRun));
    const RegSnapshot machine = SnapshotRegTree(HKEY_LOCAL_MACHINE, "Software\\Quorvel");
    const RegSnapshot user = SnapshotRegTree(HKEY_CURRENT_USER, "Software\\Quorvel");
    MigrateStartupEntries();
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kWindowsRun));
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, kUserRun));
    EXPECT_TRUE(machine == SnapshotRegTree(HKEY_LOCAL_MACHINE, "Software\\Quorvel"));
    EXPECT_TRUE(user == SnapshotRegTree(HKEY_CURRENT_USER, "Software\\Quorvel"));
}

// Entries the copy does not take stay in the Windows Run key, so that their
// components still start.
class SparedStartupEntries : public StartupEntries {};

TEST_F(SparedStartupEntries, EntriesTooLongForTheBuffersStayWhereTheyAreAndTheCopyGoesOn)
{
    // Guards docs/behaviour.md, "Spared start-up entries".
    // Entries the copy cannot take are not deleted either: their components
    // keep starting from the Windows Run key.
    const Values kept = {{std::string(300, 'A'), Sz("C:\\long-name.exe")},
                         {"Kelvane FileSteward", Sz("C:\\" + std::string(300, 'f'))},  // command line does not fit
                         {"Kelvane Indexing", Value(REG_BINARY, std::vector<unsigned char>(260, 'x'))}};  // no terminator
    SetValues(HKEY_LOCAL_MACHINE, kWindowsRun, kept);
    SetValues(HKEY_LOCAL_MACHINE, kWindowsRun,
              {{"Kelvane FolderCues", Sz(std::string(259, 'c'))},  // exactly fills 260 bytes
               {"Kelvane TaskBar", Sz("tb.exe")},
               {"Kelvane Undo Purge", Sz("up.exe")},
               {kLoader, Sz("C:\\Old\\kploader.exe")}});
    MigrateStartupEntries();  // no product folder registered: no loader entry, the old one gone
    EXPECT_VALUES(Values({{"Kelvane TaskBar", Fixed("tb.exe")}}), HKEY_CURRENT_USER, kUserRun);
    EXPECT_VALUES(Values({{"Kelvane FolderCues", Fixed(std::string(259, 'c'))}, {"Kelvane Undo Purge", Fixed("up.exe")}}),
                  HKEY_LOCAL_MACHINE, kMachineRun);
    EXPECT_VALUES(kept, HKEY_LOCAL_MACHINE, kWindowsRun);
}

TEST_F(SparedStartupEntries, AnEntryWhoseCopyIsNotWrittenStays)
{
    // Guards docs/behaviour.md, "Spared start-up entries": an entry leaves
    // only once its copy was written.
    SetValues(HKEY_LOCAL_MACHINE, kWindowsRun,
              {{"Kelvane TaskBar", Sz("tb.exe")}, {"Kelvane Start Menu", Sz("sm.exe")}, {"Kelvane Undo Purge", Sz("up.exe")}});
    g_refusedName = "Kelvane TaskBar";
    {
        ImportPatch refuse("RegSetValueExA", (void *)RefuseOneSetValue);
        ASSERT_TRUE(refuse.Active());
        g_realSetValue = refuse.Original<SetValueFn>();
        MigrateStartupEntries();
    }
    EXPECT_VALUES(Values({{"Kelvane Start Menu", Fixed("sm.exe")}}), HKEY_CURRENT_USER, kUserRun);
    EXPECT_VALUES(Values({{"Kelvane Undo Purge", Fixed("up.exe")}}), HKEY_LOCAL_MACHINE, kMachineRun);
    EXPECT_VALUES(Values({{"Kelvane TaskBar", Sz("tb.exe")}}), HKEY_LOCAL_MACHINE, kWindowsRun);
}

TEST_F(SparedStartupEntries, WithoutAProductRunKeyTheEntriesStayAndTheLoaderComes)
{
    RegisterProduct("C:\\Kelvane");
    // A non-volatile key cannot be created below a volatile one.
    HKEY palomid;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quorvel\\Palomid", 0, nullptr,
                                             REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &palomid, nullptr));
    RegCloseKey(palomid);
    PopulateWindowsRun();
    const Values populated = ValuesOf(HKEY_LOCAL_MACHINE, kWindowsRun);
    MigrateStartupEntries();
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kMachineRun));
    EXPECT_VALUES(Values(), HKEY_CURRENT_USER, kUserRun);
    // Nothing was copied, so no component entry goes: every component still
    // starts from the Windows Run key. Only the loader entry is replaced.
    EXPECT_VALUES(WithLoader(populated, "C:\\Kelvane\\kploader.exe"), HKEY_LOCAL_MACHINE, kWindowsRun);
}

TEST_F(SparedStartupEntries, EntriesNamedInAnotherLetterCaseAreNotCopiedAndStay)
{
    // Guards docs/behaviour.md, "Spared start-up entries".
    // The registry finds "KELVANE TASKBAR" under "Kelvane TaskBar", but the
    // name match is case-sensitive: the entry is not copied, so it must not
    // be deleted either.
    const Values kept = {{"KELVANE TASKBAR", Sz("tb.exe")}, {"kelvane undo monitor", Sz("um.exe")}};
    SetValues(HKEY_LOCAL_MACHINE, kWindowsRun, kept);
    SetValues(HKEY_LOCAL_MACHINE, kWindowsRun,
              {{"Kelvane Start Menu", Sz("sm.exe")}, {"Kelvane Undo Purge", Sz("up.exe")}});
    MigrateStartupEntries();
    EXPECT_VALUES(Values({{"Kelvane Start Menu", Fixed("sm.exe")}}), HKEY_CURRENT_USER, kUserRun);
    EXPECT_VALUES(Values({{"Kelvane Undo Purge", Fixed("up.exe")}}), HKEY_LOCAL_MACHINE, kMachineRun);
    EXPECT_VALUES(kept, HKEY_LOCAL_MACHINE, kWindowsRun);
}

// The loader's own entry in the Windows Run key.
class LoaderEntry : public StartupEntries {};

TEST_F(LoaderEntry, CommandIsWrittenOnlyWhenItFitsWhole)
{
    // "\kploader.exe" is 13 characters: a 246-character folder fills 259.
    for (size_t length : {246u, 247u, 259u, 300u}) {
        const std::string folder = "C:\\" + std::string(length - 3, 'p');
        RegisterProduct(folder);
        SetRegString(HKEY_LOCAL_MACHINE, kWindowsRun, kLoader, "C:\\Old\\kploader.exe");
        MigrateStartupEntries();
        SCOPED_TRACE(length);
        EXPECT_VALUES(length == 246 ? WithLoader({}, folder + "\\kploader.exe") : Values(), HKEY_LOCAL_MACHINE,
                      kWindowsRun);
    }
}

}  // namespace
