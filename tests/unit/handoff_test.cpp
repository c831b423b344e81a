// The hand-off in-process: PATCH.BAT, the shell command, the four PIF fields
// and the launch of a real small program.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "driver/driver.h"
#include "files.h"
#include "handoff/handoff.h"
#include "handoff/handoff_text.h"
#include "installation.h"
#include "message_boxes.h"
#include "resource.h"

namespace {

std::string ShortForm(const std::string &path)
{
    char buffer[1024] = "";
    DWORD length = GetShortPathNameA(path.c_str(), buffer, sizeof(buffer));
    return length > 0 && length < sizeof(buffer) ? std::string(buffer) : std::string();
}

std::string LoadText(UINT id)
{
    char text[512] = "";
    LoadStringA(GetModuleHandleA(nullptr), id, text, sizeof(text));
    return text;
}

std::string ReadText(const std::string &path)
{
    Bytes data;
    if (!ReadFileBytes(path, &data))
        return "<missing>";
    return std::string(data.begin(), data.end());
}

std::string ExpectedBatch(const std::string &s)
{
    return "@echo off\r\n" + s + "\\Patch.exe\r\n" + "del " + s + "\\Patch.exe\r\n" + "del " + s +
           "\\Patch.rtp\r\n" + "del " + s + "\\Patch.pif\r\n" + "\r\n";
}

// A folder path of exactly `length` characters under base, made of 8.3
// names (so its short form is itself), created on disk.
std::string FolderOfLength(const std::string &base, size_t length)
{
    std::string path = base;
    while (path.size() + 9 <= length)
        path += "\\ABCDEFGH";
    if (path.size() < length)
        path += "\\" + std::string(length - path.size() - 1, 'X');
    MakeDir(path);
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
    ASSERT_FALSE(s.empty());
    ASSERT_NE(dir, s) << "the scratch folder should have a distinct short form";

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
    EXPECT_EQ(std::string("@echo off\r\n"
                          "C:\\APP\\Patch.exe\r\n"
                          "del C:\\APP\\Patch.exe\r\n"
                          "del C:\\APP\\Patch.rtp\r\n"
                          "del C:\\APP\\Patch.pif\r\n"
                          "\r\n"),
              ReadText("C:\\APP\\PATCH.BAT"));
    EXPECT_EQ(97u, ReadText("C:\\APP\\PATCH.BAT").size());
    RemoveTree("C:\\APP");
}

TEST_F(Handoff, BatchInAMissingFolderFails)
{
    std::string dir = ScratchDir("handoff-batch") + "\\not here";
    EXPECT_EQ(0, WriteHandoffBatch(dir.c_str()));
    EXPECT_FALSE(FileExists(JoinPath(dir, "PATCH.BAT")));
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
    EXPECT_EQ(0, small[0]);
    for (size_t i = 97; i < sizeof(small); ++i)
        ASSERT_EQ(0x5A, small[i]) << i;
    EXPECT_EQ(97, BuildHandoffBatchText("C:\\APP", small, 98));
}

// --- the shell command ---------------------------------------------------------

TEST_F(Handoff, ShellCommandUsesTheShortFormsOfCommandComAndTheBatch)
{
    std::string root = ScratchDir("handoff-shell");
    std::string windowsDir = root + "\\Windows Folder Of Length";
    std::string productDir = root + "\\Kelvane Palomid Product";
    MakeDir(windowsDir);
    MakeDir(productDir);
    WriteFileText(JoinPath(windowsDir, "COMMAND.COM"), "shell");
    WriteFileText(JoinPath(productDir, "PATCH.BAT"), "batch");
    std::string shortShell = ShortForm(JoinPath(windowsDir, "COMMAND.COM"));
    std::string shortBatch = ShortForm(JoinPath(productDir, "PATCH.BAT"));
    ASSERT_NE(JoinPath(windowsDir, "COMMAND.COM"), shortShell);
    ASSERT_NE(JoinPath(productDir, "PATCH.BAT"), shortBatch);

    char program[PATH_CHARS];
    char parameters[PATH_CHARS];
    EXPECT_EQ(1, BuildShellCommand(windowsDir.c_str(), productDir.c_str(), program, parameters));
    EXPECT_EQ(shortShell, std::string(program));
    EXPECT_EQ("/c " + shortBatch, std::string(parameters));
}

TEST_F(Handoff, ShellCommandFallsBackToTheLongFormsWhenTheFilesAreMissing)
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
}

