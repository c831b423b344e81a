// Complete patch runs through the real program, from three-disk media made by
// the media builder, on populated installations of both releases: every file
// of the product folder and every registry change checked against what the
// patch must leave, and nothing else changed.
#include <gtest/gtest.h>

#include <objbase.h>
#include <shlobj.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

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
const char kEditorEntry[] = "3,x,EdFrame,#32770,Open,1137,1088,1152,ListBox,,Edit,1000,,,1152,1120,1121";

void MakeShortcut(const std::string &path, const std::string &arguments)
{
    IShellLinkA *link = nullptr;
    ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, (void **)&link)));
    link->SetPath("C:\\windows\\notepad.exe");
    link->SetArguments(arguments.c_str());
    link->SetDescription("Clears the document menu");
    IPersistFile *file = nullptr;
    link->QueryInterface(IID_IPersistFile, (void **)&file);
    wchar_t wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
    EXPECT_TRUE(SUCCEEDED(file->Save(wide, TRUE)));
    file->Release();
    link->Release();
}

std::string ShortcutArguments(const std::string &path)
{
    IShellLinkA *link = nullptr;
    char arguments[MAX_PATH] = "?";
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, (void **)&link)))
        return "?";
    IPersistFile *file = nullptr;
    link->QueryInterface(IID_IPersistFile, (void **)&file);
    wchar_t wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
    if (SUCCEEDED(file->Load(wide, STGM_READ)))
        link->GetArguments(arguments, MAX_PATH);
    file->Release();
    link->Release();
    return arguments;
}

class PatchScenario : public ::testing::TestWithParam<const char *> {
protected:
    void SetUp() override
    {
        CoInitialize(nullptr);
        release_ = GetParam();
        media_ = BuildPath("scenario\\media-" + release_);
        ASSERT_TRUE(FileExists(JoinPath(media_, "DISK1\\PATCH.0"))) << "the media builder made no media";
        ASSERT_TRUE(FileExists(JoinPath(media_, "DISK3\\PATCH.2"))) << "fewer than three disks";
    }

    void TearDown() override
    {
        ProductRegistryScope::Clear();
        DeleteFileA(commandCom_.c_str());
        CoUninitialize();
    }

    // A populated installation: settings of every kind that the patch migrates.
    void PopulateInstallation()
    {
        ProductRegistryScope::Clear();
        root_ = ScratchDir("scenario-" + release_);
        product_ = JoinPath(root_, "Program Files\\Kelvane Palomid");
        InstallProduct(product_, release_ == "1.0" ? "release_1_0_0" : "release_95_0_a", product_ + "\\");
        WriteFileText(JoinPath(product_, "ctl3d32.dll"), "old 3D controls");
        WriteFileText(JoinPath(product_, "README.TXT"), "kept as it is");

        SetRegString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quorvel\\Palomid", "Kept", "untouched");
        SetRegString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quorvel\\Palomid\\Indexing", "Other", "machine");
        SetRegString(HKEY_CURRENT_USER, "Software\\Quorvel\\Palomid\\Indexing", "Base Directory", "C:\\Docs");
        SetRegString(HKEY_CURRENT_USER, "Software\\Quorvel\\Palomid\\Indexing\\Index Definitions\\Letters", "Folder",
                     "C:\\Docs\\Letters");
        SetRegDword(HKEY_CURRENT_USER, "Software\\Quorvel\\Palomid\\Indexing\\Index Definitions\\Letters", "Depth", 2);
        SetRegString(HKEY_CURRENT_USER, "Software\\Quorvel\\Palomid\\ZELFSV4\\FTP\\ftp.example.org", "Password", "secret");
        SetRegBinary(HKEY_CURRENT_USER, "Software\\Quorvel\\Palomid\\ZELFSV4\\FTP\\files.example.net", "Password",
                     Scrambled("opensesame"));
        CreateRegKey(HKEY_CURRENT_USER, "Software\\Quorvel\\Palomid\\ZELFSV4\\FTP\\anonymous.example.com");
        SetRegString(HKEY_CURRENT_USER, "Software\\Quorvel\\Palomid\\FileSteward\\Dialogs\\Include", "My Editor", kEditorEntry);
        SetRegString(HKEY_CURRENT_USER, "Software\\Quorvel\\Palomid\\FileSteward\\Dialogs\\Exclude", "Old Viewer",
                     "7,x,ViewFrame,,,,,,,,,,,,,,");
        SetRegString(HKEY_LOCAL_MACHINE, kRunKey, "Kelvane TaskBar", "C:\\PROGRA~1\\KELVAN~1\\KPTASK.EXE");
        SetRegString(HKEY_LOCAL_MACHINE, kRunKey, "Kelvane Undo Monitor", "KPUNDO.EXE /m", REG_EXPAND_SZ);
        SetRegString(HKEY_LOCAL_MACHINE, kRunKey, "Kelvane Palomid Loader", "C:\\OLD\\kploader.exe");
        SetRegString(HKEY_LOCAL_MACHINE, kRunKey, "Other Program", "other.exe");
        SetRegString(HKEY_LOCAL_MACHINE, kRunKey, "Indexing", "indexer.exe");
        SetRegDword(HKEY_LOCAL_MACHINE, "Network\\Logon", "UserProfiles", 1);
        SetRegString(HKEY_LOCAL_MACHINE, "Network\\Logon", "UserName", "Visitor");
        CreateRegKey(HKEY_CURRENT_USER, kDesktopProfile);
        SetRegString(HKEY_LOCAL_MACHINE, kVersionKey, "RegisteredOwner", "Pat Example");
        SetRegString(HKEY_LOCAL_MACHINE, kVersionKey, "RegisteredOrganization", "Example Works");

        programs_ = JoinPath(root_, "Start Menu\\Programs");
        documents_ = JoinPath(programs_, "Kelvane Palomid\\Palomid Documents");
        for (const char *folder : {"Letters", "Reports"}) {
            MakeDir(JoinPath(documents_, folder));
            MakeShortcut(JoinPath(documents_, std::string(folder) + "\\Clear Menu.lnk"), "old");
        }
        SetRegString(HKEY_CURRENT_USER, kShellFolders, "Programs", programs_);

        // The hand-off names the command shell by its short path.
        char windows[MAX_PATH];
        GetWindowsDirectoryA(windows, MAX_PATH);
        commandCom_ = JoinPath(windows, "COMMAND.COM");
        WriteFileText(commandCom_, "shell");
    }

