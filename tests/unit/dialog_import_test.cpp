// The dialog definitions in the real registry: the built-in resource linked
// into this program, the conversion of the old lists, and the loader's rules.
#include <gtest/gtest.h>

#include <windows.h>

#include <string.h>

#include <set>
#include <string>
#include <vector>

#include "migrate/migrate.h"
#include "migrate/dialog_import.h"
#include "import_slots.h"
#include "registry.h"
#include "registry_compare.h"

namespace {

const char kDialogs[] = "Software\\Quorvel\\Palomid\\FileSteward\\Dialogs";
const std::string kDialogsPath = kDialogs;
const std::string kInclude = kDialogsPath + "\\Include";
const std::string kExclude = kDialogsPath + "\\Exclude";
const char kMyEditor[] = "3,x,EdFrame,#32770,Open,1137,1088,1152,ListBox,,Edit,1000,,,1152,1120,1121";

struct Section {
    const char *name;
    std::vector<std::string> entries;
};

// The built-in definitions, written out here apart from the resource script.
const Section kSections[] = {
    {"Common Dialogs (16bit)",
     {"DriveNameCtrlId=0x0471", "FolderNameCtrlId=0x0440", "FileNameCtrlId=0x0480", "LFNEditCtrlId=0x0480",
      "LFNFileListCtrlId=0x0460", "LFNFolderListCtrlId=0x0461", "TestCtrlId1=0x0471", "TestCtrlId2=0x0440",
      "TestCtrlId3=0x0480", "TestCtrlId4=0x0461", "TestCtrlClass4=ListBox", "OwnedWindow=0x1"}},
    {"Common Dialogs (32bit)",
     {"FolderNameCtrlId=0x0471", "FileNameCtrlId=0x0480", "TestCtrlId1=0x0471", "TestCtrlId2=0x0480",
      "OwnedWindow=0x1"}},
    {"Microsoft Excel 5.0 (Save)",
     {"LFNFlags=0x1", "WindowClassName=bosa_sdm_XL", "FileNameCtrlId=0x1300", "LFNEditCtrlId=0x1300",
      "TestCtrlClass1=EDTBX", "TestCtrlId1=0x1300", "OwnedWindow=0x1"}},
    {"Microsoft Excel 5.0 (Open)",
     {"LFNFlags=0x2", "WindowClassName=bosa_sdm_XL", "WindowTitle=Open", "FileNameCtrlId=0x1300",
      "LFNEditCtrlId=0x1300", "TestCtrlClass1=EDTBX", "TestCtrlId1=0x1300", "OwnedWindow=0x1"}},
    {"Microsoft WORD 6.0 (Save)",
     {"LFNFlags=0x1", "WindowClassName=bosa_sdm_Microsoft Word 6.0", "FileNameCtrlId=0x071A", "LFNEditCtrlId=0x071A",
      "TestCtrlClass1=OpusFedt", "TestCtrlId1=0x071A", "OwnedWindow=0x1"}},
    {"Microsoft WORD 6.0 (Open)",
     {"LFNFlags=0x2", "WindowClassName=bosa_sdm_Microsoft Word 6.0", "FileNameCtrlId=0x071A", "LFNEditCtrlId=0x071A",
      "TestCtrlClass1=OpusFedt", "TestCtrlId1=0x071A", "TestCtrlClass2=OpusFedt", "TestCtrlId2=0x0020",
      "OwnedWindow=0x1"}},
    {"WordPerfect 6.0,6.1",
     {"FileStewardFlags=0x6", "WindowClassName=#32770", "DriveNameCtrlId=0x0014", "FolderNameCtrlId=0x000B",
      "FileNameCtrlId=0x000D", "TestCtrlClass1=WPNSLB20", "TestCtrlId1=0x0012", "TestCtrlClass2=WPNSLB20",
      "TestCtrlId2=0x0010", "TestCtrlClass3=WPsqf20", "TestCtrlId3=0x000B", "OwnedWindow=0x1"}},
    {"Microsoft Visual C 2.x (New Project)",
     {"FileStewardFlags=0x2", "DriveNameCtrlId=0x0471", "FolderNameCtrlId=0x0440", "FileNameCtrlId=0x0480",
      "TestCtrlClass1=ListBox", "TestCtrlId1=0x01FD", "TestCtrlClass2=ComboBox", "TestCtrlId2=0x01C0",
      "TestCtrlId3=0xFFFF", "TestCtrlId4=0x0471", "TestCtrlId5=0x0440", "TestCtrlId6=0x0480", "OwnedWindow=0x1"}},
    {"Microsoft Visual C 2.x (Open)",
     {"FileStewardFlags=0x2", "DriveNameCtrlId=0x0471", "FolderNameCtrlId=0x0440", "FileNameCtrlId=0x0480",
      "TestCtrlClass1=ComboBox", "TestCtrlId1=0x5033", "TestCtrlClass2=Static", "TestCtrlId2=0x5034",
      "TestCtrlId3=0x0471", "TestCtrlId4=0x0440", "TestCtrlId5=0x0480", "OwnedWindow=0x1"}},
    {"Microsoft WORD 2.0 (Open)",
     {"FileStewardFlags=0x4", "WindowClassName=bosa_sdb_Microsoft Word 2.0", "DriveNameCtrlId=0x8DB0",
      "FileNameCtrlId=0x8D00", "TestCtrlId1=0x8DB0", "TestCtrlId2=0x8D00", "OwnedWindow=0x1"}},
    {"Microsoft WORD 2.0 (Save)",
     {"FileStewardFlags=0x4", "WindowClassName=bosa_sdb_Microsoft Word 2.0", "DriveNameCtrlId=0x8C30",
      "FileNameCtrlId=0x8B80", "TestCtrlId1=0x8C30", "TestCtrlId2=0x8B80", "OwnedWindow=0x1"}},
    {"Microsoft WORD 2.0 (Insert File)",
     {"FileStewardFlags=0x4", "WindowClassName=bosa_sdb_Microsoft Word 2.0", "DriveNameCtrlId=0x8E88",
      "FileNameCtrlId=0x8DD8", "TestCtrlId1=0x8E88", "TestCtrlId2=0x8DD8", "OwnedWindow=0x1"}},
    {"Microsoft WORD 2.0 (Insert Picture)",
     {"FileStewardFlags=0x4", "WindowClassName=bosa_sdb_Microsoft Word 2.0", "DriveNameCtrlId=0x8EAA",
      "FileNameCtrlId=0x8DCE", "TestCtrlId1=0x8EAA", "TestCtrlId2=0x8DCE", "OwnedWindow=0x1"}},
    {"WinJammer 2.21",
     {"OwnerClassName=MeWClass", "DriveNameCtrlId=0x0471", "FolderNameCtrlId=0x0440", "FileNameCtrlId=0x0480",
      "TestCtrlId1=0x0471", "TestCtrlId2=0x0440", "TestCtrlId3=0x0480", "OwnedWindow=0x1"}},
    {"WinJammer Player 2.21",
     {"OwnerClassName=WJMRPlayWClass", "WindowClassName=#32770", "FolderNameCtrlId=0x03EB", "FileNameCtrlId=0x03E9",
      "TestCtrlId1=0x03EB", "TestCtrlId2=0x03E9", "OwnedWindow=0x1"}},
    {"CodeWright 3.x",
     {"FileStewardFlags=0x6", "OwnerClassName=PremiaCWrightWorkbench", "DriveNameCtrlId=0x0471",
      "FolderNameCtrlId=0x0440", "FileNameCtrlId=0x0480", "TestCtrlId1=0x0471", "TestCtrlId2=0x0440",
      "TestCtrlId3=0x0480", "OwnedWindow=0x1"}},
    {"Corel Draw 5.0 (Open)",
     {"OwnerClassName=CDraw", "DriveNameCtrlId=0x0471", "FolderNameCtrlId=0x0440", "FileNameCtrlId=0x0480",
      "LFNEditCtrlId=0x0480", "LFNFileListCtrlId=0x0065", "LFNFolderListCtrlId=0x0461", "TestCtrlId1=0x0065",
      "TestCtrlId2=0x0471", "TestCtrlId3=0x0440", "TestCtrlId4=0x0480", "OwnedWindow=0x1"}},
    {"Lotus Organizer 1.1",
     {"OwnerClassName=TZ_PORG", "WindowClassName=#32770", "FolderNameCtrlId=0x0065", "FileNameCtrlId=0x0464",
      "LFNEditCtrlId=0x0064", "LFNFileListCtrlId=0x0066", "TestCtrlClass1=Edit", "TestCtrlId1=0x0064",
      "TestCtrlClass2=Static", "TestCtrlId2=0x0065", "OwnedWindow=0x1"}},
    {"Lotus AmiPro 3.0",
     {"OwnerClassName=AmiProWndA", "WindowClassName=AmiDialog", "DriveNameCtrlId=0x0050", "FolderNameCtrlId=0x0032",
      "FileNameCtrlId=0x003C", "LFNEditCtrlId=0x003C", "LFNFileListCtrlId=0x001E", "TestCtrlClass1=Edit",
      "TestCtrlId1=0x003C", "TestCtrlId2=0x0032", "TestCtrlId3=0x0050", "OwnedWindow=0x1"}},
    {"Lotus CC:Mail 2.1",
     {"FileStewardFlags=0x6", "OwnerClassName=wmFrame", "DriveNameCtrlId=0x0471", "FolderNameCtrlId=0x0440",
      "FileNameCtrlId=0x0480", "LFNEditCtrlId=0x0480", "LFNFileListCtrlId=0x0460", "LFNFolderListCtrlId=0x0461",
      "TestCtrlId1=0x0471", "TestCtrlId2=0x0440", "TestCtrlId3=0x0480", "OwnedWindow=0x1"}},
    {"Calera Wordscan 3.0",
     {"OwnerClassName=Calera.WordScan", "DriveNameCtrlId=0x0471", "FolderNameCtrlId=0x0440", "FileNameCtrlId=0x0480",
      "TestCtrlId1=0x0471", "TestCtrlId2=0x0440", "TestCtrlId3=0x0480", "OwnedWindow=0x1"}},
    {"AutoCad LT 1.0",
     {"OwnerClassName=ACAD_LT.gfx", "DriveNameCtrlId=0x0471", "FolderNameCtrlId=0x0440", "FileNameCtrlId=0x0480",
      "TestCtrlId1=0x0471", "TestCtrlId2=0x0440", "TestCtrlId3=0x0480", "OwnedWindow=0x1"}},
    {"Microsoft (Office95) WORD 7.0",
     {"FileStewardFlags=0x10", "WindowClassName=bosa_sdm_Microsoft Word for Windows 95", "TestCtrlId1=0x002C",
      "FileNameCtrlId=0x0027"}},
    {"Microsoft (Office95) Excel 7.0",
     {"FileStewardFlags=0x10", "WindowClassName=bosa_sdm_XL", "TestCtrlId1=0x002C", "FileNameCtrlId=0x0027"}},
    {"Microsoft (Office95) Binder",
     {"FileStewardFlags=0x10", "WindowClassName=bosa_sdm_Microsoft Office Binder", "FileNameCtrlId=0x0027"}},
    {"Microsoft (Office95) PowerPoint",
     {"FileStewardFlags=0x10", "WindowClassName=bosa_sdm_Microsoft PowerPoint", "FileNameCtrlId=0x0027"}},
    {"Microsoft (Office95) Open Dialog",
     {"FileStewardFlags=0x10", "WindowClassName=bosa_sdm_Open", "TestCtrlId1=0x002C", "FileNameCtrlId=0x0027"}},
    {"Wavelorn 7.0",
     {"WindowClassName=#32770", "FileNameCtrlId=0x03e8", "FolderNameCtrlId=0x03eb", "TestCtrlId1=0x03eb",
      "TestCtrlId2=0x03e8", "TestCtrlId3=0x03ea", "TestCtrlClass1=ComboBox", "TestCtrlClass2=Edit",
      "TestCtrlClass3=SysListView32", "OwnedWindow=0x0001"}},
    {"Newton Connection Kit",
     {"OwnerClassName=NC_MdiFrame", "WindowClassName=bordlg", "DriveNameCtrlId=0x0471", "FolderNameCtrlId=0x0440",
      "FileNameCtrlId=0x0480", "TestCtrlId1=0x03ee", "TestCtrlId2=0x03ed", "TestCtrlId3=0x03ec", "TestCtrlId4=0x0471",
      "TestCtrlId5=0x0440", "TestCtrlId6=0x0480", "TestCtrlClass1=BorShade", "TestCtrlClass2=BorShade",
      "TestCtrlClass3=BorShade"}},
    {"Newton Connection Kit (Export)",
     {"OwnerClassName=NC_MdiFrame", "WindowClassName=bordlg", "DriveNameCtrlId=0x0471", "FolderNameCtrlId=0x0440",
      "FileNameCtrlId=0x0480", "TestCtrlId1=0x0472", "TestCtrlId2=0x0470", "TestCtrlId3=0x0410", "TestCtrlId4=0x0471",
      "TestCtrlId5=0x0440", "TestCtrlId6=0x0480", "TestCtrlClass1=ComboBox", "TestCtrlClass2=ComboBox",
      "TestCtrlClass3=Button"}},
    {"Tervolo 2.x for Windows",
     {"OwnerClassName=TervoloFrameClass", "WindowClassName=#32770", "DriveNameCtrlId=0x0471",
      "FolderNameCtrlId=0x0440", "FileNameCtrlId=0x0480", "TestCtrlId1=0x0410", "TestCtrlId2=0x040e",
      "TestCtrlId3=0x040d", "TestCtrlId4=0x0471", "TestCtrlId5=0x0440", "TestCtrlId6=0x0480", "TestCtrlClass1=Button",
      "TestCtrlClass2=Button", "TestCtrlClass3=Button"}},
    {"PaintShop Pro 3.0 (save)",
     {"OwnerClassName=Paint Shop Pro", "WindowClassName=#32770", "DriveNameCtrlId=0x0471", "FolderNameCtrlId=0x0440",
      "FileNameCtrlId=0x0480", "TestCtrlId1=0x0004", "TestCtrlId2=0x0003", "TestCtrlId3=0x0064", "TestCtrlId4=0x0471",
      "TestCtrlId5=0x0440", "TestCtrlId6=0x0480", "TestCtrlClass1=Button", "TestCtrlClass2=Button",
      "TestCtrlClass3=ComboBox"}},
    {"AutoCAD 13 (Open)",
     {"WindowClassName=#32770", "DriveNameCtrlId=0x0471", "FolderNameCtrlId=0x0440", "FileNameCtrlId=0x0480",
      "TestCtrlId1=0x087c", "TestCtrlId2=0x087b", "TestCtrlId3=0x087e", "TestCtrlId4=0x087d", "TestCtrlId5=0x0471",
      "TestCtrlId6=0x0440", "TestCtrlId7=0x0480", "TestCtrlClass1=Button", "TestCtrlClass2=Button",
      "TestCtrlClass3=Button", "TestCtrlClass4=Button"}},
    {"AutoCAD 13 (Unlock/Delete)",
     {"WindowClassName=#32770", "DriveNameCtrlId=0x0471", "FolderNameCtrlId=0x0440", "FileNameCtrlId=0x0480",
      "TestCtrlId1=0x087d", "TestCtrlId2=0x087e", "TestCtrlId3=0x0883", "TestCtrlId4=0x0884", "TestCtrlId5=0x0471",
      "TestCtrlId6=0x0440", "TestCtrlId7=0x0480", "TestCtrlClass1=Button", "TestCtrlClass2=Button",
      "TestCtrlClass3=Button", "TestCtrlClass4=Button"}},
    {"AutoCAD 13 (Browse)",
     {"WindowClassName=#32770", "DriveNameCtrlId=0x0471", "FolderNameCtrlId=0x0440", "FileNameCtrlId=0x0480",
      "TestCtrlId1=0x00d2", "TestCtrlId2=0x00dc", "TestCtrlId3=0x00e6", "TestCtrlId4=0x00f0", "TestCtrlId5=0x0471",
      "TestCtrlId6=0x0440", "TestCtrlId7=0x0480", "TestCtrlClass1=Edit", "TestCtrlClass2=Static",
      "TestCtrlClass3=Static", "TestCtrlClass4=Button"}},
    {"Quorvel Tandemix",
     {"OwnerClassName=Brellin Dbgr Class", "WindowClassName=#32770", "DriveNameCtrlId=0x0471",
      "FolderNameCtrlId=0x0440", "FileNameCtrlId=0x0480", "TestCtrlId1=0x0471", "TestCtrlId2=0x0440",
      "TestCtrlId3=0x0480", "OwnedWindow=0x1"}},
    {"Console Applications",
     {"Disable=0x1", "WindowClassName=tty"}},
    {"Quicken for Windows ",
     {"Disable=0x1", "OwnerClassName=QFRAME"}},
    {"Aldus PageMaker 5.0",
     {"Disable=0x1", "OwnerClassName=VWClass500"}},
    {"Notepad (16 bit)",
     {"Disable=0x1", "OwnerClassName=Notepad", "TestCtrlClass1=Button", "TestCtrlClass2=Button",
      "TestCtrlClass3=Button", "TestCtrlId1=0x410", "TestCtrlId2=0x40E", "TestCtrlId3=0x40D",
      "WindowClassName=#32770"}},
};

std::string Key(const std::string &name)
{
    return kDialogsPath + "\\" + name;
}

// The names (lower case) of a key's values.
std::set<std::string> ValueNames(const std::string &path)
{
    std::set<std::string> names;
    for (const auto &item : SnapshotRegTree(HKEY_CURRENT_USER, path)) {
        size_t bar = item.first.find('|');
        if (bar == 0 && item.first.size() > 1)
            names.insert(item.first.substr(1));
    }
    return names;
}

void Import()
{
    ImportDialogDefinitions(GetModuleHandleA(nullptr));
}

// ---- The built-in definitions: the resource, and the keys of every run ----

// What one built-in entry line becomes in the registry.
RegValue BuiltInValue(const std::string &value)
{
    if (value.size() >= 2 && value[0] == '0' && (value[1] == 'x' || value[1] == 'X'))
        return Dword((DWORD)strtoul(value.c_str() + 2, nullptr, 16));
    return Sz(value);
}

void ExpectBuiltInSection(const Section &section)
{
    std::set<std::string> names;
    for (const std::string &entry : section.entries) {
        size_t equals = entry.find('=');
        std::string name = entry.substr(0, equals);
        names.insert(Lower(name));
        EXPECT_EQ(BuiltInValue(entry.substr(equals + 1)), ReadRegValue(HKEY_CURRENT_USER, Key(section.name), name))
            << section.name << ": " << entry;
    }
    EXPECT_EQ(names, ValueNames(Key(section.name))) << section.name;
}

void ExpectBuiltInSectionNamed(const std::string &name)
{
    for (const Section &section : kSections)
        if (name == section.name)
            return ExpectBuiltInSection(section);
    ADD_FAILURE() << "no built-in section " << name;
}

void ExpectBuiltInSet()
{
    std::set<std::string> keys;
    for (const std::string &name : SubkeyNames(HKEY_CURRENT_USER, kDialogsPath))
        keys.insert(Lower(name));
    std::set<std::string> expectedKeys;
    for (const Section &section : kSections) {
        expectedKeys.insert(Lower(section.name));
        ExpectBuiltInSection(section);
    }
    EXPECT_EQ(expectedKeys, keys);
    EXPECT_EQ(Dword(0x01010108), ReadRegValue(HKEY_CURRENT_USER, kDialogsPath, "RegRevision"));
}

TEST(BuiltInDefinitions, TheResourceHoldsTheFortySectionsExactly)
{
    std::string expected;
    for (const Section &section : kSections) {
        expected += std::string(section.name) + '\0';
        for (const std::string &entry : section.entries)
            expected += entry + '\0';
        expected += '\0';
    }
    expected += '\0';
    ASSERT_EQ(40u, sizeof(kSections) / sizeof(kSections[0]));

    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(1001), RT_RCDATA);
    ASSERT_NE(nullptr, found);
    HGLOBAL loaded = LoadResource(module, found);
    ASSERT_NE(nullptr, loaded);
    const char *bytes = (const char *)LockResource(loaded);
    ASSERT_NE(nullptr, bytes);
    std::string actual(bytes, SizeofResource(module, found));
    EXPECT_EQ(expected.size(), actual.size());
    EXPECT_EQ(expected, actual);
    EXPECT_EQ(std::string("\0\0\0", 3), actual.substr(actual.size() - 3));
    EXPECT_NE(std::string::npos, actual.find(std::string("Quicken for Windows \0Disable=0x1", 32)));
}

