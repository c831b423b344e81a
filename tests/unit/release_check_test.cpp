// The installed release check in-process, with real version resources and the
// real registry, and the release-1.0 undo defaults read back byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "driver/classify_release.h"
#include "driver/driver.h"
#include "driver/release_text.h"
#include "files.h"
#include "installation.h"
#include "message_boxes.h"
#include "migrate/migrate.h"
#include "registry.h"
#include "expected_messages.h"
#include "registry_compare.h"

namespace {

const char kUndoKey[] = "SOFTWARE\\Quorvel\\Palomid\\ZELFSV4\\Undo";
const char kExceptionKey[] = "SOFTWARE\\Quorvel\\Palomid\\ZELFSV4\\Undo\\Exception";
const char kUntouched[] = "untouched";

TEST(ClassifyRelease, LiteralsAreSearchedForTheText)
{
    const struct {
        const char *text;
        int release;
    } cases[] = {{"", 1},       {"0", 1},      {"1", 1},      {".0", 1},     {"1.0", 1},      {"1.0.0", 1},
                 {"95", 2},     {"95.0.a", 2}, {"95.0.A", 2}, {"5.0.b", 3},  {"95.0.b", 3},   {"95.0.B", 3},
                 {"95.0.c", 0}, {"1.00", 0},   {"95.0.b1", 0}, {" 1.0.0", 0}, {"Version 1.0", 0}};
    for (const auto &c : cases)
        EXPECT_EQ(c.release, ClassifyRelease(c.text)) << '"' << c.text << '"';
}

// Runs ExtractReleaseText into a guarded buffer; "untouched" when it refused.
std::string Extract(const std::string &productVersion, int expectedResult)
{
    char buffer[PATH_CHARS + 8];
    memset(buffer, 0x5A, sizeof(buffer));
    memcpy(buffer, kUntouched, sizeof(kUntouched));
    EXPECT_EQ(expectedResult, ExtractReleaseText(productVersion.c_str(), buffer, PATH_CHARS)) << productVersion;
    for (size_t i = PATH_CHARS; i < sizeof(buffer); ++i)
        EXPECT_EQ(0x5A, (unsigned char)buffer[i]) << "wrote past the buffer for " << productVersion;
    return buffer;
}

TEST(ReleaseText, PrefixRuleTakesWhatFollowsTheFirstBlank)
{
    EXPECT_EQ("95.0.b", Extract("Version 95.0.b", 1));
    EXPECT_EQ("1.0.0", Extract("V 1.0.0", 1));
    EXPECT_EQ("1.0", Extract("v 1.0", 1));
    EXPECT_EQ("1.0 beta", Extract("ver. 1.0 beta", 1));
    EXPECT_EQ(" 1.0", Extract("V  1.0", 1)) << "only the first blank is dropped";
    EXPECT_EQ("1.0.0", Extract("1.0.0", 1));
    EXPECT_EQ(" 1.0.0", Extract(" 1.0.0", 1)) << "a leading blank is kept";
    EXPECT_EQ("95.0.b (vx)", Extract("95.0.b (vx)", 1));
}

TEST(ReleaseText, NoReleaseWithoutABlankOrWithNothingLeft)
{
    // An empty release would occur inside every literal and pass as 1.0.
    for (const char *text : {"Version1.0.0", "v", "V", "V ", "Version ", ""})
        EXPECT_EQ(kUntouched, Extract(text, 0)) << '"' << text << '"';
}

TEST(ReleaseText, ReleaseTooLongForTheBufferIsRefusedNotCut)
{
    std::string longest(PATH_CHARS - 1, 'x');
    EXPECT_EQ(longest, Extract(longest, 1));
    EXPECT_EQ(longest, Extract("V " + longest, 1));
    EXPECT_EQ(kUntouched, Extract(longest + "1", 0));
    EXPECT_EQ(kUntouched, Extract("Version " + longest + "1", 0));
}

TEST(ReleaseText, ComponentPathIsTheFolderAsStoredOrNothing)
{
    char path[PATH_CHARS + 8];
    memset(path, 0x5A, sizeof(path));
    EXPECT_EQ(1, FormComponentPath("D:\\Apps\\Shell", path, PATH_CHARS));
    EXPECT_STREQ("D:\\Apps\\Shell\\ZELFSV4.DLL", path);
    EXPECT_EQ(1, FormComponentPath("D:\\Apps\\Shell\\", path, PATH_CHARS));
    EXPECT_STREQ("D:\\Apps\\Shell\\\\ZELFSV4.DLL", path) << "the stored backslash stays";

    const std::string tail = "\\ZELFSV4.DLL";
    const std::string fits(PATH_CHARS - 1 - tail.size(), 'd');
    EXPECT_EQ(1, FormComponentPath(fits.c_str(), path, PATH_CHARS));
    EXPECT_EQ(fits + tail, path);
    // One character more and a cut path would name "...\ZELFSV4.DL".
    EXPECT_EQ(0, FormComponentPath((fits + "d").c_str(), path, PATH_CHARS));
    EXPECT_STREQ("", path);
    EXPECT_EQ(0, FormComponentPath("", path, PATH_CHARS)) << "no folder is not the current drive's root";
    EXPECT_STREQ("", path);
    for (size_t i = PATH_CHARS; i < sizeof(path); ++i)
        EXPECT_EQ(0x5A, (unsigned char)path[i]);
}

class ReleaseCheckTest : public ::testing::Test {
protected:
    ProductRegistryScope registry_;
    std::string product_ = ScratchDir("release-check\\product");

