// Complete patch runs through the real program, from three-disk media made by
// the media builder, on populated installations of both releases: every file
// of the product folder and every registry change checked against what the
// patch must leave, and nothing else changed.
#include <gtest/gtest.h>

#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "expected_messages.h"
#include "files.h"
#include "staging/crc32.h"
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
    // A shortcut of the same arguments has the same bytes wherever it lies:
    // the shell makes each kind once (under Wine it takes a tenth of a second).
    static std::map<std::string, Bytes> made;
    if (made.count(arguments)) {
        EXPECT_TRUE(WriteFileBytes(path, made[arguments]));
        return;
    }
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
    EXPECT_TRUE(ReadFileBytes(path, &made[arguments]));
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

// What a run leaves that a second run must bring to the state of one
// uninterrupted run: how the run ended, the product folder byte for byte,
// the shortcuts' arguments, the product's keys and the Windows Run key.
struct EndState {
    DWORD exitCode = 0;
    std::vector<std::string> boxes;
    std::map<std::string, Bytes> files;
    std::map<std::string, std::string> shortcuts;
    RegSnapshot registry;
};

// One line per difference, at most 20 lines for the registry; empty when none.
std::string EndStateDifferences(const EndState &expected, const EndState &actual)
{
    std::string lines;
    if (expected.exitCode != actual.exitCode)
        lines += "exit code " + std::to_string((long)(LONG)actual.exitCode) + ", not " +
                 std::to_string((long)(LONG)expected.exitCode) + "\n";
    if (expected.boxes != actual.boxes) {
        lines += "boxes:";
        for (const std::string &box : actual.boxes)
            lines += " [" + box + "]";
        lines += "\n";
    }
    for (const auto &file : actual.files)
        if (!expected.files.count(file.first))
            lines += "product folder: " + file.first + " is there too\n";
        else if (expected.files.at(file.first) != file.second)
            lines += "product folder: " + file.first + " differs (" + std::to_string(file.second.size()) + " bytes, not " +
                     std::to_string(expected.files.at(file.first).size()) + ")\n";
    for (const auto &file : expected.files)
        if (!actual.files.count(file.first))
            lines += "product folder: " + file.first + " is missing\n";
    for (const auto &link : expected.shortcuts)
        if (actual.shortcuts.count(link.first) && actual.shortcuts.at(link.first) != link.second)
            lines += "shortcut " + link.first + ": arguments \"" + actual.shortcuts.at(link.first) + "\"\n";
    return lines + RegistryDifferences(expected.registry, actual.registry);
}

// One change of a run, as the twin's probe recorded it.
struct Change {
    long number;
    std::string kind, what;
    bool IsRegistry() const { return kind.compare(0, 3, "reg") == 0; }
};

// How a sweep runs: every point or a spread of them, and the share of them
// this process takes (ZARIZED_SWEEP, ZARIZED_SWEEP_SHARD, from
// scripts/stop-sweep.sh); none without ZARIZED_SWEEP.
struct SweepSettings {
    bool run = false;
    bool everyPoint = false;
    unsigned shardIndex = 0, shardCount = 1;
};

SweepSettings ReadSweepSettings()
{
    char sweep[16] = "", shard[16] = "";
    SweepSettings settings;
    GetEnvironmentVariableA("ZARIZED_SWEEP", sweep, sizeof(sweep));
    GetEnvironmentVariableA("ZARIZED_SWEEP_SHARD", shard, sizeof(shard));
    settings.run = sweep[0] != 0;
    settings.everyPoint = std::string(sweep) == "all";
    if (sscanf(shard, "%u/%u", &settings.shardIndex, &settings.shardCount) != 2 || settings.shardCount == 0)
        settings.shardIndex = 0, settings.shardCount = 1;
    return settings;
}

// The changes the twin `program` ("zarized" or "extract") recorded in a probe log.
std::vector<Change> ReadChanges(const std::string &log, const std::string &program)
{
    std::vector<Change> changes;
    Bytes record;
    EXPECT_TRUE(ReadFileBytes(log, &record));
    std::istringstream lines(std::string(record.begin(), record.end()));
    for (std::string line; std::getline(lines, line);) {
        char kind[32];
        long number;
        int at = 0;
        if (sscanf(line.c_str(), (program + " change %ld %31s %n").c_str(), &number, kind, &at) == 2 && at > 0)
            changes.push_back({number, kind, line.substr(at, line.find_last_not_of("\r") + 1 - at)});
    }
    return changes;
}

// Prints one point of a sweep, its differences indented below it
// (scripts/stop-sweep.sh reads them), and adds them to `differing`.
void ReportPoint(const std::string &release, const std::string &point, const std::string &differences,
                 std::string *differing)
{
    if (!differences.empty())
        *differing += "stopped before " + point + ", then run again:\n" + differences;
    printf("[ sweep    ] release %s %s: %s\n", release.c_str(), point.c_str(),
           differences.empty() ? "as one run" : "DIFFERS");
    for (size_t at = 0, end; at < differences.size(); at = end + 1) {
        end = std::min(differences.find('\n', at), differences.size());
        printf("      %s\n", differences.substr(at, end - at).c_str());
    }
    fflush(stdout);
}

// Sets the probe's stop before a change, with its write cut at half, while it lives.
struct StopBefore {
    StopBefore(const Change &change, bool cut)
    {
        SetEnvironmentVariableA("ZARIZED_PROBE_STOP", std::to_string(change.number).c_str());
        SetEnvironmentVariableA("ZARIZED_PROBE_CUT", cut ? "1" : nullptr);
    }
    ~StopBefore()
    {
        SetEnvironmentVariableA("ZARIZED_PROBE_STOP", nullptr);
        SetEnvironmentVariableA("ZARIZED_PROBE_CUT", nullptr);
    }
};

class PatchScenario : public ::testing::TestWithParam<const char *> {
protected:
    void SetUp() override
    {
        CoInitialize(nullptr);
        release_ = GetParam();
        media_ = BuildPath("scenario\\media-" + release_);
        otherMedia_ = BuildPath(std::string("scenario\\media-") + (release_ == "1.0" ? "95.0.a" : "1.0"));
        ASSERT_TRUE(FileExists(JoinPath(media_, "DISK1\\PATCH.0"))) << "the media builder made no media";
        ASSERT_TRUE(FileExists(JoinPath(media_, "DISK3\\PATCH.2"))) << "fewer than three disks";
        ASSERT_TRUE(ReadFileBytes(BuildPath("scenario\\data-" + release_ + ".bin"), &data_));
        Bytes ini;
        ASSERT_TRUE(ReadFileBytes(JoinPath(media_, "DISK1\\patch.ini"), &ini));
        patchIni_.assign(ini.begin(), ini.end());
    }

    void TearDown() override
    {
        ProductRegistryScope::Clear();
        CoUninitialize();
    }

    // A populated installation: settings of every kind that the patch
    // migrates. The product folder lies in the scratch folder unless named.
    void PopulateInstallation(const std::string &productDir = "")
    {
        ProductRegistryScope::Clear();
        root_ = ScratchDir("scenario-" + release_);
        product_ = productDir.empty() ? JoinPath(root_, "Program Files\\Kelvane Palomid") : productDir;
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
    }

