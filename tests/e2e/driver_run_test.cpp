// The real program, started as a child process: dispatch, discovery and the
// free-space stop, each with the exact message it shows and its exit code.
#include <gtest/gtest.h>

#include <string>

#include "files.h"
#include "installation.h"
#include "program_runner.h"
#include "registry.h"

namespace {

const DWORD kFailed = 0xFFFFFFFF;
const char kNotInstalled[] =
    "Can't find a valid installation of Kelvane Palomid.  Program terminating.  Please view 'READNOW.TXT' for "
    "instructions on how to manually apply the maintenance release.";
const char kMissingFiles[] =
    "Can't find necessary upgrade files.  Program terminating.  Please view 'READNOW.TXT' for instructions on how "
    "to manually apply the maintenance release.";

class DriverRun : public ::testing::Test {
protected:
    ProductRegistryScope registry_;
    std::string media_ = ScratchDir("driver-run\\media");
    std::string product_ = ScratchDir("driver-run\\product");

    void MakeFullMedia(const std::string &dir) { MakeMedia(dir, "95.0.a", PatternBytes(64), PatternBytes(967), PatternBytes(100)); }

    static void ExpectOnlyBox(const RunResult &run, const char *text)
    {
        ASSERT_EQ(1u, run.boxes.size());
        EXPECT_EQ("Error", run.boxes[0].caption);
        EXPECT_EQ(text, run.boxes[0].text);
        EXPECT_EQ((UINT)MB_OK, run.boxes[0].style);
    }
};

TEST_F(DriverRun, SplitterModeEndsWithOneWhateverHappens)
{
    for (const char *command : {"/b", "/b,,,", "/bmissing.bin,100", "/bnodot,100"}) {
        RunResult run = RunProgramFrom(media_, command);
        EXPECT_FALSE(run.timedOut) << command;
        EXPECT_EQ(1u, run.exitCode) << command;
        EXPECT_FALSE(run.progressShown) << command;
    }
}

TEST_F(DriverRun, AnyOtherCommandTextRunsThePatch)
{
    // With no product registered, a normal run stops at its first check.
    // "/s" makes it silent, its message going to the log (ZARIZED.LOG in
    // the Windows folder unless "/l" names one); "/l" alone logs too.
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    const std::string defaultLog = JoinPath(windows, "ZARIZED.LOG");
    const std::string named = JoinPath(ScratchDir("driver-run\\logs"), "pc 17.log");
    const struct {
        std::string command;
        bool silent;
        std::string log;
    } cases[] = {
        {"", false, ""}, {"/B", false, ""}, {"/x", false, ""}, {"b", false, ""}, {"/ b", false, ""},
        {"anything at all", false, ""}, {"/sx /silent s/ /l", false, ""},
        {"/s", true, defaultLog}, {"other words /S", true, defaultLog},
        {"/s /l\"" + named + "\"", true, named}, {"/L\"" + named + "\"", false, named},
        // A log that cannot be opened changes nothing of the run.
        {"/s /lQ:\\no\\such\\folder\\pc17.log", true, ""},
    };
    for (const auto &c : cases) {
        DeleteFileA(defaultLog.c_str());
        DeleteFileA(named.c_str());
        RunResult run = RunProgramFrom(media_, c.command);
        EXPECT_EQ(kFailed, run.exitCode) << c.command;
        if (c.silent)
            EXPECT_TRUE(run.boxes.empty()) << c.command << "\n" << Describe(run);
        else
            ExpectOnlyBox(run, kNotInstalled);
        Bytes log;
        EXPECT_EQ(!c.log.empty(), ReadFileBytes(c.log.empty() ? defaultLog : c.log, &log)) << c.command;
        const std::string text(log.begin(), log.end());
        if (!c.log.empty()) {
            EXPECT_NE(std::string::npos, text.find("message 2004 \"Error\": " + std::string(kNotInstalled) + " [OK")) << text;
        }
    }
    DeleteFileA(defaultLog.c_str());
}

TEST_F(DriverRun, ProductNotRegisteredInEveryWay)
{
    // Guards docs/behaviour.md, "Refusals instead of cuts".
    MakeFullMedia(media_);
    const std::string key = "Software\\Quorvel\\InstalledApps";
    struct Case {
        const char *what;
        void (*set)(const std::string &key, const std::string &product);
    };
    const Case cases[] = {
        {"no key", [](const std::string &, const std::string &) {}},
        {"no value", [](const std::string &k, const std::string &) { SetRegString(HKEY_LOCAL_MACHINE, k, "Other", "x"); }},
        {"expandable string",
         [](const std::string &k, const std::string &p) { SetRegString(HKEY_LOCAL_MACHINE, k, "Kelvane Palomid", p, REG_EXPAND_SZ); }},
        {"empty", [](const std::string &k, const std::string &) { SetRegString(HKEY_LOCAL_MACHINE, k, "Kelvane Palomid", ""); }},
        {"longer than 259",
         [](const std::string &k, const std::string &) {
             SetRegString(HKEY_LOCAL_MACHINE, k, "Kelvane Palomid", "C:\\" + std::string(300, 'p'));
         }},
        // 260 characters stored without a NUL fill the buffer: cut to 259
        // they would name another folder.
        {"260 bytes without a NUL",
         [](const std::string &k, const std::string &p) {
             SetRegTextWithoutNul(HKEY_LOCAL_MACHINE, k, "Kelvane Palomid", p + "\\" + std::string(259 - p.size(), 'x'));
             ASSERT_EQ(260u, ReadRegValue(HKEY_LOCAL_MACHINE, k, "Kelvane Palomid").data.size());
         }},
    };
    for (const Case &c : cases) {
        ProductRegistryScope::Clear();
        c.set(key, product_);
        RunResult run = RunProgramFrom(media_, "");
        EXPECT_EQ(kFailed, run.exitCode) << c.what;
        ExpectOnlyBox(run, kNotInstalled);
        EXPECT_FALSE(run.progressShown) << c.what;
    }
}

TEST_F(DriverRun, MissingMediaFileShownOnceAndTestsStopThere)
{
    InstallProduct(product_, "release_95_0_a");
    const char *const present[][3] = {{"PATCH.PIF", "PATCH.0", nullptr}, {"PATCH.DLL", "PATCH.0", nullptr},
                                      {"PATCH.DLL", "PATCH.PIF", nullptr}, {nullptr, nullptr, nullptr}};
    for (const auto &files : present) {
        std::string media = ScratchDir("driver-run\\partial-media");
        for (const char *name : files)
            if (name)
                WriteFileText(JoinPath(media, name), "x");
        RunResult run = RunProgramFrom(media, "");
        EXPECT_EQ(kFailed, run.exitCode);
        ExpectOnlyBox(run, kMissingFiles);
    }
}

TEST_F(DriverRun, MediaFileHeldOpenForWritingCountsAsMissing)
{
    InstallProduct(product_, "release_95_0_a");
    MakeFullMedia(media_);
    HANDLE writer = CreateFileA(JoinPath(media_, "PATCH.0").c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, writer);
    RunResult run = RunProgramFrom(media_, "");
    CloseHandle(writer);
    EXPECT_EQ(kFailed, run.exitCode);
    ExpectOnlyBox(run, kMissingFiles);
}

TEST_F(DriverRun, MediaAtADriveRootIsFound)
{
    // M: is a drive of its own; the program then runs as M:\ZARIZED.EXE and
    // looks for M:\PATCH.DLL and so on.
    RemoveTree("M:\\PATCH.0");
    RemoveTree("M:\\PATCH.DLL");
    RemoveTree("M:\\PATCH.PIF");
    InstallProduct(product_, "release_95_0_a");
    WriteFileText("M:\\PATCH.DLL", "x");
    WriteFileText("M:\\PATCH.PIF", "x");
    RunResult missing = RunProgramFrom("M:\\", "");
    ExpectOnlyBox(missing, kMissingFiles);

    MakeFullMedia("M:\\");
    RunResult found = RunProgramFrom("M:\\", "");
    for (const RecordedBox &box : found.boxes)
        EXPECT_NE(kMissingFiles, box.text);
    for (const char *name : {"M:\\PATCH.0", "M:\\PATCH.DLL", "M:\\PATCH.PIF", "M:\\patch.ini", "M:\\ZARIZED.EXE"})
        RemoveTree(name);
}

TEST_F(DriverRun, LowFreeSpaceStopsWithBothNumbers)
{
    DWORD sectors = 0, bytes = 0, freeClusters = 0, total = 0;
    // The bench's namespace mounts the drive (tests/small_drive.sh) on every machine.
    ASSERT_TRUE(GetDiskFreeSpaceA("T:\\", &sectors, &bytes, &freeClusters, &total)) << "no small drive T:";
    std::string product = "T:\\Kelvane Palomid";
    RemoveTree(product);
    MakeFullMedia(media_);
    InstallProduct(product, "release_95_0_a", product + "\\");
    ASSERT_TRUE(GetDiskFreeSpaceA("T:\\", &sectors, &bytes, &freeClusters, &total));
    DWORD freeBytes = freeClusters * sectors * bytes;
    ASSERT_LT(freeBytes, 5242880u);

    RunResult run = RunProgramFrom(media_, "");
    RemoveTree(product);
    EXPECT_EQ(0u, run.exitCode);
    ASSERT_EQ(1u, run.boxes.size());
    EXPECT_EQ("Update Cancelled : Not Enough Hard Drive Space", run.boxes[0].caption);
    EXPECT_EQ("Warning: Not enough free hard drive space on drive. \n\nYou currently have " + std::to_string(freeBytes) +
                  " Bytes free and need an additional " + std::to_string(5242880 - freeBytes) +
                  " Bytes to install this patch.\n\nPlease free up additional space and run the update again.",
              run.boxes[0].text);
    EXPECT_EQ((UINT)(MB_OK | MB_USERICON), run.boxes[0].style) << "an OK button and an icon";
    EXPECT_FALSE(run.progressShown);
}

}  // namespace