TEST(BuiltInDefinitions, WrittenAgainOnEveryRun)
{
    ProductRegistryScope scope;
    CreateRegKey(HKEY_CURRENT_USER, kDialogsPath);
    Import();
    ExpectBuiltInSet();
    RegSnapshot first = SnapshotRegTree(HKEY_CURRENT_USER, kDialogsPath);

    // A changed built-in value is written again; values the text does not name stay.
    SetRegDword(HKEY_CURRENT_USER, Key("Common Dialogs (32bit)"), "OwnedWindow", 0);
    SetRegString(HKEY_CURRENT_USER, Key("Common Dialogs (32bit)"), "Extra", "mine");
    SetRegDword(HKEY_CURRENT_USER, kDialogsPath, "RegRevision", 1);
    Import();
    EXPECT_EQ(Dword(1), ReadRegValue(HKEY_CURRENT_USER, Key("Common Dialogs (32bit)"), "OwnedWindow"));
    EXPECT_EQ(Sz("mine"), ReadRegValue(HKEY_CURRENT_USER, Key("Common Dialogs (32bit)"), "Extra"));
    DeleteRegValue(HKEY_CURRENT_USER, Key("Common Dialogs (32bit)"), "Extra");
    EXPECT_EQ(first, SnapshotRegTree(HKEY_CURRENT_USER, kDialogsPath));
}

