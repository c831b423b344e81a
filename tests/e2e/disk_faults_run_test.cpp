// The real program against faulty disks and media: a full drive, a folder it
// cannot write, damaged pieces and empty files. Every run must end in its
// exact message and exit code, never in success, and must leave the media,
// the product's own files and the registry as they were.
#include <gtest/gtest.h>

#include <string>

#include "files.h"
#include "installation.h"
#include "program_runner.h"
#include "registry_compare.h"
#include "expected_messages.h"

namespace {

const DWORD kFailed = 0xFFFFFFFF;
const unsigned kMiB = 1024 * 1024;

bool DriveMounted(const char *root)
{
    DWORD sectors, bytes, freeClusters, total;
    return GetDiskFreeSpaceA(root, &sectors, &bytes, &freeClusters, &total) != 0;
}

class DiskFaultRun : public ::testing::Test {
protected:
    ProductRegistryScope registry_;
    std::string media_ = ScratchDir("disk-faults\\media");

    void TearDown() override
    {
        for (const std::string &product : productsToRemove_)
            RemoveTree(product);
    }

    // Lays out media with the given files and installs release 95.0.a (which
    // writes nothing to the registry before staging) in productDir.
    void Prepare(const std::string &productDir, const Bytes &engine, const Bytes &pif, const Bytes &firstPiece,
                 const std::string &registered = "")
    {
        RemoveTree(productDir);
        productsToRemove_.push_back(productDir);
        MakeMedia(media_, "95.0.a", engine, pif, {});
        WriteFileBytes(JoinPath(media_, "PATCH.0"), firstPiece);
        InstallProduct(productDir, "release_95_0_a", registered);
        WriteFileText(JoinPath(productDir, "README.TXT"), "the user's own file");
        productFolder_ = productDir;
    }

    // Runs the patch and checks that it failed with message 2005 last, after
    // the given disk prompts, and that nothing it must not touch changed.
    RunResult RunExpectingCantCopy(const std::string &what, BoxAnswer answer = AnswerOk)
    {
        std::map<std::string, Bytes> mediaBefore = ReadFolderFiles(media_);
        std::map<std::string, Bytes> productBefore = ReadFolderFiles(productFolder_);
        const RegSnapshot registryBefore = SnapshotWatchedAreas();

        RunResult run = RunProgramFrom(media_, "", answer);

        std::map<std::string, Bytes> mediaAfter = ReadFolderFiles(media_);
        mediaBefore.erase("ZARIZED.EXE");  // the bench starts the program from the media folder
        mediaAfter.erase("ZARIZED.EXE");
        EXPECT_TRUE(mediaBefore == mediaAfter) << what << ": the media changed";
        std::map<std::string, Bytes> productAfter = ReadFolderFiles(productFolder_);
        for (const auto &file : productBefore)
            EXPECT_TRUE(productAfter[file.first] == file.second) << what << ": " << file.first << " changed";
        EXPECT_EQ("", RegistryDifferences(registryBefore, SnapshotWatchedAreas())) << what;

        EXPECT_FALSE(run.timedOut) << what;
        EXPECT_EQ(kFailed, run.exitCode) << what;
        EXPECT_TRUE(run.progressShown) << what << ": staging had begun";
        if (run.boxes.empty()) {
            ADD_FAILURE() << what << ": no message";
        } else {
            EXPECT_EQ("Error", run.boxes.back().caption) << what;
            EXPECT_EQ(kCantCopy, run.boxes.back().text) << what;
            EXPECT_EQ((UINT)MB_OK, run.boxes.back().style) << what;
        }
        return run;
    }

