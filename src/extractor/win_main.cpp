// WinMain of the download extractor: check the whole download, make sure the
// drive has room, unpack, then run ZARIZED.EXE and remove what was unpacked,
// or with "/x<folder>" only unpack there.
#include "extractor.h"
#include "../../res/extractor_resource.h"
#include "../runtime/runtime.h"

enum { EXIT_FAILED = -1, EXIT_UNPACKED = 1 };

// The drive root of folder ("C:\") into root (4 bytes); 0 when folder does not start with a drive.
static int DriveRoot(const char *folder, char *root)
{
    if (!folder[0] || folder[1] != ':')
        return 0;
    root[0] = folder[0];
    root[1] = ':';
    root[2] = '\\';
    root[3] = 0;
    return 1;
}

// Whether the drive of folder has room for the files, each in whole
// clusters; says how much is needed when it has not. A drive whose figures
// cannot be had (a network folder on Windows 95) is tried all the same: a
// write that falls short is found out and undone.
static int HasRoom(const Download *download, const char *folder)
{
    char root[4];
    char need[24];
    char have[24];
    DWORD sectorsPerCluster, bytesPerSector, freeClusters, totalClusters;
    DWORDLONG needed, free;
    if (!DriveRoot(folder, root) ||
        !GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters))
        return 1;
    needed = UnpackedBytes(download, sectorsPerCluster * bytesPerSector);
    free = (DWORDLONG)freeClusters * sectorsPerCluster * bytesPerSector;
    if (free >= needed)
        return 1;
    root[2] = 0;
    wsprintfA(need, "%lu", (unsigned long)needed);
    wsprintfA(have, "%lu", (unsigned long)free);
    ShowExtractorMessage(IDS_X_LOW_SPACE, root, need, have);
    return 0;
}

// A new folder of this program's own below the temporary folder: ZARnnnnn,
// a name DOS keeps as it is.
static int MakeOwnFolder(char *folder)
{
    char temp[PATH_CHARS];
    char name[16];
    DWORD length = GetTempPathA(PATH_CHARS, temp);
    DWORD seed = GetTickCount();
    if (length == 0 || length >= PATH_CHARS)
        return 0;
    StripTrailingBackslash(temp);
    for (int attempt = 0; attempt < 100; ++attempt) {
        wsprintfA(name, "ZAR%05lu", (unsigned long)((seed + (DWORD)attempt) % 100000));
        if (FormFilePath(folder, PATH_CHARS, temp, name) && CreateDirectoryA(folder, 0))
            return 1;
    }
    RtCopyText(folder, PATH_CHARS, temp);
    return 0;
}

// Runs ZARIZED.EXE in folder with the command text and waits for it; its
// exit code, or EXIT_FAILED when it could not be started.
static int RunPatch(const char *folder, const char *commandText)
{
    char program[PATH_CHARS];
    char line[PATH_CHARS + 3 + 256];
    STARTUPINFOA startup;
    PROCESS_INFORMATION process;
    DWORD code = (DWORD)EXIT_FAILED;
    // A command text too long for the line is refused, not cut.
    int fits = FormFilePath(program, PATH_CHARS, folder, "ZARIZED.EXE") && RtCopyText(line, sizeof(line), "\"") &&
               RtAppendText(line, sizeof(line), program) && RtAppendText(line, sizeof(line), "\" ") &&
               RtAppendText(line, sizeof(line), commandText);
    RtMemSet(&startup, 0, sizeof(startup));
    startup.cb = sizeof(startup);
    // It starts in this program's own current folder: what it starts in turn
    // (Patch.pif) must not hold the folder that is removed after it.
    if (!fits || !CreateProcessA(program, line, 0, 0, FALSE, NORMAL_PRIORITY_CLASS, 0, 0, &startup, &process)) {
        ShowExtractorMessage(IDS_X_CANT_START, program, "", "");
        return EXIT_FAILED;
    }
    LogLine("started %s", program);
    if (WaitForSingleObject(process.hProcess, INFINITE) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(process.hProcess, &code))
        code = (DWORD)EXIT_FAILED;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    LogLine("ZARIZED.EXE ended with exit code %d", (int)code);
    return (int)code;
}

// The folder after "/x", blanks and one pair of quotes around it removed;
// 0 when it is too long for a path, which is refused rather than cut.
static int TakeFolder(const char *text, char *folder)
{
    char *end;
    while (*text == ' ' || *text == '\t')
        ++text;
    if (!RtCopyText(folder, PATH_CHARS, *text == '"' ? text + 1 : text))
        return 0;
    end = folder + RtStrLen(folder);
    while (end > folder && (end[-1] == ' ' || end[-1] == '\t' || end[-1] == '"'))
        *--end = 0;
    StripTrailingBackslash(folder);
    return 1;
}