// ---- One old entry, converted to a key of its own -------------------------

// The texts this program writes while a recorder lives, by way of the
// program's own import slot: both Windows 95 and Wine store a text written
// without its NUL as though it had one, so only the call shows its length.
std::vector<std::pair<std::string, std::vector<unsigned char>>> *gTextsWritten;
decltype(&RegSetValueExA) gRealSetValue;

LSTATUS WINAPI RecordSetValue(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE *data, DWORD size)
{
    if (type == REG_SZ && name && data)
        gTextsWritten->push_back({name, std::vector<unsigned char>(data, data + size)});
    return gRealSetValue(key, name, reserved, type, data, size);
}

class TextWriteRecorder {
public:
    TextWriteRecorder() : patch_("RegSetValueExA", (void *)&RecordSetValue)
    {
        gTextsWritten = &written_;
        gRealSetValue = patch_.Original<decltype(&RegSetValueExA)>();
    }
    ~TextWriteRecorder() { gTextsWritten = nullptr; }
    bool Active() const { return patch_.Active(); }
    // Whether the value was written with exactly the text's bytes, no NUL.
    bool WroteWithoutNul(const std::string &name, const std::string &text) const
    {
        const std::vector<unsigned char> bytes(text.begin(), text.end());
        for (const auto &write : written_)
            if (write.first == name && write.second == bytes)
                return true;
        return false;
    }

private:
    std::vector<std::pair<std::string, std::vector<unsigned char>>> written_;
    ImportPatch patch_;
};

