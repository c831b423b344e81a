// The real program, from the first check to the hand-off: a normal run that
// stages, migrates, writes PATCH.BAT and the PIF fields, announces the
// restart and starts Patch.pif (the stand-in for Wine's DOS launcher records
// the start), then ends with exit code 1. When the start is refused the run
// ends with message 2006 and -1.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "files.h"
#include "installation.h"
#include "launch_record.h"
#include "program_runner.h"
#include "registry.h"

namespace {

const DWORD kFailed = 0xFFFFFFFF;
const char kRestartCaption[] = "Kelvane Palomid 95.0.b Maintenance Release";
const char kRestartText[] =
    "To complete the upgrade, Windows must be restarted.  Close all applications and press OK to restart Windows.";
const char kCantRun[] =
    "Can't run 'REGEDIT.EXE'.  Program terminating.  Please view 'READNOW.TXT' for instructions on how to "
    "manually apply the maintenance release.";

std::string Upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return (char)toupper(c); });
    return text;
}

// The product folder with the installed release, and one-disk media for it.
struct HandoffSetup {
    std::string product, media;
    Bytes pif, engine, data;
};

HandoffSetup LayOut(const std::string &name)
{
    HandoffSetup setup;
    std::string root = ScratchDir(name);
    setup.product = JoinPath(root, "Kelvane Palomid Program Folder");
    setup.media = JoinPath(root, "media");
    InstallProduct(setup.product, "release_95_0_a");
    EXPECT_TRUE(WriteFileText(JoinPath(setup.product, "ctl3d32.dll"), "old control library"));
    setup.pif = ShippedPif();
    EXPECT_EQ(967u, setup.pif.size());
    setup.engine = PatternBytes(3000, 11);
    setup.data = PatternBytes(20000, 12);
    MakeMedia(setup.media, "95.0.a", setup.engine, setup.pif, setup.data);
    return setup;
}

TEST(HandoffRun, ANormalRunStartsPatchPifAndEndsWithOne)
{
    ProductRegistryScope registry;
    LaunchLog launches;
    HandoffSetup setup = LayOut("handoff-run");
    const std::string &product = setup.product;
    const Bytes &pif = setup.pif;

    RunResult run = RunProgramFrom(setup.media, "");
    ExpectHandedOff(run, launches, product);
    EXPECT_EQ((UINT)MB_OK, run.boxes.empty() ? 0u : run.boxes[0].style);
    std::vector<LaunchRecord> records = launches.Records(1, 30000);
    ASSERT_EQ(1u, records.size());
    // Started by name from the product folder, as the launch line says.
    EXPECT_NE(std::string::npos, Upper(records[0].commandLine).find(Upper(JoinPath(product, "Patch.pif"))))
        << records[0].commandLine;

    // The folder as the hand-off leaves it: the staged files, the batch, and
    // no old control library.
    std::vector<std::string> names;
    for (const std::string &name : ListDir(product))
        names.push_back(Upper(name));
    std::sort(names.begin(), names.end());
    EXPECT_EQ((std::vector<std::string>{"PATCH.BAT", "PATCH.EXE", "PATCH.PIF", "PATCH.RTP", "ZELFSV4.DLL"}), names);
    Bytes staged, joined;
    EXPECT_TRUE(ReadFileBytes(JoinPath(product, "Patch.exe"), &staged) && staged == setup.engine);
    EXPECT_TRUE(ReadFileBytes(JoinPath(product, "Patch.rtp"), &joined) && joined == setup.data);

    // PATCH.BAT names everything by the folder's short form.
    std::string s = ShortForm(product);
    ASSERT_FALSE(s.empty());
    ASSERT_NE(product, s);
    Bytes batch;
    ASSERT_TRUE(ReadFileBytes(JoinPath(product, "PATCH.BAT"), &batch));
    EXPECT_EQ("@echo off\r\n" + s + "\\Patch.exe\r\ndel " + s + "\\Patch.exe\r\ndel " + s + "\\Patch.rtp\r\ndel " + s +
                  "\\Patch.pif\r\n\r\n",
              std::string(batch.begin(), batch.end()));

    // Patch.pif: the shipped file with its four fields written, the shell
    // (DOSBox's, in this prefix) by its short path. The folder is too long
    // for the 47 bytes its field receives, so it goes by its short form
    // (docs/behaviour.md, "Folders MS-DOS mode can reach").
    char windowsDir[MAX_PATH] = "";
    GetWindowsDirectoryA(windowsDir, MAX_PATH);
    std::string shell = ShortForm(JoinPath(windowsDir, "COMMAND.COM"));
    ASSERT_FALSE(shell.empty());
    std::string parameters = "/c " + ShortForm(JoinPath(product, "PATCH.BAT"));
    ASSERT_GT(product.size(), 47u);
    std::string startup = ShortForm(product);
    ASSERT_LE(startup.size(), 47u);
    Bytes expected = pif;
    const struct {
        size_t offset, count;
        const std::string &value;
    } writes[] = {{0x24, 57, shell}, {0x65, 47, startup}, {0xA5, 63, parameters}, {0x1C5, 63, parameters}};
    for (const auto &w : writes)
        for (size_t i = 0; i < w.count; ++i)
            expected[w.offset + i] = i < w.value.size() ? (unsigned char)w.value[i] : 0;
    Bytes patched;
    ASSERT_TRUE(ReadFileBytes(JoinPath(product, "Patch.pif"), &patched));
    EXPECT_EQ(expected, patched);
}

