// DOSLAUNCH.EXE: stands in, in the test prefix, for Wine's DOS launcher,
// which Wine starts for every .pif. It reads the PIF as a DOS launcher does,
// records what it was asked to start, and ends, so a patch run can end as it
// would on Windows 95.
// Wine starts it as: winevdm.exe --app-name "C:\dir\PATCH.PIF" "C:\dir\PATCH.PIF" [args]
// The record goes to the file that ZARIZED_LAUNCH_LOG names (nothing is
// recorded without it), one "key=value" line each: the command line, the
// current directory, the pif (the --app-name path), whether its record chain
// holds, and the program, startup directory and parameters that a launcher
// takes from it, with the basic header's own copy of the parameters; "end"
// closes each record.
// When ZARIZED_DOS_PHASE names the bench's scripts/dos-phase.sh (a Unix
// path), it then restarts in MS-DOS mode as Windows 95 would: once the
// program that started it has ended, it hands the launch to that script,
// which runs it in DOSBox, and appends what DOS did as "dos ..." lines,
// closed by "dos end".
#include <windows.h>
#include <tlhelp32.h>

#include <stdio.h>

#include <string>
#include <vector>

namespace {

// The PIF as a DOS launcher reads it: the basic header, then the record
// chain from the "MICROSOFT PIFEX" heading that follows it; the parameters
// of a "WINDOWS 386 3.0" record replace the header's. Each text field counts
// up to its first NUL or its end.
struct PifLaunch {
    bool readable = false;
    std::string chain;  // "ok", or what breaks it
    std::string records;
    std::string program, startupDir, parameters, headerParameters;
};

const size_t kHeaderBytes = 0x171;
const size_t kHeadingBytes = 22;
const size_t k386DataBytes = 104;

std::string TextField(const std::string &bytes, size_t offset, size_t width)
{
    std::string field = bytes.substr(offset, width);
    return field.substr(0, field.find('\0'));
}

unsigned Word(const std::string &bytes, size_t offset)
{
    return (unsigned char)bytes[offset] | (unsigned)(unsigned char)bytes[offset + 1] << 8;
}

std::string Hex(size_t value)
{
    char text[16];
    snprintf(text, sizeof(text), "0x%X", (unsigned)value);
    return text;
}

void ReadPif(const std::string &pif, PifLaunch *launch)
{
    if (pif.size() < kHeaderBytes + kHeadingBytes) {
        launch->chain = "broken: the file is shorter than its header and first heading";
        return;
    }
    launch->program = TextField(pif, 0x24, 63);
    launch->startupDir = TextField(pif, 0x65, 64);
    launch->headerParameters = TextField(pif, 0xA5, 64);
    launch->parameters = launch->headerParameters;
    if (pif.compare(kHeaderBytes, 16, std::string("MICROSOFT PIFEX\0", 16)) != 0) {
        launch->chain = "broken: no \"MICROSOFT PIFEX\" heading at " + Hex(kHeaderBytes);
        return;
    }
    launch->records = "MICROSOFT PIFEX";
    std::vector<size_t> seen{kHeaderBytes};
    size_t next = Word(pif, kHeaderBytes + 16);
    while (next != 0xFFFF) {
        if (next + kHeadingBytes > pif.size()) {
            launch->chain = "broken: a heading at " + Hex(next) + " lies past the end of the file";
            return;
        }
        for (size_t at : seen)
            if (at == next) {
                launch->chain = "broken: the chain comes back to the heading at " + Hex(next);
                return;
            }
        seen.push_back(next);
        std::string name = TextField(pif, next, 16);
        size_t data = Word(pif, next + 18), size = Word(pif, next + 20);
        launch->records += "," + name;
        if (name == "WINDOWS 386 3.0") {
            if (size < k386DataBytes || data + k386DataBytes > pif.size()) {
                launch->chain = "broken: the \"WINDOWS 386 3.0\" data at " + Hex(data) + " does not fit the file";
                return;
            }
            launch->parameters = TextField(pif, data + 0x28, 64);
        }
        next = Word(pif, next + 16);
    }
    launch->chain = "ok";
}

std::string AppName(const std::string &line)
{
    const std::string flag = "--app-name ";
    size_t at = line.find(flag);
    if (at == std::string::npos)
        return "";
    at += flag.size();
    if (at < line.size() && line[at] == '"') {
        size_t end = line.find('"', at + 1);
        return line.substr(at + 1, end == std::string::npos ? std::string::npos : end - at - 1);
    }
    return line.substr(at, line.find(' ', at) - at);
}

bool ReadWholeFile(const std::string &path, std::string *bytes)
{
    FILE *f = fopen(path.c_str(), "rb");
    if (!f)
        return false;
    char block[4096];
    size_t n;
    while ((n = fread(block, 1, sizeof(block), f)) > 0)
        bytes->append(block, n);
    fclose(f);
    return true;
}

void AppendToLog(const std::string &logPath, const std::string &text)
{
    // One write, so that a reader waiting for the closing line sees all of it.
    FILE *log = fopen(logPath.c_str(), "ab");
    if (!log)
        return;
    fwrite(text.data(), 1, text.size(), log);
    fclose(log);
}

std::string Environment(const char *name)
{
    char value[MAX_PATH] = "";
    DWORD length = GetEnvironmentVariableA(name, value, sizeof(value));
    return length > 0 && length < sizeof(value) ? value : "";
}

// --- restart in MS-DOS mode ----------------------------------------------------

// Waits for the program that started this one to end, as Windows waits for
// every program before it leaves for MS-DOS mode. Its exit code, when it
// can still be had: a starter that has already gone is not there to ask.
bool AwaitStarter(std::string *outcome)
{
    DWORD self = GetCurrentProcessId(), starter = 0, code = 0;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        if (entry.th32ProcessID == self)
            starter = entry.th32ParentProcessID;
    CloseHandle(snapshot);
    HANDLE process = starter ? OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, starter) : nullptr;
    if (!process) {
        *outcome = "ended";
        return true;
    }
    bool ended = WaitForSingleObject(process, 120000) == WAIT_OBJECT_0;
    if (ended && GetExitCodeProcess(process, &code))
        *outcome = "ended with " + std::to_string((int)code);
    CloseHandle(process);
    if (!ended)
        *outcome = "did not end";
    return ended;
}