// The values of the "My Editor" entry, its texts written without their NUL.
Values MyEditorValues(bool excluded)
{
    Values values = {{"OwnerClassName", TextWrittenWithoutNul("EdFrame")},
                     {"WindowClassName", TextWrittenWithoutNul("#32770")},
                     {"WindowTitle", TextWrittenWithoutNul("Open")},
                     {"DriveNameCtrlId", Dword(1137)},
                     {"FolderNameCtrlId", Dword(1088)},
                     {"FileNameCtrlId", Dword(1152)},
                     {"LFNEditCtrlId", Dword(1152)},
                     {"LFNFileListCtrlId", Dword(1120)},
                     {"LFNFolderListCtrlId", Dword(1121)},
                     {"FileStewardFlags", Dword(4)},
                     {"TestCtrlId1", Dword(1000)},
                     {"TestCtrlClass1", TextWrittenWithoutNul("Edit")}};
    if (excluded)
        values["Disable"] = Dword(1);
    return values;
}

void ExpectMyEditor(bool excluded)
{
    // Guards docs/behaviour.md, "Kept as they always were" (texts of converted
    // dialog definitions written without their NUL).
    ProductRegistryScope scope;
    SetRegString(HKEY_CURRENT_USER, excluded ? kExclude : kInclude, "My Editor", kMyEditor);
    const Values expected = MyEditorValues(excluded);
    {
        TextWriteRecorder recorder;
        ASSERT_TRUE(recorder.Active());
        Import();
        for (const auto &value : expected) {
            if (value.second.type == REG_SZ) {
                EXPECT_TRUE(recorder.WroteWithoutNul(value.first, value.second.Text())) << value.first;
            }
        }
    }
    // Exactly these values, by name, type and bytes, with nothing else in the key...
    EXPECT_VALUES(expected, HKEY_CURRENT_USER, Key("My Editor"));
    // ...the old lists gone...
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, kInclude));
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, kExclude));
    // ...and nothing else written: without the entry, the product's keys hold
    // what a run with no old lists leaves.
    DeleteRegTree(HKEY_CURRENT_USER, Key("My Editor"));
    const RegSnapshot converted = SnapshotRegTree(HKEY_CURRENT_USER, "Software\\Quorvel");
    ProductRegistryScope::Clear();
    CreateRegKey(HKEY_CURRENT_USER, kDialogsPath);
    Import();
    EXPECT_EQ("", RegistryDifferences(converted, SnapshotRegTree(HKEY_CURRENT_USER, "Software\\Quorvel")));
}

