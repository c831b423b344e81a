// The DOS-mode hand-off: the check that DOS can be given what it needs,
// PATCH.BAT in the product folder, the command shell that runs it, the fields
// of the staged Patch.pif that point at both, and the start of a program
// (Patch.pif) with message 2006 when that fails. The text work is in
// build_handoff_batch_text.cpp, build_launch_command_line.cpp,
// fill_pif_field.cpp and choose_startup_folder.cpp (handoff_text.h).
#include "handoff.h"
#include "handoff_text.h"
#include "../common/common.h"
#include "../../res/resource.h"
#include "../runtime/runtime.h"

// The short form of an existing path into out (PATH_CHARS); 0, with out
// empty, when there is none that fits.
static int GetShortForm(const char *path, char *out)
{
    DWORD length = GetShortPathNameA(path, out, PATH_CHARS);
    if (length > 0 && length < PATH_CHARS)
        return 1;
    out[0] = 0;
    return 0;
}

// PATCH.BAT: every file named by the folder's short form.

// Builds the text in one block from the global heap and writes it with one
// request; returns 1 when every byte of it was written.
static int WriteBatchText(HANDLE file, const char *shortDir)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, HANDOFF_BATCH_BYTES);
    char *text;
    DWORD written = 0;
    int length = 0;
    if (!block)
        return 0;
    text = (char *)GlobalLock(block);
    if (text) {
        length = BuildHandoffBatchText(shortDir, text, HANDOFF_BATCH_BYTES);
        if (length > 0)
            WriteFile(file, text, (DWORD)length, &written, 0);
        GlobalUnlock(block);
    }
    GlobalFree(block);
    return length > 0 && written == (DWORD)length;
}

int WriteHandoffBatch(const char *productDir)
{
    char path[PATH_CHARS];
    char shortDir[PATH_CHARS];
    HANDLE file;
    int result = 0;
    if (!FormFilePath(path, PATH_CHARS, productDir, "PATCH.BAT"))
        return 0;
    file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, 0);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    // A short form that does not fit comes back as the size it needs: that
    // is a failure too, and the batch stays empty.
    if (GetShortForm(productDir, shortDir))
        result = WriteBatchText(file, shortDir);
    CloseHandle(file);
    return result;
}

// The command shell's short path, and the parameters that make it run PATCH.BAT.

// The short form of dir + "\" + name into out (260 bytes). When it cannot be
// had (no such file, a short form of 260 characters or more, or a long path
// that does not fit, which is not looked up cut), the long form, cut to the
// buffer, stands in for it: the one join of the program that keeps a cut
// result, since the PIF field it goes to cuts it anyway.
static void ShortPathOrLong(const char *dir, const char *name, char *out)
{
    char longPath[PATH_CHARS];
    DWORD length = 0;
    int fits = RtCopyText(longPath, PATH_CHARS, dir);
    fits = RtAppendText(longPath, PATH_CHARS, "\\") && fits;
    fits = RtAppendText(longPath, PATH_CHARS, name) && fits;
    if (fits)
        length = GetShortPathNameA(longPath, out, PATH_CHARS);
    if (length == 0 || length >= PATH_CHARS)
        RtCopyText(out, PATH_CHARS, longPath);
}

int BuildShellCommand(const char *windowsDir, const char *productDir, char *shellProgram, char *shellParameters)
{
    char batchPath[PATH_CHARS];
    ShortPathOrLong(windowsDir, "COMMAND.COM", shellProgram);
    ShortPathOrLong(productDir, "PATCH.BAT", batchPath);
    // A batch path of more than 256 characters is cut to the 260 bytes; the
    // PIF takes only the first 63 bytes of the parameters anyway.
    RtCopyText(shellParameters, PATH_CHARS, "/c ");
    RtAppendText(shellParameters, PATH_CHARS, batchPath);
    return 1;
}

// Four fields of the staged Patch.pif, pointed at the command shell, PATCH.BAT and the product folder.