bool IsDosName(const std::string &name)
{
    size_t dot = name.find('.');
    std::string base = name.substr(0, dot), extension = dot == std::string::npos ? "" : name.substr(dot + 1);
    if (base.empty() || base.size() > 8 || extension.size() > 3 || extension.find('.') != std::string::npos)
        return false;
    for (char c : name)
        if ((unsigned char)c <= ' ' || std::string("\"*+,/:;<=>?[\\]|").find(c) != std::string::npos)
            return false;
    return true;
}

// A folder DOS can name: a drive, then 8.3 names.
bool IsDosFolder(const std::string &path)
{
    if (path.size() < 4 || path[1] != ':' || path[2] != '\\')
        return false;
    size_t start = 3;
    while (start <= path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string::npos)
            end = path.size();
        if (!IsDosName(path.substr(start, end - start)))
            return false;
        start = end + 1;
    }
    return true;
}

std::string FolderOf(const std::string &path)
{
    size_t slash = path.rfind('\\');
    return slash == std::string::npos ? "" : path.substr(0, slash);
}

bool IsFolder(const std::string &path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

typedef char *(__cdecl *UnixFileName)(const WCHAR *);

std::string UnixPath(const std::string &path)
{
    UnixFileName toUnix = (UnixFileName)(void *)GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name");
    WCHAR wide[MAX_PATH];
    if (!toUnix || !MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH))
        return "";
    char *unix = toUnix(wide);
    std::string result = unix ? unix : "";
    HeapFree(GetProcessHeap(), 0, unix);
    return result;
}

// What DOS is asked to run, and every folder it names that DOS can reach,
// with the Unix folder behind it: the startup folder's short form, the
// program's folder and the folders of paths in the parameters.
std::string DescribeDosLaunch(const PifLaunch &launch)
{
    char shortForm[MAX_PATH] = "";
    std::string startup;
    if (!launch.startupDir.empty() && IsFolder(launch.startupDir)) {
        DWORD length = GetShortPathNameA(launch.startupDir.c_str(), shortForm, MAX_PATH);
        if (length > 0 && length < MAX_PATH)
            startup = shortForm;
    }
    std::vector<std::string> folders;
    if (!startup.empty())
        folders.push_back(startup);
    folders.push_back(FolderOf(launch.program));
    size_t start = 0;
    while (start < launch.parameters.size()) {
        size_t end = launch.parameters.find(' ', start);
        if (end == std::string::npos)
            end = launch.parameters.size();
        folders.push_back(FolderOf(launch.parameters.substr(start, end - start)));
        start = end + 1;
    }
    std::string description;
    std::vector<std::string> mapped;
    for (const std::string &folder : folders) {
        bool known = false;
        for (const std::string &m : mapped)
            known = known || lstrcmpiA(m.c_str(), folder.c_str()) == 0;
        std::string unix = IsDosFolder(folder) && IsFolder(folder) && !known ? UnixPath(folder) : "";
        if (unix.empty())
            continue;
        mapped.push_back(folder);
        description += "folder=" + folder + "|" + unix + "\n";
    }
    description += "startup=" + startup + "\n";
    description += "program=" + launch.program + "\n";
    description += "parameters=" + launch.parameters + "\n";
    return description;
}