TEST(OldEntryConversion, MyEditorFromInclude)
{
    ExpectMyEditor(false);
}

TEST(OldEntryConversion, MyEditorFromExcludeAddsDisable)
{
    ExpectMyEditor(true);
}

TEST(OldEntryConversion, FlagWords)
{
    ProductRegistryScope scope;
    SetRegString(HKEY_CURRENT_USER, kInclude, "Flag0", "0,,A");
    SetRegString(HKEY_CURRENT_USER, kInclude, "Flag7", "7,,A");
    SetRegString(HKEY_CURRENT_USER, kInclude, "Flag16", "16,,A");
    SetRegString(HKEY_CURRENT_USER, kInclude, "Flag12a4", "12a4,,A");
    Import();
    EXPECT_EQ(Dword(7), ReadRegValue(HKEY_CURRENT_USER, Key("Flag0"), "FileStewardFlags"));
    EXPECT_EQ((std::set<std::string>{"ownerclassname", "filestewardflags"}), ValueNames(Key("Flag0")));
    EXPECT_EQ(std::set<std::string>{"ownerclassname"}, ValueNames(Key("Flag7")));
    EXPECT_EQ(Dword(7), ReadRegValue(HKEY_CURRENT_USER, Key("Flag16"), "FileStewardFlags"));
    EXPECT_EQ(Dword(1), ReadRegValue(HKEY_CURRENT_USER, Key("Flag16"), "LFN Flags"));
    EXPECT_EQ(Dword(11), ReadRegValue(HKEY_CURRENT_USER, Key("Flag12a4"), "FileStewardFlags"));  // 124
    EXPECT_EQ(Dword(7), ReadRegValue(HKEY_CURRENT_USER, Key("Flag12a4"), "LFN Flags"));
    EXPECT_FALSE(ReadRegValue(HKEY_CURRENT_USER, Key("Flag16"), "LFNFlags").exists);
}

