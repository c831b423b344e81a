// The plain Win32 copy the benchmark measures the program against: reads the
// inputs in order with ReadFile into one buffer of BUFFER_BYTES and writes
// each block with WriteFile to OUTPUT, under the same Wine.
//   win32_copy BUFFER_BYTES OUTPUT INPUT...
// Without arguments it exits at once, for Wine's idle resident set.
#include <windows.h>

#include <stdlib.h>

int main(int argc, char **argv)
{
    if (argc < 4)
        return 2;
    DWORD size = (DWORD)strtoul(argv[1], nullptr, 10);
    char *buffer = (char *)VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    HANDLE out = CreateFileA(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (!buffer || out == INVALID_HANDLE_VALUE)
        return 1;
    int ok = 1;
    for (int i = 3; i < argc && ok; ++i) {
        HANDLE in = CreateFileA(argv[i], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        DWORD read = 0, written = 0;
        ok = in != INVALID_HANDLE_VALUE;
        while (ok && ReadFile(in, buffer, size, &read, nullptr) && read > 0)
            ok = WriteFile(out, buffer, read, &written, nullptr) && written == read;
        if (in != INVALID_HANDLE_VALUE)
            CloseHandle(in);
    }
    CloseHandle(out);
    return ok ? 0 : 1;
}
