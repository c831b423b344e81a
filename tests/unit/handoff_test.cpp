// The hand-off in-process: PATCH.BAT, the shell command, the four PIF fields
// and the launch of a real small program.
#include <gtest/gtest.h>

#include <windows.h>

#include <string.h>

#include <string>

#include "driver/driver.h"
#include "expected_messages.h"
#include "files.h"
#include "handoff/handoff.h"
#include "handoff/handoff_text.h"
#include "installation.h"
#include "launch_record.h"
#include "message_boxes.h"
#include "resource.h"

namespace {

std::string ReadText(const std::string &path)
{
    Bytes data;
    return ReadFileBytes(path, &data) ? std::string(data.begin(), data.end()) : "<missing>";
}

std::string ExpectedBatch(const std::string &s)
{
    return "@echo off\r\n" + s + "\\Patch.exe\r\ndel " + s + "\\Patch.exe\r\ndel " + s + "\\Patch.rtp\r\ndel " + s +
           "\\Patch.pif\r\n\r\n";
}

// A folder of exactly `length` characters under base, of 8.3 names only.
std::string ShortNamedFolderOfLength(const std::string &base, size_t length)
{
    std::string path = base;
    while (path.size() + 9 <= length)
        path += "\\ABCDEFGH";
    if (path.size() < length)
        path += "\\" + std::string(length - path.size() - 1, 'X');
    MakeDir(path);
    return path;
}

// A folder of "a b" names: their mangled short names are longer than they
// are, so its short form is over the path limit and cannot be had.
std::string FolderWithoutShortForm(const std::string &base)
{
    std::string path = base;
    while (path.size() + 4 <= 230)
        path += "\\a b";
    MakeDir(path);
    EXPECT_TRUE(ShortForm(path).empty() || ShortForm(path).size() >= PATH_CHARS);
    return path;
}

class Handoff : public ::testing::Test {
protected:
    void SetUp() override { ModuleInstance = GetModuleHandleA(nullptr); }
};

// --- PATCH.BAT ---------------------------------------------------------------

TEST_F(Handoff, BatchNamesEveryFileByTheShortFormOfALongFolder)
{
    std::string dir = ScratchDir("handoff-batch") + "\\Kelvane Palomid Folder\\Product With Long Names";
    MakeDir(dir);
    std::string s = ShortForm(dir);
    ASSERT_NE("", s);
    ASSERT_NE(dir, s);
    ASSERT_EQ(1, WriteHandoffBatch(dir.c_str()));
    std::string batch = ReadText(JoinPath(dir, "PATCH.BAT"));
    EXPECT_EQ(ExpectedBatch(s), batch);
    EXPECT_EQ(73 + 4 * s.size(), batch.size());
}

TEST_F(Handoff, BatchForAShortFolderIsTheNinetySevenBytesAndReplacesAnOldOne)
{
    RemoveTree("C:\\APP");
    MakeDir("C:\\APP");
    ASSERT_TRUE(WriteFileBytes("C:\\APP\\PATCH.BAT", PatternBytes(500)));
    EXPECT_EQ(1, WriteHandoffBatch("C:\\APP"));
    EXPECT_EQ("@echo off\r\nC:\\APP\\Patch.exe\r\ndel C:\\APP\\Patch.exe\r\ndel C:\\APP\\Patch.rtp\r\n"
              "del C:\\APP\\Patch.pif\r\n\r\n",
              ReadText("C:\\APP\\PATCH.BAT"));
    EXPECT_EQ(97u, ReadText("C:\\APP\\PATCH.BAT").size());
    RemoveTree("C:\\APP");
}

TEST_F(Handoff, BatchFailsWithoutTheFolderOrItsShortForm)
{
    std::string missing = ScratchDir("handoff-batch") + "\\not here";
    EXPECT_EQ(0, WriteHandoffBatch(missing.c_str()));
    EXPECT_FALSE(FileExists(JoinPath(missing, "PATCH.BAT")));

    std::string dir = FolderWithoutShortForm(ScratchDir("handoff-batch"));
    EXPECT_EQ(0, WriteHandoffBatch(dir.c_str()));
    EXPECT_EQ("", ReadText(JoinPath(dir, "PATCH.BAT"))) << "created, then left empty";
}

TEST_F(Handoff, BatchTextOfTheLongestFolderFitsAndNeverOverrunsASmallBuffer)
{
    std::string s = "C:\\" + std::string(256, 'D');
    char text[HANDOFF_BATCH_BYTES];
    EXPECT_EQ(1109, BuildHandoffBatchText(s.c_str(), text, sizeof(text)));
    EXPECT_EQ(ExpectedBatch(s), std::string(text));

    char small[120];
    memset(small, 0x5A, sizeof(small));
    EXPECT_EQ(0, BuildHandoffBatchText("C:\\APP", small, 97));  // no room for the terminator
    for (size_t i = 97; i < sizeof(small); ++i)
        ASSERT_EQ(0x5A, small[i]) << i;
    EXPECT_EQ(97, BuildHandoffBatchText("C:\\APP", small, 98));
}

// --- the shell command ---------------------------------------------------------

TEST_F(Handoff, ShellCommandUsesShortFormsAndTheLongFormsWhenFilesAreMissing)
{
    std::string root = ScratchDir("handoff-shell");
    std::string windowsDir = root + "\\Windows Folder Of Length";
    std::string productDir = root + "\\Kelvane Palomid Product";
    MakeDir(windowsDir);
    MakeDir(productDir);
    char program[PATH_CHARS];
    char parameters[PATH_CHARS];
    EXPECT_EQ(1, BuildShellCommand(windowsDir.c_str(), productDir.c_str(), program, parameters));
    EXPECT_EQ(windowsDir + "\\COMMAND.COM", std::string(program));
    EXPECT_EQ("/c " + productDir + "\\PATCH.BAT", std::string(parameters));

    WriteFileText(JoinPath(windowsDir, "COMMAND.COM"), "shell");
    WriteFileText(JoinPath(productDir, "PATCH.BAT"), "batch");
    std::string shortShell = ShortForm(JoinPath(windowsDir, "COMMAND.COM"));
    std::string shortBatch = ShortForm(JoinPath(productDir, "PATCH.BAT"));
    ASSERT_NE(JoinPath(windowsDir, "COMMAND.COM"), shortShell);
    ASSERT_NE(JoinPath(productDir, "PATCH.BAT"), shortBatch);
    EXPECT_EQ(1, BuildShellCommand(windowsDir.c_str(), productDir.c_str(), program, parameters));
    EXPECT_EQ(shortShell, std::string(program));
    EXPECT_EQ("/c " + shortBatch, std::string(parameters));
}

TEST_F(Handoff, ShellCommandCutsOverlongPathsToItsBuffers)
{
    // Guards docs/behaviour.md, "No short form of a cut path".
    struct {
        char program[PATH_CHARS];
        char programGuard[64];
        char parameters[PATH_CHARS];
        char parametersGuard[64];
    } b;
    // A 248-character folder of 8.3 names: the batch path (258 characters)
    // is its own short form, too long for "/c " before it; the shell path
    // (260 characters) fits nowhere. Then a folder with no short form at all.
    RemoveTree("C:\\ZHSHELL");
    std::string deep = ShortNamedFolderOfLength("C:\\ZHSHELL", 248);
    std::string blank = FolderWithoutShortForm(ScratchDir("handoff-shell"));
    for (const std::string &dir : {deep, blank}) {
        WriteFileText(JoinPath(dir, "PATCH.BAT"), "batch");
        memset(&b, 0x5A, sizeof(b));
        EXPECT_EQ(1, BuildShellCommand(dir.c_str(), dir.c_str(), b.program, b.parameters));
        EXPECT_EQ((dir + "\\COMMAND.COM").substr(0, 259), std::string(b.program));
        EXPECT_EQ(("/c " + dir + "\\PATCH.BAT").substr(0, 259), std::string(b.parameters));
        EXPECT_EQ(std::string(64, 0x5A), std::string(b.programGuard, 64));
        EXPECT_EQ(std::string(64, 0x5A), std::string(b.parametersGuard, 64));
    }
    RemoveTree("C:\\ZHSHELL");
}

// --- the PIF fields ------------------------------------------------------------

class PifFields : public Handoff {
protected:
    void SetUp() override
    {
        Handoff::SetUp();
        pif_ = JoinPath(ScratchDir("handoff-pif"), "Patch.pif");
        original_ = PatternBytes(967, 7);
        for (unsigned char &b : original_)
            b |= 0x01;  // no zero byte anywhere, so every written zero shows
        ASSERT_TRUE(WriteFileBytes(pif_, original_));
    }
    std::string pif_;
    Bytes original_;
};

TEST_F(PifFields, EachValueIsPaddedWithZerosOrCutToItsCountAndNothingElseChanges)
{
    struct Case {
        std::string program, dir, parameters;
    } cases[] = {
        {"C:\\WINDOWS\\COMMAND.COM", "C:\\APP", "/c C:\\APP\\PATCH.BAT"},
        {std::string(57, 'P'), std::string(47, 'D'), std::string(63, 'A')},  // exactly each count
        {std::string(100, 'P'), std::string(60, 'D'), std::string(200, 'A')},
    };
    for (const Case &c : cases) {
        ASSERT_TRUE(WriteFileBytes(pif_, original_));
        EXPECT_EQ(1, PatchPifFile(pif_.c_str(), c.dir.c_str(), c.program.c_str(), c.parameters.c_str()));
        Bytes expected = original_;
        const struct {
            size_t offset, count;
            const std::string &value;
        } writes[] = {{0x24, 57, c.program}, {0x65, 47, c.dir}, {0xA5, 63, c.parameters}, {0x1C5, 63, c.parameters}};
        for (const auto &w : writes)
            for (size_t i = 0; i < w.count; ++i)
                expected[w.offset + i] = i < w.value.size() ? (unsigned char)w.value[i] : 0;
        Bytes after;
        ASSERT_TRUE(ReadFileBytes(pif_, &after));
        EXPECT_EQ(expected, after) << c.program.size();
    }
}

TEST_F(PifFields, AMissingOrLockedPifIsLeftAlone)
{
    std::string missing = JoinPath(ScratchDir("handoff-pif-missing"), "Patch.pif");
    EXPECT_EQ(0, PatchPifFile(missing.c_str(), "C:\\APP", "C:\\COMMAND.COM", "/c C:\\APP\\PATCH.BAT"));
    EXPECT_FALSE(FileExists(missing));

    // Held open by someone who lets others read it only.
    HANDLE holder = CreateFileA(pif_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    EXPECT_EQ(0, PatchPifFile(pif_.c_str(), "C:\\APP", "C:\\COMMAND.COM", "/c C:\\APP\\PATCH.BAT"));
    CloseHandle(holder);
    EXPECT_EQ(std::string(original_.begin(), original_.end()), ReadText(pif_));
}

TEST_F(PifFields, TheShippedPifKeepsEveryCutValueTerminatedInsideItsField)
{
    Bytes shipped;
    ASSERT_TRUE(ReadFileBytes(BuildPath("PATCH.PIF"), &shipped));
    ASSERT_TRUE(WriteFileBytes(pif_, shipped));
    std::string value(80, 'V');
    EXPECT_EQ(1, PatchPifFile(pif_.c_str(), value.c_str(), value.c_str(), value.c_str()));
    std::string after = ReadText(pif_);
    // The text a reader sees in each field: up to its first zero byte.
    EXPECT_EQ(value.substr(0, 57), std::string(after.c_str() + 0x24));
    EXPECT_EQ(value.substr(0, 47), std::string(after.c_str() + 0x65));
    EXPECT_EQ(value.substr(0, 63), std::string(after.c_str() + 0xA5));
    EXPECT_EQ(value.substr(0, 63), std::string(after.c_str() + 0x1C5));
}

TEST(LaunchLine, QuotesDoNotCountAgainstTheLongestLine)
{
    // Guards docs/behaviour.md, "The quoted launch path".
    struct Case {
        const char *directory, *program, *arguments;
        int capacity, longest;
        const char *line;  // nullptr: refused
    };
    const Case cases[] = {
        {"C:\\ab", "X.EXE", "", 100, 12, "C:\\ab\\X.EXE "},
        {"C:\\ab", "X.EXE", "", 100, 11, nullptr},
        // With a blank, 13 characters and two quotes.
        {"C:\\a b", "X.EXE", "", 100, 13, "\"C:\\a b\\X.EXE\" "},
        {"C:\\a b", "X.EXE", "", 100, 12, nullptr},
        {"C:\\a b", "X.EXE", "", 16, 13, "\"C:\\a b\\X.EXE\" "},
        {"C:\\a b", "X.EXE", "", 15, 13, nullptr},  // no room left for the terminator
        // Arguments count, and a blank in them quotes nothing.
        {"C:\\ab", "X.EXE", "1 2", 100, 15, "C:\\ab\\X.EXE 1 2"},
        {"C:\\ab", "X.EXE", "1 2", 100, 14, nullptr},
        {nullptr, "C:\\a b\\X.EXE", "", 100, 13, "\"C:\\a b\\X.EXE\" "},
    };
    for (const Case &c : cases) {
        char line[101];
        memset(line, 'z', sizeof(line));
        int fitted = BuildLaunchCommandLine(line, c.capacity, c.longest, c.directory, c.program, c.arguments);
        EXPECT_EQ(c.line != nullptr, fitted != 0) << c.program << " " << c.capacity << " " << c.longest;
        EXPECT_EQ(c.line ? c.line : "", std::string(line)) << c.program << " " << c.capacity << " " << c.longest;
        EXPECT_EQ('z', line[c.capacity]) << "nothing is written past the buffer";
    }
}

// --- what MS-DOS mode can be given ---------------------------------------------

TEST_F(Handoff, FoldersAndShellsMsDosModeCannotReachAreRefusedWithTheirMessage)
{
    // Guards docs/behaviour.md, "Folders MS-DOS mode can reach".
    char windowsDir[MAX_PATH] = "";
    GetWindowsDirectoryA(windowsDir, MAX_PATH);
    RemoveTree("C:\\ZHFIT");
    std::string longNames = ScratchDir("handoff-fit") + "\\Kelvane Palomid Folder\\Product With Long Names";
    MakeDir(longNames);
    // A Windows folder whose COMMAND.COM path has 58 characters (no file
    // there, so its long form stands).
    std::string deepWindows = ShortNamedFolderOfLength("C:\\ZHFIT\\WIN", 46);
    const struct {
        std::string windowsDir, productDir;
        std::string refusal;  // "" when the hand-off fits
    } cases[] = {
        {windowsDir, ShortNamedFolderOfLength("C:\\ZHFIT\\AA", 47), ""},
        {windowsDir, longNames, ""},  // by its short form
        {windowsDir, ShortNamedFolderOfLength("C:\\ZHFIT\\B", 48), "folder"},
        {windowsDir, FolderWithoutShortForm(ScratchDir("handoff-fit-blanks")), "folder"},
        {windowsDir, "C:\\ZHFIT\\not here", "folder"},
        {ShortNamedFolderOfLength("C:\\ZHFIT\\W", 45), "C:\\ZHFIT\\AA", ""},
        {deepWindows, "C:\\ZHFIT\\AA", "shell"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.windowsDir + " " + c.productDir);
        MessageBoxRecorder recorder;
        EXPECT_EQ(c.refusal.empty() ? 1 : 0, CheckHandoffFits(c.windowsDir.c_str(), c.productDir.c_str()));
        if (c.refusal.empty()) {
            EXPECT_TRUE(recorder.boxes().empty());
            continue;
        }
        ASSERT_EQ(1u, recorder.boxes().size());
        EXPECT_EQ("Update Cancelled", recorder.boxes()[0].caption);
        EXPECT_EQ((UINT)MB_ICONINFORMATION, recorder.boxes()[0].style);
        EXPECT_EQ(c.refusal == "shell" ? ShellTooDeepText(JoinPath(deepWindows, "COMMAND.COM"))
                                       : FolderTooDeepText(c.productDir),
                  recorder.boxes()[0].text);
    }

    // The folder that fits by its short form is given to the PIF in that form.
    Bytes shipped;
    ASSERT_TRUE(ReadFileBytes(BuildPath("PATCH.PIF"), &shipped));
    std::string pif = JoinPath(longNames, "Patch.pif");
    ASSERT_TRUE(WriteFileBytes(pif, shipped));
    EXPECT_EQ(1, PatchPifFile(pif.c_str(), longNames.c_str(), "C:\\COMMAND.COM", "/c C:\\APP\\PATCH.BAT"));
    EXPECT_EQ(ShortForm(longNames), std::string(ReadText(pif).c_str() + 0x65));
    RemoveTree("C:\\ZHFIT");
}

// --- the launch ----------------------------------------------------------------

class Launch : public Handoff {
protected:
    void SetUp() override
    {
        Handoff::SetUp();
        root_ = ScratchDir(std::string("handoff-launch-") +
                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        dir_ = Sleeper(JoinPath(root_, "bin"), "SLEEPER.EXE");
        UseMark("mark");
    }
    void TearDown() override { SetEnvironmentVariableA("ZARIZED_SLEEPER_MARK", nullptr); }

    // Puts a copy of SLEEPER.EXE in dir under name; returns dir.
    static std::string Sleeper(const std::string &dir, const std::string &name)
    {
        MakeDir(dir);
        EXPECT_TRUE(CopyFileA(BuildPath("SLEEPER.EXE").c_str(), JoinPath(dir, name).c_str(), FALSE));
        return dir;
    }

    // The file the next started sleeper writes its own path into.
    void UseMark(const std::string &name)
    {
        mark_ = JoinPath(root_, name + ".txt");
        SetEnvironmentVariableA("ZARIZED_SLEEPER_MARK", mark_.c_str());
    }

    // A 248-character folder below base holding SLEEP.EXE and SLEEPR.EXE:
    // starts SLEEP.EXE there, the longest line a launch takes (248 + 9 + 2 =
    // 259), and returns the folder, where SLEEPR.EXE is one character too many.
    std::string StartTheLongestLine(const std::string &base)
    {
        std::string deep = Sleeper(ShortNamedFolderOfLength(base, 248), "SLEEP.EXE");
        Sleeper(deep, "SLEEPR.EXE");
        MessageBoxRecorder recorder;
        EXPECT_EQ(1, LaunchProgram("SLEEP.EXE", deep.c_str(), "", 1));
        EXPECT_EQ(JoinPath(deep, "SLEEP.EXE"), ReadText(mark_));
        EXPECT_TRUE(recorder.boxes().empty());
        return deep;
    }

    bool WaitForMark(DWORD timeoutMs)
    {
        for (DWORD waited = 0; waited < timeoutMs && !FileExists(mark_); waited += 100)
            Sleep(100);
        return FileExists(mark_);
    }

    std::string root_, dir_, mark_;
};

TEST_F(Launch, StartsAProgramAndWaitsForIt)
{
    MessageBoxRecorder recorder;
    EXPECT_EQ(1, LaunchProgram("SLEEPER.EXE", dir_.c_str(), "300", 1));
    EXPECT_EQ(JoinPath(dir_, "SLEEPER.EXE"), ReadText(mark_)) << "the wait ends when the program has ended";
    // With no folder, the name is the whole path.
    std::string program = JoinPath(dir_, "SLEEPER.EXE");
    UseMark("whole-path");
    EXPECT_EQ(1, LaunchProgram(program.c_str(), nullptr, "0", 1));
    EXPECT_EQ(program, ReadText(mark_));
    EXPECT_TRUE(recorder.boxes().empty());
}

TEST_F(Launch, WithoutTheWaitFlagReturnsAtOnce)
{
    MessageBoxRecorder recorder;
    DWORD start = GetTickCount();
    EXPECT_EQ(1, LaunchProgram("SLEEPER.EXE", dir_.c_str(), "3000", 0));
    EXPECT_LT(GetTickCount() - start, 2500u);
    EXPECT_FALSE(FileExists(mark_));
    EXPECT_TRUE(WaitForMark(20000)) << "the program was started";
    EXPECT_TRUE(recorder.boxes().empty());
}

TEST_F(Launch, AWaitThatTimesOutStillCountsAsStarted)
{
    MessageBoxRecorder recorder;
    DWORD start = GetTickCount();
    EXPECT_EQ(1, LaunchProgram("SLEEPER.EXE", dir_.c_str(), "17000", 1));
    DWORD waited = GetTickCount() - start;
    EXPECT_GE(waited, 14500u);
    EXPECT_LT(waited, 16900u);
    EXPECT_FALSE(FileExists(mark_)) << "the program runs on after the wait";
    EXPECT_TRUE(recorder.boxes().empty());
    EXPECT_TRUE(WaitForMark(10000));
}

TEST_F(Launch, RefusalsAndFailedStartsShowMessage2006AndStartNothing)
{
    // 248 + 9 + 2 = 259 starts; 248 + 10 + 2 = 260 fails before anything
    // starts, though that program is there and its path is valid.
    std::string deep = StartTheLongestLine(root_ + "\\deep");
    UseMark("refused");
    std::string dir250 = "C:\\" + std::string(247, 'D');
    std::string longArguments = "0 " + std::string(300, 'x');
    const struct {
        const char *program;
        std::string dir, arguments;
    } cases[] = {
        {"SLEEPR.EXE", deep, ""},
        {"ABCD.EXE", dir250, ""},                   // 250 + 8 + 2
        {"SLEEPER.EXE", dir_, longArguments},        // the line would pass 259 characters
        {"MISSING.EXE", dir_, ""},                   // cannot start
    };
    for (const auto &c : cases) {
        MessageBoxRecorder recorder;
        EXPECT_EQ(0, LaunchProgram(c.program, c.dir.c_str(), c.arguments.c_str(), 1)) << c.program;
        ASSERT_EQ(1u, recorder.boxes().size()) << c.program;
        EXPECT_EQ("Error", recorder.boxes()[0].caption);
        EXPECT_EQ("Can't run 'REGEDIT.EXE'.  Program terminating.  Please view 'READNOW.TXT' for instructions on "
                  "how to manually apply the maintenance release.",
                  recorder.boxes()[0].text);
        EXPECT_EQ((UINT)MB_OK, recorder.boxes()[0].style);
    }
    Sleep(300);
    EXPECT_FALSE(FileExists(mark_));
}

TEST_F(Launch, TheLongestLineStartsWithTheQuotesAroundItsPath)
{
    // Guards docs/behaviour.md, "The quoted launch path".
    // 248 + 9 + 2 = 259 characters, the longest line, with a blank in the
    // folder: its quotes make it 261, and it still starts.
    std::string deep = StartTheLongestLine(root_ + "\\with blank");
    // One character more is refused, as without the blank.
    UseMark("refused");
    {
        MessageBoxRecorder recorder;
        EXPECT_EQ(0, LaunchProgram("SLEEPR.EXE", deep.c_str(), "", 1));
        EXPECT_EQ(1u, recorder.boxes().size());
    }
    Sleep(300);
    EXPECT_FALSE(FileExists(mark_));
}

TEST_F(Launch, AFolderWithBlanksStartsTheProgramItNames)
{
    // Unquoted, "...\with blank\SLEEPER.EXE" would start "...\with.exe".
    std::string dir = Sleeper(JoinPath(root_, "with blank"), "SLEEPER.EXE");
    Sleeper(root_, "with.exe");
    MessageBoxRecorder recorder;
    EXPECT_EQ(1, LaunchProgram("SLEEPER.EXE", dir.c_str(), "0", 1));
    EXPECT_EQ(JoinPath(dir, "SLEEPER.EXE"), ReadText(mark_));
    EXPECT_TRUE(recorder.boxes().empty());
}

}  // namespace