TEST(OldEntryConversion, ShortEntriesAndTestPairs)
{
    ProductRegistryScope scope;
    SetRegString(HKEY_CURRENT_USER, kInclude, "Eight", "3,x,Own,Win,Title,1,2,3");
    SetRegString(HKEY_CURRENT_USER, kInclude, "ZeroId", "7,,,,,,,,Cls,0");
    SetRegString(HKEY_CURRENT_USER, kInclude, "NoClass", "7,,,,,,,,,5,Gone,,Last,");
    Import();
    EXPECT_EQ((std::set<std::string>{"ownerclassname", "windowclassname", "windowtitle", "drivenamectrlid",
                                     "foldernamectrlid", "filenamectrlid", "filestewardflags"}),
              ValueNames(Key("Eight")));
    EXPECT_EQ(Dword(3), ReadRegValue(HKEY_CURRENT_USER, Key("Eight"), "FileNameCtrlId"));
    EXPECT_EQ((std::set<std::string>{"testctrlid1", "testctrlclass1"}), ValueNames(Key("ZeroId")));
    EXPECT_EQ(Dword(0), ReadRegValue(HKEY_CURRENT_USER, Key("ZeroId"), "TestCtrlId1"));
    EXPECT_EQ("Cls", ReadRegValue(HKEY_CURRENT_USER, Key("ZeroId"), "TestCtrlClass1").Text());
    // An id without a class writes the id alone; pairs without an id leave no trace.
    EXPECT_EQ(std::set<std::string>{"testctrlid1"}, ValueNames(Key("NoClass")));
    EXPECT_EQ(Dword(5), ReadRegValue(HKEY_CURRENT_USER, Key("NoClass"), "TestCtrlId1"));
}

TEST(OldEntryConversion, EntriesThatDoNotFitArePassedOverOrCut)
{
    ProductRegistryScope scope;
    // Values enumerate in name order here, so the misfits come before the last entry.
    const std::string longName = "A" + std::string(299, 'n');
    const std::string cutName = "B" + std::string(199, 'c');
    SetRegString(HKEY_CURRENT_USER, kInclude, longName, "7,,TooLongName");
    SetRegString(HKEY_CURRENT_USER, kInclude, "C-much-data", "7,,TooMuch," + std::string(300, 'd'));
    SetRegString(HKEY_CURRENT_USER, kInclude, cutName, "7,,Cut," + std::string(150, 'w') + ",Title");
    // 256 bytes with no NUL: the title runs to the very last byte.
    std::string packed = "7,,Bin," + std::string(122, 'f') + "," + std::string(126, 'e');
    std::vector<unsigned char> noNul(packed.begin(), packed.end());
    ASSERT_EQ(256u, noNul.size());
    SetRegBinary(HKEY_CURRENT_USER, kInclude, "D-no-nul", noNul);
    // 256 digits with no NUL and no comma: the flag field fills the entry.
    SetRegTextWithoutNul(HKEY_CURRENT_USER, kInclude, "E-long-number", std::string(253, '0') + "100");
    ASSERT_EQ(256u, ReadRegValue(HKEY_CURRENT_USER, kInclude, "E-long-number").data.size());
    SetRegString(HKEY_CURRENT_USER, kInclude, "Z-last", "7,,Last");
    Import();
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, Key(longName)));
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, Key(longName.substr(0, 127))));
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, Key("C-much-data")));
    const std::string cutKey = Key(cutName.substr(0, 127));
    EXPECT_EQ("Cut", ReadRegValue(HKEY_CURRENT_USER, cutKey, "OwnerClassName").Text());
    EXPECT_EQ(std::string(127, 'w'), ReadRegValue(HKEY_CURRENT_USER, cutKey, "WindowClassName").Text());
    EXPECT_EQ("Title", ReadRegValue(HKEY_CURRENT_USER, cutKey, "WindowTitle").Text());
    EXPECT_EQ(std::string(122, 'f'), ReadRegValue(HKEY_CURRENT_USER, Key("D-no-nul"), "WindowClassName").Text());
    EXPECT_EQ(std::string(126, 'e'), ReadRegValue(HKEY_CURRENT_USER, Key("D-no-nul"), "WindowTitle").Text());
    EXPECT_EQ(Dword(3), ReadRegValue(HKEY_CURRENT_USER, Key("E-long-number"), "FileStewardFlags"));
    EXPECT_EQ(Dword(6), ReadRegValue(HKEY_CURRENT_USER, Key("E-long-number"), "LFN Flags"));
    EXPECT_EQ("Last", ReadRegValue(HKEY_CURRENT_USER, Key("Z-last"), "OwnerClassName").Text());
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, kInclude));
}

// ---- The old lists: which writer wins, and their removal ------------------

