// Complete patch runs through the real program on registries holding values
// of the wrong type, empty values and values longer than the program's
// buffers, in every key the migrations read. Each run must reach the
// hand-off as usual and leave exactly the expected registry: hostile values
// converted, skipped or kept as the program's rules say, nothing else touched.
#include <gtest/gtest.h>

#include <string>

#include "files.h"
#include "installation.h"
#include "launch_record.h"
#include "program_runner.h"
#include "registry_compare.h"
#include "windows_settings.h"

namespace {

const char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kVersionKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
const char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char kDesktopProfile[] = "Software\\Microsoft\\Windows\\CurrentVersion\\ProfileReconciliation\\Desktop";
const char kUserPalomid[] = "Software\\Quorvel\\Palomid";

// Snapshot paths.
const std::string kMachinePalomid = "HKLM\\software\\quorvel\\palomid";
const std::string kUserPalomidPath = "HKCU\\software\\quorvel\\palomid";
const std::string kRunPath = "HKLM\\software\\microsoft\\windows\\currentversion\\run";
const std::string kUsersPath = kMachinePalomid + "\\kelvane taskbar\\users";

// Adds a key and every key above it, up to the area's root, as present.
void AddKeys(RegSnapshot *expected, const std::string &keyPath)
{
    size_t areaEnd = keyPath.find('\\', keyPath.find('\\') + 1);  // after "HKLM\software"
    for (size_t at = keyPath.find('\\', areaEnd + 1); at != std::string::npos; at = keyPath.find('\\', at + 1))
        (*expected)[keyPath.substr(0, at) + "|"] = Key();
    (*expected)[keyPath + "|"] = Key();
}

RegValue FixedText(const std::string &text, size_t length)
{
    return Value(REG_SZ, TextBytes(text, length));
}

Bytes Raw(const std::string &text)
{
    return Bytes(text.begin(), text.end());
}

class HostileRegistryRun : public ::testing::Test {
protected:
    void SetUp() override { Reset(); }
    void TearDown() override { ProductRegistryScope::Clear(); }

    // A fresh installation of release 95.0.a with one-disk media and a known
    // registered owner, nothing else of the product in the registry.
    void Reset()
    {
        ProductRegistryScope::Clear();
        windowsSettings_.RemoveAddedRunEntries();
        DeleteRegTree(HKEY_LOCAL_MACHINE, "Network\\Logon");
        DeleteRegTree(HKEY_CURRENT_USER, kDesktopProfile);
        product_ = ScratchDir("hostile-registry\\product");
        media_ = ScratchDir("hostile-registry\\media");
        InstallProduct(product_, "release_95_0_a");
        MakeMedia(media_, "95.0.a", PatternBytes(64), ShippedPif(), PatternBytes(100));
        SetRegString(HKEY_LOCAL_MACHINE, kVersionKey, "RegisteredOwner", "Pat Example");
        SetRegString(HKEY_LOCAL_MACHINE, kVersionKey, "RegisteredOrganization", "Example Works");
        SetRegString(HKEY_CURRENT_USER, kShellFolders, "Programs", "C:\\zarized-tests\\hostile-registry\\no programs");
    }

    // Runs the patch; it must end as every complete run does: the restart
    // message, then the start of Patch.pif, exit code 1.
    RunResult RunPatch(const std::string &what)
    {
        LaunchLog launches;
        before_ = SnapshotWatchedAreas();
        RunResult run = RunProgramFrom(media_, "");
        after_ = SnapshotWatchedAreas();
        ExpectHandedOff(run, launches, product_, what);
        return run;
    }

    // What the registry must hold after the run, as Windows 95 stores it.
    std::string Differences(const RegSnapshot &expected) const
    {
        return RegistryDifferences(StoredByWindows95(before_, expected), after_);
    }

    // What every run here writes: the product's Run keys, the loader entry,
    // the patch flag and the registered owner.
    RegSnapshot Baseline(const std::string &owner = "Pat Example", const std::string &organization = "Example Works")
    {
        RegSnapshot expected = before_;
        AddKeys(&expected, kMachinePalomid + "\\run");
        AddKeys(&expected, kUserPalomidPath + "\\run");
        expected[kRunPath + "|kelvane palomid loader"] = FixedText(product_ + "\\kploader.exe", 260);
        AddKeys(&expected, kUsersPath);
        expected[kUsersPath + "|installed_950b_patch"] = Dword(1);
        expected[kMachinePalomid + "|registeredowner"] = FixedText(owner, 1024);
        expected[kMachinePalomid + "|registeredorganization"] = FixedText(organization, 1024);
        return expected;
    }

