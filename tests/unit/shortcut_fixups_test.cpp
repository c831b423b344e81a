// Start-menu shortcut fix-ups against real shell links under Wine: each
// document folder's "Clear Menu.lnk" gets that folder's name as arguments and
// nothing else; OLE, COM objects and the current directory are handled on
// every path. OLE and COM calls are observed through this program's own
// import slots, which the routine's calls go through.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <string.h>

#include <memory>
#include <string>
#include <vector>

#include "files.h"
#include "import_slots.h"
#include "registry.h"
#include "migrate/migrate.h"
#include "migrate/shortcut_fixups.h"

namespace {

const char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

std::wstring Wide(const std::string &text)
{
    wchar_t buffer[1024];
    int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, buffer, 1024);
    return n > 0 ? std::wstring(buffer) : std::wstring();
}

// ---- Observing the routine's OLE and COM calls ----------------------------

enum class CreateMode { Real, Fail, NoPersistFile };

struct Observed {
    int oleInitialize = 0;
    int oleUninitialize = 0;
    int created = 0;
};
Observed observed;
CreateMode createMode = CreateMode::Real;
bool failOleInitialize = false;
std::vector<IUnknown *> keptObjects;  // one extra reference each, released after the routine
std::vector<std::string> refusedDirs;  // folders that cannot be made current

// A shell link that cannot give IPersistFile: only QueryInterface and Release may be called.
struct FakeLink {
    const void *const *vtable;
    ULONG references;
    bool unexpectedCall;
};
HRESULT STDMETHODCALLTYPE FakeQueryInterface(FakeLink *, REFIID, void **out)
{
    *out = nullptr;
    return E_NOINTERFACE;
}
ULONG STDMETHODCALLTYPE FakeAddRef(FakeLink *self)
{
    return ++self->references;
}
ULONG STDMETHODCALLTYPE FakeRelease(FakeLink *self)
{
    return --self->references;
}
HRESULT STDMETHODCALLTYPE FakeUnexpected(FakeLink *self)
{
    self->unexpectedCall = true;
    return E_FAIL;
}
// IUnknown's three methods, then IShellLinkA's eighteen, none of them expected.
const void *fakeVtable[21];
FakeLink fakeLink;

template <typename F> F Real(const char *name, const char *dll = "ole32.dll")
{
    return (F)(void *)GetProcAddress(GetModuleHandleA(dll), name);
}

HRESULT WINAPI ObservedOleInitialize(LPVOID reserved)
{
    ++observed.oleInitialize;
    if (failOleInitialize)
        return E_OUTOFMEMORY;
    return Real<HRESULT(WINAPI *)(LPVOID)>("OleInitialize")(reserved);
}

void WINAPI ObservedOleUninitialize()
{
    ++observed.oleUninitialize;
    Real<void(WINAPI *)()>("OleUninitialize")();
}

HRESULT WINAPI ObservedCoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD context, REFIID iid, LPVOID *out)
{
    ++observed.created;
    if (createMode == CreateMode::Fail) {
        *out = nullptr;
        return E_OUTOFMEMORY;
    }
    if (createMode == CreateMode::NoPersistFile) {
        fakeLink.references = 1;
        *out = &fakeLink;
        return S_OK;
    }
    HRESULT result = Real<HRESULT(WINAPI *)(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID *)>("CoCreateInstance")(
        clsid, outer, context, iid, out);
    if (SUCCEEDED(result)) {
        ((IUnknown *)*out)->AddRef();
        keptObjects.push_back((IUnknown *)*out);
    }
    return result;
}