TEST(OldLists, FirstWriterWins)
{
    ProductRegistryScope scope;
    SetRegString(HKEY_CURRENT_USER, Key("Kept"), "WindowTitle", "Old");
    SetRegString(HKEY_CURRENT_USER, kInclude, "Common Dialogs (16bit)", "0,,Mine");
    SetRegString(HKEY_CURRENT_USER, kExclude, "common dialogs (32BIT)", "0,,Mine");
    SetRegString(HKEY_CURRENT_USER, kInclude, "Kept", "0,,New");
    SetRegString(HKEY_CURRENT_USER, kInclude, "Both", "3,,Inc");
    SetRegString(HKEY_CURRENT_USER, kExclude, "Both", "3,,Exc");
    RegSnapshot kept = SnapshotRegTree(HKEY_CURRENT_USER, Key("Kept"));
    Import();
    ExpectBuiltInSectionNamed("Common Dialogs (16bit)");
    ExpectBuiltInSectionNamed("Common Dialogs (32bit)");
    EXPECT_EQ(kept, SnapshotRegTree(HKEY_CURRENT_USER, Key("Kept")));
    EXPECT_EQ((std::set<std::string>{"ownerclassname", "filestewardflags"}), ValueNames(Key("Both")));
    EXPECT_EQ("Inc", ReadRegValue(HKEY_CURRENT_USER, Key("Both"), "OwnerClassName").Text());
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, kInclude));
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, kExclude));
}

TEST(OldLists, AKeyAStoppedRunLeftPartWayIsFilledUp)
{
    // Guards docs/behaviour.md, "A run stopped part-way". A run stopped
    // while it wrote a converted entry leaves a key with some of its values
    // and the lists still there: the next run fills that key up. A key with
    // anything else in it is still never written over.
    ProductRegistryScope scope;
    SetRegString(HKEY_CURRENT_USER, kInclude, "My Editor", kMyEditor);
    SetRegTextWithoutNul(HKEY_CURRENT_USER, Key("My Editor"), "OwnerClassName", "EdFrame");
    SetRegDword(HKEY_CURRENT_USER, Key("My Editor"), "FolderNameCtrlId", 1088);
    SetRegString(HKEY_CURRENT_USER, kInclude, "Empty", kMyEditor);
    CreateRegKey(HKEY_CURRENT_USER, Key("Empty"));
    SetRegString(HKEY_CURRENT_USER, kInclude, "Own Value Too", kMyEditor);
    SetRegTextWithoutNul(HKEY_CURRENT_USER, Key("Own Value Too"), "OwnerClassName", "EdFrame");
    SetRegString(HKEY_CURRENT_USER, Key("Own Value Too"), "Mine", "x");
    SetRegString(HKEY_CURRENT_USER, kInclude, "Other Text", kMyEditor);
    SetRegTextWithoutNul(HKEY_CURRENT_USER, Key("Other Text"), "OwnerClassName", "OtherFrame");
    // In both lists with the same text: the "Include" version, without Disable.
    SetRegString(HKEY_CURRENT_USER, kInclude, "Both", "3,,Inc");
    SetRegString(HKEY_CURRENT_USER, kExclude, "Both", "3,,Inc");
    SetRegTextWithoutNul(HKEY_CURRENT_USER, Key("Both"), "OwnerClassName", "Inc");
    const RegSnapshot ownValueToo = SnapshotRegTree(HKEY_CURRENT_USER, Key("Own Value Too"));
    const RegSnapshot otherText = SnapshotRegTree(HKEY_CURRENT_USER, Key("Other Text"));
    Import();
    EXPECT_VALUES(MyEditorValues(false), HKEY_CURRENT_USER, Key("My Editor"));
    EXPECT_VALUES(MyEditorValues(false), HKEY_CURRENT_USER, Key("Empty"));
    EXPECT_EQ(ownValueToo, SnapshotRegTree(HKEY_CURRENT_USER, Key("Own Value Too")));
    EXPECT_EQ(otherText, SnapshotRegTree(HKEY_CURRENT_USER, Key("Other Text")));
    EXPECT_EQ((std::set<std::string>{"ownerclassname", "filestewardflags"}), ValueNames(Key("Both")));
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, kInclude));
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, kExclude));
}

TEST(OldLists, GoInEveryCase)
{
    {
        ProductRegistryScope scope;  // empty lists
        CreateRegKey(HKEY_CURRENT_USER, kInclude);
        CreateRegKey(HKEY_CURRENT_USER, kExclude);
        Import();
        EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, kInclude));
        EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, kExclude));
        EXPECT_EQ(40u, SubkeyNames(HKEY_CURRENT_USER, kDialogsPath).size());
    }
    {
        ProductRegistryScope scope;  // lists with keys below them, and only one list
        SetRegString(HKEY_CURRENT_USER, kExclude + "\\Odd\\Deeper", "v", "x");
        SetRegString(HKEY_CURRENT_USER, kExclude + "\\Second", "v", "x");
        SetRegString(HKEY_CURRENT_USER, kExclude, "Listed", "7,,Cls");
        Import();
        EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, kExclude));
        EXPECT_EQ(Dword(1), ReadRegValue(HKEY_CURRENT_USER, Key("Listed"), "Disable"));
        EXPECT_EQ(41u, SubkeyNames(HKEY_CURRENT_USER, kDialogsPath).size());
    }
}

TEST(OldLists, NoDialogsKeyLeavesTheRegistryAsItWas)
{
    ProductRegistryScope scope;
    SetRegString(HKEY_CURRENT_USER, "Software\\Quorvel\\Palomid\\FileSteward", "Setting", "x");
    SetRegString(HKEY_CURRENT_USER, "Software\\Quorvel\\Palomid\\FileSteward\\Include", "My Editor", kMyEditor);
    RegSnapshot before = SnapshotRegTree(HKEY_CURRENT_USER, "Software\\Quorvel");
    Import();
    EXPECT_EQ(before, SnapshotRegTree(HKEY_CURRENT_USER, "Software\\Quorvel"));
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, kDialogsPath));
}

// ---- The loader's rules, on texts of our own ------------------------------