struct GuardedBuffers {
    char program[PATH_CHARS];
    char programGuard[64];
    char parameters[PATH_CHARS];
    char parametersGuard[64];
};

TEST_F(Handoff, ShellCommandCutsOverlongPathsToItsBuffers)
{
    // A 248-character folder: its batch path (258 characters) is its own
    // short form, and "/c " before it no longer fits 259 characters; the
    // shell path (260 characters) does not fit at all.
    // Under a root of 8.3 names, so that the path is its own short form.
    RemoveTree("C:\\ZHSHELL");
    std::string dir = FolderOfLength("C:\\ZHSHELL", 248);
    WriteFileText(JoinPath(dir, "PATCH.BAT"), "batch");
    ASSERT_EQ(JoinPath(dir, "PATCH.BAT"), ShortForm(JoinPath(dir, "PATCH.BAT")));

    GuardedBuffers b;
    memset(&b, 0x5A, sizeof(b));
    EXPECT_EQ(1, BuildShellCommand(dir.c_str(), dir.c_str(), b.program, b.parameters));
    EXPECT_EQ((dir + "\\COMMAND.COM").substr(0, 259), std::string(b.program));
    EXPECT_EQ(("/c " + dir + "\\PATCH.BAT").substr(0, 259), std::string(b.parameters));
    for (size_t i = 0; i < sizeof(b.programGuard); ++i) {
        ASSERT_EQ(0x5A, b.programGuard[i]) << i;
        ASSERT_EQ(0x5A, b.parametersGuard[i]) << i;
    }
    RemoveTree("C:\\ZHSHELL");
}

TEST_F(Handoff, ShellCommandTakesTheLongFormWhenTheShortFormIsLongerThanTheBuffer)
{
    // Names with blanks get mangled short names longer than themselves, so a
    // long path of them has a short form of more than 259 characters.
    std::string dir = ScratchDir("handoff-shell");
    while (dir.size() + 4 <= 230)
        dir += "\\a b";
    MakeDir(dir);
    WriteFileText(JoinPath(dir, "PATCH.BAT"), "batch");
    char probe[PATH_CHARS];
    DWORD probed = GetShortPathNameA(JoinPath(dir, "PATCH.BAT").c_str(), probe, PATH_CHARS);
    ASSERT_TRUE(probed == 0 || probed >= PATH_CHARS) << probed;

    GuardedBuffers b;
    memset(&b, 0x5A, sizeof(b));
    EXPECT_EQ(1, BuildShellCommand("C:\\windows", dir.c_str(), b.program, b.parameters));
    EXPECT_EQ(("/c " + dir + "\\PATCH.BAT").substr(0, 259), std::string(b.parameters));
    for (size_t i = 0; i < sizeof(b.parametersGuard); ++i)
        ASSERT_EQ(0x5A, b.parametersGuard[i]) << i;
}

// --- the PIF fields ------------------------------------------------------------

struct FieldWrite {
    size_t offset;
    size_t count;
    std::string value;
};

// The file as it must be after the four writes: each write's bytes are the
// value followed by zeros, or its first `count` bytes; all else as it was.
Bytes Patched(Bytes file, const FieldWrite (&writes)[4])
{
    for (const FieldWrite &w : writes)
        for (size_t i = 0; i < w.count; ++i)
            file[w.offset + i] = i < w.value.size() ? (unsigned char)w.value[i] : 0;
    return file;
}

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

    Bytes Run(const std::string &program, const std::string &dir, const std::string &parameters, int expected = 1)
    {
        EXPECT_EQ(expected, PatchPifFile(pif_.c_str(), dir.c_str(), program.c_str(), parameters.c_str()));
        Bytes after;
        ReadFileBytes(pif_, &after);
        return after;
    }

    std::string pif_;
    Bytes original_;
};

TEST_F(PifFields, ShortValuesArePaddedWithZerosUpToEachCount)
{
    std::string program = "C:\\WINDOWS\\COMMAND.COM";
    std::string dir = "C:\\APP";
    std::string parameters = "/c C:\\APP\\PATCH.BAT";
    Bytes after = Run(program, dir, parameters);
    FieldWrite writes[4] = {{0x24, 57, program}, {0x65, 47, dir}, {0xA5, 63, parameters}, {0x1C5, 63, parameters}};
    EXPECT_EQ(Patched(original_, writes), after);
    // The padding stops at each count: the next byte is the file's own.
    EXPECT_EQ(0, after[0x24 + 56]);
    EXPECT_EQ(original_[0x24 + 57], after[0x24 + 57]);
    EXPECT_EQ(0, after[0x65 + 46]);
    EXPECT_EQ(original_[0x65 + 47], after[0x65 + 47]);
    EXPECT_EQ(original_[0x1C5 + 63], after[0x1C5 + 63]);
}

