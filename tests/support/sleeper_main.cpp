// SLEEPER.EXE, a small real program for the launch tests: sleeps for the
// milliseconds of its first argument (none, or no number: 0), then, when the
// variable ZARIZED_SLEEPER_MARK names a file, writes its own path into that
// file, and when ZARIZED_SLEEPER_COMMAND_LINE names one, its whole command
// line (each through a temporary name, so that a reader never sees half of it).
#include <windows.h>

#include <stdlib.h>
#include <string.h>
#include <string>

// Writes text into the file the variable names; true when there is none.
static bool WriteNamedFile(const char *variable, const char *text, DWORD length)
{
    char path[MAX_PATH] = "";
    DWORD pathLength = GetEnvironmentVariableA(variable, path, MAX_PATH);
    if (pathLength == 0 || pathLength >= MAX_PATH)
        return true;
    std::string temporary = std::string(path) + ".tmp";
    HANDLE file = CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    WriteFile(file, text, length, &written, nullptr);
    CloseHandle(file);
    return MoveFileExA(temporary.c_str(), path, MOVEFILE_REPLACE_EXISTING) != 0;
}

int main(int argc, char **argv)
{
    Sleep(argc > 1 ? (DWORD)atoi(argv[1]) : 0);
    char self[MAX_PATH] = "";
    DWORD selfLength = GetModuleFileNameA(nullptr, self, MAX_PATH);
    const char *line = GetCommandLineA();
    bool written = WriteNamedFile("ZARIZED_SLEEPER_COMMAND_LINE", line, (DWORD)strlen(line));
    written = WriteNamedFile("ZARIZED_SLEEPER_MARK", self, selfLength) && written;
    return written ? 0 : 1;
}