    // Runs the patch from the first disk in the drive folder, swapping in the
    // next disk's piece whenever the program asks for it.
    RunResult RunFromDisks()
    {
        drive_ = JoinPath(root_, "A");
        MakeDir(drive_);
        for (const std::string &name : ListDir(JoinPath(media_, "DISK1")))
            CopyFileA(JoinPath(media_, "DISK1\\" + name).c_str(), JoinPath(drive_, name).c_str(), FALSE);
        // Disk 1 carries the 32-bit program; this machine runs its 64-bit twin.
        CopyFileA(ProgramPath().c_str(), JoinPath(drive_, "ZARIZED.EXE").c_str(), FALSE);
        auto swapDisks = [this](const RecordedBox &box) {
            int disk = 0;
            if (sscanf(box.text.c_str(), "Please insert disk %d.", &disk) == 1) {
                DeleteFileA(JoinPath(drive_, "PATCH." + std::to_string(disk - 2)).c_str());
                std::string piece = "PATCH." + std::to_string(disk - 1);
                CopyFileA(JoinPath(media_, "DISK" + std::to_string(disk) + "\\" + piece).c_str(),
                          JoinPath(drive_, piece).c_str(), FALSE);
            }
            return IDOK;
        };
        return RunExecutable(JoinPath(drive_, "ZARIZED.EXE"), "", swapDisks, drive_, 120000);
    }

