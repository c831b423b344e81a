// The real program: the "/b" splitter mode byte for byte with its refusals,
// and a normal run's staging step with its disk prompts.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "files.h"
#include "installation.h"
#include "program_runner.h"
#include "registry.h"
#include "registry_compare.h"
#include "expected_messages.h"

namespace {

const DWORD kFailed = 0xFFFFFFFF;

class SplitterRun : public ::testing::Test {
protected:
    std::string dir_ = ScratchDir("staging-run\\split");

    // Writes PATCH.RTP of fileSize bytes and splits it with the command text.
    RunResult Split(size_t fileSize, const std::string &command)
    {
        WriteFileBytes(JoinPath(dir_, "PATCH.RTP"), PatternBytes(fileSize, 5));
        return RunProgramFrom(dir_, command);
    }

    // A split and the pieces it must write: piece files of pieceBytes each
    // (piece 0's count included), the count in piece 0, and the file's bytes
    // in order; no message, and no other piece file.
    struct Row {
        size_t fileSize;
        const char *sizes;
        unsigned count;
        std::vector<size_t> pieceBytes;
    };

    void ExpectSplit(const Row &row)
    {
        ScratchDir("staging-run\\split");
        RunResult run = Split(row.fileSize, std::string("/bPATCH.RTP") + row.sizes);
        EXPECT_EQ(1u, run.exitCode) << row.sizes;
        EXPECT_TRUE(run.boxes.empty()) << row.sizes << "\n" << Describe(run);
        EXPECT_FALSE(run.progressShown);
        std::vector<std::string> expectedNames;
        for (size_t i = 0; i < row.pieceBytes.size(); ++i)
            expectedNames.push_back("PATCH." + std::to_string(i));
        std::sort(expectedNames.begin(), expectedNames.end());
        ASSERT_EQ(expectedNames, Pieces()) << row.sizes;
        const Bytes file = PatternBytes(row.fileSize, 5);
        size_t offset = 0;
        for (size_t i = 0; i < row.pieceBytes.size(); ++i) {
            Bytes piece;
            ASSERT_TRUE(ReadFileBytes(JoinPath(dir_, "PATCH." + std::to_string(i)), &piece));
            size_t dataBytes = row.pieceBytes[i] - (i == 0 ? 4 : 0);
            Bytes expected = i == 0 ? FirstPiece(row.count, Slice(file, 0, dataBytes)) : Slice(file, offset, dataBytes);
            EXPECT_EQ(expected, piece) << row.sizes << " piece " << i;
            offset += dataBytes;
        }
        EXPECT_EQ(row.pieceBytes.empty() ? 0 : row.fileSize, offset) << row.sizes;
    }

