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
static RunSwitches Switches;

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
    if (!MoveFileA(from, to))
        return 0;
    LogLine("Patch.dll renamed Patch.exe");
    return 1;
}

static void DeleteOldControlLibrary(void)
{
    char path[PATH_CHARS];
    if (FormFilePath(path, PATH_CHARS, ProductDir, "ctl3d32.dll") && DeleteFileA(path))
        LogLine("ctl3d32.dll deleted");
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

// The migrations whose results nobody tests, as the table calls them.
static void MigrateIndexing(void)
{
    MigrateIndexingBaseDirectory();
}

static void ImportBuiltInDialogDefinitions(void)
{
    ImportDialogDefinitions(ModuleInstance);
}

static void CopyRegisteredOwner(void)
{
    FixRegisteredOwner();
}

// The migrations in their order, by the names the log gives them.
static const struct {
    const char *name;
    void (*run)(void);
} kMigrations[] = {
    {"indexing base directory", MigrateIndexing},
    {"FTP passwords", RescrambleFtpPasswords},
    {"start-up entries", MigrateStartupEntries},
    {"Programs folder shortcuts", FixProgramsFolderShortcuts},
    {"dialog definitions", ImportBuiltInDialogDefinitions},
    {"patch flags", MarkUsersPatched},
    {"registered owner", CopyRegisteredOwner},
};

static void RunMigrations(void)
{
    for (unsigned int i = 0; i < sizeof(kMigrations) / sizeof(kMigrations[0]); ++i) {
        LogLine("migration: %s", kMigrations[i].name);
        kMigrations[i].run();
        LogLine("migration done: %s", kMigrations[i].name);
    }
}

static int HandOff(void)
{
    LogLine("hand-off: writing PATCH.BAT and the fields of Patch.pif");
    if (!WriteHandoffBatch(ProductDir))
        return EXIT_FAILED;
    if (!BuildShellCommand(WindowsDir, ProductDir, ShellProgram, ShellParameters))
        return EXIT_FAILED;
    if (!FormFilePath(PifPath, PATH_CHARS, ProductDir, "Patch.pif") ||
        !PatchPifFile(PifPath, ProductDir, ShellProgram, ShellParameters))
        return EXIT_FAILED;
    LogLine("hand-off written: PATCH.BAT, and Patch.pif runs %s %s", ShellProgram, ShellParameters);
    ShowStringMessage(IDS_RESTART_CAPTION, IDS_RESTART_TEXT, MB_OK);
    LogLine("launch: Patch.pif");
    if (!LaunchProgram("Patch.pif", ProductDir, "", 0))
        return EXIT_FAILED;
    LogLine("launch done: Patch.pif started");
    return EXIT_DONE;
}

static int RunNormalRun(void)
{
    if (!LocateInstallation(WindowsDir, ProductDir, SourceDir))
        return EXIT_FAILED;
    LogLine("installation found: Kelvane Palomid in %s, the media in %s", ProductDir, SourceDir);
    ReadExpectedRelease();
    if (!CheckRoomToStage(SourceDir, ProductDir))
        return EXIT_LOW_SPACE;
    if (!IsInstalledReleaseAccepted(ExpectedRelease, InstalledRelease)) {
        LogLine("release refused: installed \"%s\", this patch serves \"%s\"", InstalledRelease, ExpectedRelease);
        ReportReleaseMismatch(ExpectedRelease, InstalledRelease);
        return EXIT_FAILED;
    }
    LogLine("release accepted: installed \"%s\", this patch serves \"%s\"", InstalledRelease, ExpectedRelease);
    // A hand-off that MS-DOS mode cannot follow is refused before the first
    // change, not found out after Windows has shut down.
    if (!CheckHandoffFits(WindowsDir, ProductDir))
        return EXIT_FAILED;
    if (RtStrStr(InstalledRelease, "1.0")) {
        LogLine("undo defaults of release 1.0");
        WriteUndoExceptionDefaults();
        LogLine("undo defaults done");
    }
    ShowProgressWindow();
    // On a failed copy or join the window stays up beside the message.
    LogLine("staging the patch in %s", ProductDir);
    if (!StagePayload())
        return EXIT_FAILED;
    LogLine("staging done");
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
    int result;
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
    // The switches are read from the whole text, so that a log path is
    // never taken from a cut one.
    ParseRunSwitches(text, &Switches);
    StartRunLog(text, &Switches);
    result = RunNormalRunAlone();
    EndRunLog(result);
    return result;
}
