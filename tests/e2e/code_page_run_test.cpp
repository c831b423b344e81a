// The real program under the double-byte code page 932, where a character
// may take two bytes and its second byte may be 0x5C, the byte of "\". CTest
// starts this test program with a Japanese locale, from which Wine takes the
// ANSI code page of the test and of the program it starts; every test first
// makes sure that it really runs under 932.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "files.h"
#include "installation.h"
#include "launch_record.h"
#include "program_runner.h"
#include "registry_compare.h"

namespace {

// Shift-JIS texts. Two characters end in the byte 0x5C: HYOU (U+8868) and
// SO (U+30BD); SOFUTO is SO, FU, TO (U+30BD U+30D5 U+30C8).
const std::string kHyou = "\x95\x5C";
const std::string kSo = "\x83\x5C";
const std::string kSofuto = "\x83\x5C\x83\x74\x83\x67";

const char kRestartCaption[] = "Kelvane Palomid 95.0.b Maintenance Release";
const char kDialogs[] = "Software\\Quorvel\\Palomid\\FileSteward\\Dialogs";

std::wstring Wide(const std::string &text)
{
    wchar_t buffer[256] = L"";
    int length = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.c_str(), (int)text.size(), buffer, 255);
    return std::wstring(buffer, length > 0 ? (size_t)length : 0);
}

class CodePage932Run : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(932u, GetACP()) << "run this test program with a Japanese locale (LC_ALL=ja_JP.UTF-8)";
        // The byte pairs are single characters here, as the tests need them.
        ASSERT_EQ(std::wstring(L"\x8868"), Wide(kHyou));
        ASSERT_EQ(std::wstring(L"\x30BD\x30D5\x30C8"), Wide(kSofuto));
    }

    // A patch run that went through: the restart message, then the start of
    // the product folder's Patch.pif.
    static void ExpectHandOff(const RunResult &run, const LaunchLog &launcher, const std::string &product)
    {
        EXPECT_FALSE(run.timedOut) << product;
        EXPECT_EQ(1u, run.exitCode) << product << "\n" << Describe(run);
        ASSERT_EQ(1u, run.boxes.size()) << product << "\n" << Describe(run);
        EXPECT_EQ(kRestartCaption, run.boxes[0].caption) << product;
        EXPECT_NE(std::string::npos, launcher.StartedCommandLine().find(product + "\\Patch.pif")) << product;
    }

    ProductRegistryScope registry_;
    std::string root_ = ScratchDir("code-page");
    const Bytes engine_ = PatternBytes(700, 21);
    const Bytes data_ = PatternBytes(5000, 22);
};

TEST_F(CodePage932Run, RegisteredFolderEndingInASecondByte5CKeepsIt)
{
    // Registered as it is, or with one "\" after it: either way the folder's
    // last character stays whole, and the patch is staged in that folder.
    const std::string media = JoinPath(root_, "media");
    MakeMedia(media, "95.0.a", engine_, PatternBytes(967), data_);
    const struct {
        std::string folder, registered;
    } cases[] = {
        {root_ + "\\" + kSofuto + kHyou, root_ + "\\" + kSofuto + kHyou},
        {root_ + "\\" + kSo, root_ + "\\" + kSo + "\\"},
    };
    for (const auto &c : cases) {
        ProductRegistryScope::Clear();
        InstallProduct(c.folder, "release_95_0_a", c.registered);
        ASSERT_TRUE(FileExists(c.folder + "\\ZELFSV4.DLL"));
        LaunchLog launcher;
        ExpectHandOff(RunProgramFrom(media, ""), launcher, c.folder);
        Bytes staged;
        EXPECT_TRUE(ReadFileBytes(c.folder + "\\Patch.exe", &staged) && staged == engine_) << c.registered;
        EXPECT_TRUE(ReadFileBytes(c.folder + "\\Patch.rtp", &staged) && staged == data_) << c.registered;
        EXPECT_TRUE(FileExists(c.folder + "\\PATCH.BAT")) << c.registered;
        // The PIF's startup folder is the folder with its last character.
        Bytes pif;
        ASSERT_TRUE(ReadFileBytes(c.folder + "\\Patch.pif", &pif));
        EXPECT_EQ(c.folder.substr(0, 47), std::string(pif.begin() + 0x65, pif.begin() + 0x65 + 47).c_str())
            << c.registered;
    }
}

TEST_F(CodePage932Run, SplitterTakesFileNamesWithDoubleByteCharacters)
{
    // A folder and a file whose names hold second bytes 0x5C, named relative
    // to the current folder and by the whole path.
    const std::string folder = root_ + "\\" + kSofuto;
    MakeDir(folder);
    const std::string input = folder + "\\" + kHyou + ".RTP";
    const Bytes file = PatternBytes(250, 23);
    ASSERT_TRUE(WriteFileBytes(input, file));
    const std::string runFrom = JoinPath(root_, "run");
    MakeDir(runFrom);
    for (const std::string &command :
         {"/b..\\" + kSofuto + "\\" + kHyou + ".RTP,100", "/b" + input + ",100"}) {
        for (const std::string &name : ListDir(folder))
            if (name != kHyou + ".RTP")
                DeleteFileA((folder + "\\" + name).c_str());
        RunResult run = RunProgramFrom(runFrom, command);
        EXPECT_EQ(1u, run.exitCode) << command;
        EXPECT_TRUE(run.boxes.empty()) << Describe(run);
        EXPECT_EQ((std::vector<std::string>{kHyou + ".0", kHyou + ".1", kHyou + ".2", kHyou + ".RTP"}),
                  ListDir(folder));
        Bytes piece;
        ASSERT_TRUE(ReadFileBytes(folder + "\\" + kHyou + ".0", &piece));
        EXPECT_EQ(FirstPiece(3, Bytes(file.begin(), file.begin() + 96)), piece);
        ASSERT_TRUE(ReadFileBytes(folder + "\\" + kHyou + ".2", &piece));
        EXPECT_EQ(Bytes(file.begin() + 196, file.end()), piece);
    }
}

TEST_F(CodePage932Run, BuiltInDefinitionsReadTheSame)
{
    // The built-in text is stepped character by character under this code
    // page too: a complete run writes exactly its sections and values.
    const std::string product = JoinPath(root_, "product");
    const std::string media = JoinPath(root_, "media");
    InstallProduct(product, "release_95_0_a");
    MakeMedia(media, "95.0.a", engine_, PatternBytes(967), data_);
    CreateRegKey(HKEY_CURRENT_USER, kDialogs);
    LaunchLog launcher;
    ExpectHandOff(RunProgramFrom(media, ""), launcher, product);

    const std::string path = "HKCU\\" + Lower(kDialogs);
    RegSnapshot expected;
    expected[path + "|"] = Key();
    AddBuiltInDefinitions(path, &expected);
    RegSnapshot written;
    for (const auto &entry : SnapshotRegTree(HKEY_CURRENT_USER, kDialogs))
        written[path + entry.first] = entry.second;
    EXPECT_EQ(40u, SubkeyNames(HKEY_CURRENT_USER, kDialogs).size());
    EXPECT_EQ("", RegistryDifferences(expected, written));
}

}  // namespace
