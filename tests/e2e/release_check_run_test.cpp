// The installed release check through the real program: for each pair of the
// media's release and the installed component's version block, the exact
// message (or none), the exit code, and whether the release-1.0 undo
// defaults were written.
#include <gtest/gtest.h>

#include <string>

#include "files.h"
#include "installation.h"
#include "program_runner.h"
#include "registry.h"
#include "expected_messages.h"

namespace {

const DWORD kFailed = 0xFFFFFFFF;
const char kUndoKey[] = "SOFTWARE\\Quorvel\\Palomid\\ZELFSV4\\Undo";
const char kExceptionKey[] = "SOFTWARE\\Quorvel\\Palomid\\ZELFSV4\\Undo\\Exception";
const char kCancelled[] = "Update Cancelled";

class ReleaseCheckRun : public ::testing::Test {
protected:
    ProductRegistryScope registry_;
    std::string media_;
    std::string product_;

    // A fresh installation of the fixture's component (none when empty),
    // registered with or without a trailing backslash, media for the release
    // (no patch.ini when empty), and one run.
    RunResult Run(const std::string &release, const std::string &fixture, bool trailingBackslash = false)
    {
        ProductRegistryScope::Clear();
        media_ = ScratchDir("release-run\\media");
        product_ = ScratchDir("release-run\\product");
        MakeMedia(media_, release, PatternBytes(64), PatternBytes(967), PatternBytes(100));
        if (!fixture.empty())
            InstallProduct(product_, fixture);
        RegisterProduct(trailingBackslash ? product_ + "\\" : product_);
        RunResult run = RunProgramFrom(media_, "");
        EXPECT_FALSE(run.timedOut);
        return run;
    }

    // The engine is the first file the run stages, and only after the check.
    bool EngineStaged() const
    {
        return FileExists(JoinPath(product_, "Patch.dll")) || FileExists(JoinPath(product_, "Patch.exe"));
    }

    void ExpectRefusedWith(const RunResult &run, const std::string &text, const std::string &what)
    {
        EXPECT_EQ(kFailed, run.exitCode) << what;
        EXPECT_FALSE(run.progressShown) << what;
        EXPECT_FALSE(EngineStaged()) << what;
        EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kUndoKey)) << what;
        if (text.empty()) {
            EXPECT_TRUE(run.boxes.empty()) << what;
            return;
        }
        ASSERT_EQ(1u, run.boxes.size()) << what;
        EXPECT_EQ(kCancelled, run.boxes[0].caption) << what;
        EXPECT_EQ(text, run.boxes[0].text) << what;
        EXPECT_EQ((UINT)MB_OK, run.boxes[0].style & MB_TYPEMASK) << what;
        EXPECT_NE(0u, run.boxes[0].style & MB_ICONMASK) << what << ": the information icon";
    }

    // An accepted release lets the run go on to staging; what follows
    // belongs to the later steps. (The progress window may come and go
    // between two looks of the runner, so the staged engine is the sign.)
    void ExpectAccepted(const RunResult &run, const std::string &what)
    {
        EXPECT_TRUE(EngineStaged()) << what;
        for (const RecordedBox &box : run.boxes)
            EXPECT_NE(kCancelled, box.caption) << what << ": " << box.text;
    }

    static void ExpectUndoDefaults(bool written, const std::string &what)
    {
        RegValue merged = ReadRegValue(HKEY_LOCAL_MACHINE, kUndoKey, "Default Merged");
        RegValue count = ReadRegValue(HKEY_LOCAL_MACHINE, kExceptionKey, "Count");
        RegValue cache = ReadRegValue(HKEY_LOCAL_MACHINE, kExceptionKey, "2");
        if (!written) {
            EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kUndoKey)) << what;
            return;
        }
        EXPECT_EQ((DWORD)REG_DWORD, merged.type) << what;
        EXPECT_EQ(1u, merged.Dword()) << what;
        EXPECT_EQ((DWORD)REG_DWORD, count.type) << what;
        EXPECT_EQ(7u, count.Dword()) << what;
        EXPECT_EQ((DWORD)REG_SZ, cache.type) << what;
        // Written with a data length of 100; Windows 95 keeps the text and its NUL.
        EXPECT_EQ(sizeof("ShellIconCache"), cache.data.size()) << what;
        EXPECT_EQ("ShellIconCache", cache.Text()) << what;
        for (int i = 0; i < 7; ++i) {
            RegValue pattern = ReadRegValue(HKEY_LOCAL_MACHINE, kExceptionKey, std::to_string(i));
            EXPECT_EQ(pattern.Text().size() + 1, pattern.data.size()) << what;
            EXPECT_GT(pattern.Text().size(), 0u) << what;
        }
    }
};