    // The piece file that disk `disk` of a media set holds.
    static Bytes PieceOf(const std::string &media, int disk)
    {
        Bytes piece;
        EXPECT_TRUE(ReadFileBytes(JoinPath(media, "DISK" + std::to_string(disk) + "\\PATCH." + std::to_string(disk - 1)),
                                  &piece));
        return piece;
    }

    // Takes the last disk out of the drive and puts in disk `disk`, whose
    // piece file holds these bytes.
    void InsertDisk(int disk, const Bytes &piece)
    {
        for (const std::string &name : ListDir(drive_))
            if (name.compare(0, 6, "PATCH.") == 0 && name != "PATCH.0")
                DeleteFileA(JoinPath(drive_, name).c_str());
        WriteFileBytes(JoinPath(drive_, "PATCH." + std::to_string(disk - 1)), piece);
    }

    // The disk that a disk prompt or a wrong-disk prompt asks for; 0 for any other box.
    static int DiskAskedFor(const RecordedBox &box)
    {
        size_t at = box.text.find("Please insert disk ");
        int disk = 0;
        if (box.caption != "ZARized" || at == std::string::npos ||
            sscanf(box.text.c_str() + at, "Please insert disk %d.", &disk) != 1)
            return 0;
        return disk;
    }

    // Runs the patch (the shipping program, or the one named) from disk 1,
    // alone in the drive folder, with patchIni_ as its patch.ini. Each time
    // the program asks for a disk, onPrompt puts a disk in and answers; by
    // default the right disk goes in, with OK.
    RunResult RunFromDisks(std::function<int(int disk, const RecordedBox &box)> onPrompt = nullptr,
                           const std::string &program = ProgramPath())
    {
        drive_ = JoinPath(root_, "A");
        RemoveTree(drive_);
        MakeDir(drive_);
        for (const std::string &name : ListDir(JoinPath(media_, "DISK1")))
            CopyFileA(JoinPath(media_, "DISK1\\" + name).c_str(), JoinPath(drive_, name).c_str(), FALSE);
        WriteFileText(JoinPath(drive_, "patch.ini"), patchIni_);
        CopyFileA(program.c_str(), JoinPath(drive_, "ZARIZED.EXE").c_str(), FALSE);
        auto answer = [this, &onPrompt](const RecordedBox &box) {
            int disk = DiskAskedFor(box);
            if (disk == 0)
                return IDOK;
            if (onPrompt)
                return onPrompt(disk, box);
            InsertDisk(disk, PieceOf(media_, disk));
            return IDOK;
        };
        return RunExecutable(JoinPath(drive_, "ZARIZED.EXE"), "", answer, drive_, 120000);
    }

    // Runs the program named from a folder holding the files of every disk,
    // as from the hard disk (or from a file server, a folder given): it asks
    // for no disk.
    RunResult RunFromFolder(const std::string &program, const std::string &folder = "",
                            const std::string &commandText = "")
    {
        drive_ = folder.empty() ? JoinPath(root_, "A") : folder;
        RemoveTree(drive_);
        MakeDir(drive_);
        for (int disk = 1; FileExists(JoinPath(media_, "DISK" + std::to_string(disk))); ++disk) {
            const std::string from = JoinPath(media_, "DISK" + std::to_string(disk));
            for (const std::string &name : ListDir(from))
                CopyFileA(JoinPath(from, name).c_str(), JoinPath(drive_, name).c_str(), FALSE);
        }
        WriteFileText(JoinPath(drive_, "patch.ini"), patchIni_);
        CopyFileA(program.c_str(), JoinPath(drive_, "ZARIZED.EXE").c_str(), FALSE);
        return RunExecutable(JoinPath(drive_, "ZARIZED.EXE"), commandText, AnswerOk, drive_, 120000);
    }

    // The shared folder of a file server, as a logon script reaches it.
    static std::string OnTheServer(const std::string &folder) { return "\\\\SERVER\\SHARE\\" + folder; }

    static bool IsNotThisDisk(const RecordedBox &box, int disk)
    {
        const std::string n = std::to_string(disk);
        return box.caption == "ZARized" && box.style == (UINT)MB_OKCANCEL &&
               box.text == "The disk in the drive is not disk " + n + " of this patch, or it cannot be read.  Please "
                           "insert disk " + n + ".";
    }

    static bool IsDiskPrompt(const RecordedBox &box, int disk)
    {
        return box.caption == "ZARized" && box.style == (UINT)MB_OKCANCEL &&
               box.text == "Please insert disk " + std::to_string(disk) + ".";
    }

    // The end of a run that went through to the hand-off: the restart
    // message last, and exit code 1, since Patch.pif was started.
    static void ExpectHandOffBoxes(const RunResult &run, size_t first)
    {
        EXPECT_EQ(1u, run.exitCode);
        ASSERT_EQ(first + 1, run.boxes.size());
        EXPECT_EQ("Kelvane Palomid 95.0.b Maintenance Release", run.boxes[first].caption);
    }

    // A run that the join ended: message 2005 last, exit -1, and nothing of
    // what follows the staging: no migration, no hand-off.
    void ExpectStoppedAtTheJoin(const RunResult &run, const RegSnapshot &before, const RegSnapshot &after)
    {
        EXPECT_FALSE(run.timedOut);
        EXPECT_EQ(0xFFFFFFFFu, run.exitCode);
        ASSERT_FALSE(run.boxes.empty());
        EXPECT_EQ("Error", run.boxes.back().caption);
        EXPECT_EQ(0u, run.boxes.back().text.find("Can't copy a needed file."));
        RegSnapshot expected = before;
        // Only the undo defaults of release 1.0 come before the staging.
        if (release_ == "1.0")
            AddUndoDefaults(&expected);
        EXPECT_EQ("", RegistryDifferences(StoredByWindows95(before, expected), after));
        EXPECT_TRUE(FileExists(JoinPath(product_, "ctl3d32.dll")));
        EXPECT_FALSE(FileExists(JoinPath(product_, "PATCH.BAT")));
    }

    Bytes StagedData()
    {
        Bytes staged;
        EXPECT_TRUE(ReadFileBytes(JoinPath(product_, "Patch.rtp"), &staged));
        return staged;
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
        if (release_ == "1.0")
            AddUndoDefaults(&expected);
        return expected;
    }

    // The undo defaults that a patch of release 1.0 writes before staging.
    static void AddUndoDefaults(RegSnapshot *expected)
    {
        const std::string undo = "HKLM\\software\\quorvel\\palomid\\zelfsv4\\undo";
        (*expected)["HKLM\\software\\quorvel\\palomid\\zelfsv4|"] = Key();
        (*expected)[undo + "|"] = Key();
        (*expected)[undo + "|default merged"] = Dword(1);
        (*expected)[undo + "\\exception|"] = Key();
        (*expected)[undo + "\\exception|count"] = Dword(7);
        const char *const patterns[] = {"~*.*", "*.TMP", "ShellIconCache", "VEZO.DAT", "*._MP", "_INS*.*", "_IS*.*"};
        for (int i = 0; i < 7; ++i)
            (*expected)[undo + "\\exception|" + std::to_string(i)] = Value(REG_SZ, TextBytes(patterns[i], 100));
    }

