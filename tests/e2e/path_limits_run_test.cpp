// The real program with its product folder and its own folder at and just
// past the lengths its 260-character paths allow: at the limit the run goes
// through, past it the run stops with its message, never on a cut path.
#include <gtest/gtest.h>

#include <string>

#include "expected_messages.h"
#include "files.h"
#include "installation.h"
#include "launch_record.h"
#include "program_runner.h"
#include "registry_compare.h"

namespace {

const DWORD kFailed = 0xFFFFFFFF;
const char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

// A folder below base whose path has exactly `length` characters, of names
// of up to 60 characters, most of them too long for 8.3 short names.
std::string FolderOfLength(const std::string &base, size_t length)
{
    std::string path = base;
    while (path.size() < length) {
        size_t need = length - path.size();
        size_t part = std::min<size_t>(need - 1, 60);
        if (need - (part + 1) == 1)
            --part;  // leave room for one more "\" and a character
        path += "\\" + std::string(part, 'd');
    }
    MakeDir(path);
    return path;
}

std::string ScratchTop()
{
    RemoveTree("C:\\ZL");
    MakeDir("C:\\ZL");
    return "C:\\ZL";
}

// Runs the patch from mediaDir; it must go all the way to the start of Patch.pif.
void ExpectCompleteRun(const std::string &mediaDir, const std::string &productDir, const std::string &what)
{
    LaunchLog launches;
    ExpectHandedOff(RunProgramFrom(mediaDir, ""), launches, productDir, what);
}

class PathLimitsRun : public ::testing::Test {
protected:
    void TearDown() override { RemoveTree(top_); }

    ProductRegistryScope registry_;
    std::string base_ = ScratchDir("limits");
    // A folder at the top of the drive, for deep folders whose short form
    // must still fit MS-DOS mode.
    std::string top_ = ScratchTop();
    Bytes engine_ = PatternBytes(64, 7);
    Bytes data_ = PatternBytes(1000, 8);