TEST_F(ReleaseCheckRun, RefusedReleasesShowTheirMessageAndEndWithMinusOne)
{
    const struct {
        const char *release;  // patch.ini; "" for none
        const char *fixture;
        std::string text;     // "" for no message
    } cases[] = {
        {"1.0", "release_95_0_a", WrongPatchText("1.0", "95.0.a", "A-to-95B.EXE")},
        {"95.0.a", "release_1_0_0", WrongPatchText("95.0.a", "1.0.0", "1-to-95B.EXE")},
        {"95.0.a", "v_1_0_0", WrongPatchText("95.0.a", "1.0.0", "1-to-95B.EXE")},
        {"1.0", "version_95_0_b", kAlreadyPatched},
        {"95.0.a", "version_95_0_b", kAlreadyPatched},
        {"95.0.a", "release_95_0_B", kAlreadyPatched},
        {"", "release_95_0_a", ""},
        // A class-1 release that is not exactly "1.0" suggests no patch.
        {"1.0.0", "release_95_0_a", ""},
        // A leading blank makes a release of no known kind.
        {"1.0", "leading_blank", WrongPatchText("1.0", " 1.0.0", "A-to-95B.EXE")},
    };
    for (const auto &c : cases) {
        RunResult run = Run(c.release, c.fixture);
        ExpectRefusedWith(run, c.text, std::string(c.release) + " / " + c.fixture);
    }
}

TEST_F(ReleaseCheckRun, UnreadableReleaseIsReportedAsNoneInstalled)
{
    // Without a release text the message names none: two blanks between
    // "have" and "installed".
    for (const char *fixture : {"", "no_product_version", "no_translation", "block_not_translated",
                                "version_without_blank", "too_long_release"}) {
        RunResult run = Run("1.0", fixture);
        ExpectRefusedWith(run, WrongPatchText("1.0", "", "A-to-95B.EXE"), std::string("1.0 / ") + fixture);
    }
    RunResult run = Run("95.0.a", "no_product_version");
    ExpectRefusedWith(run, WrongPatchText("95.0.a", "", "1-to-95B.EXE"), "95.0.a / no ProductVersion");
    run = Run("", "no_product_version");
    ExpectRefusedWith(run, "", "no patch.ini / no ProductVersion");

    // A component that is no program at all.
    ProductRegistryScope::Clear();
    media_ = ScratchDir("release-run\\media");
    product_ = ScratchDir("release-run\\product");
    MakeMedia(media_, "1.0", PatternBytes(64), PatternBytes(967), PatternBytes(100));
    WriteFileText(JoinPath(product_, "ZELFSV4.DLL"), "MZ but nothing more");
    RegisterProduct(product_);
    run = RunProgramFrom(media_, "");
    ExpectRefusedWith(run, WrongPatchText("1.0", "", "A-to-95B.EXE"), "1.0 / component without resources");
}

TEST_F(ReleaseCheckRun, ReleaseOneGetsTheUndoDefaults)
{
    const struct {
        const char *release;
        const char *fixture;
        bool trailingBackslash;
    } cases[] = {
        {"1.0", "release_1_0_0", false},
        {"1.0", "release_1_0_0", true},
        {"1.0", "lower_v_1_0", false},
        {"1.0", "second_translation", false},
        {"", "release_1_0_0", false},  // "0" occurs inside "1.0"
    };
    for (const auto &c : cases) {
        std::string what = std::string(c.release) + " / " + c.fixture + (c.trailingBackslash ? " registered with \\" : "");
        RunResult run = Run(c.release, c.fixture, c.trailingBackslash);
        ExpectAccepted(run, what);
        ExpectUndoDefaults(true, what);
    }
}

TEST_F(ReleaseCheckRun, ReleaseNinetyFiveAIsAcceptedWithoutUndoDefaults)
{
    for (const char *fixture : {"release_95_0_a", "other_language"}) {
        RunResult run = Run("95.0.a", fixture);
        ExpectAccepted(run, fixture);
        ExpectUndoDefaults(false, fixture);
    }
}

}  // namespace