TEST_F(PifFields, ValuesOfExactlyEachCountGetNoTerminator)
{
    std::string program(57, 'P');
    std::string dir(47, 'D');
    std::string parameters(63, 'A');
    Bytes after = Run(program, dir, parameters);
    FieldWrite writes[4] = {{0x24, 57, program}, {0x65, 47, dir}, {0xA5, 63, parameters}, {0x1C5, 63, parameters}};
    EXPECT_EQ(Patched(original_, writes), after);
    EXPECT_EQ(std::string(after.begin() + 0x65, after.begin() + 0x65 + 48), dir + (char)original_[0x65 + 47]);
}

TEST_F(PifFields, LongerValuesAreCutToEachCount)
{
    std::string program = "C:\\" + std::string(100, 'P');
    std::string dir = "C:\\" + std::string(60, 'D');
    std::string parameters = "/c " + std::string(200, 'A');
    Bytes after = Run(program, dir, parameters);
    FieldWrite writes[4] = {{0x24, 57, program.substr(0, 57)},
                            {0x65, 47, dir.substr(0, 47)},
                            {0xA5, 63, parameters.substr(0, 63)},
                            {0x1C5, 63, parameters.substr(0, 63)}};
    EXPECT_EQ(Patched(original_, writes), after);
    EXPECT_EQ(original_.size(), after.size());
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
    Bytes after;
    ReadFileBytes(pif_, &after);
    EXPECT_EQ(original_, after);
}

// Reads the zero-terminated text of a field; "<unterminated>" when the
// field holds no zero byte.
std::string FieldText(const Bytes &file, size_t offset, size_t width)
{
    for (size_t i = 0; i < width; ++i)
        if (file[offset + i] == 0)
            return std::string(file.begin() + offset, file.begin() + offset + i);
    return "<unterminated>";
}

TEST_F(PifFields, TheShippedPifKeepsEveryCutValueTerminatedInsideItsField)
{
    Bytes shipped;
    ASSERT_TRUE(ReadFileBytes(BuildPath("PATCH.PIF"), &shipped));
    ASSERT_EQ(967u, shipped.size());
    ASSERT_TRUE(WriteFileBytes(pif_, shipped));
    std::string program(80, 'P');
    std::string dir(80, 'D');
    std::string parameters(80, 'A');
    EXPECT_EQ(1, PatchPifFile(pif_.c_str(), dir.c_str(), program.c_str(), parameters.c_str()));
    Bytes after;
    ASSERT_TRUE(ReadFileBytes(pif_, &after));
    EXPECT_EQ(program.substr(0, 57), FieldText(after, 0x24, 63));
    EXPECT_EQ(dir.substr(0, 47), FieldText(after, 0x65, 64));
    EXPECT_EQ(parameters.substr(0, 63), FieldText(after, 0xA5, 64));
    EXPECT_EQ(parameters.substr(0, 63), FieldText(after, 0x1C5, 64));
}

// --- the launch ----------------------------------------------------------------

