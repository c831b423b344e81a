// LaunchProgram: starts a program from a folder, optionally waiting a while for it; message 2006 when that fails.
#include "handoff.h"
#include "handoff_text.h"
#include "../driver/driver.h"
#include "../../res/resource.h"
#include "../runtime/runtime.h"

enum { LAUNCH_WAIT_MS = 15000 };

// Starts the command line; with wait set, waits up to 15 s, where only a
// failed wait (not a time-out) counts against the start.
static int StartProcess(char *commandLine, int wait)
{
    STARTUPINFOA startup;
    PROCESS_INFORMATION process;
    int result;
    RtMemSet(&startup, 0, sizeof(startup));
    startup.cb = sizeof(startup);
    if (!CreateProcessA(0, commandLine, 0, 0, FALSE, NORMAL_PRIORITY_CLASS, 0, 0, &startup, &process))
        return 0;
    result = !wait || WaitForSingleObject(process.hProcess, LAUNCH_WAIT_MS) != WAIT_FAILED;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return result;
}

int LaunchProgram(const char *program, const char *directory, const char *arguments, int wait)
{
    char commandLine[LAUNCH_QUOTED_LINE_CHARS];
    int directoryLength = directory ? (int)RtStrLen(directory) : 0;
    int started = 0;
    // The path test comes first, before anything is started; the whole line,
    // arguments included, must then have at most 259 characters besides its
    // quotes.
    if (directoryLength + (int)RtStrLen(program) + 2 < PATH_CHARS &&
        BuildLaunchCommandLine(commandLine, LAUNCH_QUOTED_LINE_CHARS, LAUNCH_LINE_CHARS - 1, directory, program,
                               arguments))
        started = StartProcess(commandLine, wait);
    if (!started)
        ShowStringMessage(IDS_ERROR, IDS_CANT_RUN, MB_OK);
    return started;
}