BOOL WINAPI ObservedSetCurrentDirectoryA(LPCSTR path)
{
    for (const std::string &refused : refusedDirs)
        if (refused == path) {
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
    return Real<BOOL(WINAPI *)(LPCSTR)>("SetCurrentDirectoryA", "kernel32.dll")(path);
}

// Routes the routine's OLE, COM and directory calls through the observers while it lives.
class ObservedCalls {
  public:
    ObservedCalls()
    {
        Hook("OleInitialize", (void *)ObservedOleInitialize);
        Hook("OleUninitialize", (void *)ObservedOleUninitialize);
        Hook("CoCreateInstance", (void *)ObservedCoCreateInstance);
        Hook("SetCurrentDirectoryA", (void *)ObservedSetCurrentDirectoryA);
    }

  private:
    void Hook(const char *function, void *replacement)
    {
        patches_.emplace_back(new ImportPatch(function, replacement));
        EXPECT_TRUE(patches_.back()->Active()) << function << " is not imported";
    }
    std::vector<std::unique_ptr<ImportPatch>> patches_;
};

// Runs the routine once from the given current directory; checks that the
// directory is the same afterwards and that no COM object outlives the
// routine's use of it.
Observed RunFixups(const std::string &currentDir)
{
    observed = Observed();
    for (const void *&method : fakeVtable)
        method = (const void *)FakeUnexpected;
    fakeVtable[0] = (const void *)FakeQueryInterface;
    fakeVtable[1] = (const void *)FakeAddRef;
    fakeVtable[2] = (const void *)FakeRelease;
    fakeLink = FakeLink{fakeVtable, 0, false};
    SetCurrentDirectoryA(currentDir.c_str());
    {
        ObservedCalls calls;
        FixProgramsFolderShortcuts();
    }
    EXPECT_EQ(currentDir, CurrentDir());
    for (IUnknown *object : keptObjects)
        EXPECT_EQ(0u, object->Release()) << "a reference of the routine was not released";
    keptObjects.clear();
    EXPECT_EQ(0u, fakeLink.references);
    EXPECT_FALSE(fakeLink.unexpectedCall);
    return observed;
}

// ---- Real shell links ------------------------------------------------------

struct LinkProps {
    std::string target, workDir, description, iconFile, arguments;
    int iconIndex = 0;
    WORD hotkey = 0;
    bool operator==(const LinkProps &o) const
    {
        return target == o.target && workDir == o.workDir && description == o.description &&
               iconFile == o.iconFile && arguments == o.arguments && iconIndex == o.iconIndex &&
               hotkey == o.hotkey;
    }
};

std::ostream &operator<<(std::ostream &out, const LinkProps &p)
{
    return out << "{" << p.target << "|" << p.workDir << "|" << p.description << "|" << p.iconFile << ","
               << p.iconIndex << "|" << p.arguments << "|" << p.hotkey << "}";
}

struct ComThread {
    ComThread() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    ~ComThread() { CoUninitialize(); }
};

bool WriteLink(const std::string &file, const LinkProps &p)
{
    ComThread com;
    IShellLinkA *link = nullptr;
    IPersistFile *persist = nullptr;
    bool saved = false;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, (void **)&link)))
        return false;
    link->SetPath(p.target.c_str());
    link->SetWorkingDirectory(p.workDir.c_str());
    link->SetDescription(p.description.c_str());
    link->SetIconLocation(p.iconFile.c_str(), p.iconIndex);
    link->SetArguments(p.arguments.c_str());
    link->SetHotkey(p.hotkey);
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, (void **)&persist))) {
        saved = SUCCEEDED(persist->Save(Wide(file).c_str(), TRUE));
        persist->Release();
    }
    link->Release();
    return saved;
}

LinkProps ReadLink(const std::string &file)
{
    ComThread com;
    LinkProps p;
    IShellLinkA *link = nullptr;
    IPersistFile *persist = nullptr;
    char text[1024];
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, (void **)&link)))
        return p;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, (void **)&persist))) {
        if (SUCCEEDED(persist->Load(Wide(file).c_str(), STGM_READ))) {
            text[0] = 0, link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH), p.target = text;
            text[0] = 0, link->GetWorkingDirectory(text, MAX_PATH), p.workDir = text;
            text[0] = 0, link->GetDescription(text, MAX_PATH), p.description = text;
            text[0] = 0, link->GetIconLocation(text, MAX_PATH, &p.iconIndex), p.iconFile = text;
            text[0] = 0, link->GetArguments(text, sizeof(text)), p.arguments = text;
            link->GetHotkey(&p.hotkey);
        }
        persist->Release();
    }
    link->Release();
    return p;
}

Bytes FileBytes(const std::string &path)
{
    Bytes data;
    ReadFileBytes(path, &data);
    return data;
}

