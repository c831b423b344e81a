// CopyPayloadFile: copies one media file into the product folder in one piece.
#include "staging.h"
#include "piece_name.h"
#include "staging_io.h"
#include "../common/common.h"
#include "../../res/resource.h"

// One read of the whole source into one block, one write of what was read.
static int CopyWholeFile(HANDLE source, HANDLE destination, const char *name)
{
    DWORD size;
    HGLOBAL block;
    void *buffer;
    int copied = 0;
    if (!GetFileSize32(source, &size))
        return 0;
    buffer = AllocateBlock(size, &block);
    if (!buffer)
        return 0;
    if (ReadBytes(source, buffer, size) == size)
        copied = WriteBytes(destination, buffer, size) == size;
    FreeBlock(block);
    if (copied)
        LogLine("staged %s: %lu bytes", name, size);
    return copied;
}

int CopyPayloadFile(const char *name, const char *sourceDir, const char *productDir)
{
    char sourcePath[PATH_CHARS];
    char destinationPath[PATH_CHARS];
    int copied = 0;
    if (FormFilePath(sourcePath, PATH_CHARS, sourceDir, name) &&
        FormFilePath(destinationPath, PATH_CHARS, productDir, name)) {
        HANDLE source = OpenForReading(sourcePath);
        if (source != INVALID_HANDLE_VALUE) {
            HANDLE destination = CreateForWriting(destinationPath);
            if (destination != INVALID_HANDLE_VALUE) {
                copied = CopyWholeFile(source, destination, name);
                CloseHandle(destination);
            }
            CloseHandle(source);
        }
    }
    if (!copied)
        ShowStringMessage(IDS_ERROR, IDS_CANT_COPY, MB_OK);
    return copied;
}
