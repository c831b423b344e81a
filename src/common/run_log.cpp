// The run's log and its silence: what an administrator who rolls the patch
// out to many PCs collects of each run, and a run that shows nothing.
#include "common.h"
#include "../runtime/runtime.h"

#include <stdarg.h>

static HANDLE Log = INVALID_HANDLE_VALUE;
static int Silent;

enum {
    // A line: its time, then what wvsprintfA writes at most, then CR LF.
    LOG_LINE_CHARS = 16 + MESSAGE_TEXT_CHARS + 2
};

int GetProgramPath(char *path)
{
    DWORD length = GetModuleFileNameA(0, path, PATH_CHARS);
    if (length == 0 || length >= PATH_CHARS) {
        path[0] = 0;
        return 0;
    }
    NetworkFormOfModulePath(path);
    return 1;
}

void StartRunLog(const char *commandText, const RunSwitches *switches)
{
    char path[PATH_CHARS];
    char program[PATH_CHARS];
    char computer[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD computerChars = sizeof(computer);
    SYSTEMTIME now;
    Silent = switches->silent;
    if (switches->logPath[0]) {
        RtCopyText(path, PATH_CHARS, switches->logPath);
    } else {
        // A silent run without a log named keeps it in the Windows folder.
        UINT length = GetWindowsDirectoryA(path, PATH_CHARS);
        if (!Silent || length == 0 || length >= PATH_CHARS)
            return;
        StripTrailingBackslash(path);
        if (!RtAppendText(path, PATH_CHARS, "\\ZARIZED.LOG"))
            return;
    }
    // Appended to, never cut; others may read it, and another program of
    // the patch (the download's extractor and the run it starts) may add
    // to it meanwhile.
    Log = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, 0, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                      0);
    if (Log == INVALID_HANDLE_VALUE)
        return;
    if (!GetComputerNameA(computer, &computerChars))
        computer[0] = 0;
    GetProgramPath(program);
    GetLocalTime(&now);
    LogLine("%s started %04u-%02u-%02u on computer %s, command text \"%s\"", program, now.wYear, now.wMonth, now.wDay,
            computer, commandText);
}

void EndRunLog(int exitCode)
{
    if (Log == INVALID_HANDLE_VALUE)
        return;
    LogLine("exit code %d", exitCode);
    CloseHandle(Log);
    Log = INVALID_HANDLE_VALUE;
}

void LogLine(const char *format, ...)
{
    char line[LOG_LINE_CHARS];
    SYSTEMTIME now;
    DWORD written;
    va_list arguments;
    int length;
    if (Log == INVALID_HANDLE_VALUE)
        return;
    GetLocalTime(&now);
    length = wsprintfA(line, "%02u:%02u:%02u ", now.wHour, now.wMinute, now.wSecond);
    va_start(arguments, format);
    length += wvsprintfA(line + length, format, arguments);
    va_end(arguments);
    line[length++] = '\r';
    line[length++] = '\n';
    // Each line goes to the file as it is made, after whatever another
    // program of the patch wrote: a run stopped part-way leaves what it did.
    SetFilePointer(Log, 0, 0, FILE_END);
    WriteFile(Log, line, (DWORD)length, &written, 0);
}

int IsSilentRun(void)
{
    return Silent;
}

int ShowRunMessage(UINT textId, const char *caption, const char *text, UINT style)
{
    char oneLine[MESSAGE_TEXT_CHARS];
    char *at;
    // A silent run takes each box as answered: a question with a Cancel
    // button (a disk prompt) as Cancel, every other box as OK.
    int answer = (style & MB_TYPEMASK) == MB_OKCANCEL ? IDCANCEL : IDOK;
    if (!Silent)
        answer = MessageBoxA(0, text, caption, style);
    RtCopyText(oneLine, sizeof(oneLine), text);
    for (at = oneLine; *at; ++at)
        if (*at == '\n' || *at == '\r')
            *at = ' ';
    LogLine("message %u \"%s\": %s [%s%s]", textId, caption, oneLine,
            answer == IDOK ? "OK" : answer == IDCANCEL ? "Cancel" : "not shown", Silent ? ", as a silent run answers" : "");
    return answer;
}