class DefinitionText : public ::testing::Test {
protected:
    void SetUp() override
    {
        CreateRegKey(HKEY_CURRENT_USER, kTarget);
        RegOpenKeyExA(HKEY_CURRENT_USER, kTarget, 0, KEY_ALL_ACCESS, &key_);
    }
    void TearDown() override { RegCloseKey(key_); }
    // The text ends where an inaccessible page begins: a read past it faults.
    void Load(const std::string &text)
    {
        const size_t page = 65536;
        char *base = (char *)VirtualAlloc(nullptr, 2 * page, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        ASSERT_NE(nullptr, base);
        DWORD old;
        VirtualProtect(base + page, page, PAGE_NOACCESS, &old);
        char *bytes = base + page - text.size();
        memcpy(bytes, text.data(), text.size());
        LoadDialogDefinitionText(key_, bytes, (DWORD)text.size());
        VirtualFree(base, 0, MEM_RELEASE);
    }
    static std::string Sub(const std::string &name) { return std::string(kTarget) + "\\" + name; }
    RegValue Revision() { return ReadRegValue(HKEY_CURRENT_USER, kTarget, "RegRevision"); }

    static constexpr const char *kTarget = "Software\\Quorvel\\DialogTextTest";
    ProductRegistryScope scope_;
    HKEY key_ = nullptr;
};

std::string Lines(std::initializer_list<std::string> lines)
{
    std::string text;
    for (const std::string &line : lines)
        text += line + '\0';
    return text;
}

TEST_F(DefinitionText, ValuesByTheHexAndTextRules)
{
    SetRegDword(HKEY_CURRENT_USER, Sub("Values"), "Zero", 5);
    SetRegString(HKEY_CURRENT_USER, Sub("Values"), "Other", "kept");
    Load(Lines({"Values", "Blank=0x4 1", "Prefix=0x", "Nine=0x123456789", "Zero=0", "Lead=0123", "=default",
                "no equals here", "Title=", "Eq=a=b", "", "Empty", "", ""}));
    std::string values = Sub("Values");
    EXPECT_EQ(Dword(0x401), ReadRegValue(HKEY_CURRENT_USER, values, "Blank"));
    EXPECT_EQ(Dword(0), ReadRegValue(HKEY_CURRENT_USER, values, "Prefix"));
    EXPECT_EQ(Dword(0x23456789), ReadRegValue(HKEY_CURRENT_USER, values, "Nine"));
    EXPECT_EQ(Sz("0"), ReadRegValue(HKEY_CURRENT_USER, values, "Zero"));
    EXPECT_EQ(Sz("0123"), ReadRegValue(HKEY_CURRENT_USER, values, "Lead"));
    EXPECT_EQ(Sz("default"), ReadRegValue(HKEY_CURRENT_USER, values, ""));
    EXPECT_EQ(Sz(""), ReadRegValue(HKEY_CURRENT_USER, values, "Title"));
    EXPECT_EQ(Sz("a=b"), ReadRegValue(HKEY_CURRENT_USER, values, "Eq"));
    EXPECT_EQ(Sz("kept"), ReadRegValue(HKEY_CURRENT_USER, values, "Other"));
    // (ValueNames cannot show the unnamed value; it is read above.)
    EXPECT_EQ((std::set<std::string>{"blank", "prefix", "nine", "zero", "lead", "title", "eq", "other"}),
              ValueNames(values));
    EXPECT_TRUE(RegKeyExists(HKEY_CURRENT_USER, Sub("Empty")));
    EXPECT_TRUE(ValueNames(Sub("Empty")).empty());
    EXPECT_EQ(Dword(0x01010108), Revision());
}

TEST_F(DefinitionText, EmptySectionStillStampsTheRevision)
{
    Load(Lines({"Empty", "", ""}));
    EXPECT_TRUE(RegKeyExists(HKEY_CURRENT_USER, Sub("Empty")));
    EXPECT_EQ(Dword(0x01010108), Revision());
}

TEST_F(DefinitionText, SectionWithoutAKeyIsPassedOver)
{
    const std::string tooLong(300, 'k');  // no registry key takes so long a name
    Load(Lines({tooLong, "X=0x1", "", ""}));
    EXPECT_FALSE(Revision().exists);
    Load(Lines({tooLong, "X=0x1", "", "Good", "Y=0x2", "", ""}));
    EXPECT_EQ(Dword(2), ReadRegValue(HKEY_CURRENT_USER, Sub("Good"), "Y"));
    EXPECT_FALSE(ReadRegValue(HKEY_CURRENT_USER, kTarget, "X").exists);
    EXPECT_EQ(Dword(0x01010108), Revision());
}

TEST_F(DefinitionText, TextWithoutItsFinalNulsEndsAtItsSize)
{
    // Each cut leaves a text that ends without the NULs that close it.
    std::string whole = Lines({"A", "X=0x1", "", "B", "Y=0x2", "", ""});
    Load(whole.substr(0, whole.find("Y=0x2") + 5));  // cut before the last line's NUL
    EXPECT_EQ(Dword(1), ReadRegValue(HKEY_CURRENT_USER, Sub("A"), "X"));
    EXPECT_TRUE(RegKeyExists(HKEY_CURRENT_USER, Sub("B")));
    EXPECT_TRUE(ValueNames(Sub("B")).empty());
    EXPECT_EQ(Dword(0x01010108), Revision());

    DeleteRegTree(HKEY_CURRENT_USER, Sub("B"));
    Load(whole.substr(0, whole.find("B") + 1));  // cut inside a name
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, Sub("B")));
    Load(whole.substr(0, whole.size() - 2));  // the last section without its empty line
    EXPECT_EQ(Dword(2), ReadRegValue(HKEY_CURRENT_USER, Sub("B"), "Y"));
}

}  // namespace