    // What the patch must leave in the registry, from what was there before.
    RegSnapshot ExpectedRegistry(const RegSnapshot &before)
    {
        RegSnapshot expected = before;
        const std::string hklmPalomid = "HKLM\\software\\quorvel\\palomid";
        const std::string hkcuPalomid = "HKCU\\software\\quorvel\\palomid";

        // Indexing moves to the machine.
        EraseBelow(&expected, hkcuPalomid + "\\indexing");
        const std::string definitions = hklmPalomid + "\\indexing\\index definitions";
        expected[definitions + "|"] = Key();
        expected[definitions + "\\letters|"] = Key();
        expected[definitions + "\\letters|folder"] = Value(REG_SZ, TextBytes("C:\\Docs\\Letters", 260));
        expected[definitions + "\\letters|depth"] = Value(REG_SZ, TextBytes(std::string("\x02\0\0\0", 4), 260));
        expected[hklmPalomid + "\\indexing|base directory"] = Value(REG_SZ, TextBytes("C:\\Docs", 8));

        // Every FTP password ends scrambled, as binary of its length.
        const std::string ftp = hkcuPalomid + "\\zelfsv4\\ftp";
        expected[ftp + "\\ftp.example.org|password"] = Value(REG_BINARY, Scrambled("secret"));
        expected[ftp + "\\files.example.net|password"] = Value(REG_BINARY, Scrambled("opensesame"));

        // Start-up entries move to the product's Run keys; the loader replaces them.
        const std::string run = "HKLM\\" + Lower(kRunKey);
        for (const char *name : {"kelvane taskbar", "kelvane undo monitor", "kelvane palomid loader"})
            expected.erase(run + "|" + name);
        expected[run + "|kelvane palomid loader"] =
            Value(REG_SZ, TextBytes(product_ + "\\\\kploader.exe", 260));
        expected[hkcuPalomid + "\\run|"] = Key();
        expected[hkcuPalomid + "\\run|kelvane taskbar"] = Value(REG_SZ, TextBytes("C:\\PROGRA~1\\KELVAN~1\\KPTASK.EXE", 260));
        expected[hklmPalomid + "\\run|"] = Key();
        expected[hklmPalomid + "\\run|kelvane undo monitor"] = Value(REG_SZ, TextBytes("KPUNDO.EXE /m", 260));
        expected[hklmPalomid + "\\run|indexing"] = Value(REG_SZ, TextBytes("indexer.exe", 260));

        // Dialog definitions: the built-in set, then the old lists converted and removed.
        const std::string dialogs = hkcuPalomid + "\\filesteward\\dialogs";
        EraseBelow(&expected, dialogs + "\\include");
        EraseBelow(&expected, dialogs + "\\exclude");
        AddBuiltInDefinitions(dialogs, &expected);
        const std::string editor = dialogs + "\\my editor";
        expected[editor + "|"] = Key();
        expected[editor + "|ownerclassname"] = TextWrittenWithoutNul("EdFrame");
        expected[editor + "|windowclassname"] = TextWrittenWithoutNul("#32770");
        expected[editor + "|windowtitle"] = TextWrittenWithoutNul("Open");
        expected[editor + "|drivenamectrlid"] = Dword(1137);
        expected[editor + "|foldernamectrlid"] = Dword(1088);
        expected[editor + "|filenamectrlid"] = Dword(1152);
        expected[editor + "|lfneditctrlid"] = Dword(1152);
        expected[editor + "|lfnfilelistctrlid"] = Dword(1120);
        expected[editor + "|lfnfolderlistctrlid"] = Dword(1121);
        expected[editor + "|filestewardflags"] = Dword(4);
        expected[editor + "|testctrlid1"] = Dword(1000);
        expected[editor + "|testctrlclass1"] = TextWrittenWithoutNul("Edit");
        const std::string viewer = dialogs + "\\old viewer";
        expected[viewer + "|"] = Key();
        expected[viewer + "|ownerclassname"] = TextWrittenWithoutNul("ViewFrame");
        expected[viewer + "|disable"] = Dword(1);

        // The patch flag, for the machine and for the logon user.
        const std::string users = hklmPalomid + "\\kelvane taskbar\\users";
        expected[hklmPalomid + "\\kelvane taskbar|"] = Key();
        expected[users + "|"] = Key();
        expected[users + "|installed_950b_patch"] = Dword(1);
        expected[users + "\\visitor|"] = Key();
        expected[users + "\\visitor|installed_950b_patch"] = Dword(1);

        // The registered owner, in full 1024-byte values.
        expected[hklmPalomid + "|registeredowner"] = Value(REG_SZ, TextBytes("Pat Example", 1024));
        expected[hklmPalomid + "|registeredorganization"] = Value(REG_SZ, TextBytes("Example Works", 1024));

        // Release 1.0 only: the undo defaults.
        if (release_ == "1.0") {
            const std::string undo = hklmPalomid + "\\zelfsv4\\undo";
            expected[hklmPalomid + "\\zelfsv4|"] = Key();
            expected[undo + "|"] = Key();
            expected[undo + "|default merged"] = Dword(1);
            expected[undo + "\\exception|"] = Key();
            expected[undo + "\\exception|count"] = Dword(7);
            const char *const patterns[] = {"~*.*", "*.TMP", "ShellIconCache", "VEZO.DAT", "*._MP", "_INS*.*", "_IS*.*"};
            for (int i = 0; i < 7; ++i)
                expected[undo + "\\exception|" + std::to_string(i)] = Value(REG_SZ, TextBytes(patterns[i], 100));
        }
        return expected;
    }

    std::string release_, media_, root_, product_, programs_, documents_, drive_, commandCom_;
    WindowsSettingsScope windowsSettings_;
};