class Launch : public Handoff {
protected:
    void SetUp() override
    {
        Handoff::SetUp();
        root_ = ScratchDir(std::string("handoff-launch-") +
                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        dir_ = JoinPath(root_, "bin");
        MakeDir(dir_);
        ASSERT_TRUE(CopyFileA(BuildPath("SLEEPER.EXE").c_str(), JoinPath(dir_, "SLEEPER.EXE").c_str(), FALSE))
            << GetLastError() << " " << BuildPath("SLEEPER.EXE") << " " << dir_ << " " << GetFileAttributesA(dir_.c_str());
        UseMark("mark");
    }
    void TearDown() override { SetEnvironmentVariableA("ZARIZED_SLEEPER_MARK", nullptr); }

    // The file the next started sleeper writes its own path into.
    void UseMark(const std::string &name)
    {
        mark_ = JoinPath(root_, name + ".txt");
        SetEnvironmentVariableA("ZARIZED_SLEEPER_MARK", mark_.c_str());
    }

    bool WaitForMark(DWORD timeoutMs)
    {
        for (DWORD waited = 0; waited < timeoutMs; waited += 100) {
            if (FileExists(mark_))
                return true;
            Sleep(100);
        }
        return FileExists(mark_);
    }

    static void ExpectOnlyMessage2006(const MessageBoxRecorder &recorder)
    {
        ASSERT_EQ(1u, recorder.boxes().size());
        EXPECT_EQ(LoadText(IDS_ERROR), recorder.boxes()[0].caption);
        EXPECT_EQ(LoadText(IDS_CANT_RUN), recorder.boxes()[0].text);
        EXPECT_EQ((UINT)MB_OK, recorder.boxes()[0].style);
    }

    std::string root_;
    std::string dir_;
    std::string mark_;
};

TEST_F(Launch, StartsAProgramAndWaitsForIt)
{
    MessageBoxRecorder recorder;
    EXPECT_EQ(1, LaunchProgram("SLEEPER.EXE", dir_.c_str(), "300", 1));
    EXPECT_EQ(JoinPath(dir_, "SLEEPER.EXE"), ReadText(mark_)) << "the wait ends when the program has ended";
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

TEST_F(Launch, TheFolderAndNameMustStayBelow260Characters)
{
    // 248 + 9 + 2 = 259 starts; 248 + 10 + 2 = 260 fails before anything
    // starts, though the program is there and its path is valid.
    std::string dir = FolderOfLength(root_ + "\\deep", 248);
    ASSERT_TRUE(CopyFileA(BuildPath("SLEEPER.EXE").c_str(), JoinPath(dir, "SLEEP.EXE").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(BuildPath("SLEEPER.EXE").c_str(), JoinPath(dir, "SLEEPR.EXE").c_str(), FALSE));
    {
        MessageBoxRecorder recorder;
        EXPECT_EQ(1, LaunchProgram("SLEEP.EXE", dir.c_str(), "", 1));
        EXPECT_EQ(JoinPath(dir, "SLEEP.EXE"), ReadText(mark_));
        EXPECT_TRUE(recorder.boxes().empty());
    }
    UseMark("mark-260");
    {
        MessageBoxRecorder recorder;
        EXPECT_EQ(0, LaunchProgram("SLEEPR.EXE", dir.c_str(), "", 1));
        ExpectOnlyMessage2006(recorder);
    }
    {
        MessageBoxRecorder recorder;
        std::string dir250 = "C:\\" + std::string(247, 'D');
        EXPECT_EQ(0, LaunchProgram("ABCD.EXE", dir250.c_str(), "", 1));
        ExpectOnlyMessage2006(recorder);
    }
    Sleep(300);
    EXPECT_FALSE(FileExists(mark_));
}

TEST_F(Launch, ArgumentsThatOverflowTheCommandLineFailWithoutStarting)
{
    MessageBoxRecorder recorder;
    std::string arguments = "0 " + std::string(300, 'x');
    EXPECT_EQ(0, LaunchProgram("SLEEPER.EXE", dir_.c_str(), arguments.c_str(), 1));
    ExpectOnlyMessage2006(recorder);
    Sleep(300);
    EXPECT_FALSE(FileExists(mark_));
}

TEST_F(Launch, AProgramThatCannotStartShowsMessage2006)
{
    MessageBoxRecorder recorder;
    EXPECT_EQ(0, LaunchProgram("MISSING.EXE", dir_.c_str(), "", 0));
    ExpectOnlyMessage2006(recorder);
}

TEST_F(Launch, AFolderWithBlanksStartsTheProgramItNames)
{
    // Unquoted, "...\with blank\SLEEPER.EXE" would start "...\with.exe".
    std::string dir = JoinPath(root_, "with blank");
    MakeDir(dir);
    ASSERT_TRUE(CopyFileA(BuildPath("SLEEPER.EXE").c_str(), JoinPath(dir, "SLEEPER.EXE").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(BuildPath("SLEEPER.EXE").c_str(), JoinPath(root_, "with.exe").c_str(), FALSE));
    MessageBoxRecorder recorder;
    EXPECT_EQ(1, LaunchProgram("SLEEPER.EXE", dir.c_str(), "0", 1));
    EXPECT_EQ(JoinPath(dir, "SLEEPER.EXE"), ReadText(mark_));
    EXPECT_TRUE(recorder.boxes().empty());
}

TEST_F(Launch, WithoutAFolderTheNameIsTheWholePath)
{
    MessageBoxRecorder recorder;
    std::string program = JoinPath(dir_, "SLEEPER.EXE");
    EXPECT_EQ(1, LaunchProgram(program.c_str(), nullptr, "0", 1));
    EXPECT_EQ(program, ReadText(mark_));
    EXPECT_TRUE(recorder.boxes().empty());
}

}  // namespace