    std::vector<std::string> Pieces()
    {
        std::vector<std::string> names;
        for (const std::string &name : ListDir(dir_))
            if (name != "PATCH.RTP" && name != "ZARIZED.EXE")
                names.push_back(name);
        return names;
    }
};

TEST_F(SplitterRun, WorkedResultsByteForByte)
{
    const Row rows[] = {
        {250, ",100", 3, {100, 100, 54}},
        {250, ",60,100", 3, {60, 100, 94}},
        {100, ",104", 1, {104}},
        {300, ",100,50", 6, {100, 50, 50, 50, 50, 4}},
        {500, ",300,300,300", 2, {300, 204, 0}},
        {100, "", 0, {}},
    };
    for (const Row &row : rows)
        ExpectSplit(row);
}

TEST_F(SplitterRun, SizesFarBeyondTheDataStillSplitIt)
{
    // Guards docs/behaviour.md, "Blocks sized to the data".
    // A size up to 2 GB for a small file: each piece takes only the data
    // there is, so even a 32-bit process, which cannot hold 2 GB, writes
    // every piece; a piece planned past the end is created empty.
    const Row rows[] = {
        {100, ",2000000000", 1, {104}},
        {250, ",100,1900000000", 2, {100, 154}},
        {250, ",100,2147483647,2147483647", 2, {100, 154, 0}},
    };
    for (const Row &row : rows)
        ExpectSplit(row);
}

TEST_F(SplitterRun, UnsafeTablesAreRefusedBeforeAnyPiece)
{
    // Guards docs/behaviour.md, "Refusals instead of cuts".
    struct Case {
        size_t fileSize;
        const char *command;
        const char *text;
    };
    const Case cases[] = {
        {100, "/bPATCH.RTP,3,100", "The first piece must be at least 4 bytes long, to hold the piece count.  No piece was written."},
        {100, "/bPATCH.RTP,100,-5", "A piece size cannot be negative.  No piece was written."},
        {100, "/bPATCH.RTP,-100", "A piece size cannot be negative.  No piece was written."},
        {1000, "/bPATCH.RTP,10", "These piece sizes cannot hold the whole file in 50 pieces.  No piece was written."},
        {100, "/bABSENT.RTP,100", "Could not find source file"},
    };
    for (const Case &c : cases) {
        ScratchDir("staging-run\\split");
        RunResult run = Split(c.fileSize, c.command);
        EXPECT_EQ(1u, run.exitCode) << c.command;
        ASSERT_EQ(1u, run.boxes.size()) << Describe(run);
        EXPECT_EQ("Error", run.boxes[0].caption);
        EXPECT_EQ(c.text, run.boxes[0].text);
        EXPECT_EQ((UINT)MB_OK, run.boxes[0].style);
        EXPECT_TRUE(Pieces().empty()) << c.command;
    }
}

TEST_F(SplitterRun, InputOfFourGigabytesOrMoreIsRefused)
{
    // Guards docs/behaviour.md, "4 GB and more".
    // Sparse: 4 GB and 16 bytes, which a 32-bit size would take for 16.
    HANDLE file = CreateFileA(JoinPath(dir_, "PATCH.RTP").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    LARGE_INTEGER end;
    end.QuadPart = 0x100000010LL;
    SetFilePointerEx(file, end, nullptr, FILE_BEGIN);
    SetEndOfFile(file);
    CloseHandle(file);
    RunResult run = RunProgramFrom(dir_, "/bPATCH.RTP,2000000000");
    EXPECT_EQ(1u, run.exitCode);
    ASSERT_EQ(1u, run.boxes.size()) << Describe(run);
    EXPECT_EQ("Error", run.boxes[0].caption);
    EXPECT_EQ("The source file is too large to split.  No piece was written.", run.boxes[0].text);
    EXPECT_TRUE(Pieces().empty());
    DeleteFileA(JoinPath(dir_, "PATCH.RTP").c_str());
}

TEST_F(SplitterRun, PathsAreCutAtTheirLastDot)
{
    // An absolute path through a dotted folder, run from elsewhere.
    std::string set = ScratchDir("staging-run\\SET.B");
    const Bytes file = PatternBytes(150, 8);
    WriteFileBytes(JoinPath(set, "PATCH.RTP"), file);
    RunResult run = RunProgramFrom(dir_, "/b" + JoinPath(set, "PATCH.RTP") + ",100");
    EXPECT_EQ(1u, run.exitCode);
    EXPECT_TRUE(run.boxes.empty()) << Describe(run);
    EXPECT_EQ(std::vector<std::string>({"PATCH.0", "PATCH.1", "PATCH.RTP"}), ListDir(set));
    Bytes piece;
    ASSERT_TRUE(ReadFileBytes(JoinPath(set, "PATCH.1"), &piece));
    EXPECT_EQ(Slice(file, 96, 54), piece);

    // No "." anywhere: nothing written, nothing said.
    WriteFileBytes(JoinPath(dir_, "PATCHRTP"), file);
    run = RunProgramFrom(dir_, "/bPATCHRTP,100");
    EXPECT_EQ(1u, run.exitCode);
    EXPECT_TRUE(run.boxes.empty()) << Describe(run);
    EXPECT_EQ(std::vector<std::string>({"PATCHRTP", "ZARIZED.EXE"}), ListDir(dir_));
}

TEST_F(SplitterRun, CommandTextEdgeCases)
{
    // Guards docs/behaviour.md, "Refusals instead of cuts".
    struct Case {
        size_t fileSize;
        std::string command;
        std::vector<size_t> pieceBytes;
        const char *box;  // the one message expected, if any
    };
    std::string fiftyOne = "/bPATCH.RTP";
    for (int k = 0; k < 51; ++k)
        fiftyOne += ",4";
    const Case cases[] = {
        // The empty field is skipped: sizes 100 and 200, the second never cut.
        {250, "/bPATCH.RTP,100,,200", {100, 154}, nullptr},
        // "abc" uses up entry 0 as 0: no first size, nothing written.
        {250, "/bPATCH.RTP,abc,200", {}, nullptr},
        // The blank belongs to the file name, and there is no such file.
        {250, "/b PATCH.RTP,100", {}, "Could not find source file"},
        // The leading comma is skipped: "100" is the file name, without a ".".
        {250, "/b,100", {}, nullptr},
        // Only 50 of 51 sizes are read: 50 pieces of 4 hold 196 bytes.
        {196, fiftyOne, std::vector<size_t>(50, 4), nullptr},
    };
    for (const Case &c : cases) {
        ScratchDir("staging-run\\split");
        RunResult run = Split(c.fileSize, c.command);
        EXPECT_EQ(1u, run.exitCode) << c.command;
        ASSERT_EQ(c.box ? 1u : 0u, run.boxes.size()) << c.command << "\n" << Describe(run);
        if (c.box) {
            EXPECT_EQ(c.box, run.boxes[0].text);
        }
        ASSERT_EQ(c.pieceBytes.size(), Pieces().size()) << c.command;
        for (size_t i = 0; i < c.pieceBytes.size(); ++i) {
            Bytes piece;
            ASSERT_TRUE(ReadFileBytes(JoinPath(dir_, "PATCH." + std::to_string(i)), &piece));
            EXPECT_EQ(c.pieceBytes[i], piece.size()) << c.command << " piece " << i;
        }
    }
}

class StagingRun : public ::testing::Test {
protected:
    ProductRegistryScope registry_;
    std::string media_ = ScratchDir("staging-run\\media");
    std::string product_ = ScratchDir("staging-run\\product");
    const Bytes engine_ = PatternBytes(5000, 1);
    const Bytes pif_ = PatternBytes(967, 2);
    const Bytes data_ = PatternBytes(20000, 3);

    void SetUp() override
    {
        InstallProduct(product_, "release_95_0_a");
        MakeMedia(media_, "95.0.a", engine_, pif_, data_);
    }

    // Spreads the data over three disks: piece 0 here, pieces 1 and 2 kept
    // aside for the test to put in place.
    void SpreadOverThreeDisks()
    {
        WriteFileBytes(JoinPath(media_, "PATCH.0"), FirstPiece(3, Slice(data_, 0, 8000)));
        WriteFileBytes(JoinPath(media_, "PATCH.1"), Slice(data_, 8000, 7000));
    }
    void InsertDiskThree() { WriteFileBytes(JoinPath(media_, "PATCH.2"), Slice(data_, 15000, 5000)); }

    Bytes Staged(const std::string &name)
    {
        Bytes bytes;
        EXPECT_TRUE(ReadFileBytes(JoinPath(product_, name), &bytes)) << name;
        return bytes;
    }

    static bool ShowsStagingFailure(const RunResult &run)
    {
        for (const RecordedBox &box : run.boxes)
            if (box.text == kCantCopy || box.caption == "ZARized")
                return true;
        return false;
    }
};

TEST_F(StagingRun, EngineIsStagedAsPatchExeInPlaceOfAnOlderOne)
{
    // Guards docs/behaviour.md, "This media's engine".
    RunResult run = RunProgramFrom(media_, "");
    ASSERT_FALSE(ShowsStagingFailure(run)) << Describe(run);
    EXPECT_EQ(engine_, Staged("Patch.exe"));
    EXPECT_FALSE(FileExists(JoinPath(product_, "Patch.dll")));
    EXPECT_EQ(pif_.size(), Staged("Patch.pif").size());
    EXPECT_EQ(data_, Staged("Patch.rtp"));

    // A Patch.exe already there (a stopped run's, another patch's) is
    // replaced: the batch must run this media's engine.
    ScratchDir("staging-run\\product");
    InstallProduct(product_, "release_95_0_a");
    WriteFileBytes(JoinPath(product_, "Patch.exe"), PatternBytes(300, 9));
    run = RunProgramFrom(media_, "");
    ASSERT_FALSE(ShowsStagingFailure(run)) << Describe(run);
    EXPECT_EQ(engine_, Staged("Patch.exe"));
    EXPECT_FALSE(FileExists(JoinPath(product_, "Patch.dll")));
    EXPECT_EQ(data_, Staged("Patch.rtp"));

    // One that cannot be replaced (a folder of that name) stops the run
    // before the PIF is staged, with the copy's message.
    ScratchDir("staging-run\\product");
    InstallProduct(product_, "release_95_0_a");
    MakeDir(JoinPath(product_, "Patch.exe"));
    run = RunProgramFrom(media_, "");
    EXPECT_EQ(kFailed, run.exitCode);
    ASSERT_EQ(1u, run.boxes.size()) << Describe(run);
    EXPECT_EQ(kCantCopy, run.boxes[0].text);
    EXPECT_EQ(engine_, Staged("Patch.dll"));
    EXPECT_FALSE(FileExists(JoinPath(product_, "Patch.pif")));
}

TEST_F(StagingRun, JoinAsksForTheNextDiskUntilItIsIn)
{
    SpreadOverThreeDisks();
    int prompts = 0;
    RunResult run = RunProgramFrom(media_, "", [&](const RecordedBox &box) {
        if (IsDiskPrompt(box, 3) && ++prompts == 2)
            InsertDiskThree();
        return IDOK;
    });
    ASSERT_GE(run.boxes.size(), 2u) << Describe(run);
    EXPECT_TRUE(IsDiskPrompt(run.boxes[0], 3)) << Describe(run);
    EXPECT_TRUE(IsDiskPrompt(run.boxes[1], 3)) << Describe(run);
    for (size_t i = 2; i < run.boxes.size(); ++i)
        EXPECT_NE(kCantCopy, run.boxes[i].text);
    EXPECT_EQ(data_, Staged("Patch.rtp"));
}

TEST_F(StagingRun, CancelAtADiskPromptEndsTheRun)
{
    SpreadOverThreeDisks();
    DeleteFileA(JoinPath(media_, "PATCH.1").c_str());
    RunResult run = RunProgramFrom(media_, "", [](const RecordedBox &box) {
        return box.caption == "ZARized" ? IDCANCEL : IDOK;
    });
    EXPECT_EQ(kFailed, run.exitCode);
    ASSERT_EQ(2u, run.boxes.size()) << Describe(run);
    EXPECT_TRUE(IsDiskPrompt(run.boxes[0], 2));
    EXPECT_EQ("Error", run.boxes[1].caption);
    EXPECT_EQ(kCantCopy, run.boxes[1].text);
    EXPECT_EQ((UINT)MB_OK, run.boxes[1].style);
    // The window stayed up beside the message; what was joined stays.
    EXPECT_TRUE(run.progressShown);
    EXPECT_EQ(engine_, Staged("Patch.exe"));
    EXPECT_EQ(pif_, Staged("Patch.pif"));
    EXPECT_EQ(Slice(data_, 0, 8000), Staged("Patch.rtp"));
    EXPECT_FALSE(FileExists(JoinPath(product_, "PATCH.BAT")));
}

TEST_F(StagingRun, SecondStartWhileARunWaitsForADiskChangesNothing)
{
    // Users double-click again while a program loads from a floppy: the
    // second run shows one box and ends, the first goes on.
    SpreadOverThreeDisks();
    RunResult second;
    bool productKept = false, registryKept = false;
    RunResult first = RunProgramFrom(media_, "", [&](const RecordedBox &box) {
        if (IsDiskPrompt(box, 3) && second.boxes.empty()) {
            const std::map<std::string, Bytes> product = ReadFolderFiles(product_);
            const RegSnapshot registry = SnapshotWatchedAreas();
            second = RunExecutable(JoinPath(media_, "ZARIZED.EXE"), "", AnswerOk, media_, 60000);
            productKept = ReadFolderFiles(product_) == product;
            registryKept = RegistryDifferences(registry, SnapshotWatchedAreas()).empty();
            InsertDiskThree();
        }
        return IDOK;
    });
    EXPECT_EQ(kFailed, second.exitCode);
    ASSERT_EQ(1u, second.boxes.size()) << Describe(second);
    EXPECT_EQ("Update Cancelled", second.boxes[0].caption);
    EXPECT_EQ(kAlreadyRunning, second.boxes[0].text);
    EXPECT_EQ((UINT)(MB_OK | MB_USERICON), second.boxes[0].style) << "an OK button and an icon";
    EXPECT_FALSE(second.progressShown);
    EXPECT_TRUE(productKept) << "the second run changed the product folder";
    EXPECT_TRUE(registryKept) << "the second run changed the registry";
    EXPECT_EQ(1u, first.exitCode) << Describe(first);
    EXPECT_EQ(data_, Staged("Patch.rtp"));
}

TEST_F(StagingRun, DriveNotReadyIsAskedForByTheProgramAlone)
{
    // The twin's drive fails the open of disk 2's piece twice as not ready,
    // as an empty floppy drive does: with Windows 95's critical-error box
    // turned off, the program's own prompt is the only box, and asked
    // again until the disk reads.
    SpreadOverThreeDisks();
    InsertDiskThree();
    const std::string log = JoinPath(ScratchDir("staging-run\\probe"), "probe.txt");
    CopyFileA(BuildPath("ZARPROBE.EXE").c_str(), JoinPath(media_, "ZARIZED.EXE").c_str(), FALSE);
    SetEnvironmentVariableA("ZARIZED_PROBE_LOG", log.c_str());
    SetEnvironmentVariableA("ZARIZED_PROBE_NOT_READY", "\\PATCH.1,2");
    RunResult run = RunExecutable(JoinPath(media_, "ZARIZED.EXE"), "", AnswerOk, media_, 60000);
    SetEnvironmentVariableA("ZARIZED_PROBE_NOT_READY", nullptr);
    SetEnvironmentVariableA("ZARIZED_PROBE_LOG", nullptr);

    ASSERT_EQ(3u, run.boxes.size()) << Describe(run);
    EXPECT_TRUE(IsDiskPrompt(run.boxes[0], 2));
    EXPECT_TRUE(IsDiskPrompt(run.boxes[1], 2));
    EXPECT_EQ(1u, run.exitCode) << "the join went on once the disk read";
    EXPECT_EQ(data_, Staged("Patch.rtp"));
    Bytes record;
    ASSERT_TRUE(ReadFileBytes(log, &record));
    const std::string lines(record.begin(), record.end());
    const std::string notReady = "zarized not ready " + JoinPath(media_, "Patch.1") + " error mode 0x8001\r\n";
    const size_t at = lines.find(notReady + notReady);
    EXPECT_NE(std::string::npos, at) << lines;
    EXPECT_EQ(std::string::npos, lines.find(" not ready ", at + 2 * notReady.size())) << lines;
}

TEST_F(StagingRun, SilentRunWithAPieceMissingEndsInItsLog)
{
    // Nobody answers a silent run: the prompt for disk 3 is taken as
    // cancelled, and the log says which disk was missing.
    SpreadOverThreeDisks();
    const std::string log = JoinPath(ScratchDir("staging-run\\logs"), "silent.log");
    RunResult run = RunProgramFrom(media_, "/s /l" + log);
    EXPECT_EQ(kFailed, run.exitCode);
    EXPECT_TRUE(run.boxes.empty()) << Describe(run);
    EXPECT_FALSE(run.progressShown);
    EXPECT_EQ("", MissingInOrder(log, {"joined piece 1 (disk 2): 7000 bytes",
                                       "message 2014 \"ZARized\": Please insert disk 3. [Cancel, as a silent run answers]",
                                       "message 2005 \"Error\": " + std::string(kCantCopy) + " [OK, as a silent run answers]",
                                       "exit code -1\r\n"}));
}

}  // namespace