TEST(HandoffRun, ARefusedStartShowsMessage2006AndEndsWithMinusOne)
{
    ProductRegistryScope registry;
    LaunchLog launches;
    HandoffSetup setup = LayOut("handoff-refused");
    RunResult run;
    {
        RefusedLaunches refused;
        ASSERT_TRUE(refused.Active());
        run = RunProgramFrom(setup.media, "");
    }
    ASSERT_FALSE(run.timedOut);
    EXPECT_EQ(kFailed, run.exitCode) << Describe(run);
    // The restart message first, with its OK button; then the failed start.
    ASSERT_EQ(2u, run.boxes.size()) << Describe(run);
    EXPECT_EQ(kRestartCaption, run.boxes[0].caption);
    EXPECT_EQ(kRestartText, run.boxes[0].text);
    EXPECT_EQ((UINT)MB_OK, run.boxes[0].style);
    EXPECT_EQ("Error", run.boxes[1].caption);
    EXPECT_EQ(kCantRun, run.boxes[1].text);
    EXPECT_EQ((UINT)MB_OK, run.boxes[1].style);
    EXPECT_TRUE(launches.Records(1, 3000).empty()) << "nothing was started";
    // Everything before the launch was done all the same.
    EXPECT_TRUE(FileExists(JoinPath(setup.product, "PATCH.BAT")));
}

class HandoffEdgeRun : public ::testing::Test {
protected:
    ProductRegistryScope registry_;
    std::string root_ = ScratchDir("handoff-edge-run");
    std::string product_ = JoinPath(root_, "product");
    std::string media_ = JoinPath(root_, "media");
    Bytes data_ = PatternBytes(2000, 13);

    void SetUp() override { InstallProduct(product_, "release_95_0_a"); }
};

TEST_F(HandoffEdgeRun, CommandTextOverTwoHundredFiftyFiveCharactersIsStillANormalRun)
{
    // The command text is cut to 255 characters; only its first two tell the
    // mode, and a patch run reads nothing else of it.
    MakeMedia(media_, "95.0.a", PatternBytes(300, 14), PatternBytes(967), data_);
    LaunchLog launcher;
    for (const std::string &command :
         {std::string(300, 'x'), "/B" + std::string(298, 'b'), "/x /b" + std::string(2000, ',')}) {
        DeleteFileA(JoinPath(product_, "Patch.rtp").c_str());
        RunResult run = RunProgramFrom(media_, command);
        EXPECT_FALSE(run.timedOut);
        EXPECT_EQ(1u, run.exitCode) << command.substr(0, 8) << "\n" << Describe(run);
        ASSERT_EQ(1u, run.boxes.size()) << command.substr(0, 8) << "\n" << Describe(run);
        EXPECT_EQ(kRestartCaption, run.boxes[0].caption);
        Bytes joined;
        EXPECT_TRUE(ReadFileBytes(JoinPath(product_, "Patch.rtp"), &joined) && joined == data_);
    }
    // Patch.pif is started without a wait: every launch is awaited here, so
    // none is recorded late into the next test's log.
    std::vector<LaunchRecord> launches = launcher.Records(3, 30000);
    ASSERT_EQ(3u, launches.size()) << "each run starts Patch.pif";
    for (const LaunchRecord &launch : launches) {
        EXPECT_NE(std::string::npos, launch.commandLine.find(JoinPath(product_, "Patch.pif"))) << launch.commandLine;
        // The launcher reads the PIF by its record chain: these media ship
        // a PIF of pattern bytes, whose chain a DOS launcher cannot follow.
        EXPECT_EQ("broken: no \"MICROSOFT PIFEX\" heading at 0x171", launch.pifChain);
    }
}

TEST_F(HandoffEdgeRun, PifFieldsThatCannotBeWrittenEndTheRunWithNothingStarted)
{
    // The data is on two disks. While the program asks for the second one,
    // the staged Patch.pif is there, and another program takes it for itself:
    // its fields cannot be written. The run ends with -1, silently, before
    // the restart message, and starts nothing.
    const Bytes pif = PatternBytes(967, 15);
    MakeMedia(media_, "95.0.a", PatternBytes(300, 14), pif, data_);
    WriteFileBytes(JoinPath(media_, "PATCH.0"), FirstPiece(2, Bytes(data_.begin(), data_.begin() + 1200)));
    HANDLE holder = INVALID_HANDLE_VALUE;
    LaunchLog launcher;
    RunResult run = RunProgramFrom(media_, "", [&](const RecordedBox &box) {
        if (box.caption == "ZARized" && holder == INVALID_HANDLE_VALUE) {
            holder = CreateFileA(JoinPath(product_, "Patch.pif").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
            WriteFileBytes(JoinPath(media_, "PATCH.1"), Bytes(data_.begin() + 1200, data_.end()));
        }
        return IDOK;
    });
    ASSERT_NE(INVALID_HANDLE_VALUE, holder) << "the staged Patch.pif was there during the disk prompt";
    CloseHandle(holder);
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(kFailed, run.exitCode) << Describe(run);
    ASSERT_EQ(1u, run.boxes.size()) << Describe(run);
    EXPECT_EQ("Please insert disk 2.", run.boxes[0].text);
    EXPECT_EQ("", launcher.StartedCommandLine(3000)) << "nothing was started";
    // Everything up to the PIF is done; the PIF is as shipped.
    Bytes staged;
    EXPECT_TRUE(ReadFileBytes(JoinPath(product_, "Patch.rtp"), &staged) && staged == data_);
    EXPECT_TRUE(FileExists(JoinPath(product_, "PATCH.BAT")));
    EXPECT_TRUE(ReadFileBytes(JoinPath(product_, "Patch.pif"), &staged) && staged == pif);
}

}  // namespace
