// The driver's own pieces, in-process: the splitter command, the messages,
// the free-space decision, discovery and the program's resources.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/driver.h"
#include "driver/splitter_command.h"
#include "driver/free_bytes.h"
#include "files.h"
#include "message_boxes.h"
#include "registry.h"
#include "resource.h"

namespace {

class DriverTest : public ::testing::Test {
protected:
    void SetUp() override { ModuleInstance = GetModuleHandleA(nullptr); }
};

struct SplitCommand {
    int found;
    std::string fileName;
    std::vector<int> sizes;
};

SplitCommand ParseSplit(const std::string &arguments)
{
    std::vector<char> text(arguments.begin(), arguments.end());
    text.push_back(0);
    char fileName[PATH_CHARS] = "untouched";
    SplitCommand result;
    result.sizes.assign(SPLIT_SIZE_COUNT + 4, 0);
    result.sizes[SPLIT_SIZE_COUNT] = 0x5A5A5A5A;  // guard past the table
    result.found = ParseSplitterCommand(text.data(), fileName, PATH_CHARS, result.sizes.data());
    result.fileName = fileName;
    EXPECT_EQ(0x5A5A5A5A, result.sizes[SPLIT_SIZE_COUNT]) << "wrote past the 50 entries";
    result.sizes.resize(SPLIT_SIZE_COUNT);
    return result;
}

std::vector<int> Sizes(std::vector<int> given)
{
    given.resize(SPLIT_SIZE_COUNT, 0);
    return given;
}

TEST(SplitterCommand, NoTokenMeansNoSplit)
{
    EXPECT_EQ(0, ParseSplit("").found);
    EXPECT_EQ(0, ParseSplit(",,,").found);
}

TEST(SplitterCommand, FileNameThenSizes)
{
    SplitCommand c = ParseSplit("data.bin,100,200");
    EXPECT_EQ(1, c.found);
    EXPECT_EQ("data.bin", c.fileName);
    EXPECT_EQ(Sizes({100, 200}), c.sizes);
}

TEST(SplitterCommand, BlanksBelongToTheTokens)
{
    EXPECT_EQ(" data.bin", ParseSplit(" data.bin,100").fileName);
    SplitCommand c = ParseSplit(",100");
    EXPECT_EQ("100", c.fileName);
    EXPECT_EQ(Sizes({}), c.sizes);
}

TEST(SplitterCommand, EmptyFieldsSkippedButBadNumbersUseTheirEntry)
{
    EXPECT_EQ(Sizes({100, 200}), ParseSplit("data.bin,100,,200").sizes);
    EXPECT_EQ(Sizes({0, 200}), ParseSplit("data.bin,abc,200").sizes);
    EXPECT_EQ(Sizes({-5, 7, 12}), ParseSplit("d.bin,-5, 7,12abc").sizes);
}

TEST(SplitterCommand, OnlyFiftySizesAreStored)
{
    std::string text = "d.bin";
    std::vector<int> expected;
    for (int i = 1; i <= 51; ++i) {
        text += "," + std::to_string(i);
        if (i <= SPLIT_SIZE_COUNT)
            expected.push_back(i);
    }
    EXPECT_EQ(expected, ParseSplit(text).sizes);
}

TEST(SplitterCommand, LongFileNameIsCutToItsBuffer)
{
    std::string name(300, 'n');
    SplitCommand c = ParseSplit(name + ",100");
    EXPECT_EQ(std::string(PATH_CHARS - 1, 'n'), c.fileName);
    EXPECT_EQ(Sizes({100}), c.sizes);
}

std::string Stripped(const std::string &path)
{
    char buffer[PATH_CHARS];
    lstrcpynA(buffer, path.c_str(), PATH_CHARS);
    StripTrailingBackslash(buffer);
    return buffer;
}

TEST(StripTrailingBackslash, RemovesOneBackslashOnly)
{
    EXPECT_EQ("D:\\Apps\\Shell", Stripped("D:\\Apps\\Shell\\"));
    EXPECT_EQ("D:\\Apps\\Shell", Stripped("D:\\Apps\\Shell"));
    EXPECT_EQ("D:\\Apps\\Shell\\", Stripped("D:\\Apps\\Shell\\\\"));
    EXPECT_EQ("C:", Stripped("C:\\"));
    EXPECT_EQ("", Stripped("\\"));
    EXPECT_EQ("", Stripped(""));
}

TEST_F(DriverTest, FileExistsOnlyWhenReadableWithSharedRead)
{
    std::string dir = ScratchDir("file-exists");
    ASSERT_TRUE(WriteFileText(JoinPath(dir, "PATCH.DLL"), "engine"));
    MakeDir(JoinPath(dir, "PATCH.PIF"));
    EXPECT_EQ(1, FileExistsInDir("PATCH.DLL", dir.c_str()));
    EXPECT_EQ(1, FileExistsInDir("patch.dll", dir.c_str()));
    EXPECT_EQ(0, FileExistsInDir("PATCH.0", dir.c_str()));
    EXPECT_EQ(0, FileExistsInDir("PATCH.PIF", dir.c_str())) << "a directory is no file";

    HANDLE writer = CreateFileA(JoinPath(dir, "PATCH.DLL").c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, writer);
    EXPECT_EQ(0, FileExistsInDir("PATCH.DLL", dir.c_str())) << "held open for writing";
    CloseHandle(writer);
    EXPECT_EQ(1, FileExistsInDir("PATCH.DLL", dir.c_str()));
}

TEST_F(DriverTest, FileExistsRefusesPathsOverTheLimit)
{
    // Repeated separators still name the same folder, so only the length
    // check can tell these two apart: 259 characters fit, 260 do not.
    std::string dir = ScratchDir("file-exists-long");
    ASSERT_TRUE(WriteFileText(JoinPath(dir, "PATCH.DLL"), "engine"));
    std::string fits = dir + std::string(259 - dir.size() - 10, '\\');
    std::string tooLong = fits + "\\";
    EXPECT_EQ(1, FileExistsInDir("PATCH.DLL", fits.c_str()));
    EXPECT_EQ(0, FileExistsInDir("PATCH.DLL", tooLong.c_str()));
}

TEST(FreeBytes, MultipliesClustersSectorsAndBytes)
{
    EXPECT_EQ(12288u, MultiplyFreeBytes(3, 8, 512));
    EXPECT_EQ(0u, MultiplyFreeBytes(0, 8, 512));
    EXPECT_EQ(0u, MultiplyFreeBytes(1000, 0, 512));
    EXPECT_EQ(0xFFFFFFFFu, MultiplyFreeBytes(0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu));
}

TEST(FreeBytes, HoldsAtTheTopInsteadOfWrapping)
{
    // 1,048,577 clusters of 4 KiB is 4 GiB + 4 KiB: wrapped, it would be 4096.
    EXPECT_EQ(0xFFFFFFFFu, MultiplyFreeBytes(1048577, 8, 512));
    EXPECT_EQ(0xFFFFF000u, MultiplyFreeBytes(1048575, 8, 512));
    EXPECT_EQ(0xFFFFFFFFu, MultiplyFreeBytes(1048576, 8, 512));
}

TEST_F(DriverTest, FreeBytesOfARealDrive)
{
    DWORD sectors = 0, bytes = 0, freeClusters = 0, total = 0;
    ASSERT_TRUE(GetDiskFreeSpaceA("C:\\", &sectors, &bytes, &freeClusters, &total));
    EXPECT_EQ(MultiplyFreeBytes(freeClusters, sectors, bytes), GetFreeDiskBytes("C:\\windows\\system32"));
    EXPECT_EQ(MultiplyFreeBytes(freeClusters, sectors, bytes), GetFreeDiskBytes("C:"));
}

TEST_F(DriverTest, FreeBytesOfNoDriveIsNothing)
{
    EXPECT_EQ(0u, GetFreeDiskBytes(""));
    EXPECT_EQ(0u, GetFreeDiskBytes("C"));
    EXPECT_EQ(0u, GetFreeDiskBytes("Q:\\nowhere")) << "a drive that does not exist";
}

TEST(FreeBytes, NeedsTheLargerOfTheFloorAndWhatIsStagedLessWhatIsReplaced)
{
    const unsigned long long kFloor = 5242880, kMiB = 1048576;
    struct Case {
        const char *what;
        StagingSizes sizes;  // engine, pif, data; Patch.dll, Patch.exe, Patch.pif, Patch.rtp already there
        unsigned cluster;
        unsigned long long floor, freeBytes, stillNeeded;
    };
    const Case cases[] = {
        {"a small patch on exactly the floor", {64, 967, 100, 0, 0, 0, 0}, 4096, kFloor, kFloor, 0},
        {"one byte below the floor", {64, 967, 100, 0, 0, 0, 0}, 4096, kFloor, kFloor - 1, 1},
        {"20 MiB of data on 8 MB free", {4096, 4096, 20 * kMiB, 0, 0, 0, 0}, 4096, kFloor, 8000000,
         20 * kMiB + 8192 - 8000000},
        {"a stopped run's files count as room", {4096, 4096, 20 * kMiB, 0, 4096, 4096, 12 * kMiB}, 4096, kFloor,
         8000000, 8 * kMiB - 8000000},
        {"the older Patch.exe goes only after the copy", {3 * kMiB, 1, 1, 0, 3 * kMiB, 0, 0}, 0, 0, 2 * kMiB, kMiB},
        {"each file in whole clusters", {1, 1, 1, 0, 0, 0, 0}, 32768, 0, 65536, 32768},
        {"clusters that are no power of two count bytes", {1, 1, 1, 0, 0, 0, 0}, 3000, 0, 2, 1},
        {"data of 5 GiB", {0, 0, 5120 * kMiB, 0, 0, 0, 0}, 512, 0, 0xFFFFFFFFull, 1024 * kMiB + 1},
    };
    for (const Case &c : cases)
        EXPECT_EQ(c.stillNeeded, BytesStillNeeded(&c.sizes, c.cluster, c.freeBytes, c.floor)) << c.what;
}

TEST_F(DriverTest, NoRoomShowsTheBytesFreeAndStillNeeded)
{
    MessageBoxRecorder recorder;
    EXPECT_EQ(1, CheckFreeSpace(5242880, 0));
    EXPECT_EQ(0, CheckFreeSpace(5242879, 1));
    EXPECT_EQ(0, CheckFreeSpace(8000000, 13189120));
    ASSERT_EQ(2u, recorder.boxes().size());
    const RecordedBox &box = recorder.boxes()[0];
    EXPECT_EQ("Update Cancelled : Not Enough Hard Drive Space", box.caption);
    EXPECT_EQ("Warning: Not enough free hard drive space on drive. \n\nYou currently have 5242879 Bytes free and "
              "need an additional 1 Bytes to install this patch.\n\nPlease free up additional space and run the "
              "update again.",
              box.text);
    EXPECT_EQ((UINT)(MB_OK | MB_ICONINFORMATION), box.style);
    EXPECT_NE(std::string::npos, recorder.boxes()[1].text.find("have 8000000 Bytes free and need an additional 13189120 "));
}

TEST_F(DriverTest, ShowStringMessageLoadsBothTexts)
{
    MessageBoxRecorder recorder([](const RecordedBox &) { return IDCANCEL; });
    EXPECT_EQ(IDCANCEL, ShowStringMessage(IDS_ERROR, IDS_CANT_COPY, MB_OKCANCEL));
    ASSERT_EQ(1u, recorder.boxes().size());
    EXPECT_EQ("Error", recorder.boxes()[0].caption);
    EXPECT_EQ("Can't copy a needed file.  Program terminating.  Please view 'READNOW.TXT' for instructions on how "
              "to manually apply the maintenance release.",
              recorder.boxes()[0].text);
    EXPECT_EQ((UINT)MB_OKCANCEL, recorder.boxes()[0].style);
}

TEST_F(DriverTest, ShowStringMessageWithAMissingStringShowsNothing)
{
    MessageBoxRecorder recorder;
    EXPECT_EQ(IDCANCEL, ShowStringMessage(IDS_ERROR, 2013, MB_OK));
    EXPECT_EQ(IDCANCEL, ShowStringMessage(2013, IDS_ERROR, MB_OK));
    EXPECT_TRUE(recorder.boxes().empty());
}

// LocateInstallation looks for the media beside the running program, which
// here is this test program.
class LocateInstallationTest : public DriverTest {
protected:
    void SetUp() override
    {
        DriverTest::SetUp();
        char path[MAX_PATH];
        GetModuleFileNameA(nullptr, path, MAX_PATH);
        programDir_ = path;
        programDir_.resize(programDir_.rfind('\\'));
        for (const char *name : kMedia)
            WriteFileText(JoinPath(programDir_, name), "media");
    }
    void TearDown() override
    {
        for (const char *name : kMedia)
            DeleteFileA(JoinPath(programDir_, name).c_str());
    }
    std::string Located(const std::string &registered, int expectedResult = 1)
    {
        RegisterProduct(registered);
        char windowsDir[PATH_CHARS] = "", productDir[PATH_CHARS] = "", sourceDir[PATH_CHARS] = "";
        EXPECT_EQ(expectedResult, LocateInstallation(windowsDir, productDir, sourceDir));
        char expectedWindows[MAX_PATH];
        GetWindowsDirectoryA(expectedWindows, MAX_PATH);
        EXPECT_STREQ(expectedWindows, windowsDir);
        EXPECT_EQ(programDir_, sourceDir);
        return productDir;
    }
    static constexpr const char *kMedia[] = {"PATCH.DLL", "PATCH.PIF", "PATCH.0"};
    ProductRegistryScope registry_;
    std::string programDir_;
};
constexpr const char *LocateInstallationTest::kMedia[];

TEST_F(LocateInstallationTest, FillsTheThreeFoldersWithoutTrailingBackslash)
{
    MessageBoxRecorder recorder;
    EXPECT_EQ("D:\\Apps\\Shell", Located("D:\\Apps\\Shell\\"));
    EXPECT_EQ("D:\\Apps\\Shell", Located("D:\\Apps\\Shell"));
    EXPECT_EQ("D:\\Apps\\Shell\\", Located("D:\\Apps\\Shell\\\\"));
    EXPECT_TRUE(recorder.boxes().empty());
}

TEST_F(LocateInstallationTest, TextWithoutItsNulEndsWithItsDataOrIsRefusedWhenItFillsTheBuffer)
{
    const std::string key = "Software\\Quorvel\\InstalledApps";
    const std::string folder259 = "C:\\" + std::string(256, 'p');
    {
        MessageBoxRecorder recorder;
        RegisterProduct("C:\\Palomid");
        SetRegTextWithoutNul(HKEY_LOCAL_MACHINE, key, "Kelvane Palomid", folder259);
        ASSERT_EQ(259u, ReadRegValue(HKEY_LOCAL_MACHINE, key, "Kelvane Palomid").data.size());
        char windowsDir[PATH_CHARS] = "", productDir[PATH_CHARS] = "", sourceDir[PATH_CHARS] = "";
        EXPECT_EQ(1, LocateInstallation(windowsDir, productDir, sourceDir));
        EXPECT_EQ(folder259, productDir);
        EXPECT_TRUE(recorder.boxes().empty());
    }
    // 260 bytes and no NUL: a text of 260 characters, which the buffer cannot
    // hold. Cut to 259 it would be another folder: not found, message 2004.
    MessageBoxRecorder recorder;
    SetRegTextWithoutNul(HKEY_LOCAL_MACHINE, key, "Kelvane Palomid", folder259 + "q");
    ASSERT_EQ(260u, ReadRegValue(HKEY_LOCAL_MACHINE, key, "Kelvane Palomid").data.size());
    char windowsDir[PATH_CHARS] = "", productDir[PATH_CHARS] = "", sourceDir[PATH_CHARS] = "";
    EXPECT_EQ(0, LocateInstallation(windowsDir, productDir, sourceDir));
    ASSERT_EQ(1u, recorder.boxes().size());
    EXPECT_EQ("Error", recorder.boxes()[0].caption);
    EXPECT_EQ(0u, recorder.boxes()[0].text.find("Can't find a valid installation of Kelvane Palomid."));
}

TEST_F(LocateInstallationTest, MissingFileShowsOneMessage)
{
    DeleteFileA(JoinPath(programDir_, "PATCH.PIF").c_str());
    MessageBoxRecorder recorder;
    Located("C:\\Palomid", 0);
    ASSERT_EQ(1u, recorder.boxes().size());
    EXPECT_EQ("Error", recorder.boxes()[0].caption);
    EXPECT_EQ(0u, recorder.boxes()[0].text.find("Can't find necessary upgrade files."));
}

TEST_F(DriverTest, ProgressWindowShowsItsText)
{
    HWND window = ShowProgressWindow();
    ASSERT_NE(nullptr, window);
    char text[300] = "";
    GetDlgItemTextA(window, IDC_PROGRESS_TEXT, text, sizeof(text));
    EXPECT_STREQ("Copying neccessary files to the Kelvane Palomid folder...", text);
    GetWindowTextA(window, text, sizeof(text));
    EXPECT_STREQ("Kelvane Palomid", text);
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(0, GetWindowLongA(window, GWL_STYLE) & WS_SYSMENU) << "no close box";
    EXPECT_EQ(nullptr, GetParent(window));
    EXPECT_TRUE(DestroyWindow(window));
}

}  // namespace
