// SLEEPER.EXE, a small real program for the launch tests: sleeps for the
// milliseconds of its first argument (none: 0), then, when the variable
// ZARIZED_SLEEPER_MARK names a file, writes its own path into that file
// (through a temporary name, so that a reader never sees half of it).
#include <windows.h>

#include <stdlib.h>
#include <string>

int main(int argc, char **argv)
{
    Sleep(argc > 1 ? (DWORD)atoi(argv[1]) : 0);
    char mark[MAX_PATH] = "";
    DWORD length = GetEnvironmentVariableA("ZARIZED_SLEEPER_MARK", mark, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return 0;
    char self[MAX_PATH] = "";
    DWORD selfLength = GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string temporary = std::string(mark) + ".tmp";
    HANDLE file = CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    DWORD written = 0;
    WriteFile(file, self, selfLength, &written, nullptr);
    CloseHandle(file);
    return MoveFileExA(temporary.c_str(), mark, MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
