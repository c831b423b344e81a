// The probe of the programs' twins (ZARPROBE.EXE of ZARIZED.EXE, XPROBE.EXE
// of EXTRACT.EXE): the same objects as the shipping program, linked with
// this file, which routes their imports before WinMain runs. It sees every
// global-heap block they ask for (through the allocation watch) and every
// change they make to files (a file cut short included), folders, the
// registry and shortcuts, and their
// launches; and it can end the program at once before any one change, as a
// power cut or End Task would, with nothing of the program run after it.
//
// Environment:
//   ZARIZED_PROBE_LOG   a file the twin appends its record to, one line each:
//                         "<twin> change <n> <kind> <what>" before change n,
//                         "<twin> stopped <n>" when it ends before change n,
//                         "<twin> blocks <count> largest <bytes>" at its end
//                         ("<twin> blocks none: ..." when it imports no
//                         GlobalAlloc at all).
//   ZARIZED_PROBE_STOP  n: end before change n (1 is the first).
//   ZARIZED_PROBE_CUT   1: when change n writes to a file, write the first
//                       half of it, then end.
//   ZARIZED_PROBE_NOT_READY  "<name>,<k>": the first k opens of a file whose
//                       path ends in <name> fail with ERROR_NOT_READY, as on
//                       a floppy drive with no disk in it; each is recorded
//                       as "<twin> not ready <path> error mode <mode>", with
//                       the error mode the program had set by then.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "allocation_watch.h"
#include "import_slots.h"

#ifndef ZARIZED_PROBE_NAME
#error "ZARIZED_PROBE_NAME names the twin in its record"
#endif

// The C runtime calls WinMain, which for ZARPROBE.EXE lies in the program's
// library, passed by the link before the runtime asks for it: naming it here
// takes it in.
__attribute__((used)) void *const kProgramEntry = (void *)&WinMain;

