// The text work of the dialog definitions: the old packed strings and the
// reader of the built-in text, on plain buffers.
#include <gtest/gtest.h>

#include <windows.h>

#include <string.h>

#include <string>
#include <vector>

#include "migrate/dialog_definition.h"
#include "migrate/dialog_text_reader.h"

namespace {

// A copy of the bytes that ends exactly where an inaccessible page begins, so
// that any read past the end faults.
class GuardedBytes {
public:
    explicit GuardedBytes(const std::string &bytes)
    {
        base_ = (char *)VirtualAlloc(nullptr, 2 * kPage, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        DWORD old;
        VirtualProtect(base_ + kPage, kPage, PAGE_NOACCESS, &old);
        data_ = base_ + kPage - bytes.size();
        memcpy(data_, bytes.data(), bytes.size());
    }
    ~GuardedBytes() { VirtualFree(base_, 0, MEM_RELEASE); }
    const char *data() const { return data_; }

private:
    static const size_t kPage = 65536;
    char *base_;
    char *data_;
};

struct ReadEntry {
    DialogEntryResult result;
    std::string name;
    std::string value;
    int isNumber;
    unsigned int number;
    bool operator==(const ReadEntry &o) const
    {
        return result == o.result && name == o.name && value == o.value && isNumber == o.isNumber &&
               number == o.number;
    }
};

struct ReadSection {
    std::string name;
    std::vector<ReadEntry> entries;
};

std::vector<ReadSection> ReadAll(const std::string &text, DialogTextStep step = StepDialogTextByte)
{
    GuardedBytes bytes(text);
    DialogText reader;
    OpenDialogText(&reader, bytes.data(), (unsigned int)text.size(), step);
    std::vector<ReadSection> sections;
    while (const char *name = ReadDialogSectionName(&reader)) {
        ReadSection section{name, {}};
        DialogTextEntry entry;
        DialogEntryResult result;
        while ((result = ReadDialogEntry(&reader, &entry)) != DIALOG_SECTION_END) {
            if (result == DIALOG_ENTRY)
                section.entries.push_back(
                    {result, entry.name, std::string(entry.value, entry.valueBytes), entry.isNumber, entry.number});
            else
                section.entries.push_back({result, "", "", 0, 0});
        }
        sections.push_back(section);
    }
    return sections;
}

TEST(PackedFields, DecimalDigitsSkipOthersAndWrap)
{
    struct {
        const char *field;
        unsigned int value;
    } cases[] = {{"", 0},          {"0", 0},          {"1137", 1137},       {"12a4", 124},
                 {" 7-", 7},       {"x", 0},          {"4294967295", 0xFFFFFFFFu},
                 {"4294967296", 0}, {"4294967306", 10}, {"00000000000000000012", 12}};
    for (const auto &c : cases)
        EXPECT_EQ(c.value, ParseDecimalDigits(c.field)) << c.field;
}

TEST(PackedFields, FieldsAdvancePastCommasAndStopAtTheEnd)
{
    const char text[] = "ab,,c";
    unsigned int position = 0;
    char field[16];
    EXPECT_EQ(2, NextPackedField(text, &position, field, sizeof(field)));
    EXPECT_STREQ("ab", field);
    EXPECT_EQ(3u, position);
    EXPECT_EQ(0, NextPackedField(text, &position, field, sizeof(field)));
    EXPECT_EQ(4u, position);
    EXPECT_EQ(1, NextPackedField(text, &position, field, sizeof(field)));
    EXPECT_STREQ("c", field);
    EXPECT_EQ(5u, position);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(0, NextPackedField(text, &position, field, sizeof(field)));
        EXPECT_STREQ("", field);
        EXPECT_EQ(5u, position);
    }
}

TEST(PackedFields, LongFieldIsCutButPassedWhole)
{
    const char text[] = "abcdefgh,next";
    unsigned int position = 0;
    char field[5] = "zzzz";
    EXPECT_EQ(4, NextPackedField(text, &position, field, sizeof(field)));
    EXPECT_STREQ("abcd", field);
    EXPECT_EQ(9u, position);
    EXPECT_EQ(4, NextPackedField(text, &position, field, sizeof(field)));
    EXPECT_STREQ("next", field);
}

TEST(OldDefinition, ShortEntriesLeaveNothingFromTheEntryBefore)
{
    DialogDefinition d;
    ParseOldDialogDefinition("3,x,EdFrame,#32770,Open,1137,1088,1152,ListBox,,Edit,1000,,,1152,1120,1121", &d);
    ASSERT_EQ(1, d.TestCtrlCount);
    strcpy(d.name, "stale");
    d.disable = 1;
    ParseOldDialogDefinition("3,x,Own,Win,Title,1,2,3", &d);
    EXPECT_STREQ("", d.name);
    EXPECT_EQ(0, d.disable);
    EXPECT_STREQ("Own", d.ownerClass);
    EXPECT_STREQ("Title", d.windowTitle);
    EXPECT_EQ(3u, d.fileNameCtrlId);
    EXPECT_EQ(0, d.TestCtrlCount);
    EXPECT_EQ(0u, d.lfnEditCtrlId);
    EXPECT_EQ(0u, d.lfnFileListCtrlId);
    EXPECT_EQ(0u, d.lfnFolderListCtrlId);

    ParseOldDialogDefinition("", &d);
    EXPECT_STREQ("", d.ownerClass);
    EXPECT_STREQ("", d.windowClass);
    EXPECT_STREQ("", d.windowTitle);
    EXPECT_EQ(0u, d.driveNameCtrlId);
}

TEST(OldDefinition, AFlagFieldAsLongAsTheWholeEntryKeepsEveryDigit)
{
    // Guards docs/behaviour.md, "Whole numbers".
    // 256 characters, no comma: the flag field is the whole entry, and its
    // last digit counts like the others (100: flags 3, long-file-name 6).
    const std::string packed = std::string(253, '0') + "100";
    DialogDefinition d;
    ParseOldDialogDefinition(packed.c_str(), &d);
    EXPECT_EQ(3u, d.fileStewardFlags);
    EXPECT_EQ(6u, d.lfnFlags);
    EXPECT_STREQ("", d.ownerClass);
    EXPECT_EQ(0, d.TestCtrlCount);
}

std::string Text(std::initializer_list<std::string> lines)
{
    std::string text;
    for (const std::string &line : lines)
        text += line + '\0';
    return text;
}

// The value rules are shown through the loader in the registry; here, what
// only the reader decides.
TEST(DefinitionText, KeyNamesUpTo255BytesAndLinesWithoutEquals)
{
    std::string text = Text({"S", std::string(255, 'k') + "=kept", std::string(256, 's') + "=skipped", "no equals",
                             "Upper=0XfF", "=a=b", "", ""});
    std::vector<ReadSection> s = ReadAll(text);
    ASSERT_EQ(1u, s.size());
    std::vector<ReadEntry> expected = {{DIALOG_ENTRY, std::string(255, 'k'), "kept", 0, 0},
                                       {DIALOG_ENTRY_SKIPPED, "", "", 0, 0},
                                       {DIALOG_ENTRY_SKIPPED, "", "", 0, 0},
                                       {DIALOG_ENTRY, "Upper", "0XfF", 1, 0xFF},
                                       {DIALOG_ENTRY, "", "a=b", 0, 0}};
    EXPECT_EQ(expected, s[0].entries);
}

TEST(DefinitionText, EmptyTextOrEmptyFirstNameHasNoSections)
{
    EXPECT_TRUE(ReadAll("").empty());
    EXPECT_TRUE(ReadAll(std::string(1, '\0')).empty());
    EXPECT_TRUE(ReadAll(std::string("\0A\0X=1\0\0\0", 10)).empty());
    // Whatever follows the empty name is ignored.
    EXPECT_EQ(1u, ReadAll(std::string("A\0\0\0B\0\0\0", 8)).size());
}

// A text cut anywhere is read up to the cut: every complete line as in the
// whole text, nothing from the cut line, and no byte past the end.
TEST(DefinitionText, CutTextNeverReadsPastItsEnd)
{
    std::string whole = Text({"First", "A=0x0471", "B=text", "", "Second", "C=0x1", "", ""});
    std::vector<ReadSection> all = ReadAll(whole);
    ASSERT_EQ(2u, all.size());
    for (size_t size = 0; size <= whole.size(); ++size) {
        std::vector<ReadSection> cut = ReadAll(whole.substr(0, size));
        ASSERT_LE(cut.size(), all.size()) << size;
        for (size_t i = 0; i < cut.size(); ++i) {
            EXPECT_EQ(all[i].name, cut[i].name) << size;
            ASSERT_LE(cut[i].entries.size(), all[i].entries.size()) << size;
            for (size_t j = 0; j < cut[i].entries.size(); ++j)
                EXPECT_EQ(all[i].entries[j], cut[i].entries[j]) << size;
        }
    }
    // A name cut before its NUL starts no section; a line cut before its NUL is not taken.
    EXPECT_EQ(1u, ReadAll(whole.substr(0, whole.find("Second") + 3)).size());
    EXPECT_EQ(1u, ReadAll(whole.substr(0, whole.find("B=text") + 6))[0].entries.size());
}

// A step for a code page where bytes from 0x80 up lead two-byte characters.
// It looks at the byte after the lead byte, as the system's step does.
const char *StepDoubleByte(const char *c)
{
    if ((unsigned char)c[0] >= 0x80 && c[1])
        return c + 2;
    return c + 1;
}

// The same, but careless: steps over whatever follows a lead byte.
const char *StepOverAnything(const char *c)
{
    return (unsigned char)c[0] >= 0x80 ? c + 2 : c + 1;
}

TEST(DefinitionText, DoubleByteCharactersStepAsOne)
{
    const std::string line = "X=0x1\x81\x41";
    EXPECT_EQ(0x10Au, ReadAll(Text({"S", line, "", ""}))[0].entries[0].number);
    EXPECT_EQ(0x10u, ReadAll(Text({"S", line, "", ""}), StepDoubleByte)[0].entries[0].number);
    EXPECT_EQ(0x10u, DialogHexValue(line.c_str() + 2, line.c_str() + line.size(), StepDoubleByte));

    // A lead byte right before a NUL, or as the last byte, never takes the NUL
    // or the end with it.
    std::vector<ReadSection> s = ReadAll(Text({"S\x81", "X=0x1\x81", "Y=2", "", ""}), StepOverAnything);
    ASSERT_EQ(1u, s.size());
    EXPECT_EQ("S\x81", s[0].name);
    ASSERT_EQ(2u, s[0].entries.size());
    EXPECT_EQ(0x10u, s[0].entries[0].number);
    EXPECT_EQ("Y", s[0].entries[1].name);
    EXPECT_TRUE(ReadAll(std::string("S\0X=\x81", 5), StepDoubleByte)[0].entries.empty());
}

}  // namespace