    void LayMedia(const std::string &dir) { MakeMedia(dir, "95.0.a", engine_, ShippedPif(), data_); }
};

TEST_F(PathLimitsRun, ProductFolderAtAndPastItsLimit)
{
    // "\\ZELFSV4.DLL" is 12 characters: a 247-character folder names the
    // component in 259, a 248-character one would need 260. Near the top of
    // the drive, the folder's short form fits what MS-DOS mode can be given.
    const std::string media = JoinPath(base_, "media");
    LayMedia(media);

    const std::string atLimit = FolderOfLength(top_ + "\\p", 247);
    ASSERT_LE(ShortForm(atLimit).size(), 47u);
    InstallProduct(atLimit, "release_95_0_a");
    ExpectCompleteRun(media, atLimit, "247-character product folder");
    Bytes staged;
    EXPECT_TRUE(ReadFileBytes(JoinPath(atLimit, "Patch.exe"), &staged) && staged == engine_);
    EXPECT_TRUE(ReadFileBytes(JoinPath(atLimit, "Patch.rtp"), &staged) && staged == data_);
    EXPECT_TRUE(FileExists(JoinPath(atLimit, "PATCH.BAT")));
    // The loader's command line would be 260 characters: it is left out, not cut.
    EXPECT_FALSE(ReadRegValue(HKEY_LOCAL_MACHINE, kRunKey, "Kelvane Palomid Loader").exists);

    ProductRegistryScope::Clear();
    const std::string pastLimit = FolderOfLength(top_ + "\\q", 248);
    InstallProduct(pastLimit, "release_95_0_a");
    const RegSnapshot before = SnapshotWatchedAreas();
    RunResult run = RunProgramFrom(media, "");
    EXPECT_EQ(kFailed, run.exitCode);
    ASSERT_EQ(1u, run.boxes.size()) << "the release cannot be read: message 2012 with no installed release";
    EXPECT_EQ("Update Cancelled", run.boxes[0].caption);
    EXPECT_NE(std::string::npos, run.boxes[0].text.find("You currently have  installed on your machine."));
    EXPECT_EQ((std::vector<std::string>{"ZELFSV4.DLL"}), ListDir(pastLimit));
    EXPECT_EQ("", RegistryDifferences(before, SnapshotWatchedAreas()));
}

TEST_F(PathLimitsRun, FoldersMsDosModeCannotReachAreRefusedBeforeAnyChange)
{
    // Guards docs/behaviour.md, "Folders MS-DOS mode can reach". A folder
    // whose short form has more than the 47 characters the PIF's startup
    // field receives cannot be the folder DOS starts in: the run stops
    // before the first change, the undo defaults of release 1.0 included.
    const std::string media = JoinPath(base_, "media");
    MakeMedia(media, "1.0", engine_, ShippedPif(), data_);
    // A deep 247-character folder, and 8.3 names one character past the field.
    const std::string folders[] = {FolderOfLength(base_ + "\\p", 247), "C:\\ZL\\KP95\\ABCDEFGH\\ABCDEFGH\\ABCDEFGH\\ABCDEFGH\\X"};
    for (const std::string &product : folders) {
        ProductRegistryScope::Clear();
        InstallProduct(product, "release_1_0_0");
        ASSERT_GT(ShortForm(product).size(), 47u) << product;
        const RegSnapshot before = SnapshotWatchedAreas();
        LaunchLog launches;
        RunResult run = RunProgramFrom(media, "");
        EXPECT_EQ(kFailed, run.exitCode) << Describe(run);
        ASSERT_EQ(1u, run.boxes.size()) << Describe(run);
        EXPECT_EQ("Update Cancelled", run.boxes[0].caption);
        EXPECT_NE(0u, run.boxes[0].style & MB_ICONMASK) << "the information icon";
        EXPECT_EQ(FolderTooDeepText(product), run.boxes[0].text);
        EXPECT_EQ((std::vector<std::string>{"ZELFSV4.DLL"}), ListDir(product));
        EXPECT_EQ("", RegistryDifferences(before, SnapshotWatchedAreas()));
        EXPECT_EQ("", launches.StartedCommandLine(1000));
    }
}

TEST_F(PathLimitsRun, ProductFolderAtItsLimitWithABlankStartsThePif)
{
    // The launch line of a 247-character folder has 259 characters, the
    // most a line may have; a blank in the folder puts the path in quotes,
    // which must not make the line too long.
    const std::string media = JoinPath(base_, "media");
    LayMedia(media);
    // At the top of the drive, so that its short form fits MS-DOS mode.
    RemoveTree("C:\\b b");
    const std::string product = FolderOfLength("C:\\b b", 247);
    ASSERT_LE(ShortForm(product).size(), 47u);
    InstallProduct(product, "release_95_0_a");
    LaunchLog launcher;
    RunResult run = RunProgramFrom(media, "");
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(1u, run.exitCode) << Describe(run);
    ASSERT_EQ(1u, run.boxes.size()) << "only the restart message";
    EXPECT_EQ("Kelvane Palomid 95.0.b Maintenance Release", run.boxes[0].caption);
    const std::string line = launcher.StartedCommandLine();
    EXPECT_NE(std::string::npos, line.find("\"" + product + "\\Patch.pif\"")) << line;
    RemoveTree("C:\\b b");
}

TEST_F(PathLimitsRun, ProgramFolderAtItsLimit)
{
    const std::string product = JoinPath(base_, "product");
    InstallProduct(product, "release_95_0_a");

    // "\ZARIZED.EXE" is 12 characters: from a 247-character folder the
    // program's own path has 259, and its media files are found beside it.
    // (A longer path cannot be tried here: Wine does not reliably start a
    // program whose own path has 260 characters or more.)
    const std::string atLimit = FolderOfLength(base_ + "\\m", 247);
    LayMedia(atLimit);
    ExpectCompleteRun(atLimit, product, "247-character program folder");
    Bytes staged;
    EXPECT_TRUE(ReadFileBytes(JoinPath(product, "Patch.rtp"), &staged) && staged == data_);
}

TEST_F(PathLimitsRun, SplitterCommandAtAndPastItsLimit)
{
    // "\PATCH.RTP" is 10 characters: "/b", a 249-character path and ",100"
    // fill the 255 characters a command may have.
    const std::string folder = FolderOfLength(base_ + "\\s", 239);
    const std::string input = JoinPath(folder, "PATCH.RTP");
    ASSERT_EQ(249u, input.size());
    const Bytes file = PatternBytes(150, 9);
    WriteFileBytes(input, file);
    const std::string runFrom = JoinPath(base_, "splitter");
    MakeDir(runFrom);

    RunResult run = RunProgramFrom(runFrom, "/b" + input + ",100");
    EXPECT_EQ(1u, run.exitCode);
    EXPECT_TRUE(run.boxes.empty());
    EXPECT_EQ((std::vector<std::string>{"PATCH.0", "PATCH.1", "PATCH.RTP"}), ListDir(folder));

    // One more digit would be cut to another size: the command is refused.
    for (const char *name : {"PATCH.0", "PATCH.1"})
        DeleteFileA(JoinPath(folder, name).c_str());
    run = RunProgramFrom(runFrom, "/b" + input + ",1000");
    EXPECT_EQ(1u, run.exitCode);
    ASSERT_EQ(1u, run.boxes.size());
    EXPECT_EQ("Error", run.boxes[0].caption);
    EXPECT_EQ("The command is longer than 255 characters.  No piece was written.", run.boxes[0].text);
    EXPECT_EQ((UINT)MB_OK, run.boxes[0].style);
    EXPECT_EQ((std::vector<std::string>{"PATCH.RTP"}), ListDir(folder));
}

}  // namespace