// Writes count bytes of value at offset; 1 when all of them were written.
static int WritePifField(HANDLE file, DWORD offset, int count, const char *value)
{
    char field[PIF_FIELD_BYTES];
    DWORD written = 0;
    FillPifField(field, count, value);
    if (SetFilePointer(file, (LONG)offset, 0, FILE_BEGIN) != offset)
        return 0;
    WriteFile(file, field, (DWORD)count, &written, 0);
    return written == (DWORD)count;
}

int PatchPifFile(const char *pifPath, const char *productDir, const char *shellProgram, const char *shellParameters)
{
    // Fixed offsets of the standard layout; each count stops short of or at
    // its field's width, so the shipped file's zero bytes after a cut value
    // still end it. The checksum is not touched: no reader checks it.
    char shortDir[PATH_CHARS];
    const char *startupFolder = productDir;
    HANDLE file;
    int result;
    // A folder too long for its field goes by its short form. Where neither
    // fits (CheckHandoffFits has stopped such a run long before), the long
    // form is cut as it always was.
    if (RtStrLen(productDir) > PIF_STARTUP_BYTES && GetShortForm(productDir, shortDir) &&
        ChooseStartupFolder(productDir, shortDir))
        startupFolder = shortDir;
    file = CreateFileA(pifPath, GENERIC_WRITE, FILE_SHARE_WRITE, 0, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, 0);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    result = WritePifField(file, 0x24, PIF_PROGRAM_BYTES, shellProgram) &&         // program file name (63)
             WritePifField(file, 0x65, PIF_STARTUP_BYTES, startupFolder) &&         // startup directory (64)
             WritePifField(file, 0xA5, PIF_PARAMETERS_BYTES, shellParameters) &&    // program parameters (64)
             WritePifField(file, 0x1C5, PIF_PARAMETERS_BYTES, shellParameters);     // 386 section's parameters (64)
    CloseHandle(file);
    return result;
}

// Before anything is staged: can MS-DOS mode be given the folder, the batch and the shell?

// Shows message `textId` (caption 2016) with the path it names.
static void ReportHandoffRefused(UINT textId, const char *path)
{
    char format[MESSAGE_STRING_CHARS];
    char caption[MESSAGE_STRING_CHARS];
    char text[MESSAGE_TEXT_CHARS];
    LoadMessageString(textId, format);
    LoadMessageString(IDS_UPDATE_CANCELLED, caption);
    wsprintfA(text, format, path);
    ShowRunMessage(textId, caption, text, MB_ICONINFORMATION);
}

int CheckHandoffFits(const char *windowsDir, const char *productDir)
{
    char shellProgram[PATH_CHARS];
    char shortDir[PATH_CHARS];
    char shellParameters[PATH_CHARS];
    // The shell as BuildShellCommand will name it; PATCH.BAT is not written
    // yet, and an 8.3 name is its own short form, so its path will be the
    // folder's short form and "\PATCH.BAT".
    ShortPathOrLong(windowsDir, "COMMAND.COM", shellProgram);
    if (RtStrLen(shellProgram) > PIF_PROGRAM_BYTES) {
        ReportHandoffRefused(IDS_DOS_SHELL_TOO_LONG, shellProgram);
        return 0;
    }
    GetShortForm(productDir, shortDir);
    RtCopyText(shellParameters, PATH_CHARS, "/c ");
    if (!shortDir[0] || !ChooseStartupFolder(productDir, shortDir) ||
        !RtAppendText(shellParameters, PATH_CHARS, shortDir) ||
        !RtAppendText(shellParameters, PATH_CHARS, "\\PATCH.BAT") ||
        RtStrLen(shellParameters) > PIF_PARAMETERS_BYTES) {
        ReportHandoffRefused(IDS_DOS_FOLDER_TOO_LONG, productDir);
        return 0;
    }
    return 1;
}

// Starting a program from a folder, optionally waiting a while for it.

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
