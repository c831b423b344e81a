// PatchPifFile: points four fields of the staged Patch.pif at the command shell, PATCH.BAT and the product folder.
#include "handoff.h"
#include "handoff_text.h"
#include "../driver/driver.h"

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
    HANDLE file = CreateFileA(pifPath, GENERIC_WRITE, FILE_SHARE_WRITE, 0, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, 0);
    int result;
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    result = WritePifField(file, 0x24, 57, shellProgram) &&  // program file name (63-byte field)
             WritePifField(file, 0x65, 47, productDir) &&     // startup directory (64)
             WritePifField(file, 0xA5, 63, shellParameters) && // program parameters (64)
             WritePifField(file, 0x1C5, 63, shellParameters);  // parameters of the 386 section (64)
    CloseHandle(file);
    return result;
}
