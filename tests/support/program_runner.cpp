#include "program_runner.h"

#include <tlhelp32.h>

#include <algorithm>

namespace {

struct Watch {
    std::vector<DWORD> family;  // the program and the programs it started, theirs included
    bool familyRead;            // in this pass over the windows
    BoxAnswer *answer;
    ProgressSeen *progressSeen;
    RunResult *result;
    std::vector<HWND> *answered;
};

bool InFamily(const Watch &watch, DWORD processId)
{
    return std::find(watch.family.begin(), watch.family.end(), processId) != watch.family.end();
}

// Adds every process whose parent is in the family, until none is left.
void ReadFamily(Watch *watch)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    std::vector<PROCESSENTRY32> processes;
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        processes.push_back(entry);
    CloseHandle(snapshot);
    for (bool grew = true; grew;) {
        grew = false;
        for (const PROCESSENTRY32 &process : processes)
            if (!InFamily(*watch, process.th32ProcessID) && InFamily(*watch, process.th32ParentProcessID)) {
                watch->family.push_back(process.th32ProcessID);
                grew = true;
            }
    }
    watch->familyRead = true;
}

BOOL CALLBACK VisitWindow(HWND window, LPARAM param)
{
    Watch *watch = (Watch *)param;
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (!IsWindowVisible(window))
        return TRUE;
    // A window of a process not known yet may be one the program started
    // (the download's extractor starts ZARIZED.EXE): look once a pass.
    if (!InFamily(*watch, owner) && !watch->familyRead)
        ReadFamily(watch);
    if (!InFamily(*watch, owner))
        return TRUE;
    if (std::find(watch->answered->begin(), watch->answered->end(), window) != watch->answered->end())
        return TRUE;
    RecordedBox box;
    if (ReadMessageBox(window, &box)) {
        box.answer = (*watch->answer)(box);
        if (box.answer == 0)
            box.answer = GetDlgItem(window, IDCANCEL) ? IDCANCEL : IDOK;
        watch->result->boxes.push_back(box);
        watch->answered->push_back(window);
        PressButton(window, box.answer);
        return TRUE;
    }
    char className[64] = "";
    GetClassNameA(window, className, sizeof(className));
    HWND text = GetDlgItem(window, 101);
    if (lstrcmpA(className, "#32770") == 0 && text) {
        char buffer[512] = "";
        GetWindowTextA(text, buffer, sizeof(buffer));
        watch->result->progressShown = true;
        if (buffer[0])
            watch->result->progressText = buffer;
        GetWindowTextA(window, buffer, sizeof(buffer));
        watch->result->progressCaption = buffer;
        if (*watch->progressSeen)
            (*watch->progressSeen)(window);
    }
    return TRUE;
}

}  // namespace

std::string Describe(const RunResult &run)
{
    std::string text = "exit " + std::to_string(run.exitCode);
    for (const RecordedBox &box : run.boxes)
        text += "\n[" + box.caption + "] " + box.text;
    return text;
}

std::string ProgramPath()
{
    std::string path = "Z:" ZARIZED_EXE_UNIX_PATH;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

RunResult RunExecutable(const std::string &exePath, const std::string &commandText, BoxAnswer answer,
                        const std::string &workDir, DWORD timeoutMs, ProgressSeen progressSeen)
{
    RunResult result;
    std::string line = "\"" + exePath + "\" " + commandText;
    std::vector<char> lineBuffer(line.begin(), line.end());
    lineBuffer.push_back(0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(exePath.c_str(), lineBuffer.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        workDir.empty() ? nullptr : workDir.c_str(), &startup, &process)) {
        result.exitCode = 0xDEADBEEF;
        return result;
    }
    std::vector<HWND> answered;
    Watch watch = {{process.dwProcessId}, false, &answer, &progressSeen, &result, &answered};
    DWORD started = GetTickCount();
    while (WaitForSingleObject(process.hProcess, 20) == WAIT_TIMEOUT) {
        watch.familyRead = false;
        EnumWindows(VisitWindow, (LPARAM)&watch);
        answered.erase(std::remove_if(answered.begin(), answered.end(), [](HWND w) { return !IsWindow(w); }),
                       answered.end());
        if (GetTickCount() - started > timeoutMs) {
            result.timedOut = true;
            TerminateProcess(process.hProcess, 0xDEAD);
            WaitForSingleObject(process.hProcess, 5000);
            break;
        }
    }
    GetExitCodeProcess(process.hProcess, &result.exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return result;
}

RunResult RunProgramFrom(const std::string &mediaDir, const std::string &commandText, BoxAnswer answer,
                         const std::string &workDir, DWORD timeoutMs)
{
    std::string target = mediaDir;
    if (target.empty() || target.back() != '\\')
        target += "\\";
    target += "ZARIZED.EXE";
    CopyFileA(ProgramPath().c_str(), target.c_str(), FALSE);
    return RunExecutable(target, commandText, std::move(answer), workDir.empty() ? mediaDir : workDir, timeoutMs);
}
