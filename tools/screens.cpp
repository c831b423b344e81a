#include "screens.h"

#include <stdio.h>

namespace {

typedef NTSTATUS(CDECL *UnixSpawn)(char *const argv[], int wait);

// Whether the window and its controls have nothing left to paint. Wine keeps
// update regions in its server, so another process can ask.
bool Painted(HWND window)
{
    if (GetUpdateRect(window, nullptr, FALSE))
        return false;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (GetUpdateRect(child, nullptr, FALSE))
            return false;
    return true;
}

bool Import(const std::string &file)
{
    UnixSpawn spawn = (UnixSpawn)(void *)GetProcAddress(GetModuleHandleA("ntdll.dll"), "__wine_unix_spawnvp");
    char *argv[] = {(char *)"import", (char *)"-window", (char *)"root", (char *)file.c_str(), nullptr};
    return spawn && spawn(argv, TRUE) == 0;
}

}  // namespace

std::string ShootScreen(const std::string &start, const std::string &name, HWND window, DWORD settleMs)
{
    static int count = 0;
    char number[8];
    snprintf(number, sizeof(number), "-%02d-", ++count);
    const std::string file = start + number + name + ".png";
    DWORD threadId = GetWindowThreadProcessId(window, nullptr);
    HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, threadId);
    // The window's thread is held still while the screen is taken, so the
    // picture is of one moment of the run; up to 2 s are given for what it
    // has to paint. What is still not drawn then is taken as it is.
    bool shot = false;
    for (int attempt = 0; attempt < 100 && !shot; ++attempt) {
        if (thread)
            SuspendThread(thread);
        if (!IsWindow(window)) {
            if (thread)
                ResumeThread(thread);
            break;
        }
        if (Painted(window) && settleMs) {
            // Wine hands what a window painted to the X server once its
            // thread waits for messages: a box's thread gets that moment.
            if (thread)
                ResumeThread(thread);
            Sleep(settleMs);
            settleMs = 0;
            continue;
        }
        if (Painted(window) || attempt == 99) {
            // What the window drew has to reach the X server.
            Sleep(150);
            shot = Import(file);
        }
        if (thread)
            ResumeThread(thread);
        if (!shot)
            Sleep(20);
    }
    if (thread)
        CloseHandle(thread);
    if (!shot)
        return "";
    RECT rect = {};
    GetWindowRect(window, &rect);
    char where[96];
    snprintf(where, sizeof(where), " (window at %ld,%ld, %ldx%ld)", rect.left, rect.top, rect.right - rect.left,
             rect.bottom - rect.top);
    return file + where;
}