class ShortcutFixups : public ::testing::Test {
  protected:
    void SetUp() override
    {
        // The shell link code stays loaded even when the routine ends OLE,
        // so the references kept by the observer can still be released.
        LoadLibraryA("shell32.dll");
        GetCurrentDirectoryA(MAX_PATH, startDir_);
        saved_ = ReadRegValue(HKEY_CURRENT_USER, kShellFolders, "Programs");
        // A folder per test: under Wine, a folder stays in use for the rest of
        // the process once a shell link was saved in it while it was current.
        root_ = ScratchDir(std::string("shortcuts-") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        programs_ = root_ + "\\Start Menu\\Programs";
        docs_ = programs_ + "\\Kelvane Palomid\\Palomid Documents";
        work_ = root_ + "\\work";
        MakeDir(work_);
        MakeDir(root_ + "\\Palomid");
        ASSERT_TRUE(WriteFileText(root_ + "\\Palomid\\palomid.exe", "MZ"));
        SetRegString(HKEY_CURRENT_USER, kShellFolders, "Programs", programs_);
    }

    void TearDown() override
    {
        SetCurrentDirectoryA(startDir_);
        if (!longFile_.empty())
            DeleteFileW(longFile_.c_str());  // beyond what the ANSI calls of RemoveTree reach
        if (saved_.exists)
            SetRegBinary(HKEY_CURRENT_USER, kShellFolders, "Programs", saved_.data, saved_.type);
        else
            DeleteRegValue(HKEY_CURRENT_USER, kShellFolders, "Programs");
        EXPECT_EQ(saved_, ReadRegValue(HKEY_CURRENT_USER, kShellFolders, "Programs"));
        RemoveTree(root_);
    }

    // A shortcut with every property of its own, told apart by seed.
    LinkProps Props(const std::string &seed) const
    {
        LinkProps p;
        p.target = root_ + "\\Palomid\\palomid.exe";
        p.workDir = root_ + "\\Palomid";
        p.description = "Clears the menu of " + seed;
        p.iconFile = root_ + "\\Palomid\\palomid.exe";
        p.iconIndex = 3;
        p.arguments = "/clear " + seed;
        p.hotkey = MAKEWORD('K', HOTKEYF_CONTROL | HOTKEYF_ALT);
        return p;
    }

    std::string MakeLink(const std::string &dir, const std::string &name, const std::string &seed)
    {
        MakeDir(dir);
        std::string path = JoinPath(dir, name);
        EXPECT_TRUE(WriteLink(path, Props(seed))) << path;
        return path;
    }

    char startDir_[MAX_PATH] = "";
    RegValue saved_;
    std::string root_, programs_, docs_, work_;
    std::wstring longFile_;
};

TEST_F(ShortcutFixups, EachDocumentFolderShortcutGetsItsFolderNameAndNothingElse)
{
    std::string letters = MakeLink(docs_ + "\\Letters", "Clear Menu.lnk", "letters");
    std::string reports = MakeLink(docs_ + "\\Reports", "clear menu.LNK", "reports");
    std::string other = MakeLink(docs_ + "\\Reports", "Other.lnk", "other");
    std::string direct = MakeLink(docs_, "Clear Menu.lnk", "direct");
    std::string deeper = MakeLink(docs_ + "\\Letters\\Archive", "Clear Menu.lnk", "deeper");
    std::string dotted = MakeLink(docs_ + "\\.Backup", "Clear Menu.lnk", "dotted");
    MakeDir(docs_ + "\\Empty");
    ASSERT_TRUE(WriteFileText(docs_ + "\\Empty\\notes.txt", "notes"));
    ASSERT_TRUE(WriteFileText(docs_ + "\\readme.txt", "readme"));
    const Bytes directBytes = FileBytes(direct), deeperBytes = FileBytes(deeper), dottedBytes = FileBytes(dotted),
                otherBytes = FileBytes(other);
    const std::vector<std::string> emptyListing = ListDir(docs_ + "\\Empty");

    Observed calls = RunFixups(work_);

    LinkProps expected = Props("letters");
    expected.arguments = "Letters";
    EXPECT_EQ(expected, ReadLink(letters));
    expected = Props("reports");
    expected.arguments = "Reports";
    EXPECT_EQ(expected, ReadLink(reports));
    EXPECT_EQ((std::vector<std::string>{"Other.lnk", "clear menu.LNK"}), ListDir(docs_ + "\\Reports"));
    EXPECT_EQ(otherBytes, FileBytes(other));
    EXPECT_EQ(directBytes, FileBytes(direct));
    EXPECT_EQ(deeperBytes, FileBytes(deeper));
    EXPECT_EQ(dottedBytes, FileBytes(dotted));
    EXPECT_EQ(emptyListing, ListDir(docs_ + "\\Empty"));
    EXPECT_EQ(1, calls.oleInitialize);
    EXPECT_EQ(1, calls.oleUninitialize);
    EXPECT_EQ(2, calls.created) << "one shell link per found shortcut, none for the others";
}

TEST_F(ShortcutFixups, WithoutAnyDocumentFolderNothingIsTouchedAndOleIsLeftAlone)
{
    std::string dotted = MakeLink(docs_ + "\\.Backup", "Clear Menu.lnk", "dotted");
    ASSERT_TRUE(WriteFileText(docs_ + "\\readme.txt", "readme"));
    const Bytes dottedBytes = FileBytes(dotted);
    Observed calls = RunFixups(work_);
    EXPECT_EQ(dottedBytes, FileBytes(dotted));
    EXPECT_EQ(0, calls.oleInitialize);
    EXPECT_EQ(0, calls.oleUninitialize);
    EXPECT_EQ(0, calls.created);

    RemoveTree(docs_);
    MakeDir(docs_);
    calls = RunFixups(work_);
    EXPECT_EQ(0, calls.oleInitialize);
    EXPECT_EQ(0, calls.oleUninitialize);
    EXPECT_TRUE(ListDir(docs_).empty());

    RemoveTree(docs_);
    calls = RunFixups(work_);
    EXPECT_EQ(0, calls.oleInitialize);
    EXPECT_EQ(0, calls.oleUninitialize);
    EXPECT_EQ(std::vector<std::string>(), ListDir(programs_ + "\\Kelvane Palomid"));
}

TEST_F(ShortcutFixups, WithoutAProgramsFolderNothingIsDone)
{
    // Were a missing or empty value taken as an empty path, the walk would
    // start at the root of the current drive and find this shortcut.
    const std::string rootDocs = "C:\\Kelvane Palomid\\Palomid Documents";
    std::string trap = MakeLink(rootDocs + "\\Letters", "Clear Menu.lnk", "trap");
    const Bytes trapBytes = FileBytes(trap);
    for (bool present : {false, true}) {
        if (present)
            SetRegString(HKEY_CURRENT_USER, kShellFolders, "Programs", "");
        else
            DeleteRegValue(HKEY_CURRENT_USER, kShellFolders, "Programs");
        Observed calls = RunFixups(work_);
        EXPECT_EQ(trapBytes, FileBytes(trap)) << (present ? "empty value" : "no value");
        EXPECT_EQ(0, calls.oleInitialize);
        EXPECT_EQ(0, calls.created);
    }
    RemoveTree("C:\\Kelvane Palomid");
}

TEST_F(ShortcutFixups, ReadProgramsFolderTakesOnlyAWholeText)
{
    char path[PROGRAMS_PATH_CHARS];
    // The type is not looked at. Binary data keeps its exact length (Wine
    // adds a terminator to REG_SZ data stored without one).
    SetRegBinary(HKEY_CURRENT_USER, kShellFolders, "Programs", Bytes{'C', ':', '\\', 'P'}, REG_BINARY);
    ASSERT_EQ(1, ReadProgramsFolder(path));
    EXPECT_STREQ("C:\\P", path);
    SetRegString(HKEY_CURRENT_USER, kShellFolders, "Programs", "%USERPROFILE%\\Programs", REG_EXPAND_SZ);
    ASSERT_EQ(1, ReadProgramsFolder(path));
    EXPECT_STREQ("%USERPROFILE%\\Programs", path);
    // 259 characters fit; 260 without a terminator, or more, do not.
    const std::string longest = "C:\\" + std::string(256, 'p');
    SetRegString(HKEY_CURRENT_USER, kShellFolders, "Programs", longest);
    ASSERT_EQ(1, ReadProgramsFolder(path));
    EXPECT_EQ(longest, std::string(path));
    for (const Bytes &data : {Bytes(260, 'q'), Bytes(261, 'r'), Bytes{0}}) {
        SetRegBinary(HKEY_CURRENT_USER, kShellFolders, "Programs", data, REG_BINARY);
        strcpy(path, "untouched");
        EXPECT_EQ(0, ReadProgramsFolder(path)) << data.size() << " bytes";
        EXPECT_STREQ("untouched", path);
    }
}

TEST_F(ShortcutFixups, AShortcutPathLongerThanItsBufferIsPassedOver)
{
    // docs\<name>\Clear Menu.lnk of exactly 259 characters fits the buffer
    // with its terminator; one character more does not.
    const size_t fixedPart = docs_.size() + 1 + 1 + strlen("Clear Menu.lnk");
    const std::string fitting(259 - fixedPart, 'a'), tooLong(260 - fixedPart, 'b');
    std::string fits = MakeLink(docs_ + "\\" + fitting, "Clear Menu.lnk", "fits");
    // Made at a short path and moved, as no ANSI call takes the longer path.
    std::string spare = MakeLink(work_, "spare.lnk", "long");
    const std::string longDir = docs_ + "\\" + tooLong;
    MakeDir(longDir);
    longFile_ = L"\\\\?\\" + Wide(longDir + "\\Clear Menu.lnk");
    ASSERT_TRUE(MoveFileW(Wide(spare).c_str(), longFile_.c_str()));
    // The long one can be entered and its shortcut found, so only the path's length stops it.
    ASSERT_TRUE(SetCurrentDirectoryA(longDir.c_str()));
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA("Clear Menu.lnk", &found);
    ASSERT_NE(INVALID_HANDLE_VALUE, search);
    FindClose(search);
    SetCurrentDirectoryA(work_.c_str());

    Observed calls = RunFixups(work_);

    LinkProps expected = Props("fits");
    expected.arguments = fitting;
    EXPECT_EQ(expected, ReadLink(fits));
    EXPECT_EQ(1, calls.created);
    EXPECT_EQ(1, calls.oleUninitialize);
}

TEST_F(ShortcutFixups, AFolderThatCannotBeMadeCurrentIsNotSearchedInAnother)
{
    // When a change of folder fails, the caller's folder or the documents
    // folder is current, and each holds a shortcut of the same name.
    std::string letters = MakeLink(docs_ + "\\Letters", "Clear Menu.lnk", "letters");
    std::string locked = MakeLink(docs_ + "\\Locked", "Clear Menu.lnk", "locked");
    std::string direct = MakeLink(docs_, "Clear Menu.lnk", "direct");
    std::string caller = MakeLink(work_, "Clear Menu.lnk", "caller");
    const Bytes lockedBytes = FileBytes(locked), directBytes = FileBytes(direct), callerBytes = FileBytes(caller);
    for (bool documentsRefused : {false, true}) {
        refusedDirs = {docs_ + "\\Locked"};
        if (documentsRefused)
            refusedDirs.push_back(docs_);
        Observed calls = RunFixups(work_);
        refusedDirs.clear();
        EXPECT_EQ(1, calls.created) << "documents folder refused: " << documentsRefused;
        EXPECT_EQ("Letters", ReadLink(letters).arguments);
        EXPECT_EQ(lockedBytes, FileBytes(locked));
        EXPECT_EQ(directBytes, FileBytes(direct));
        EXPECT_EQ(callerBytes, FileBytes(caller));
    }
}

TEST_F(ShortcutFixups, AShortcutThatCannotBeChangedIsLeftAsItWasAndTheWalkGoesOn)
{
    std::string good = MakeLink(docs_ + "\\Letters", "Clear Menu.lnk", "good");
    MakeDir(docs_ + "\\Broken");
    const std::string broken = docs_ + "\\Broken\\Clear Menu.lnk";
    ASSERT_TRUE(WriteFileBytes(broken, PatternBytes(300)));
    const Bytes goodBytes = FileBytes(good);

    // No shell link object, or one without IPersistFile: nothing changes.
    for (CreateMode mode : {CreateMode::Fail, CreateMode::NoPersistFile}) {
        createMode = mode;
        Observed calls = RunFixups(work_);
        createMode = CreateMode::Real;
        EXPECT_EQ(2, calls.created);
        EXPECT_EQ(1, calls.oleUninitialize);
        EXPECT_EQ(goodBytes, FileBytes(good));
        EXPECT_EQ(PatternBytes(300), FileBytes(broken));
    }
    // OLE that cannot be initialised is not uninitialised either.
    failOleInitialize = true;
    Observed calls = RunFixups(work_);
    failOleInitialize = false;
    EXPECT_EQ(1, calls.oleInitialize);
    EXPECT_EQ(0, calls.oleUninitialize);
    EXPECT_EQ(goodBytes, FileBytes(good));

    // A file that does not load as a shell link is left alone; the next is changed.
    calls = RunFixups(work_);
    EXPECT_EQ(2, calls.created);
    EXPECT_EQ(PatternBytes(300), FileBytes(broken));
    EXPECT_EQ("Letters", ReadLink(good).arguments);
}

}  // namespace
