// The program's entry point: what a C runtime's start-up would do, and no more.
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandText, int showCommand);

// Skips the program name, quoted or not, and the blanks after it, as the C
// runtime's GUI start-up does, so WinMain sees only the argument text.
static LPSTR SkipProgramName(LPSTR line)
{
    LPSTR p = line;
    if (*p == '"') {
        ++p;
        while (*p && *p != '"')
            ++p;
        if (*p == '"')
            ++p;
    } else {
        while ((unsigned char)*p > ' ')
            ++p;
    }
    while (*p && (unsigned char)*p <= ' ')
        ++p;
    return p;
}

extern "C" void entry(void)
{
    int result = WinMain(GetModuleHandleA(0), 0, SkipProgramName(GetCommandLineA()), SW_SHOWDEFAULT);
    ExitProcess((UINT)result);
}
