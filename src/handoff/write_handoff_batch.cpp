// WriteHandoffBatch: writes PATCH.BAT into the product folder, naming every file by the folder's short form.
#include "handoff.h"
#include "handoff_text.h"
#include "../driver/driver.h"
#include "../runtime/runtime.h"

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
    DWORD shortLength;
    int result = 0;
    path[0] = 0;
    if (!RtAppendText(path, PATH_CHARS, productDir) || !RtAppendText(path, PATH_CHARS, "\\PATCH.BAT"))
        return 0;
    file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, 0);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    // A short form that does not fit comes back as the size it needs: that
    // is a failure too, and the batch stays empty.
    shortLength = GetShortPathNameA(productDir, shortDir, PATH_CHARS);
    if (shortLength > 0 && shortLength < PATH_CHARS)
        result = WriteBatchText(file, shortDir);
    CloseHandle(file);
    return result;
}