TEST_P(PatchScenario, CompleteRunFromThreeDisks)
{
    PopulateInstallation();
    LaunchLog launches;
    const RegSnapshot before = SnapshotWatchedAreas();
    RunResult run = RunFromDisks();
    const RegSnapshot after = SnapshotWatchedAreas();

    // The user saw the disk prompts and the restart message; then Patch.pif
    // was started.
    ASSERT_FALSE(run.timedOut);
    EXPECT_EQ(1u, run.exitCode);
    ASSERT_EQ(3u, run.boxes.size());
    EXPECT_EQ("Please insert disk 2.", run.boxes[0].text);
    EXPECT_EQ("ZARized", run.boxes[0].caption);
    EXPECT_EQ((UINT)MB_OKCANCEL, run.boxes[0].style);
    EXPECT_EQ("Please insert disk 3.", run.boxes[1].text);
    EXPECT_EQ("Kelvane Palomid 95.0.b Maintenance Release", run.boxes[2].caption);
    EXPECT_EQ("To complete the upgrade, Windows must be restarted.  Close all applications and press OK to restart "
              "Windows.",
              run.boxes[2].text);
    RunResult afterDisks = run;
    afterDisks.boxes.erase(afterDisks.boxes.begin(), afterDisks.boxes.begin() + 2);
    ExpectHandedOff(afterDisks, launches, product_);
    EXPECT_TRUE(run.progressShown);

    // The product folder: the staged patch, the batch, the patched PIF.
    EXPECT_EQ((std::vector<std::string>{"PATCH.BAT", "Patch.exe", "Patch.pif", "Patch.rtp", "README.TXT", "ZELFSV4.DLL"}),
              ListDir(product_));
    Bytes engine, data, staged, pif, shippedPif, batch;
    ASSERT_TRUE(ReadFileBytes(BuildPath("scenario\\engine.bin"), &engine));
    ASSERT_TRUE(ReadFileBytes(BuildPath("scenario\\data.bin"), &data));
    ASSERT_TRUE(ReadFileBytes(JoinPath(product_, "Patch.exe"), &staged));
    EXPECT_TRUE(engine == staged) << "Patch.exe is the engine, byte for byte";
    ASSERT_TRUE(ReadFileBytes(JoinPath(product_, "Patch.rtp"), &staged));
    EXPECT_TRUE(data == staged) << "Patch.rtp is the patch data, byte for byte";

    char shortProduct[MAX_PATH], shortShell[MAX_PATH];
    ASSERT_TRUE(GetShortPathNameA(product_.c_str(), shortProduct, MAX_PATH));
    ASSERT_TRUE(GetShortPathNameA(commandCom_.c_str(), shortShell, MAX_PATH));
    const std::string s = shortProduct;
    ASSERT_TRUE(ReadFileBytes(JoinPath(product_, "PATCH.BAT"), &batch));
    EXPECT_EQ("@echo off\r\n" + s + "\\Patch.exe\r\ndel " + s + "\\Patch.exe\r\ndel " + s + "\\Patch.rtp\r\ndel " + s +
                  "\\Patch.pif\r\n\r\n",
              std::string(batch.begin(), batch.end()));

    ASSERT_TRUE(ReadFileBytes(JoinPath(media_, "DISK1\\PATCH.PIF"), &shippedPif));
    ASSERT_TRUE(ReadFileBytes(JoinPath(product_, "Patch.pif"), &pif));
    Bytes expectedPif = shippedPif;
    const std::string parameters = "/c " + s + "\\PATCH.BAT";
    auto put = [&expectedPif](size_t offset, const std::string &text, size_t count) {
        Bytes field = TextBytes(text, count);
        std::copy(field.begin(), field.end(), expectedPif.begin() + offset);
    };
    put(0x24, shortShell, 57);
    put(0x65, product_, 47);
    put(0xA5, parameters, 63);
    put(0x1C5, parameters, 63);
    EXPECT_TRUE(expectedPif == pif) << "Patch.pif differs from the shipped one outside, or inside, its four fields";

    // The shortcuts of the document folders name their folders.
    EXPECT_EQ("Letters", ShortcutArguments(JoinPath(documents_, "Letters\\Clear Menu.lnk")));
    EXPECT_EQ("Reports", ShortcutArguments(JoinPath(documents_, "Reports\\Clear Menu.lnk")));

    // The registry: exactly the migrations, and nothing else.
    EXPECT_EQ("", RegistryDifferences(StoredByWindows95(before, ExpectedRegistry(before)), after));
}

INSTANTIATE_TEST_SUITE_P(BothReleases, PatchScenario, ::testing::Values("1.0", "95.0.a"),
                         [](const ::testing::TestParamInfo<const char *> &info) {
                             return std::string(info.param) == "1.0" ? std::string("Release1_0") : std::string("Release95_0_a");
                         });

}  // namespace
