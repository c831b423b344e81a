// Writing the download's files into a folder, and removing them again.
#include "extractor.h"
#include "../../res/extractor_resource.h"
#include "../common/share.h"
#include "../runtime/runtime.h"
#include "../staging/crc32.h"

DWORDLONG UnpackedBytes(const Download *download, DWORD clusterBytes)
{
    DWORDLONG total = 0;
    for (unsigned int i = 0; i < download->trailer.fileCount; ++i)
        total += InWholeClusters(download->entries[i].size, clusterBytes);
    return total;
}

// Copies one file out of the download, block by block, into path; 1 when
// every byte was read, written and matched its CRC-32.
static int UnpackFile(const Download *download, const DownloadEntry *entry, const char *path, HWND progress,
                      DWORDLONG *done, DWORDLONG total)
{
    HANDLE out = CreateFileA(path, GENERIC_WRITE, 0, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, 0);
    DWORD offset = download->trailer.dataOffset + entry->offset;
    DWORD left = entry->size;
    unsigned int crc = 0;
    int whole = 1;
    if (out == INVALID_HANDLE_VALUE)
        return 0;
    if (SetFilePointer(download->file, (LONG)offset, 0, FILE_BEGIN) != offset)
        whole = 0;
    while (whole && left > 0) {
        DWORD count = left < (DWORD)UNPACK_BLOCK_BYTES ? left : (DWORD)UNPACK_BLOCK_BYTES;
        DWORD read = 0;
        DWORD written = 0;
        whole = ReadFile(download->file, UnpackBlock, count, &read, 0) && read == count &&
                WriteFile(out, UnpackBlock, count, &written, 0) && written == count;
        crc = ComputeCrc32(crc, UnpackBlock, count);
        left -= count;
        *done += count;
        SetUnpackProgress(progress, IDS_X_UNPACKING, *done, total);
    }
    // A file closed whole can still fail to reach the disk.
    if (!CloseHandle(out))
        whole = 0;
    return whole && crc == entry->crc;
}

int UnpackFiles(const Download *download, const char *folder, HWND progress)
{
    char path[PATH_CHARS];
    DWORDLONG done = 0;
    DWORDLONG total = UnpackedBytes(download, 0);
    for (unsigned int i = 0; i < download->trailer.fileCount; ++i) {
        const DownloadEntry *entry = &download->entries[i];
        if (!FormFilePath(path, PATH_CHARS, folder, entry->name) ||
            !UnpackFile(download, entry, path, progress, &done, total)) {
            RemoveUnpackedFiles(download, folder, i + 1);
            ShowExtractorMessage(IDS_X_WRITE_FAILED, entry->name, folder, "");
            return 0;
        }
    }
    return 1;
}

void RemoveUnpackedFiles(const Download *download, const char *folder, unsigned int count)
{
    char path[PATH_CHARS];
    for (unsigned int i = 0; i < count; ++i)
        if (FormFilePath(path, PATH_CHARS, folder, download->entries[i].name))
            DeleteFileA(path);
}