static int UnpackBehindProgress(const Download *download, const char *folder)
{
    HWND progress = ShowUnpackProgress(IDS_X_UNPACKING);
    int unpacked = UnpackFiles(download, folder, progress);
    DestroyProgressDialog();
    if (unpacked)
        LogLine("unpacked %u files into %s", download->trailer.fileCount, folder);
    return unpacked;
}

static int UnpackOnly(const Download *download, const char *text)
{
    char folder[PATH_CHARS];
    char name[RT_MAX_FNAME];
    char extension[RT_MAX_EXT];
    if (!TakeFolder(text, folder)) {
        ShowExtractorMessage(IDS_X_NO_FOLDER, text, "", "");
        return EXIT_FAILED;
    }
    if (!folder[0]) {
        RtSplitPath(download->path, 0, 0, name, extension);
        RtAppendText(name, sizeof(name), extension);
        ShowExtractorMessage(IDS_X_NAME_A_FOLDER, name, "", "");
        return EXIT_FAILED;
    }
    if (!HasRoom(download, folder))
        return EXIT_FAILED;
    // A folder that is not there yet is made (and removed again if the
    // files cannot be written); one that is keeps its other files.
    int made = CreateDirectoryA(folder, 0);
    DWORD attributes = GetFileAttributesA(folder);
    if (!made && (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))) {
        ShowExtractorMessage(IDS_X_NO_FOLDER, folder, "", "");
        return EXIT_FAILED;
    }
    int unpacked = UnpackBehindProgress(download, folder);
    if (!unpacked) {
        if (made)
            RemoveDirectoryA(folder);
        return EXIT_FAILED;
    }
    ShowExtractorMessage(IDS_X_UNPACKED, folder, "", "");
    return EXIT_UNPACKED;
}

static int UnpackAndRun(const Download *download, const char *text)
{
    char temp[PATH_CHARS];
    char folder[PATH_CHARS];
    int result = EXIT_FAILED;
    DWORD length = GetTempPathA(PATH_CHARS, temp);
    if (length == 0 || length >= PATH_CHARS || !HasRoom(download, temp))
        return EXIT_FAILED;
    if (!MakeOwnFolder(folder)) {
        ShowExtractorMessage(IDS_X_NO_FOLDER, folder, "", "");
        return EXIT_FAILED;
    }
    int unpacked = UnpackBehindProgress(download, folder);
    if (unpacked)
        result = RunPatch(folder, text);
    // Whatever the patch run's outcome, nothing of this stays behind. A file
    // of a program that has just ended may stay in use for a moment.
    for (int attempt = 0; attempt < 30; ++attempt) {
        RemoveUnpackedFiles(download, folder, download->trailer.fileCount);
        if (RemoveDirectoryA(folder)) {
            LogLine("removed %s", folder);
            break;
        }
        Sleep(100);
    }
    return result;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandText, int showCommand)
{
    (void)previous;
    (void)showCommand;
    // A failed read of a drive is this program's to report, not Windows 95's
    // critical-error box; ZARIZED.EXE, started from here, sets the same.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    ModuleInstance = instance;
    const char *text = commandText ? commandText : "";
    char path[PATH_CHARS];
    Download download;
    RunSwitches switches;
    int unpackOnly = text[0] == '/' && text[1] == 'x';
    int result = EXIT_FAILED;
    download.file = INVALID_HANDLE_VALUE;
    // A patch run's switches are its own too: "/s" shows nothing here
    // either, and the log is shared.
    ParseRunSwitches(unpackOnly ? "" : text, &switches);
    StartRunLog(text, &switches);
    if (GetProgramPath(path) && OpenDownload(&download, path)) {
        HWND progress = ShowUnpackProgress(IDS_X_CHECKING);
        int checked = CheckDownload(&download, progress);
        DestroyProgressDialog();
        if (!checked) {
            ShowExtractorMessage(IDS_X_DAMAGED, download.path, "", "");
        } else {
            LogLine("download checked: %u files", download.trailer.fileCount);
            result = unpackOnly ? UnpackOnly(&download, text + 2) : UnpackAndRun(&download, text);
        }
    } else {
        ShowExtractorMessage(IDS_X_DAMAGED, path, "", "");
    }
    CloseDownload(&download);
    EndRunLog(result);
    return result;
}