    // The download build of a media set, and the file name it goes by.
    static std::string DownloadName(const std::string &media)
    {
        return media.find("media-1.0") != std::string::npos ? "1-to-95B.EXE" : "A-to-95B.EXE";
    }
    static Bytes DownloadOf(const std::string &media)
    {
        Bytes download;
        EXPECT_TRUE(ReadFileBytes(JoinPath(media, DownloadName(media)), &download));
        return download;
    }

    // What the download unpacks: disk 1's files, READNOW.TXT among them, and
    // the pieces of the later disks, recorded in patch.ini as on disk 1.
    std::map<std::string, Bytes> DownloadFiles()
    {
        std::map<std::string, Bytes> files = ReadFolderFiles(JoinPath(media_, "DISK1"));
        for (int disk = 2; FileExists(JoinPath(media_, "DISK" + std::to_string(disk))); ++disk)
            files["PATCH." + std::to_string(disk - 1)] = PieceOf(media_, disk);
        return files;
    }

    // Runs a download build of these bytes from a folder of its own in the
    // scratch tree, where it is the only file.
    RunResult RunDownload(const Bytes &download, const std::string &commandText = "")
    {
        downloads_ = ScratchDir("scenario-downloads");
        download_ = JoinPath(downloads_, DownloadName(media_));
        EXPECT_TRUE(WriteFileBytes(download_, download));
        return RunExecutable(download_, commandText, AnswerOk, downloads_, 120000);
    }

    // The extractor's own folders below the temporary folder (ZARnnnnn).
    static std::vector<std::string> TemporaryFolders()
    {
        char temp[MAX_PATH] = "";
        GetTempPathA(MAX_PATH, temp);
        std::vector<std::string> found;
        for (const std::string &name : ListDir(temp))
            if (name.size() == 8 && name.compare(0, 3, "ZAR") == 0 &&
                name.find_first_not_of("0123456789", 3) == std::string::npos)
                found.push_back(name);
        return found;
    }

    // A download refused before it unpacked anything: its one message, exit
    // -1, and the installation, the registry, the download's own folder and
    // the temporary folder as they were.
    void ExpectRefusedDownload(const RunResult &run, const std::string &text, const RegSnapshot &before)
    {
        EXPECT_FALSE(run.timedOut);
        EXPECT_EQ(0xFFFFFFFFu, run.exitCode);
        ASSERT_EQ(1u, run.boxes.size()) << Describe(run);
        EXPECT_EQ(kExtractorCaption, run.boxes[0].caption);
        EXPECT_EQ(text, run.boxes[0].text);
        EXPECT_EQ((std::vector<std::string>{"README.TXT", "ZELFSV4.DLL", "ctl3d32.dll"}), ListDir(product_));
        EXPECT_EQ("", RegistryDifferences(before, SnapshotWatchedAreas()));
        EXPECT_EQ((std::vector<std::string>{DownloadName(media_)}), ListDir(downloads_));
        EXPECT_TRUE(TemporaryFolders().empty());
    }

    // What a run left, for the sweeps.
    EndState EndStateAfter(const RunResult &run)
    {
        EndState state;
        state.exitCode = run.exitCode;
        for (const RecordedBox &box : run.boxes)
            state.boxes.push_back(box.caption + ": " + box.text);
        state.files = ReadFolderFiles(product_);
        for (const char *folder : {"Letters", "Reports"})
            state.shortcuts[folder] = ShortcutArguments(JoinPath(documents_, std::string(folder) + "\\Clear Menu.lnk"));
        state.registry = SnapshotProductAreas();
        return state;
    }

    // Runs a twin with the probe's record going to a fresh log; the log.
    std::string RecordedRun(const std::function<RunResult()> &run, EndState *state)
    {
        const std::string log = JoinPath(ScratchDir("sweep-record"), "probe.txt");
        SetEnvironmentVariableA("ZARIZED_PROBE_LOG", log.c_str());
        *state = EndStateAfter(run());
        SetEnvironmentVariableA("ZARIZED_PROBE_LOG", nullptr);
        return log;
    }

    std::string release_, media_, otherMedia_, root_, product_, programs_, documents_, drive_;
    std::string downloads_, download_;  // the folder a download runs from, and its path
    std::string patchIni_;  // disk 1's patch.ini as the drive shows it
    Bytes data_;            // the patch data the media were made from
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
    Bytes engine, staged, pif, shippedPif, batch;
    ASSERT_TRUE(ReadFileBytes(BuildPath("scenario\\engine.bin"), &engine));
    ASSERT_TRUE(ReadFileBytes(JoinPath(product_, "Patch.exe"), &staged));
    EXPECT_TRUE(engine == staged) << "Patch.exe is the engine, byte for byte";
    EXPECT_TRUE(data_ == StagedData()) << "Patch.rtp is the patch data, byte for byte";