    std::string productFolder_;
    std::vector<std::string> productsToRemove_;
};

TEST_F(DiskFaultRun, ShortWritesOnAFullDriveEndInMessage2005)
{
    ASSERT_TRUE(DriveMounted("U:\\")) << "no small drive U: (tests/fault_drives.sh mounts it)";
    // U: holds 6 MiB: enough to pass the 5 MiB free-space check, too little
    // for any one of these files.
    const std::string product = "U:\\Kelvane Palomid";
    const Bytes large = PatternBytes(7 * kMiB, 3);
    struct Case {
        const char *what;
        Bytes engine, pif, firstPiece;
        Bytes secondPiece;  // none when empty
    };
    const Case cases[] = {
        {"engine larger than the drive", large, PatternBytes(967), FirstPiece(1, PatternBytes(100)), {}},
        {"data larger than the drive", PatternBytes(64), PatternBytes(967), FirstPiece(1, large), {}},
        {"second piece overflows the drive", PatternBytes(64), PatternBytes(967), FirstPiece(2, PatternBytes(3 * kMiB)),
         PatternBytes(4 * kMiB, 5)},
    };
    for (const Case &c : cases) {
        Prepare(product, c.engine, c.pif, c.firstPiece);
        DeleteFileA(JoinPath(media_, "PATCH.1").c_str());
        if (!c.secondPiece.empty())
            WriteFileBytes(JoinPath(media_, "PATCH.1"), c.secondPiece);
        ULARGE_INTEGER freeBytes;
        ASSERT_TRUE(GetDiskFreeSpaceExA("U:\\", &freeBytes, nullptr, nullptr));
        ASSERT_GE(freeBytes.QuadPart, 5242880u) << "the run must get past the free-space check";

        RunResult run = RunExpectingCantCopy(c.what);
        EXPECT_EQ(1u, run.boxes.size()) << c.what << ": message 2005 alone, no restart message";
        RemoveTree(product);
    }
}

TEST_F(DiskFaultRun, DriveFilledByTheStagedFilesEndsTheRunBeforeTheHandOff)
{
    ASSERT_TRUE(DriveMounted("U:\\")) << "no small drive U: (tests/fault_drives.sh mounts it)";
    // The staged files take every free 4 KiB block of U:, so the batch file
    // finds no room: the run ends with -1 and nothing is started.
    const std::string product = "U:\\Kelvane Palomid";
    Prepare(product, PatternBytes(64), PatternBytes(967), {});
    ULARGE_INTEGER freeBytes;
    ASSERT_TRUE(GetDiskFreeSpaceExA("U:\\", &freeBytes, nullptr, nullptr));
    const size_t dataBytes = (size_t)freeBytes.QuadPart - 2 * 4096;  // one block each for the engine and the PIF
    ASSERT_GE(freeBytes.QuadPart, 5242880u);
    WriteFileBytes(JoinPath(media_, "PATCH.0"), FirstPiece(1, PatternBytes(dataBytes, 4)));

    RunResult run = RunProgramFrom(media_, "");
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(kFailed, run.exitCode);
    EXPECT_TRUE(run.boxes.empty()) << run.boxes[0].text;
    Bytes staged;
    ASSERT_TRUE(ReadFileBytes(JoinPath(product, "Patch.rtp"), &staged));
    EXPECT_EQ(dataBytes, staged.size()) << "the data itself fitted";
    Bytes batch;
    EXPECT_TRUE(!ReadFileBytes(JoinPath(product, "PATCH.BAT"), &batch) || batch.size() < 97)
        << "the batch cannot be whole";
}

TEST_F(DiskFaultRun, ReadOnlyProductFolderEndsInMessage2005)
{
    ASSERT_TRUE(DriveMounted("R:\\") && DriveMounted("W:\\")) << "no read-only drive R: (tests/fault_drives.sh mounts it)";
    // The product is laid out through W: and registered on R:, the same
    // folder seen read-only.
    Prepare("W:\\Kelvane Palomid", PatternBytes(64), PatternBytes(967), FirstPiece(1, PatternBytes(100)),
            "R:\\Kelvane Palomid");
    ASSERT_FALSE(WriteFileText("R:\\Kelvane Palomid\\probe.txt", "x")) << "R: is not read-only";

    RunResult run = RunExpectingCantCopy("read-only product folder");
    EXPECT_EQ(1u, run.boxes.size());
    EXPECT_EQ((std::vector<std::string>{"README.TXT", "ZELFSV4.DLL"}), ListDir("W:\\Kelvane Palomid"));
}

TEST_F(DiskFaultRun, DamagedFirstPieceEndsInMessage2005)
{
    const std::string product = ScratchDir("disk-faults\\product");
    // A piece 0 too short for its count: its data would have a negative length.
    for (size_t length = 0; length < 4; ++length) {
        Prepare(product, PatternBytes(64), PatternBytes(967), Bytes(length, 1));
        RunResult run = RunExpectingCantCopy("piece 0 of " + std::to_string(length) + " bytes");
        EXPECT_EQ(1u, run.boxes.size());
    }

    // A count of 4,294,967,295 asks for disk 2, which never comes, until the
    // user gives up.
    Prepare(product, PatternBytes(64), PatternBytes(967), FirstPiece(0xFFFFFFFF, PatternBytes(100)));
    int prompts = 0;
    RunResult run = RunExpectingCantCopy("count 4294967295", [&prompts](const RecordedBox &box) {
        if (box.caption != "ZARized")
            return IDOK;
        return ++prompts < 3 ? IDOK : IDCANCEL;
    });
    ASSERT_EQ(4u, run.boxes.size());
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ("Please insert disk 2.", run.boxes[i].text);
        EXPECT_EQ((UINT)MB_OKCANCEL, run.boxes[i].style);
    }
}

TEST_F(DiskFaultRun, EmptyEngineOrPifIsNotStaged)
{
    const std::string product = ScratchDir("disk-faults\\product");
    Prepare(product, {}, PatternBytes(967), FirstPiece(1, PatternBytes(100)));
    RunResult run = RunExpectingCantCopy("zero-byte PATCH.DLL");
    EXPECT_EQ(1u, run.boxes.size());
    EXPECT_FALSE(FileExists(JoinPath(product, "Patch.exe")));
    EXPECT_FALSE(FileExists(JoinPath(product, "Patch.rtp")));

    Prepare(product, PatternBytes(64), {}, FirstPiece(1, PatternBytes(100)));
    run = RunExpectingCantCopy("zero-byte PATCH.PIF");
    EXPECT_EQ(1u, run.boxes.size());
    EXPECT_FALSE(FileExists(JoinPath(product, "Patch.rtp"))) << "the join never began";
}

}  // namespace
