// runboxes: starts a program, prints every message box it shows, answers it,
// and reports how the program ended. Used by the demonstration and by the
// patch-media builder, under Wine.
//   runboxes [--timeout MS] [--cancel] [--disks FOLDER] [--other-first FOLDER] [--screens UNIX_PATH]
//            PROGRAM WORKDIR [COMMAND TEXT...]
// --disks FOLDER answers "Please insert disk N." (and the wrong-disk prompt,
// which ends with the same sentence) by copying the files of FOLDER\DISKN
// next to PROGRAM (inserting that disk), then pressing OK. --other-first
// FOLDER inserts the first disk asked for from FOLDER instead: a disk of
// another build of the patch, which the program must refuse. --screens
// UNIX_PATH, on Wine's X11 driver, saves what the screen shows as PNG files
// UNIX_PATH-01-<what>.png, -02-...: each box before it is answered, and a
// progress window when it first appears and again after each box.
#include <windows.h>

#include <ctype.h>
#include <stdio.h>

#include <string>

#include "files.h"
#include "program_runner.h"
#include "screens.h"

namespace {

std::string g_disks;
std::string g_otherDisks;
std::string g_programDir;
bool g_cancel = false;
std::string g_screens;
bool g_progressDue = true;    // the progress window is to be taken when next seen
HWND g_lastProgress = nullptr;  // the progress window taken last
HWND g_lastBox = nullptr;       // the box answered last, until it has gone

// A file-name part from a caption: letters and digits, blanks as "-".
std::string Slug(const std::string &text)
{
    std::string slug;
    for (char c : text)
        if (isalnum((unsigned char)c))
            slug += (char)tolower((unsigned char)c);
        else if (c == ' ' && !slug.empty() && slug.back() != '-')
            slug += '-';
    return slug.empty() ? "box" : slug;
}

void Shoot(const std::string &name, HWND window, DWORD settleMs)
{
    std::string shot = ShootScreen(g_screens, name, window, settleMs);
    printf("    (screen: %s)\n", shot.empty() ? "not taken, the window went away" : shot.c_str());
    fflush(stdout);
}

void TakeProgressWindow(HWND window)
{
    // Each progress window when it appears; after a box, once the box has
    // gone from the screen. The program runs on meanwhile: it is taken as
    // soon as it has painted.
    if (window != g_lastProgress)
        g_progressDue = true;
    if (!g_progressDue || (g_lastBox && IsWindow(g_lastBox)))
        return;
    g_progressDue = false;
    g_lastProgress = window;
    Shoot("progress", window, 0);
}

const char *ButtonNames(UINT style)
{
    switch (style & MB_TYPEMASK) {
    case MB_OKCANCEL: return "OK, Cancel";
    case MB_YESNO: return "Yes, No";
    case MB_YESNOCANCEL: return "Yes, No, Cancel";
    case MB_RETRYCANCEL: return "Retry, Cancel";
    case MB_ABORTRETRYIGNORE: return "Abort, Retry, Ignore";
    default: return "OK";
    }
}

void InsertDisk(const std::string &disks, int disk, const char *which)
{
    std::string from = JoinPath(disks, "DISK" + std::to_string(disk));
    for (const std::string &name : ListDir(from)) {
        CopyFileA(JoinPath(from, name).c_str(), JoinPath(g_programDir, name).c_str(), FALSE);
        printf("    (%sdisk %d inserted: %s)\n", which, disk, name.c_str());
    }
}

int Answer(const RecordedBox &box)
{
    printf("  message box \"%s\" [%s%s]\n", box.caption.c_str(), ButtonNames(box.style),
           (box.style & MB_ICONMASK) ? ", with an icon" : "");
    std::string text = box.text;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        printf("    | %s\n", text.substr(start, end - start).c_str());
        start = end + 1;
    }
    if (!g_screens.empty()) {
        Shoot(Slug(box.caption), box.window, 200);
        g_progressDue = true;
        g_lastBox = box.window;
    }
    int disk = 0;
    int answer = IDOK;
    size_t ask = box.text.find("Please insert disk ");
    if (ask != std::string::npos && sscanf(box.text.c_str() + ask, "Please insert disk %d.", &disk) == 1) {
        if (g_cancel) {
            answer = IDCANCEL;
        } else if (!g_otherDisks.empty()) {
            InsertDisk(g_otherDisks, disk, "the other build's ");
            g_otherDisks.clear();
        } else if (!g_disks.empty()) {
            InsertDisk(g_disks, disk, "");
        }
    }
    printf("    -> %s\n", answer == IDOK ? "OK" : "Cancel");
    fflush(stdout);
    return answer;
}

}  // namespace

int main(int argc, char **argv)
{
    DWORD timeout = 120000;
    int i = 1;
    for (; i < argc && argv[i][0] == '-' && argv[i][1] == '-'; ++i) {
        std::string option = argv[i];
        if (option == "--timeout" && i + 1 < argc)
            timeout = (DWORD)atol(argv[++i]);
        else if (option == "--disks" && i + 1 < argc)
            g_disks = argv[++i];
        else if (option == "--other-first" && i + 1 < argc)
            g_otherDisks = argv[++i];
        else if (option == "--cancel")
            g_cancel = true;
        else if (option == "--screens" && i + 1 < argc)
            g_screens = argv[++i];
    }
    if (argc - i < 2) {
        fprintf(stderr, "usage: runboxes [--timeout MS] [--cancel] [--disks FOLDER] [--other-first FOLDER] "
                        "[--screens UNIX_PATH] PROGRAM WORKDIR [COMMAND TEXT...]\n");
        return 2;
    }
    std::string program = argv[i++];
    std::string workDir = argv[i++];
    std::string command;
    for (; i < argc; ++i)
        command += (command.empty() ? "" : " ") + std::string(argv[i]);
    g_programDir = program.substr(0, program.rfind('\\'));
    printf("running %s %s\n", program.c_str(), command.c_str());
    fflush(stdout);
    RunResult run = RunExecutable(program, command, Answer, workDir, timeout,
                                  g_screens.empty() ? ProgressSeen() : ProgressSeen(TakeProgressWindow));
    if (run.progressShown)
        printf("  progress window \"%s\": %s\n", run.progressCaption.c_str(), run.progressText.c_str());
    if (run.timedOut)
        printf("  the program did not finish within %lu ms and was stopped\n", (unsigned long)timeout);
    printf("exit code %ld\n", (long)(LONG)run.exitCode);
    return run.timedOut ? 3 : 0;
}