namespace {

char logPath[MAX_PATH];
long stopAt;
bool cutWrite;
long changes;
char notReadyName[MAX_PATH];
long notReadyOpens;

// The functions behind the routed imports, as the import slots held them
// (the probe's own calls go through the same slots).
decltype(&CreateFileA) realCreateFile;
decltype(&CloseHandle) realCloseHandle;
decltype(&WriteFile) realWriteFile;
decltype(&SetEndOfFile) realSetEndOfFile;
decltype(&MoveFileA) realMoveFile;
decltype(&DeleteFileA) realDeleteFile;
decltype(&CreateDirectoryA) realCreateDirectory;
decltype(&RemoveDirectoryA) realRemoveDirectory;
decltype(&CreateProcessA) realCreateProcess;
decltype(&RegCreateKeyExA) realRegCreateKeyEx;
decltype(&RegSetValueExA) realRegSetValueEx;
decltype(&RegDeleteValueA) realRegDeleteValue;
decltype(&RegDeleteKeyA) realRegDeleteKey;
decltype(&CoCreateInstance) realCoCreateInstance;

void Record(const char *line)
{
    if (!logPath[0] || !realCreateFile || !realWriteFile || !realCloseHandle)
        return;
    HANDLE log = realCreateFile(logPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log == INVALID_HANDLE_VALUE)
        return;
    char text[1200];
    int length = snprintf(text, sizeof(text), "%s %s\r\n", ZARIZED_PROBE_NAME, line);
    DWORD written = 0;
    SetFilePointer(log, 0, nullptr, FILE_END);
    realWriteFile(log, text, (DWORD)length, &written, nullptr);
    realCloseHandle(log);
}

[[noreturn]] void StopNow()
{
    char line[64];
    snprintf(line, sizeof(line), "stopped %ld", changes);
    Record(line);
    TerminateProcess(GetCurrentProcess(), 0xDEAD);
    for (;;)
        Sleep(1000);
}

// Counts one change; true when the program must end before it. Cut writes
// are told so, to write their first half first.
bool Change(const char *kind, const char *what)
{
    char line[1100];
    ++changes;
    snprintf(line, sizeof(line), "change %ld %s %s", changes, kind, what);
    Record(line);
    return stopAt > 0 && changes == stopAt;
}

void ChangeOrStop(const char *kind, const char *what)
{
    if (Change(kind, what))
        StopNow();
}

// The files the program holds open for writing, so a write can be named.
struct OpenFile {
    HANDLE handle;
    char path[MAX_PATH];
};
OpenFile openFiles[32];

const char *PathOf(HANDLE handle)
{
    for (const OpenFile &file : openFiles)
        if (file.handle == handle && handle)
            return file.path;
    return "?";
}

bool Exists(const char *path)
{
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

// Whether the open of path is one the drive is to fail as not ready.
bool NotReady(const char *path)
{
    size_t length = strlen(path), name = strlen(notReadyName);
    if (notReadyOpens <= 0 || !name || length < name || lstrcmpiA(path + length - name, notReadyName) != 0)
        return false;
    --notReadyOpens;
    UINT mode = SetErrorMode(0);  // the only way to read it that Windows 95 has
    SetErrorMode(mode);
    char line[MAX_PATH + 64];
    snprintf(line, sizeof(line), "not ready %s error mode 0x%04X", path, mode);
    Record(line);
    return true;
}

HANDLE WINAPI ProbeCreateFile(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                              DWORD disposition, DWORD flags, HANDLE templateFile)
{
    bool writes = (access & (GENERIC_WRITE | FILE_APPEND_DATA | FILE_WRITE_DATA)) != 0;
    if (!writes && NotReady(path)) {
        SetLastError(ERROR_NOT_READY);
        return INVALID_HANDLE_VALUE;
    }
    if (writes && disposition != OPEN_EXISTING)
        ChangeOrStop(Exists(path) ? "replace" : "create", path);
    HANDLE handle = realCreateFile(path, access, share, security, disposition, flags, templateFile);
    if (writes && handle != INVALID_HANDLE_VALUE)
        for (OpenFile &file : openFiles)
            if (!file.handle) {
                file.handle = handle;
                lstrcpynA(file.path, path, MAX_PATH);
                break;
            }
    return handle;
}

BOOL WINAPI ProbeCloseHandle(HANDLE handle)
{
    for (OpenFile &file : openFiles)
        if (file.handle == handle)
            file.handle = nullptr;
    return realCloseHandle(handle);
}

BOOL WINAPI ProbeWriteFile(HANDLE handle, LPCVOID bytes, DWORD count, LPDWORD written, LPOVERLAPPED overlapped)
{
    char what[MAX_PATH + 32];
    snprintf(what, sizeof(what), "%s %lu", PathOf(handle), (unsigned long)count);
    if (Change("write", what)) {
        if (cutWrite) {
            DWORD half = 0;
            realWriteFile(handle, bytes, count / 2, &half, nullptr);
        }
        StopNow();
    }
    return realWriteFile(handle, bytes, count, written, overlapped);
}

BOOL WINAPI ProbeSetEndOfFile(HANDLE handle)
{
    ChangeOrStop("truncate", PathOf(handle));
    return realSetEndOfFile(handle);
}

BOOL WINAPI ProbeMoveFile(LPCSTR from, LPCSTR to)
{
    char what[2 * MAX_PATH + 8];
    snprintf(what, sizeof(what), "%s -> %s", from, to);
    if (Exists(from))
        ChangeOrStop("rename", what);
    return realMoveFile(from, to);
}

BOOL WINAPI ProbeDeleteFile(LPCSTR path)
{
    if (Exists(path))
        ChangeOrStop("delete", path);
    return realDeleteFile(path);
}

BOOL WINAPI ProbeCreateDirectory(LPCSTR path, LPSECURITY_ATTRIBUTES security)
{
    if (!Exists(path))
        ChangeOrStop("mkdir", path);
    return realCreateDirectory(path, security);
}

BOOL WINAPI ProbeRemoveDirectory(LPCSTR path)
{
    if (Exists(path))
        ChangeOrStop("rmdir", path);
    return realRemoveDirectory(path);
}

BOOL WINAPI ProbeCreateProcess(LPCSTR application, LPSTR commandLine, LPSECURITY_ATTRIBUTES processSecurity,
                               LPSECURITY_ATTRIBUTES threadSecurity, BOOL inherit, DWORD flags, LPVOID environment,
                               LPCSTR directory, LPSTARTUPINFOA startup, LPPROCESS_INFORMATION process)
{
    ChangeOrStop("launch", commandLine ? commandLine : application);
    return realCreateProcess(application, commandLine, processSecurity, threadSecurity, inherit, flags, environment,
                             directory, startup, process);
}

// Registry changes, named by the key's path below its root where known.
LONG WINAPI ProbeRegCreateKeyEx(HKEY key, LPCSTR subkey, DWORD reserved, LPSTR keyClass, DWORD options,
                                REGSAM access, LPSECURITY_ATTRIBUTES security, PHKEY result, LPDWORD disposition)
{
    HKEY existing;
    if (RegOpenKeyExA(key, subkey, 0, KEY_READ, &existing) == ERROR_SUCCESS)
        RegCloseKey(existing);
    else
        ChangeOrStop("regkey", subkey ? subkey : "");
    return realRegCreateKeyEx(key, subkey, reserved, keyClass, options, access, security, result, disposition);
}

LONG WINAPI ProbeRegSetValueEx(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE *data, DWORD size)
{
    ChangeOrStop("regset", name ? name : "");
    return realRegSetValueEx(key, name, reserved, type, data, size);
}

LONG WINAPI ProbeRegDeleteValue(HKEY key, LPCSTR name)
{
    if (RegQueryValueExA(key, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS)
        ChangeOrStop("regdelvalue", name ? name : "");
    return realRegDeleteValue(key, name);
}

LONG WINAPI ProbeRegDeleteKey(HKEY key, LPCSTR subkey)
{
    ChangeOrStop("regdelkey", subkey ? subkey : "");
    return realRegDeleteKey(key, subkey);
}

// A shortcut is saved through its object's IPersistFile, whose Save the
// probe routes once the first shell link is made.
typedef HRESULT(STDMETHODCALLTYPE *SaveFunction)(IPersistFile *, LPCOLESTR, BOOL);
SaveFunction realSave;

HRESULT STDMETHODCALLTYPE ProbeSave(IPersistFile *file, LPCOLESTR name, BOOL remember)
{
    char path[MAX_PATH] = "?";
    if (name)
        WideCharToMultiByte(CP_ACP, 0, name, -1, path, MAX_PATH, nullptr, nullptr);
    ChangeOrStop("shortcut", path);
    return realSave(file, name, remember);
}

void RouteSave(IUnknown *object)
{
    IPersistFile *file = nullptr;
    if (realSave || FAILED(object->QueryInterface(IID_IPersistFile, (void **)&file)))
        return;
    void **slot = &(*(void ***)file)[6];  // QueryInterface, AddRef, Release, GetClassID, IsDirty, Load, Save
    DWORD old;
    if (VirtualProtect(slot, sizeof(void *), PAGE_READWRITE, &old)) {
        realSave = (SaveFunction)*slot;
        *slot = (void *)ProbeSave;
        VirtualProtect(slot, sizeof(void *), old, &old);
    }
    file->Release();
}

HRESULT WINAPI ProbeCoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD context, REFIID iid, LPVOID *object)
{
    HRESULT result = realCoCreateInstance(clsid, outer, context, iid, object);
    if (SUCCEEDED(result) && IsEqualCLSID(clsid, CLSID_ShellLink))
        RouteSave((IUnknown *)*object);
    return result;
}

struct Route {
    const char *function;
    void *replacement;
    void *original;  // where the function behind the slots is kept
};
const Route kRoutes[] = {
    {"CreateFileA", (void *)ProbeCreateFile, &realCreateFile},
    {"CloseHandle", (void *)ProbeCloseHandle, &realCloseHandle},
    {"WriteFile", (void *)ProbeWriteFile, &realWriteFile},
    {"SetEndOfFile", (void *)ProbeSetEndOfFile, &realSetEndOfFile},
    {"MoveFileA", (void *)ProbeMoveFile, &realMoveFile},
    {"DeleteFileA", (void *)ProbeDeleteFile, &realDeleteFile},
    {"CreateDirectoryA", (void *)ProbeCreateDirectory, &realCreateDirectory},
    {"RemoveDirectoryA", (void *)ProbeRemoveDirectory, &realRemoveDirectory},
    {"CreateProcessA", (void *)ProbeCreateProcess, &realCreateProcess},
    {"RegCreateKeyExA", (void *)ProbeRegCreateKeyEx, &realRegCreateKeyEx},
    {"RegSetValueExA", (void *)ProbeRegSetValueEx, &realRegSetValueEx},
    {"RegDeleteValueA", (void *)ProbeRegDeleteValue, &realRegDeleteValue},
    {"RegDeleteKeyA", (void *)ProbeRegDeleteKey, &realRegDeleteKey},
    {"CoCreateInstance", (void *)ProbeCoCreateInstance, &realCoCreateInstance},
};

// Routes the imports when the C runtime starts the twin, before WinMain,
// and records the blocks when it ends.
struct Probe {
    GlobalAllocWatch watch;
    ImportPatch *patches[sizeof(kRoutes) / sizeof(kRoutes[0])];

    Probe()
    {
        char number[32] = "";
        if (!GetEnvironmentVariableA("ZARIZED_PROBE_LOG", logPath, MAX_PATH))
            logPath[0] = 0;
        if (GetEnvironmentVariableA("ZARIZED_PROBE_STOP", number, sizeof(number)))
            stopAt = atol(number);
        cutWrite = GetEnvironmentVariableA("ZARIZED_PROBE_CUT", number, sizeof(number)) && number[0] == '1';
        char notReady[MAX_PATH + 16] = "";
        if (GetEnvironmentVariableA("ZARIZED_PROBE_NOT_READY", notReady, sizeof(notReady))) {
            char *comma = strrchr(notReady, ',');
            if (comma) {
                *comma = 0;
                notReadyOpens = atol(comma + 1);
                lstrcpynA(notReadyName, notReady, MAX_PATH);
            }
        }
        for (size_t i = 0; i < sizeof(kRoutes) / sizeof(kRoutes[0]); ++i) {
            patches[i] = new ImportPatch(kRoutes[i].function, kRoutes[i].replacement);
            *(void **)kRoutes[i].original = patches[i]->Original<void *>();
        }
    }

    ~Probe()
    {
        char line[96];
        snprintf(line, sizeof(line), "blocks %lu largest %lu", (unsigned long)watch.requests(),
                 (unsigned long)watch.largest());
        Record(watch.installed() ? line : "blocks none: GlobalAlloc is not imported");
        for (ImportPatch *patch : patches)
            delete patch;
    }
} probe;

}  // namespace
