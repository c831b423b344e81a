// WinMain: chooses the mode and runs every step of a patch run in its order.
#include "driver.h"
#include "splitter_command.h"
#include "../../res/resource.h"
#include "../handoff/handoff.h"
#include "../migrate/migrate.h"
#include "../runtime/runtime.h"
#include "../staging/staging.h"

enum { EXIT_FAILED = -1, EXIT_LOW_SPACE = 0, EXIT_DONE = 1 };

// Held by the patch run under way: a second start (users double-click again
// while a program loads from a floppy) would join the same Patch.rtp, migrate
// the same keys and prompt for disks too. Windows 95 has one name space for
// every session.
static const char kRunMutexName[] = "ZARIZED Kelvane Palomid 95.0.b patch run";

// The run's buffers live here, not on the stack: WinMain owns them for the
// whole run and hands them down.
static char CommandText[COMMAND_CHARS];
static char WindowsDir[PATH_CHARS];
static char ProductDir[PATH_CHARS];
static char SourceDir[PATH_CHARS];
static char IniPath[PATH_CHARS];
static char ExpectedRelease[PATH_CHARS];
static char InstalledRelease[PATH_CHARS];
static char ShellProgram[PATH_CHARS];
static char ShellParameters[PATH_CHARS];
static char PifPath[PATH_CHARS];
static char SplitFileName[PATH_CHARS];
static int SplitSizes[SPLIT_SIZE_COUNT];

static int IsSplitterCommandText(const char *text)
{
    // The "b" is found by stepping one ANSI character past the slash.
    return text[0] == '/' && *CharNextA(text) == 'b';
}

static int RunSplitterMode(char *arguments)
{
    RtMemSet(SplitSizes, 0, sizeof(SplitSizes));
    if (ParseSplitterCommand(arguments, SplitFileName, PATH_CHARS, SplitSizes))
        SplitSpannedFile(SplitFileName, SplitSizes);
    return EXIT_DONE;
}

static void ReadExpectedRelease(void)
{
    if (FormFilePath(IniPath, PATH_CHARS, SourceDir, "patch.ini"))
        GetPrivateProfileStringA("VERSION", "Version", "0", ExpectedRelease, PATH_CHARS, IniPath);
    else
        RtCopyText(ExpectedRelease, PATH_CHARS, "0");
}

// Renames the copied engine to Patch.exe. A Patch.exe already there, left by
// a run stopped part-way or by another patch, goes first: the batch runs
// whatever Patch.exe holds, and Windows 95's MoveFile never replaces a file.
static int RenameEngine(void)
{
    char from[PATH_CHARS];
    char to[PATH_CHARS];
    if (!FormFilePath(from, PATH_CHARS, ProductDir, "Patch.dll") ||
        !FormFilePath(to, PATH_CHARS, ProductDir, "Patch.exe"))
        return 0;
    DeleteFileA(to);
    return MoveFileA(from, to);
}

static void DeleteOldControlLibrary(void)
{
    char path[PATH_CHARS];
    if (FormFilePath(path, PATH_CHARS, ProductDir, "ctl3d32.dll"))
        DeleteFileA(path);
}

static int StagePayload(void)
{
    if (!CopyPayloadFile("Patch.dll", SourceDir, ProductDir))
        return 0;
    if (!RenameEngine()) {
        ShowStringMessage(IDS_ERROR, IDS_CANT_COPY, MB_OK);
        return 0;
    }
    if (!CopyPayloadFile("Patch.pif", SourceDir, ProductDir))
        return 0;
    return JoinSpannedFile("Patch.rtp", SourceDir, ProductDir);
}

static void RunMigrations(void)
{
    MigrateIndexingBaseDirectory();
    RescrambleFtpPasswords();
    MigrateStartupEntries();
    FixProgramsFolderShortcuts();
    ImportDialogDefinitions(ModuleInstance);
    MarkUsersPatched();
    FixRegisteredOwner();
}

static int HandOff(void)
{
    if (!WriteHandoffBatch(ProductDir))
        return EXIT_FAILED;
    if (!BuildShellCommand(WindowsDir, ProductDir, ShellProgram, ShellParameters))
        return EXIT_FAILED;
    if (!FormFilePath(PifPath, PATH_CHARS, ProductDir, "Patch.pif") ||
        !PatchPifFile(PifPath, ProductDir, ShellProgram, ShellParameters))
        return EXIT_FAILED;
    ShowStringMessage(IDS_RESTART_CAPTION, IDS_RESTART_TEXT, MB_OK);
    return LaunchProgram("Patch.pif", ProductDir, "", 0) ? EXIT_DONE : EXIT_FAILED;
}

static int RunNormalRun(void)
{
    if (!LocateInstallation(WindowsDir, ProductDir, SourceDir))
        return EXIT_FAILED;
    ReadExpectedRelease();
    if (!CheckRoomToStage(SourceDir, ProductDir))
        return EXIT_LOW_SPACE;
    if (!IsInstalledReleaseAccepted(ExpectedRelease, InstalledRelease)) {
        ReportReleaseMismatch(ExpectedRelease, InstalledRelease);
        return EXIT_FAILED;
    }
    // A hand-off that MS-DOS mode cannot follow is refused before the first
    // change, not found out after Windows has shut down.
    if (!CheckHandoffFits(WindowsDir, ProductDir))
        return EXIT_FAILED;
    if (RtStrStr(InstalledRelease, "1.0"))
        WriteUndoExceptionDefaults();
    ShowProgressWindow();
    // On a failed copy or join the window stays up beside the message.
    if (!StagePayload())
        return EXIT_FAILED;
    DestroyProgressDialog();
    RunMigrations();
    DeleteOldControlLibrary();
    return HandOff();
}

// The patch run, unless another one is under way on this PC: that one is
// left alone, and this one changes nothing.
static int RunNormalRunAlone(void)
{
    int result;
    HANDLE running = CreateMutexA(0, FALSE, kRunMutexName);
    if (running && GetLastError() == ERROR_ALREADY_EXISTS) {
        ShowStringMessage(IDS_UPDATE_CANCELLED, IDS_ALREADY_RUNNING, MB_ICONINFORMATION);
        CloseHandle(running);
        return EXIT_FAILED;
    }
    // Without a mutex (none can be made) the run goes on as it always did.
    result = RunNormalRun();
    if (running)
        CloseHandle(running);
    return result;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandText, int showCommand)
{
    (void)previous;
    (void)showCommand;
    // An empty floppy drive, an unformatted disk or a bad sector would
    // otherwise get Windows 95's own critical-error box before this program
    // sees a failed open or a short read and asks for the disk itself.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    ModuleInstance = instance;
    const char *text = commandText ? commandText : "";
    RtCopyText(CommandText, COMMAND_CHARS, text);
    if (IsSplitterCommandText(CommandText)) {
        // A cut command could name another file or change a piece size, so
        // the splitter refuses one that does not fit rather than cut it.
        if (RtStrLen(text) >= COMMAND_CHARS) {
            ShowStringMessage(IDS_ERROR, IDS_SPLIT_COMMAND_TOO_LONG, MB_OK);
            return EXIT_DONE;
        }
        return RunSplitterMode(CharNextA(CharNextA(CommandText)));
    }
    return RunNormalRunAlone();
}