    // The hand-off names the command shell, DOSBox's in this prefix, by its short path.
    char windows[MAX_PATH], shortProduct[MAX_PATH], shortShell[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    ASSERT_TRUE(GetShortPathNameA(product_.c_str(), shortProduct, MAX_PATH));
    ASSERT_TRUE(GetShortPathNameA(JoinPath(windows, "COMMAND.COM").c_str(), shortShell, MAX_PATH));
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
    put(0x65, StartupFolderFor(product_), 47);
    put(0xA5, parameters, 63);
    put(0x1C5, parameters, 63);
    EXPECT_TRUE(expectedPif == pif) << "Patch.pif differs from the shipped one outside, or inside, its four fields";

    // The shortcuts of the document folders name their folders.
    EXPECT_EQ("Letters", ShortcutArguments(JoinPath(documents_, "Letters\\Clear Menu.lnk")));
    EXPECT_EQ("Reports", ShortcutArguments(JoinPath(documents_, "Reports\\Clear Menu.lnk")));

    // The registry: exactly the migrations, and nothing else.
    EXPECT_EQ("", RegistryDifferences(StoredByWindows95(before, ExpectedRegistry(before)), after));

    // The same patch as a logon script runs it on one PC of many: silent,
    // from the media on a file server, its log kept where it is told.
    PopulateInstallation();
    const std::string log = JoinPath(root_, "pc17.log");
    const std::string share = OnTheServer("PATCH-" + release_);
    RunResult silent = RunFromFolder(ProgramPath(), share, "/s /l" + log);
    EXPECT_EQ(1u, silent.exitCode);
    EXPECT_TRUE(silent.boxes.empty()) << Describe(silent);
    EXPECT_FALSE(silent.progressShown);
    EXPECT_TRUE(data_ == StagedData()) << "Patch.rtp is the patch data, byte for byte";
    EXPECT_EQ("", MissingInOrder(log, {share + "\\ZARIZED.EXE started ", "command text \"/s /l" + log + "\"",
                                       "installation found: Kelvane Palomid in " + product_ + ", the media in " + share,
                                       "release accepted", "staged Patch.dll: " + std::to_string(engine.size()) + " bytes",
                                       "Patch.dll renamed Patch.exe", "joined piece 0 (disk 1)", "joined piece 2 (disk 3)",
                                       "joined " + product_ + "\\Patch.rtp: " + std::to_string(data_.size()) + " bytes",
                                       "migration done: registered owner", "hand-off written",
                                       "message 2007 \"Kelvane Palomid 95.0.b Maintenance Release\": To complete",
                                       "[OK, as a silent run answers]", "launch done: Patch.pif started", "exit code 1"}));
}

TEST_P(PatchScenario, CompleteRunsGoOnThroughTheDosPhase)
{
    // Restarting in MS-DOS mode: once the run has ended, DOS runs what
    // Patch.pif names, in its startup folder, by the short names that
    // Windows keeps. PATCH.BAT runs the sample engine, which reports the
    // Patch.rtp it found, then deletes the engine, its data and the PIF.
    char crc[16];
    snprintf(crc, sizeof(crc), "%08X", ComputeCrc32(0, data_.data(), (unsigned)data_.size()));
    const std::string readsTheData = "Patch.rtp: " + std::to_string(data_.size()) + " bytes, CRC-32 " + crc;
    Bytes component;
    ASSERT_TRUE(ReadFileBytes(VersionFixture(release_ == "1.0" ? "release_1_0_0" : "release_95_0_a"), &component));
    const struct {
        const char *what, *product, *created;
    } folders[] = {
        {"the default folder", "C:\\Program Files\\Kelvane Palomid", "C:\\Program Files\\Kelvane Palomid"},
        {"a folder of 8.3 names", "C:\\KP95\\PALOMID", "C:\\KP95"},
        // Its long form would be cut by the startup field: it goes by its short form.
        {"a folder too long for the startup field", "C:\\Program Files\\Kelvane Palomid Desktop Shell 95",
         "C:\\Program Files\\Kelvane Palomid Desktop Shell 95"},
    };
    for (const auto &f : folders) {
        SCOPED_TRACE(f.what);
        RemoveTree(f.created);
        PopulateInstallation(f.product);
        const std::string s = ShortForm(product_);
        LaunchLog launches(true);
        RunResult run = RunFromDisks();
        ExpectHandOffBoxes(run, 2);
        const LaunchRecord launch = launches.AfterDosPhase();
        ASSERT_TRUE(launch.dos.ended) << "no DOS phase was recorded";
        EXPECT_EQ("ran", launch.dos.outcome);
        EXPECT_EQ(StartupFolderFor(product_), launch.startupDir);
        EXPECT_EQ(0, lstrcmpiA(s.c_str(), launch.dos.startup.c_str())) << launch.dos.startup;

        // The engine ran in the product folder and read the patch data whole.
        const std::vector<std::string> report = {"Sample patch engine (a stand-in for a real one)", "folder: " + s,
                                                 readsTheData};
        EXPECT_EQ(0, lstrcmpiA((s + "\\ENGINE.LOG").c_str(), launch.dos.engineLog.c_str())) << launch.dos.engineLog;
        ASSERT_EQ(report.size(), launch.dos.engine.size());
        for (size_t i = 0; i < report.size(); ++i)
            EXPECT_EQ(0, lstrcmpiA(report[i].c_str(), launch.dos.engine[i].c_str())) << launch.dos.engine[i];
        EXPECT_EQ(launch.dos.engine, launch.dos.screen) << "the screen shows what the log holds";

        // The batch deleted the three files; it stays, and nothing else changed.
        EXPECT_EQ((std::vector<std::string>{"ENGINE.LOG", "PATCH.BAT", "README.TXT", "ZELFSV4.DLL"}), ListDir(product_));
        Bytes batch, readme, dll;
        ASSERT_TRUE(ReadFileBytes(JoinPath(product_, "PATCH.BAT"), &batch));
        EXPECT_EQ("@echo off\r\n" + s + "\\Patch.exe\r\ndel " + s + "\\Patch.exe\r\ndel " + s + "\\Patch.rtp\r\ndel " + s +
                      "\\Patch.pif\r\n\r\n",
                  std::string(batch.begin(), batch.end()));
        EXPECT_TRUE(ReadFileBytes(JoinPath(product_, "README.TXT"), &readme) &&
                    std::string(readme.begin(), readme.end()) == "kept as it is");
        EXPECT_TRUE(ReadFileBytes(JoinPath(product_, "ZELFSV4.DLL"), &dll) && dll == component);
        RemoveTree(f.created);
    }
}

TEST_P(PatchScenario, OtherBuildsDiskIsAskedForAgainUntilTheRightOneIsIn)
{
    // Disk 2 of the other build has the same name and size: only its bytes differ.
    const Bytes wrong = PieceOf(otherMedia_, 2);
    ASSERT_EQ(PieceOf(media_, 2).size(), wrong.size());
    PopulateInstallation();
    const RegSnapshot before = SnapshotWatchedAreas();
    int prompts = 0;
    RunResult run = RunFromDisks([&](int disk, const RecordedBox &) {
        InsertDisk(disk, ++prompts == 1 ? wrong : PieceOf(media_, disk));
        return IDOK;
    });
    const RegSnapshot after = SnapshotWatchedAreas();

    ASSERT_FALSE(run.timedOut);
    ASSERT_LE(3u, run.boxes.size());
    EXPECT_TRUE(IsDiskPrompt(run.boxes[0], 2)) << run.boxes[0].text;
    EXPECT_TRUE(IsNotThisDisk(run.boxes[1], 2)) << run.boxes[1].text;
    EXPECT_EQ(0u, run.boxes[1].style & MB_ICONMASK);
    EXPECT_TRUE(IsDiskPrompt(run.boxes[2], 3)) << run.boxes[2].text;
    ExpectHandOffBoxes(run, 3);
    EXPECT_TRUE(data_ == StagedData()) << "Patch.rtp is the patch data, byte for byte";
    EXPECT_EQ("", RegistryDifferences(StoredByWindows95(before, ExpectedRegistry(before)), after));
}

TEST_P(PatchScenario, DamagedCopiesAreAskedForAgain)
{
    // Disk 2 copied one byte short, disk 3 (the last) with one byte flipped;
    // each is answered by putting the good disk in.
    Bytes shortPiece = PieceOf(media_, 2);
    shortPiece.pop_back();
    Bytes flipped = PieceOf(media_, 3);
    flipped[flipped.size() / 2] ^= 0x01;
    PopulateInstallation();
    std::map<int, int> asked;
    RunResult run = RunFromDisks([&](int disk, const RecordedBox &) {
        Bytes piece = PieceOf(media_, disk);
        if (++asked[disk] == 1)
            piece = disk == 2 ? shortPiece : flipped;
        InsertDisk(disk, piece);
        return IDOK;
    });

    ASSERT_FALSE(run.timedOut);
    ASSERT_LE(4u, run.boxes.size());
    EXPECT_TRUE(IsDiskPrompt(run.boxes[0], 2)) << run.boxes[0].text;
    EXPECT_TRUE(IsNotThisDisk(run.boxes[1], 2)) << run.boxes[1].text;
    EXPECT_TRUE(IsDiskPrompt(run.boxes[2], 3)) << run.boxes[2].text;
    EXPECT_TRUE(IsNotThisDisk(run.boxes[3], 3)) << run.boxes[3].text;
    ExpectHandOffBoxes(run, 4);
    EXPECT_TRUE(data_ == StagedData()) << "Patch.rtp is the patch data, byte for byte";
}

TEST_P(PatchScenario, CancelAtTheWrongDiskEndsTheRunWithoutAnyOfItsBytes)
{
    PopulateInstallation();
    const RegSnapshot before = SnapshotWatchedAreas();
    RunResult run = RunFromDisks([&](int disk, const RecordedBox &box) {
        if (IsNotThisDisk(box, 3))
            return IDCANCEL;
        InsertDisk(disk, disk == 3 ? PieceOf(otherMedia_, 3) : PieceOf(media_, disk));
        return IDOK;
    });
    const RegSnapshot after = SnapshotWatchedAreas();

    ASSERT_FALSE(run.timedOut);
    ASSERT_EQ(4u, run.boxes.size());
    EXPECT_TRUE(IsDiskPrompt(run.boxes[0], 2));
    EXPECT_TRUE(IsDiskPrompt(run.boxes[1], 3));
    EXPECT_TRUE(IsNotThisDisk(run.boxes[2], 3)) << run.boxes[2].text;
    ExpectStoppedAtTheJoin(run, before, after);
    // Patch.rtp holds the data of disks 1 and 2, and nothing of either disk 3.
    const size_t joined = PieceOf(media_, 1).size() - 4 + PieceOf(media_, 2).size();
    EXPECT_TRUE(Bytes(data_.begin(), data_.begin() + joined) == StagedData());
}

TEST_P(PatchScenario, DamagedRecordIsRefusedBeforeAnyDiskIsAskedFor)
{
    const std::string version = patchIni_.substr(0, patchIni_.find("[PIECES]"));
    const std::string record = patchIni_.substr(version.size());
    ASSERT_EQ(0u, record.find("[PIECES]\r\nCount=3\r\n0=")) << patchIni_;
    auto line = [&record](const std::string &key) {
        size_t at = record.find("\r\n" + key + "=") + 2;
        return record.substr(at, record.find("\r\n", at) + 2 - at);
    };
    auto without = [&record](const std::string &text) {
        std::string changed = record;
        return changed.erase(changed.find(text), text.size());
    };
    auto replaced = [&record](const std::string &from, const std::string &to) {
        std::string changed = record;
        return changed.replace(changed.find(from), from.size(), to);
    };
    const std::string crc2 = line("2").substr(line("2").find(',') + 1, 8);
    const struct {
        const char *what;
        std::string record;
    } cases[] = {
        {"no count", without("Count=3\r\n")},
        {"a count other than piece 0's", replaced("Count=3", "Count=2")},
        {"a count out of range", replaced("Count=3", "Count=51")},
        {"a missing entry", without(line("1"))},
        {"a size that does not parse", replaced(line("1"), "1=14a5,00000000\r\n")},
        {"a CRC that does not parse", replaced(crc2, crc2.substr(0, 7) + "g")},
        {"a size out of range", replaced(line("2"), "2=4294967296," + crc2 + "\r\n")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        PopulateInstallation();
        const RegSnapshot before = SnapshotWatchedAreas();
        patchIni_ = version + c.record;
        RunResult run = RunFromDisks();
        const RegSnapshot after = SnapshotWatchedAreas();
        ASSERT_FALSE(run.timedOut);
        EXPECT_EQ(1u, run.boxes.size()) << "no disk is asked for";
        ExpectStoppedAtTheJoin(run, before, after);
        Bytes staged;
        EXPECT_TRUE(!ReadFileBytes(JoinPath(product_, "Patch.rtp"), &staged) || staged.empty());
    }
}

TEST_P(PatchScenario, MediaWithoutRecordJoinAsBefore)
{
    // patch.ini as media made before the record: [VERSION] alone.
    patchIni_ = patchIni_.substr(0, patchIni_.find("[PIECES]"));
    ASSERT_EQ(std::string::npos, patchIni_.find("PIECES"));
    PopulateInstallation();
    RunResult run = RunFromDisks();
    ASSERT_FALSE(run.timedOut);
    ASSERT_LE(2u, run.boxes.size());
    EXPECT_TRUE(IsDiskPrompt(run.boxes[0], 2));
    EXPECT_TRUE(IsDiskPrompt(run.boxes[1], 3));
    ExpectHandOffBoxes(run, 2);
    EXPECT_TRUE(data_ == StagedData()) << "Patch.rtp is the patch data, byte for byte";

    // Nothing but the record tells the other build's disk 2 from the right
    // one: without it, that disk is joined without a word, as it always was.
    PopulateInstallation();
    run = RunFromDisks([&](int disk, const RecordedBox &) {
        InsertDisk(disk, disk == 2 ? PieceOf(otherMedia_, 2) : PieceOf(media_, disk));
        return IDOK;
    });
    ASSERT_FALSE(run.timedOut);
    ASSERT_LE(2u, run.boxes.size());
    EXPECT_TRUE(IsDiskPrompt(run.boxes[0], 2));
    EXPECT_TRUE(IsDiskPrompt(run.boxes[1], 3));
    ExpectHandOffBoxes(run, 2);
    EXPECT_EQ(data_.size(), StagedData().size());
    EXPECT_FALSE(data_ == StagedData());
}

TEST_P(PatchScenario, DownloadBuildPatchesToTheEndAndLeavesNothingBehind)
{
    // The one file unpacks into a folder of its own, runs ZARIZED.EXE there
    // (no disk is asked for: all the pieces are beside it), passes its exit
    // code on and removes what it unpacked. So does a download of the
    // earlier form, with the whole data as one piece.
    for (const std::string &download : {DownloadName(media_), "one-piece-" + DownloadName(media_)}) {
        SCOPED_TRACE(download);
        PopulateInstallation();
        ASSERT_TRUE(TemporaryFolders().empty());
        LaunchLog launches;
        const RegSnapshot before = SnapshotWatchedAreas();
        Bytes bytes;
        ASSERT_TRUE(ReadFileBytes(download == DownloadName(media_) ? JoinPath(media_, download)
                                                                   : BuildPath("scenario\\" + download), &bytes));
        RunResult run = RunDownload(bytes);
        ExpectHandedOff(run, launches, product_);
        EXPECT_TRUE(run.progressShown);
        EXPECT_TRUE(data_ == StagedData()) << "Patch.rtp is the patch data, byte for byte";
        EXPECT_EQ("", RegistryDifferences(StoredByWindows95(before, ExpectedRegistry(before)), SnapshotWatchedAreas()));
        EXPECT_TRUE(TemporaryFolders().empty()) << "the unpacked files are removed";
        EXPECT_EQ((std::vector<std::string>{DownloadName(media_)}), ListDir(downloads_));
    }

    // Silent, from a file server, with a log: the extractor shows nothing
    // either, and the patch run it starts writes to the same log.
    PopulateInstallation();
    const std::string server = OnTheServer("DOWNLOAD");
    const std::string download = JoinPath(server, DownloadName(media_));
    const std::string log = JoinPath(root_, "download.log");
    RemoveTree(server);
    MakeDir(server);
    ASSERT_TRUE(WriteFileBytes(download, DownloadOf(media_)));
    RunResult run = RunExecutable(download, "/s /l" + log, AnswerOk, root_, 120000);
    EXPECT_EQ(1u, run.exitCode);
    EXPECT_TRUE(run.boxes.empty()) << Describe(run);
    EXPECT_FALSE(run.progressShown);
    EXPECT_TRUE(data_ == StagedData()) << "Patch.rtp is the patch data, byte for byte";
    EXPECT_TRUE(TemporaryFolders().empty()) << "the unpacked files are removed";
    EXPECT_EQ("", MissingInOrder(log, {download + " started ", "download checked: ", "unpacked ", "started ",
                                       "\\ZARIZED.EXE started ", "joined piece 2 (disk 3)", "launch done", "exit code 1",
                                       "ZARIZED.EXE ended with exit code 1", "removed ", "exit code 1"}));
    RemoveTree(server);
}

TEST_P(PatchScenario, LargeDownloadHoldsNoMoreThanOnePieceInMemory)
{
    // 21,000,000 bytes of data in floppy pieces, run through the twins of
    // the two programs, which record every global-heap block they ask for:
    // the patch run's largest is no larger than the largest piece, and the
    // extractor's data moves through its one 64 KB block (it imports no
    // allocator at all).
    // The large media serve release 1.0.
    if (release_ != "1.0")
        return;
    const std::string large = BuildPath("scenario\\media-large");
    size_t largestPiece = 0, pieces = 0;
    for (int disk = 1; FileExists(JoinPath(large, "DISK" + std::to_string(disk))); ++disk, ++pieces)
        largestPiece = std::max(largestPiece, PieceOf(large, disk).size());
    EXPECT_EQ(15u, pieces);
    EXPECT_LE(largestPiece, 1457664u);
    // The builder's download holds the same pieces, and disk 1's record of them.
    std::map<std::string, Bytes> unpacked = ReadFolderFiles(BuildPath("scenario\\twin-files"));
    std::map<std::string, Bytes> disk1 = ReadFolderFiles(JoinPath(large, "DISK1"));
    EXPECT_TRUE(disk1["patch.ini"] == unpacked["patch.ini"]) << "the download's patch.ini is not disk 1's";
    for (size_t k = 0; k < pieces; ++k)
        EXPECT_TRUE(PieceOf(large, (int)k + 1) == unpacked["PATCH." + std::to_string(k)]) << "piece " << k;
    EXPECT_EQ(pieces + 5, unpacked.size()) << "disk 1's files and the pieces, nothing else";
    Bytes twinDownload, largeData;
    ASSERT_TRUE(ReadFileBytes(BuildPath("scenario\\twin-1-to-95B.EXE"), &twinDownload));
    ASSERT_TRUE(ReadFileBytes(BuildPath("scenario\\data-large.bin"), &largeData));
    PopulateInstallation();
    LaunchLog launches;
    const std::string log = JoinPath(root_, "probe.txt");
    SetEnvironmentVariableA("ZARIZED_PROBE_LOG", log.c_str());
    RunResult run = RunDownload(twinDownload);
    SetEnvironmentVariableA("ZARIZED_PROBE_LOG", nullptr);
    ExpectHandedOff(run, launches, product_);
    EXPECT_TRUE(largeData == StagedData()) << "Patch.rtp is the large data, byte for byte";
    std::map<std::string, std::string> blocks;  // what each twin recorded of its blocks
    Bytes record;
    ASSERT_TRUE(ReadFileBytes(log, &record));
    std::istringstream lines(std::string(record.begin(), record.end()));
    for (std::string line; std::getline(lines, line);) {
        size_t at = line.find(" blocks ");
        if (at != std::string::npos)
            blocks[line.substr(0, at)] = line.substr(at + 8, line.find_last_not_of("\r") - at - 7);
    }
    unsigned long count = 0, largest = 0;
    ASSERT_EQ(2, sscanf(blocks["zarized"].c_str(), "%lu largest %lu", &count, &largest)) << blocks["zarized"];
    EXPECT_LT(0u, count);
    EXPECT_LE(largest, largestPiece) << "the patch run took a block larger than a piece";
    printf("%zu bytes in %zu pieces of at most %zu bytes: the patch run took %lu blocks, the largest of %lu bytes; "
           "the extractor: %s\n", largeData.size(), pieces, largestPiece, count, largest, blocks["extract"].c_str());
    if (blocks["extract"] != "none: GlobalAlloc is not imported") {
        ASSERT_EQ(2, sscanf(blocks["extract"].c_str(), "%lu largest %lu", &count, &largest)) << blocks["extract"];
        EXPECT_LE(largest, 65536u) << "the extractor took a block larger than its 64 KB";
    }
}

TEST_P(PatchScenario, DamagedDownloadsAreRefusedWithNothingWritten)
{
    const Bytes good = DownloadOf(media_);
    Bytes extractor;
    ASSERT_TRUE(ReadFileBytes(BuildPath("EXTRACT.EXE"), &extractor));
    size_t packed = 0;
    for (const auto &file : DownloadFiles())
        packed += file.second.size();
    EXPECT_LE(good.size() - packed, 20480u) << "the extractor adds less than 20 KB to the files";
    const struct {
        const char *what;
        size_t flip;  // the byte flipped, or npos
        size_t size;  // the bytes kept
    } cases[] = {
        {"a byte of the data flipped", good.size() / 2, good.size()},
        {"a byte of the trailer flipped", good.size() - 20, good.size()},
        {"cut short", std::string::npos, good.size() - 1000},
        {"cut to the extractor", std::string::npos, extractor.size()},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        PopulateInstallation();
        const RegSnapshot before = SnapshotWatchedAreas();
        Bytes damaged(good.begin(), good.begin() + c.size);
        if (c.flip != std::string::npos)
            damaged[c.flip] ^= 0x01;
        RunResult run = RunDownload(damaged);
        ExpectRefusedDownload(run, DamagedDownloadText(download_), before);
    }
}

TEST_P(PatchScenario, DownloadRefusesATemporaryDriveTooSmallForItsFiles)
{
    // The temporary folder on T:, a small drive filled up to a little less
    // than the files take there in whole clusters.
    PopulateInstallation();
    const RegSnapshot before = SnapshotWatchedAreas();
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
    ASSERT_TRUE(GetDiskFreeSpaceA("T:\\", &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters))
        << "the small drive T: is not mounted";
    const unsigned long cluster = sectorsPerCluster * bytesPerSector;
    unsigned long need = 0;
    for (const auto &file : DownloadFiles())
        need += (file.second.size() + cluster - 1) / cluster * cluster;
    const unsigned long freeBefore = freeClusters * cluster;
    ASSERT_GT(freeBefore, need);
    ASSERT_TRUE(WriteFileBytes("T:\\FILLER.BIN", Bytes(freeBefore - need + cluster)));
    ASSERT_TRUE(GetDiskFreeSpaceA("T:\\", &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters));
    char temp[MAX_PATH] = "";
    GetEnvironmentVariableA("TMP", temp, MAX_PATH);
    SetEnvironmentVariableA("TMP", "T:\\");
    RunResult run = RunDownload(DownloadOf(media_));
    SetEnvironmentVariableA("TMP", temp[0] ? temp : nullptr);
    EXPECT_EQ((std::vector<std::string>{"FILLER.BIN"}), ListDir("T:\\")) << "nothing is left on the drive";
    DeleteFileA("T:\\FILLER.BIN");
    ExpectRefusedDownload(run, DownloadLowSpaceText("T:", need, freeClusters * cluster), before);
}

TEST_P(PatchScenario, TheOtherReleasesDownloadPassesTheRefusalOnAndCleansUp)
{
    PopulateInstallation();
    const RegSnapshot before = SnapshotWatchedAreas();
    const std::string other = release_ == "1.0" ? "95.0.a" : "1.0";
    RunResult run = RunDownload(DownloadOf(otherMedia_));
    ASSERT_FALSE(run.timedOut);
    EXPECT_EQ(0xFFFFFFFFu, run.exitCode) << "ZARIZED's exit code";
    ASSERT_EQ(1u, run.boxes.size()) << Describe(run);
    EXPECT_EQ("Update Cancelled", run.boxes[0].caption);
    EXPECT_EQ(WrongPatchText(other, release_ == "1.0" ? "1.0.0" : "95.0.a",
                             other == "1.0" ? "A-to-95B.EXE" : "1-to-95B.EXE"),
              run.boxes[0].text);
    EXPECT_EQ((std::vector<std::string>{"README.TXT", "ZELFSV4.DLL", "ctl3d32.dll"}), ListDir(product_));
    EXPECT_EQ("", RegistryDifferences(before, SnapshotWatchedAreas()));
    EXPECT_TRUE(TemporaryFolders().empty());
}

TEST_P(PatchScenario, DownloadUnpacksDiskOnesFilesWithX)
{
    // "/x<folder>" only unpacks: disk 1's files and READNOW.TXT, the data as
    // one piece; a folder not there yet is made. Without a folder it says how.
    PopulateInstallation();
    const std::string folder = JoinPath(root_, "unpacked");
    RunResult run = RunDownload(DownloadOf(media_), "/x" + folder);
    ASSERT_FALSE(run.timedOut);
    EXPECT_EQ(1u, run.exitCode);
    ASSERT_EQ(1u, run.boxes.size()) << Describe(run);
    EXPECT_EQ(kExtractorCaption, run.boxes[0].caption);
    EXPECT_EQ(UnpackedText(folder), run.boxes[0].text);
    EXPECT_TRUE(DownloadFiles() == ReadFolderFiles(folder)) << "the unpacked files differ";
    EXPECT_EQ((std::vector<std::string>{"README.TXT", "ZELFSV4.DLL", "ctl3d32.dll"}), ListDir(product_));

    const RegSnapshot before = SnapshotWatchedAreas();
    ExpectRefusedDownload(RunDownload(DownloadOf(media_), "/x"), NameAFolderText(DownloadName(media_)), before);

    // A file that cannot be written (a folder holds its name): what was
    // written before it is removed, and what the folder held stays.
    const std::string busy = JoinPath(root_, "busy");
    MakeDir(JoinPath(busy, "PATCH.0"));
    WriteFileText(JoinPath(busy, "KEEP.TXT"), "kept");
    run = RunDownload(DownloadOf(media_), "/x" + busy);
    EXPECT_EQ(0xFFFFFFFFu, run.exitCode);
    ASSERT_EQ(1u, run.boxes.size()) << Describe(run);
    EXPECT_EQ(UnpackFailedText("PATCH.0", busy), run.boxes[0].text);
    EXPECT_EQ((std::vector<std::string>{"KEEP.TXT", "PATCH.0"}), ListDir(busy));
}

TEST_P(PatchScenario, RunStoppedAtAnyChangeThenRunAgainEndsAsOneRun)
{
    // A run ended at once, as by a power cut or End Task, just before one of
    // its changes (a write also once cut at half), then the shipping program
    // run again from the same media: the end state must be that of one
    // uninterrupted run. The media lie in one folder, as copied to the hard
    // disk, so no run waits for a disk: the changes are those of a run from
    // the disks. The twin of the program (ZARPROBE.EXE) counts the changes
    // and stops. It runs through scripts/stop-sweep.sh: ZARIZED_SWEEP=all
    // (make stop-sweep) tries every change, and each write once more cut at
    // half; ZARIZED_SWEEP=spread (make test) every change to a file, folder
    // or shortcut, the launch, and every tenth change to the registry, of
    // release 1.0's run; ZARIZED_SWEEP_SHARD=i/n only the points i, i + n,
    // i + 2n, ...
    const SweepSettings sweep = ReadSweepSettings();
    if (!sweep.run || (!sweep.everyPoint && release_ != "1.0"))
        GTEST_SKIP() << "the sweep runs in prefixes of its own, through scripts/stop-sweep.sh";
    const std::string twin = BuildPath("ZARPROBE.EXE");
    auto install = [this]() {
        PopulateInstallation();
        // An entry in both old lists, whose "Include" version must stay.
        SetRegString(HKEY_CURRENT_USER, "Software\\Quorvel\\Palomid\\FileSteward\\Dialogs\\Include", "Both Lists",
                     "5,x,BothFrame,#32770,Save,,,,,,,,,,,,");
        SetRegString(HKEY_CURRENT_USER, "Software\\Quorvel\\Palomid\\FileSteward\\Dialogs\\Exclude", "Both Lists",
                     "6,x,OtherFrame,,,,,,,,,,,,,,");
    };

    // One uninterrupted run, and the changes it makes, counted by the twin.
    install();
    const EndState uninterrupted = EndStateAfter(RunFromFolder(ProgramPath()));
    ASSERT_EQ(1u, uninterrupted.exitCode) << "the uninterrupted run did not reach its hand-off";
    install();
    EndState counted;
    const std::vector<Change> changes =
        ReadChanges(RecordedRun([&]() { return RunFromFolder(twin); }, &counted), "zarized");
    ASSERT_EQ("", EndStateDifferences(uninterrupted, counted)) << "the twin's run differs from the program's";
    ASSERT_LT(100u, changes.size()) << "the twin counted too few changes";

    // The points: a change to stop before, and whether its write is cut at half.
    std::vector<std::pair<const Change *, bool>> points;
    size_t registryChanges = 0;
    for (const Change &change : changes) {
        const bool tried = sweep.everyPoint || !change.IsRegistry() || registryChanges++ % 10 == 0;
        if (tried)
            points.push_back({&change, false});
        if (sweep.everyPoint && change.kind == "write")
            points.push_back({&change, true});
    }
    size_t tried = 0;
    std::string differing;
    for (size_t i = sweep.shardIndex; i < points.size(); i += sweep.shardCount, ++tried) {
        const Change &change = *points[i].first;
        install();
        RunResult stopped;
        {
            StopBefore stop(change, points[i].second);
            stopped = RunFromFolder(twin);
        }
        ReportPoint(release_,
                    "change " + std::to_string(change.number) + " (" + change.kind + " " + change.what +
                        (points[i].second ? ", cut at half" : "") + ")",
                    stopped.exitCode != 0xDEAD ? "the run was not stopped: " + Describe(stopped) + "\n"
                                               : EndStateDifferences(uninterrupted,
                                                                     EndStateAfter(RunFromFolder(ProgramPath()))),
                    &differing);
    }

    // A run from the disks stopped in the middle of its join, before the
    // data of disk 3 is written: run again, it asks for disk 3 alone, disks
    // 1 and 2 being kept in Patch.rtp, and ends as one run, prompts apart.
    std::vector<const Change *> dataWrites;
    for (const Change &change : changes)
        if (change.kind == "write" && change.what.find("Patch.rtp") != std::string::npos)
            dataWrites.push_back(&change);
    if (sweep.shardIndex == 0 && dataWrites.size() >= 3) {
        const Change &change = *dataWrites[2];
        install();
        RunResult stopped;
        {
            StopBefore stop(change, false);
            stopped = RunFromDisks(nullptr, twin);
        }
        std::string asked;
        RunResult again = RunFromDisks([&](int disk, const RecordedBox &) {
            asked += " " + std::to_string(disk);
            InsertDisk(disk, PieceOf(media_, disk));
            return IDOK;
        });
        again.boxes.erase(std::remove_if(again.boxes.begin(), again.boxes.end(),
                                         [](const RecordedBox &box) { return DiskAskedFor(box) != 0; }),
                          again.boxes.end());
        std::string differences = stopped.exitCode != 0xDEAD ? "the run was not stopped: " + Describe(stopped) + "\n" : "";
        if (asked != " 3")
            differences += "the second run asked for disks" + asked + ", not for disk 3 alone\n";
        ReportPoint(release_,
                    "change " + std::to_string(change.number) + " (" + change.kind + " " + change.what +
                        ", from the disks; run again, it asks for disk" + asked + ")",
                    differences + EndStateDifferences(uninterrupted, EndStateAfter(again)), &differing);
        ++tried;
    }
    printf("[ sweep    ] release %s: %zu changes, %zu points tried, %s\n", release_.c_str(), changes.size(), tried,
           differing.empty() ? "none differs" : "some differ (above)");
    EXPECT_EQ("", differing);
}

TEST_P(PatchScenario, DownloadStoppedAtAnyChangeThenRunAgainPatchesToTheHandOff)
{
    // The download stopped at once before one of its own changes (a write
    // also once cut at half) leaves at most its own ZARnnnnn folder below
    // the temporary folder; run again, it patches to the hand-off as one
    // uninterrupted run does. Its extractor's twin (XPROBE.EXE) counts and
    // stops; the ZARIZED.EXE inside is the shipping one. Run through
    // scripts/stop-sweep.sh like the patch run's sweep, with every change
    // (ZARIZED_SWEEP=all) only.
    const SweepSettings sweep = ReadSweepSettings();
    if (!sweep.everyPoint)
        GTEST_SKIP() << "the sweep runs in prefixes of its own, through scripts/stop-sweep.sh";
    Bytes download, twinDownload;
    ASSERT_TRUE(ReadFileBytes(JoinPath(media_, DownloadName(media_)), &download));
    ASSERT_TRUE(ReadFileBytes(BuildPath("scenario\\extractor-twin-" + DownloadName(media_)), &twinDownload));
    auto clearTemporaryFolders = []() {
        char temp[MAX_PATH] = "";
        GetTempPathA(MAX_PATH, temp);
        for (const std::string &name : TemporaryFolders())
            RemoveTree(JoinPath(temp, name));
    };

    clearTemporaryFolders();
    PopulateInstallation();
    const EndState uninterrupted = EndStateAfter(RunDownload(download));
    ASSERT_EQ(1u, uninterrupted.exitCode) << "the uninterrupted download did not reach its hand-off";
    PopulateInstallation();
    EndState counted;
    const std::vector<Change> changes =
        ReadChanges(RecordedRun([&]() { return RunDownload(twinDownload); }, &counted), "extract");
    ASSERT_EQ("", EndStateDifferences(uninterrupted, counted)) << "the twin's download differs from the extractor's";
    ASSERT_LT(10u, changes.size()) << "the twin counted too few changes";

    std::vector<std::pair<const Change *, bool>> points;
    for (const Change &change : changes) {
        points.push_back({&change, false});
        if (change.kind == "write")
            points.push_back({&change, true});
    }
    size_t tried = 0;
    std::string differing;
    for (size_t i = sweep.shardIndex; i < points.size(); i += sweep.shardCount, ++tried) {
        const Change &change = *points[i].first;
        clearTemporaryFolders();
        PopulateInstallation();
        const std::vector<std::string> productBefore = ListDir(product_);
        RunResult stopped;
        {
            StopBefore stop(change, points[i].second);
            stopped = RunDownload(twinDownload);
        }
        std::string differences;
        if (stopped.exitCode != 0xDEAD) {
            differences = "the download was not stopped: " + Describe(stopped) + "\n";
        } else {
            // What it leaves: its own folder at most, and the download alone
            // where it lay; the product changes only by the patch run it
            // started, which has ended before the unpacked files go.
            if (TemporaryFolders().size() > 1)
                differences += std::to_string(TemporaryFolders().size()) + " ZARnnnnn folders are left\n";
            if (ListDir(downloads_) != std::vector<std::string>{DownloadName(media_)})
                differences += "the download's folder holds more than the download\n";
            if (change.kind != "delete" && change.kind != "rmdir" && ListDir(product_) != productBefore)
                differences += "the product folder changed before the patch run was started\n";
            differences += EndStateDifferences(uninterrupted, EndStateAfter(RunDownload(download)));
        }
        ReportPoint(release_,
                    "download change " + std::to_string(change.number) + " (" + change.kind + " " + change.what +
                        (points[i].second ? ", cut at half" : "") + ")",
                    differences, &differing);
    }
    clearTemporaryFolders();
    printf("[ sweep    ] release %s download: %zu changes, %zu points tried, %s\n", release_.c_str(), changes.size(),
           tried, differing.empty() ? "none differs" : "some differ (above)");
    EXPECT_EQ("", differing);
}

INSTANTIATE_TEST_SUITE_P(BothReleases, PatchScenario, ::testing::Values("1.0", "95.0.a"),
                         [](const ::testing::TestParamInfo<const char *> &info) {
                             return std::string(info.param) == "1.0" ? std::string("Release1_0") : std::string("Release95_0_a");
                         });

}  // namespace
