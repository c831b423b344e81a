// The real program against faulty disks and media: a full drive, a folder it
// cannot write, damaged pieces and empty files. Every run must end in its
// exact message and exit code, never in success, and must leave the media,
// the product's own files and the registry as they were.
#include <gtest/gtest.h>

#include <algorithm>
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

TEST_F(DiskFaultRun, RoomForWhatIsStagedIsCheckedBeforeAnyChange)
{
    ASSERT_TRUE(DriveMounted("U:\\")) << "no drive U: (tests/fault_drives.sh mounts it)";
    // U: holds 8 MiB. The run needs the larger of 5,242,880 bytes and what
    // it stages, each file in whole clusters, and what a stopped run left
    // counts as room.
    const std::string product = "U:\\Kelvane Palomid";
    struct Case {
        const char *what;
        Bytes engine, firstPiece;
        unsigned long long recordedData;  // the data of a [PIECES] record in so many pieces; 0 for none
        unsigned pieces;
        size_t leftover;                  // a stopped run's Patch.rtp
        bool refused;
    };
    const Case cases[] = {
        {"engine larger than the drive", PatternBytes(9 * kMiB, 3), FirstPiece(1, PatternBytes(100)), 0, 0, 0, true},
        {"data larger than the drive", PatternBytes(64), FirstPiece(1, PatternBytes(9 * kMiB, 3)), 0, 0, 0, true},
        {"a recorded 20 MiB patch", PatternBytes(64), FirstPiece(15, PatternBytes(100)), 20 * kMiB, 15, 0, true},
        {"a recorded 7 MiB patch over a stopped run's 4 MiB", PatternBytes(64), FirstPiece(5, PatternBytes(100)),
         7 * kMiB, 5, 4 * kMiB, false},
    };
    // The record alone tells the data's size: its pieces need not be there.
    auto recordOf = [](unsigned long long data, unsigned pieces) {
        std::string text = "[VERSION]\r\nVersion=95.0.a\r\n[PIECES]\r\nCount=" + std::to_string(pieces) + "\r\n";
        const unsigned long long each = (data + 4 + pieces - 1) / pieces;
        for (unsigned i = 0; i < pieces; ++i)
            text += std::to_string(i) + "=" + std::to_string(std::min(each, data + 4 - each * i)) + ",0123ABCD\r\n";
        return text;
    };
    for (const Case &c : cases) {
        Prepare(product, c.engine, PatternBytes(967), c.firstPiece);
        if (c.recordedData)
            WriteFileText(JoinPath(media_, "patch.ini"), recordOf(c.recordedData, c.pieces));
        if (c.leftover)
            WriteFileBytes(JoinPath(product, "Patch.rtp"), PatternBytes(c.leftover, 6));
        DWORD sectors, bytes, freeClusters, total;
        ASSERT_TRUE(GetDiskFreeSpaceA("U:\\", &sectors, &bytes, &freeClusters, &total));
        const unsigned long long cluster = sectors * bytes, freeBytes = (unsigned long long)freeClusters * cluster;
        auto room = [cluster](unsigned long long size) { return (size + cluster - 1) / cluster * cluster; };
        const unsigned long long need = room(c.engine.size()) + room(967) +
                                        room(c.recordedData ? c.recordedData : c.firstPiece.size() - 4) - freeBytes;
        const std::map<std::string, Bytes> productBefore = ReadFolderFiles(product);
        const RegSnapshot registryBefore = SnapshotWatchedAreas();

        RunResult run = RunProgramFrom(media_, "", [](const RecordedBox &box) {
            return box.caption == "ZARized" ? IDCANCEL : IDOK;
        });
        ASSERT_FALSE(run.boxes.empty()) << c.what;
        if (c.refused) {
            EXPECT_EQ(0u, run.exitCode) << c.what;
            ASSERT_EQ(1u, run.boxes.size()) << c.what << "\n" << Describe(run);
            EXPECT_EQ("Update Cancelled : Not Enough Hard Drive Space", run.boxes[0].caption);
            EXPECT_EQ("Warning: Not enough free hard drive space on drive. \n\nYou currently have " +
                          std::to_string(freeBytes) + " Bytes free and need an additional " + std::to_string(need) +
                          " Bytes to install this patch.\n\nPlease free up additional space and run the update "
                          "again.",
                      run.boxes[0].text)
                << c.what;
            EXPECT_FALSE(run.progressShown) << c.what;
            EXPECT_TRUE(ReadFolderFiles(product) == productBefore) << c.what << ": the product folder changed";
            EXPECT_EQ("", RegistryDifferences(registryBefore, SnapshotWatchedAreas())) << c.what;
        } else {
            // Past the check: the join's first box, cancelled.
            EXPECT_EQ("ZARized", run.boxes[0].caption) << c.what << "\n" << Describe(run);
        }
        RemoveTree(product);
    }
}

TEST_F(DiskFaultRun, ShortWritesOnAFullDriveEndInMessage2005)
{
    ASSERT_TRUE(DriveMounted("U:\\")) << "no drive U: (tests/fault_drives.sh mounts it)";
    // Without a record the check knows piece 0's data only: the piece after
    // it overflows the drive.
    const std::string product = "U:\\Kelvane Palomid";
    Prepare(product, PatternBytes(64), PatternBytes(967), FirstPiece(2, PatternBytes(5 * kMiB)));
    WriteFileBytes(JoinPath(media_, "PATCH.1"), PatternBytes(4 * kMiB, 5));
    RunResult run = RunExpectingCantCopy("second piece overflows the drive");
    EXPECT_EQ(1u, run.boxes.size()) << "message 2005 alone, no restart message";
    RemoveTree(product);
}

TEST_F(DiskFaultRun, DriveFilledByTheStagedFilesEndsTheRunBeforeTheHandOff)
{
    ASSERT_TRUE(DriveMounted("U:\\")) << "no drive U: (tests/fault_drives.sh mounts it)";
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