    std::string product_, media_;
    WindowsSettingsScope windowsSettings_;
    RegSnapshot before_, after_;
};

TEST_F(HostileRegistryRun, IndexingValuesOfEveryShape)
{
    const std::string definitions = std::string(kUserPalomid) + "\\Indexing\\Index Definitions";
    const std::string longName(300, 'n');
    const std::string longKey(255, 'k');  // the longest key name the registry takes
    SetRegDword(HKEY_CURRENT_USER, std::string(kUserPalomid) + "\\Indexing", "Base Directory", 7);
    CreateRegKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quorvel\\Palomid\\Indexing");
    SetRegString(HKEY_CURRENT_USER, definitions + "\\Shapes", longName, "name too long");
    SetRegString(HKEY_CURRENT_USER, definitions + "\\Shapes", "Big", std::string(300, 'b'));
    SetRegBinary(HKEY_CURRENT_USER, definitions + "\\Shapes", "Full", Bytes(260, 'f'));
    SetRegString(HKEY_CURRENT_USER, definitions + "\\Shapes", "Empty", "");
    SetRegBinary(HKEY_CURRENT_USER, definitions + "\\Shapes", "Nothing", {}, REG_SZ);
    SetRegBinary(HKEY_CURRENT_USER, definitions + "\\Shapes", "Binary", {1, 2, 3});
    SetRegString(HKEY_CURRENT_USER, definitions + "\\Shapes", "Folder", "C:\\Docs");
    SetRegString(HKEY_CURRENT_USER, definitions + "\\" + longKey, "Folder", "C:\\Long");
    RunPatch("indexing");

    // Values too long for the fixed copies are not moved, and go with the
    // user's indexing key; every other value is moved whatever its type.
    RegSnapshot expected = Baseline();
    EraseBelow(&expected, kUserPalomidPath + "\\indexing");
    const std::string machine = kMachinePalomid + "\\indexing\\index definitions";
    AddKeys(&expected, machine + "\\shapes");
    expected[machine + "\\shapes|empty"] = FixedText("", 260);
    expected[machine + "\\shapes|nothing"] = FixedText("", 260);
    expected[machine + "\\shapes|binary"] = FixedText("\x01\x02\x03", 260);
    expected[machine + "\\shapes|folder"] = FixedText("C:\\Docs", 260);
    AddKeys(&expected, machine + "\\" + longKey);
    expected[machine + "\\" + longKey + "|folder"] = FixedText("C:\\Long", 260);
    // A number as the base directory: its four bytes, as the length read.
    expected[kMachinePalomid + "\\indexing|base directory"] = Value(REG_SZ, {7, 0, 0, 0});
    EXPECT_EQ("", Differences(expected));
}

TEST_F(HostileRegistryRun, BaseDirectoryThatFillsItsBufferWithoutANul)
{
    // Guards docs/behaviour.md, "Terminated REG_SZ buffers for Windows 95".
    // Windows 95 stores a REG_SZ up to the NUL after its text, whatever length
    // it is given: the copy must end in the program's own buffer, not run on
    // into whatever follows it.
    const std::string indexing = std::string(kUserPalomid) + "\\Indexing";
    SetRegBinary(HKEY_CURRENT_USER, indexing, "Base Directory", Bytes(260, 'z'));
    CreateRegKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quorvel\\Palomid\\Indexing");
    RunPatch("a 260-byte base directory");

    RegSnapshot expected = Baseline();
    EraseBelow(&expected, kUserPalomidPath + "\\indexing");
    expected[kMachinePalomid + "\\indexing|base directory"] = Value(REG_SZ, Bytes(260, 'z'));
    EXPECT_EQ("", Differences(expected));
}

TEST_F(HostileRegistryRun, FtpPasswordsOfEveryShape)
{
    const std::string sites = std::string(kUserPalomid) + "\\ZELFSV4\\FTP";
    const std::string longSite(255, 's');
    SetRegDword(HKEY_CURRENT_USER, sites + "\\number", "Password", 5);
    SetRegString(HKEY_CURRENT_USER, sites + "\\expandable", "Password", "pw", REG_EXPAND_SZ);
    SetRegString(HKEY_CURRENT_USER, sites + "\\empty", "Password", "");
    SetRegBinary(HKEY_CURRENT_USER, sites + "\\nothing", "Password", {}, REG_SZ);
    SetRegString(HKEY_CURRENT_USER, sites + "\\too long", "Password", std::string(300, 'p'));
    SetRegString(HKEY_CURRENT_USER, sites + "\\at the limit", "Password", std::string(259, 'q'));
    SetRegString(HKEY_CURRENT_USER, sites + "\\" + longSite, "Password", "abc");
    RunPatch("ftp");

    RegSnapshot expected = Baseline();
    const std::string ftp = kUserPalomidPath + "\\zelfsv4\\ftp";
    for (const char *site : {"number", "expandable", "empty", "nothing"})
        expected[ftp + "\\" + site + "|password"] = Value(REG_BINARY, {});
    expected[ftp + "\\at the limit|password"] = Value(REG_BINARY, Scrambled(std::string(40, 'q')));
    expected[ftp + "\\" + longSite + "|password"] = Value(REG_BINARY, Scrambled("abc"));
    EXPECT_EQ("", Differences(expected)) << "the too-long password stays as it was";
}

TEST_F(HostileRegistryRun, StartupEntriesOfEveryShape)
{
    SetRegDword(HKEY_LOCAL_MACHINE, kRunKey, "Kelvane TaskBar", 1);
    SetRegString(HKEY_LOCAL_MACHINE, kRunKey, "Kelvane Undo Monitor", "");
    SetRegString(HKEY_LOCAL_MACHINE, kRunKey, "Kelvane Start Menu", std::string(300, 'm'));
    SetRegString(HKEY_LOCAL_MACHINE, kRunKey, std::string(300, 'r'), "name too long");
    RunPatch("start-up entries");

    RegSnapshot expected = Baseline();
    expected.erase(kRunPath + "|kelvane taskbar");
    expected.erase(kRunPath + "|kelvane undo monitor");
    expected[kUserPalomidPath + "\\run|kelvane taskbar"] = FixedText(std::string("\x01", 1), 260);
    expected[kMachinePalomid + "\\run|kelvane undo monitor"] = FixedText("", 260);
    // The command line too long to move keeps its place in the Windows Run
    // key, so its component still starts; the long-named entry is not ours.
    EXPECT_EQ("", Differences(expected));
}

TEST_F(HostileRegistryRun, StartupEntryNamedInAnotherLetterCaseStays)
{
    // Guards docs/behaviour.md, "Spared start-up entries".
    // Not copied (the name match is case-sensitive), so not deleted either,
    // though the registry would find it under the component's name.
    SetRegString(HKEY_LOCAL_MACHINE, kRunKey, "KELVANE TASKBAR", "C:\\Kelvane\\taskbar.exe");
    SetRegString(HKEY_LOCAL_MACHINE, kRunKey, "Kelvane Start Menu", "C:\\Kelvane\\start.exe");
    RunPatch("an entry in another letter case");

    RegSnapshot expected = Baseline();
    expected.erase(kRunPath + "|kelvane start menu");
    expected[kUserPalomidPath + "\\run|kelvane start menu"] = FixedText("C:\\Kelvane\\start.exe", 260);
    EXPECT_EQ("", Differences(expected));
    EXPECT_EQ("C:\\Kelvane\\taskbar.exe", ReadRegValue(HKEY_LOCAL_MACHINE, kRunKey, "Kelvane TaskBar").Text());
}

TEST_F(HostileRegistryRun, ProgramsFolderOfEveryShape)
{
    struct Case {
        const char *what;
        DWORD type;
        Bytes data;
    };
    const Case cases[] = {
        {"a number", REG_DWORD, {0x43, 0, 0, 0}},
        {"empty", REG_SZ, {0}},
        {"no bytes", REG_SZ, {}},
        {"longer than the buffer", REG_SZ, Raw("C:\\" + std::string(300, 'p'))},
        {"a full buffer without a terminator", REG_SZ, Raw("C:\\" + std::string(257, 'p'))},
    };
    for (const Case &c : cases) {
        Reset();
        SetRegBinary(HKEY_CURRENT_USER, kShellFolders, "Programs", c.data, c.type);
        RunPatch(c.what);
        EXPECT_EQ("", Differences(Baseline())) << c.what;
    }
}

TEST_F(HostileRegistryRun, OldDialogListsOfEveryShape)
{
    const std::string dialogs = std::string(kUserPalomid) + "\\FileSteward\\Dialogs";
    const std::string wide = "3,x," + std::string(130, 'o') + "," + std::string(120, 'w');  // 255 characters
    SetRegDword(HKEY_CURRENT_USER, dialogs + "\\Include", "Number", 3);
    SetRegString(HKEY_CURRENT_USER, dialogs + "\\Include", "Empty", "");
    SetRegString(HKEY_CURRENT_USER, dialogs + "\\Include", "Too Big", "7,x," + std::string(300, 'b'));
    SetRegString(HKEY_CURRENT_USER, dialogs + "\\Include", std::string(300, 'n'), "7,x,Name");
    SetRegString(HKEY_CURRENT_USER, dialogs + "\\Include", "Wide", wide);
    SetRegBinary(HKEY_CURRENT_USER, dialogs + "\\Exclude", "Binary", Raw("7,x,BinFrame"));
    RunPatch("dialog lists");

    RegSnapshot expected = Baseline();
    const std::string path = kUserPalomidPath + "\\filesteward\\dialogs";
    EraseBelow(&expected, path + "\\include");
    EraseBelow(&expected, path + "\\exclude");
    AddBuiltInDefinitions(path, &expected);
    // A number is read as its bytes: "\3", a flag field that reads as 0, so
    // every flag is set, and nothing else.
    expected[path + "\\number|"] = Key();
    expected[path + "\\number|filestewardflags"] = Dword(7);
    expected[path + "\\empty|"] = Key();
    expected[path + "\\empty|filestewardflags"] = Dword(7);
    // Text fields are cut to 127 characters.
    expected[path + "\\wide|"] = Key();
    expected[path + "\\wide|ownerclassname"] = TextWrittenWithoutNul(std::string(127, 'o'));
    expected[path + "\\wide|windowclassname"] = TextWrittenWithoutNul(std::string(120, 'w'));
    expected[path + "\\wide|filestewardflags"] = Dword(4);
    expected[path + "\\binary|"] = Key();
    expected[path + "\\binary|ownerclassname"] = TextWrittenWithoutNul("BinFrame");
    expected[path + "\\binary|disable"] = Dword(1);
    EXPECT_EQ("", Differences(expected)) << "entries too big for the buffers are dropped";
}

TEST_F(HostileRegistryRun, ProfileSettingsOfEveryShape)
{
    struct Case {
        const char *what;
        void (*set)();
        const char *userKey;  // the user key that gets the flag, or none
    };
    static const std::string name212(212, 'u'), name213(213, 'u');
    const Case cases[] = {
        {"profiles flag as text", [] { SetRegString(HKEY_LOCAL_MACHINE, "Network\\Logon", "UserProfiles", "1"); }, nullptr},
        {"profiles flag as binary",
         [] { SetRegBinary(HKEY_LOCAL_MACHINE, "Network\\Logon", "UserProfiles", {1, 0, 0, 0}); }, nullptr},
        {"profiles flag without bytes",
         [] { SetRegBinary(HKEY_LOCAL_MACHINE, "Network\\Logon", "UserProfiles", {}, REG_DWORD); }, nullptr},
        {"user name as a number",
         [] {
             SetRegDword(HKEY_LOCAL_MACHINE, "Network\\Logon", "UserProfiles", 1);
             SetRegDword(HKEY_LOCAL_MACHINE, "Network\\Logon", "UserName", 0x41);
         },
         ""},
        {"user name longer than its buffer",
         [] {
             SetRegDword(HKEY_LOCAL_MACHINE, "Network\\Logon", "UserProfiles", 1);
             SetRegString(HKEY_LOCAL_MACHINE, "Network\\Logon", "UserName", std::string(300, 'u'));
         },
         ""},
        {"user key path of 259 characters",
         [] {
             SetRegDword(HKEY_LOCAL_MACHINE, "Network\\Logon", "UserProfiles", 1);
             SetRegString(HKEY_LOCAL_MACHINE, "Network\\Logon", "UserName", name212);
         },
         name212.c_str()},
        {"user key path of 260 characters",
         [] {
             SetRegDword(HKEY_LOCAL_MACHINE, "Network\\Logon", "UserProfiles", 1);
             SetRegString(HKEY_LOCAL_MACHINE, "Network\\Logon", "UserName", name213);
         },
         nullptr},
    };
    for (const Case &c : cases) {
        Reset();
        CreateRegKey(HKEY_CURRENT_USER, kDesktopProfile);
        c.set();
        RunPatch(c.what);
        RegSnapshot expected = Baseline();
        // An unreadable name leaves the path "Users\", which is the Users key.
        if (c.userKey && *c.userKey) {
            AddKeys(&expected, kUsersPath + "\\" + c.userKey);
            expected[kUsersPath + "\\" + c.userKey + "|installed_950b_patch"] = Dword(1);
        }
        EXPECT_EQ("", Differences(expected)) << c.what;
    }
}

TEST_F(HostileRegistryRun, RegisteredOwnerOfEveryShape)
{
    struct Case {
        const char *what;
        DWORD type;
        Bytes owner;
        bool copied;
        std::string copiedOwner;
    };
    const Case cases[] = {
        {"owner as a number", REG_DWORD, {0x41, 0, 0, 0}, true, "A"},
        {"empty owner", REG_SZ, {0}, true, ""},
        {"owner filling the whole value", REG_SZ, Bytes(1024, 'o'), true, std::string(1023, 'o')},
        {"owner longer than the value", REG_SZ, Bytes(2000, 'o'), false, ""},
    };
    for (const Case &c : cases) {
        Reset();
        SetRegBinary(HKEY_LOCAL_MACHINE, kVersionKey, "RegisteredOwner", c.owner, c.type);
        RunPatch(c.what);
        RegSnapshot expected = Baseline(c.copiedOwner);
        if (!c.copied) {
            expected.erase(kMachinePalomid + "|registeredowner");
            expected.erase(kMachinePalomid + "|registeredorganization");
        }
        EXPECT_EQ("", Differences(expected)) << c.what;
    }
}

}  // namespace