    void SetUp() override { ModuleInstance = GetModuleHandleA(nullptr); }

    struct Read {
        int accepted;
        std::string installed;
    };

    static Read ReadInstalled(const std::string &expected)
    {
        char installed[PATH_CHARS + 8];
        memset(installed, 0x5A, sizeof(installed));
        memcpy(installed, kUntouched, sizeof(kUntouched));
        Read read;
        read.accepted = IsInstalledReleaseAccepted(expected.c_str(), installed);
        for (size_t i = PATH_CHARS; i < sizeof(installed); ++i)
            EXPECT_EQ(0x5A, (unsigned char)installed[i]) << "wrote past the release buffer";
        read.installed = installed;
        return read;
    }
};

TEST_F(ReleaseCheckTest, ReadsTheReleaseOfEachVersionBlock)
{
    const std::string longest(PATH_CHARS - 1, 'x');
    const struct {
        const char *fixture;
        const char *expected;
        int accepted;
        std::string installed;
    } cases[] = {
        {"release_1_0_0", "1.0", 1, "1.0.0"},
        {"release_1_0_0", "0", 1, "1.0.0"},
        {"release_1_0_0", "95.0.a", 0, "1.0.0"},
        {"lower_v_1_0", "1.0", 1, "1.0"},
        {"v_1_0_0", "95.0.a", 0, "1.0.0"},
        {"release_95_0_a", "95.0.a", 1, "95.0.a"},
        {"release_95_0_a", "95.0.A", 1, "95.0.a"},
        {"release_95_0_a", "0", 0, "95.0.a"},
        {"version_95_0_b", "1.0", 0, "95.0.b"},
        {"release_95_0_B", "95.0.a", 0, "95.0.B"},
        {"leading_blank", "1.0", 0, " 1.0.0"},
        {"leading_blank", "95.0.c", 1, " 1.0.0"},
        // The query names the language, then the code page, of the first
        // translation entry.
        {"other_language", "95.0.a", 1, "95.0.a"},
        {"second_translation", "1.0", 1, "1.0.0"},
        {"longest_release", "2.0", 1, longest},
        // No release text: refused, and the buffer is not written.
        {"too_long_release", "2.0", 0, kUntouched},
        {"version_without_blank", "1.0", 0, kUntouched},
        {"version_without_blank", "2.0", 0, kUntouched},
        {"no_product_version", "1.0", 0, kUntouched},
        {"no_translation", "1.0", 0, kUntouched},
        {"block_not_translated", "1.0", 0, kUntouched},
    };
    for (const auto &c : cases) {
        ProductRegistryScope::Clear();
        product_ = ScratchDir("release-check\\product");
        InstallProduct(product_, c.fixture);
        Read read = ReadInstalled(c.expected);
        EXPECT_EQ(c.accepted, read.accepted) << c.fixture << " for " << c.expected;
        EXPECT_EQ(c.installed, read.installed) << c.fixture << " for " << c.expected;
    }
}

TEST_F(ReleaseCheckTest, RegisteredFolderIsUsedAsStored)
{
    const std::string key = "SOFTWARE\\Quorvel\\InstalledApps";
    InstallProduct(product_, "release_1_0_0", product_ + "\\");
    EXPECT_EQ(1, ReadInstalled("1.0").accepted) << "trailing backslash";

    // The type is not looked at: a REG_BINARY folder without a terminator
    // still names the folder.
    SetRegBinary(HKEY_LOCAL_MACHINE, key, "Kelvane Palomid", Bytes(product_.begin(), product_.end()));
    Read read = ReadInstalled("1.0");
    EXPECT_EQ(1, read.accepted) << "binary registration";
    EXPECT_EQ("1.0.0", read.installed);
}

TEST_F(ReleaseCheckTest, NothingToReadIsRefusedWithTheBufferUntouched)
{
    struct Case {
        const char *what;
        void (*prepare)(const std::string &product);
    };
    const Case cases[] = {
        {"no registration key", [](const std::string &) {}},
        {"no registration value",
         [](const std::string &) { SetRegString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quorvel\\InstalledApps", "Other", "x"); }},
        {"empty registration", [](const std::string &) { RegisterProduct(""); }},
        {"registration longer than its buffer",
         [](const std::string &product) { RegisterProduct(product + std::string(1100, '\\')); }},
        {"path longer than 259 characters",
         [](const std::string &product) { RegisterProduct(product + std::string(260, '\\')); }},
        {"component missing", [](const std::string &product) { RegisterProduct(product); }},
        {"component without a version resource",
         [](const std::string &product) {
             WriteFileText(JoinPath(product, "ZELFSV4.DLL"), "not a program");
             RegisterProduct(product);
         }},
        {"component is a folder",
         [](const std::string &product) {
             MakeDir(JoinPath(product, "ZELFSV4.DLL"));
             RegisterProduct(product);
         }},
    };
    for (const Case &c : cases) {
        ProductRegistryScope::Clear();
        product_ = ScratchDir("release-check\\product");
        c.prepare(product_);
        Read read = ReadInstalled("0");
        EXPECT_EQ(0, read.accepted) << c.what;
        EXPECT_EQ(kUntouched, read.installed) << c.what;
    }
}

TEST_F(ReleaseCheckTest, CutComponentPathNeverOpensAnotherFile)
{
    // A folder whose component path is 260 characters: cut to the buffer it
    // would read "...\ZELFSV4.DL", which holds a readable 1.0.0 component.
    std::string folder = product_;
    while (folder.size() < PATH_CHARS - 12) {
        size_t part = std::min<size_t>(100, PATH_CHARS - 12 - folder.size() - 1);
        if (part == 0)
            break;
        folder += "\\" + std::string(part, 'd');
        MakeDir(folder);
    }
    ASSERT_EQ((size_t)PATH_CHARS - 12, folder.size());
    const std::string component = folder + "\\ZELFSV4.DLL";
    ASSERT_EQ((size_t)PATH_CHARS, component.size());
    ASSERT_TRUE(CopyFileA(VersionFixture("release_1_0_0").c_str(), component.substr(0, PATH_CHARS - 1).c_str(), FALSE))
        << "the decoy must exist for the test to mean anything";
    RegisterProduct(folder);
    Read read = ReadInstalled("1.0");
    EXPECT_EQ(0, read.accepted);
    EXPECT_EQ(kUntouched, read.installed);
}

TEST_F(ReleaseCheckTest, MismatchMessages)
{
    const std::string installedLong(PATH_CHARS - 1, 'x');
    const struct {
        const char *expected;
        std::string installed;
        std::string text;  // empty: no box
    } cases[] = {
        {"1.0", "95.0.a", WrongPatchText("1.0", "95.0.a", "A-to-95B.EXE")},
        {"95.0.a", "1.0.0", WrongPatchText("95.0.a", "1.0.0", "1-to-95B.EXE")},
        {"95.0.A", "1.0", WrongPatchText("95.0.A", "1.0", "1-to-95B.EXE")},
        // An unreadable component leaves the installed release empty.
        {"1.0", "", WrongPatchText("1.0", "", "A-to-95B.EXE")},
        // The longest releases still fit the message whole (over 500 characters).
        {"1.0", installedLong, WrongPatchText("1.0", installedLong, "A-to-95B.EXE")},
        {"1.0", "95.0.b", kAlreadyPatched},
        {"95.0.a", "95.0.B", kAlreadyPatched},
        {"0", "95.0.b", kAlreadyPatched},
        {"1.0.0", "95.0.b", kAlreadyPatched},
        // Only exact texts choose a patch to suggest.
        {"1.0.0", "95.0.a", ""},
        {"0", "95.0.a", ""},
        {"95.0.b", "1.0.0", ""},
        {"1.0 ", "95.0.a", ""},
        {"95.0.b", "95.0.b1", ""},
    };
    for (const auto &c : cases) {
        MessageBoxRecorder recorder;
        ReportReleaseMismatch(c.expected, c.installed.c_str());
        if (c.text.empty()) {
            EXPECT_TRUE(recorder.boxes().empty()) << c.expected << " / " << c.installed;
            continue;
        }
        ASSERT_EQ(1u, recorder.boxes().size()) << c.expected << " / " << c.installed;
        const RecordedBox &box = recorder.boxes()[0];
        EXPECT_EQ("Update Cancelled", box.caption);
        EXPECT_EQ(c.text, box.text);
        EXPECT_EQ((UINT)(MB_OK | MB_ICONINFORMATION), box.style);
    }
}

// The undo defaults, as the registry holds them.
RegValue Pattern(const std::string &text)
{
    RegValue value;
    value.exists = true;
    value.type = REG_SZ;
    value.data.assign(100, 0);
    std::copy(text.begin(), text.end(), value.data.begin());
    return value;
}

std::string KeyClass(const char *path)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "(no key)";
    char keyClass[64] = "";
    DWORD length = sizeof(keyClass);
    LONG status = RegQueryInfoKeyA(key, keyClass, &length, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                   nullptr, nullptr, nullptr);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? std::string(keyClass, length) : "(no class)";
}

const char *const kPatterns[] = {"~*.*", "*.TMP", "ShellIconCache", "VEZO.DAT", "*._MP", "_INS*.*", "_IS*.*"};

void ExpectExceptionDefaults()
{
    EXPECT_EQ(Dword(7), ReadRegValue(HKEY_LOCAL_MACHINE, kExceptionKey, "Count"));
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(Pattern(kPatterns[i]), ReadRegValue(HKEY_LOCAL_MACHINE, kExceptionKey, std::to_string(i)))
            << "pattern " << i;
}

TEST_F(ReleaseCheckTest, UndoDefaultsByteForByte)
{
    WriteUndoExceptionDefaults();
    EXPECT_EQ(Dword(1), ReadRegValue(HKEY_LOCAL_MACHINE, kUndoKey, "Default Merged"));
    ExpectExceptionDefaults();
    RegValue cache = ReadRegValue(HKEY_LOCAL_MACHINE, kExceptionKey, "2");
    EXPECT_EQ("ShellIconCache", cache.Text());
    EXPECT_EQ(100u, cache.data.size());
    EXPECT_EQ("SOFTWARE", KeyClass(kUndoKey));
    EXPECT_EQ("SOFTWARE", KeyClass(kExceptionKey));
    // Nothing else is written anywhere under the product's key.
    RegValue key;
    key.exists = true;
    RegSnapshot expected = {{"|", key},
                            {"\\zelfsv4|", key},
                            {"\\zelfsv4\\undo|", key},
                            {"\\zelfsv4\\undo|default merged", Dword(1)},
                            {"\\zelfsv4\\undo\\exception|", key},
                            {"\\zelfsv4\\undo\\exception|count", Dword(7)}};
    for (int i = 0; i < 7; ++i)
        expected["\\zelfsv4\\undo\\exception|" + std::to_string(i)] = Pattern(kPatterns[i]);
    EXPECT_EQ(expected, SnapshotRegTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quorvel\\Palomid"));
}

TEST_F(ReleaseCheckTest, UndoDefaultsOverwriteTheirOwnValuesOnly)
{
    SetRegDword(HKEY_LOCAL_MACHINE, kUndoKey, "Default Merged", 0);
    SetRegString(HKEY_LOCAL_MACHINE, kUndoKey, "Other", "kept");
    SetRegString(HKEY_LOCAL_MACHINE, kExceptionKey, "3", "OLD.DAT");
    SetRegDword(HKEY_LOCAL_MACHINE, kExceptionKey, "Count", 9);
    SetRegString(HKEY_LOCAL_MACHINE, kExceptionKey, "7", "*.BAK");
    WriteUndoExceptionDefaults();
    RegSnapshot once = SnapshotRegTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quorvel\\Palomid");
    WriteUndoExceptionDefaults();
    EXPECT_EQ(once, SnapshotRegTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quorvel\\Palomid")) << "a second run changes nothing";
    EXPECT_EQ(Dword(1), ReadRegValue(HKEY_LOCAL_MACHINE, kUndoKey, "Default Merged"));
    EXPECT_EQ("kept", ReadRegValue(HKEY_LOCAL_MACHINE, kUndoKey, "Other").Text());
    ExpectExceptionDefaults();
    EXPECT_EQ("*.BAK", ReadRegValue(HKEY_LOCAL_MACHINE, kExceptionKey, "7").Text());
}

// Gives a key a security descriptor that lets nobody open it for writing.
bool DenyWriting(const char *path, bool deny)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, WRITE_DAC, &key) != ERROR_SUCCESS)
        return false;
    SECURITY_DESCRIPTOR sd;
    InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
    // An empty list of rights denies everything; no list at all allows it.
    char aclBuffer[64];
    ACL *acl = (ACL *)aclBuffer;
    InitializeAcl(acl, sizeof(aclBuffer), ACL_REVISION);
    SetSecurityDescriptorDacl(&sd, TRUE, deny ? acl : nullptr, FALSE);
    LONG status = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &sd);
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

TEST_F(ReleaseCheckTest, ExceptionKeyWrittenWhenTheUndoKeyCannotBe)
{
    CreateRegKey(HKEY_LOCAL_MACHINE, kExceptionKey);
    ASSERT_TRUE(DenyWriting(kUndoKey, true));
    HKEY probe;
    bool locked = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUndoKey, 0, KEY_ALL_ACCESS, &probe) != ERROR_SUCCESS;
    if (!locked)
        RegCloseKey(probe);
    WriteUndoExceptionDefaults();
    DenyWriting(kUndoKey, false);
    ASSERT_TRUE(locked) << "the Undo key could not be locked";
    EXPECT_FALSE(ReadRegValue(HKEY_LOCAL_MACHINE, kUndoKey, "Default Merged").exists);
    ExpectExceptionDefaults();
}

TEST_F(ReleaseCheckTest, OnlyTheFlagWhenTheExceptionKeyCannotBeCreated)
{
    // A volatile Undo key cannot hold the non-volatile Exception key.
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, kUndoKey, 0, nullptr, REG_OPTION_VOLATILE,
                                             KEY_ALL_ACCESS, nullptr, &key, nullptr));
    RegCloseKey(key);
    WriteUndoExceptionDefaults();
    EXPECT_EQ(Dword(1), ReadRegValue(HKEY_LOCAL_MACHINE, kUndoKey, "Default Merged"));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kExceptionKey));
}

}  // namespace