typedef NTSTATUS(__cdecl *UnixSpawn)(char **argv, int wait);

// Runs the DOS phase through the bench's script; its report, or why not.
std::string RunDosPhase(const std::string &script, const PifLaunch &launch)
{
    if (launch.chain != "ok")
        return "dos phase=not run: the PIF's record chain is broken\n";
    std::string starter;
    if (!AwaitStarter(&starter))
        return "dos phase=not run: the program that started Patch.pif " + starter + "\n";

    char temp[MAX_PATH] = "";
    GetTempPathA(MAX_PATH, temp);
    const std::string stem = std::string(temp) + "zarized-dos-" + std::to_string(GetCurrentProcessId());
    const std::string descriptionPath = stem + ".txt", reportPath = stem + ".report";
    DeleteFileA(reportPath.c_str());
    FILE *description = fopen(descriptionPath.c_str(), "wb");
    if (!description)
        return "dos phase=not run: its description cannot be written\n";
    std::string text = DescribeDosLaunch(launch);
    fwrite(text.data(), 1, text.size(), description);
    fclose(description);

    UnixSpawn spawn = (UnixSpawn)(void *)GetProcAddress(GetModuleHandleA("ntdll.dll"), "__wine_unix_spawnvp");
    std::string unixDescription = UnixPath(descriptionPath), unixReport = UnixPath(reportPath);
    char *argv[] = {(char *)"/bin/bash", (char *)script.c_str(), (char *)unixDescription.c_str(),
                    (char *)unixReport.c_str(), nullptr};
    NTSTATUS status = spawn ? spawn(argv, TRUE) : -1;
    std::string report;
    bool reported = ReadWholeFile(reportPath, &report);
    DeleteFileA(descriptionPath.c_str());
    DeleteFileA(reportPath.c_str());
    if (!reported)
        return "dos phase=not run: " + script + " did not report (status " + std::to_string((long)status) + ")\n";
    std::string lines = "dos phase=" + std::string(status == 0 ? "ran" : "failed") + "\n";
    lines += "dos starter=" + starter + "\n";
    size_t start = 0;
    while (start < report.size()) {
        size_t end = report.find('\n', start);
        if (end == std::string::npos)
            end = report.size();
        lines += "dos " + report.substr(start, end - start) + "\n";
        start = end + 1;
    }
    return lines;
}

}  // namespace

int main()
{
    const std::string logPath = Environment("ZARIZED_LAUNCH_LOG");
    if (logPath.empty())
        return 0;
    std::string line = GetCommandLineA();
    char cwd[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof(cwd), cwd);
    std::string pifPath = AppName(line);
    std::string pif;
    PifLaunch launch;
    launch.readable = ReadWholeFile(pifPath, &pif);
    if (launch.readable)
        ReadPif(pif, &launch);
    else
        launch.chain = "broken: the file cannot be read";

    std::string record = "command line=" + line + "\n";
    record += "current directory=" + std::string(cwd) + "\n";
    record += "pif=" + pifPath + "\n";
    record += "pif readable=" + std::string(launch.readable ? "yes" : "no") + "\n";
    record += "pif chain=" + launch.chain + "\n";
    record += "pif records=" + launch.records + "\n";
    record += "program=" + launch.program + "\n";
    record += "startup directory=" + launch.startupDir + "\n";
    record += "parameters=" + launch.parameters + "\n";
    record += "header parameters=" + launch.headerParameters + "\n";
    record += "end\n";  // the record is whole: the starter does not wait for this program
    AppendToLog(logPath, record);

    const std::string dosPhase = Environment("ZARIZED_DOS_PHASE");
    if (!dosPhase.empty())
        AppendToLog(logPath, RunDosPhase(dosPhase, launch) + "dos end\n");
    return launch.chain == "ok" ? 0 : 1;
}
