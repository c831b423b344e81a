// The download's own file: its trailer, the check of every data byte, and its table of files.
#include "extractor.h"
#include "../../res/extractor_resource.h"
#include "../runtime/runtime.h"
#include "../staging/crc32.h"

unsigned char UnpackBlock[UNPACK_BLOCK_BYTES];

// Reads count bytes at offset into buffer; 1 when all of them came.
static int ReadAt(HANDLE file, DWORD offset, void *buffer, DWORD count)
{
    DWORD read = 0;
    if (SetFilePointer(file, (LONG)offset, 0, FILE_BEGIN) != offset)
        return 0;
    return ReadFile(file, buffer, count, &read, 0) && read == count;
}

int OpenDownload(Download *download, const char *path)
{
    unsigned char trailer[DOWNLOAD_TRAILER_BYTES];
    DWORD high = 0;
    DWORD size;
    RtCopyText(download->path, PATH_CHARS, path);
    download->file = CreateFileA(download->path, GENERIC_READ, FILE_SHARE_READ, 0, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, 0);
    if (download->file == INVALID_HANDLE_VALUE)
        return 0;
    size = GetFileSize(download->file, &high);
    return size != INVALID_FILE_SIZE && high == 0 && size >= DOWNLOAD_TRAILER_BYTES &&
           ReadAt(download->file, size - DOWNLOAD_TRAILER_BYTES, trailer, DOWNLOAD_TRAILER_BYTES) &&
           ParseDownloadTrailer(trailer, size, &download->trailer);
}

void CloseDownload(Download *download)
{
    if (download->file != INVALID_HANDLE_VALUE)
        CloseHandle(download->file);
    download->file = INVALID_HANDLE_VALUE;
}

int CheckDownload(Download *download, HWND progress)
{
    const DownloadTrailer *trailer = &download->trailer;
    unsigned int crc = 0;
    DWORD done = 0;
    unsigned int previousEnd = 0;
    while (done < trailer->dataLength) {
        DWORD left = trailer->dataLength - done;
        DWORD count = left < (DWORD)UNPACK_BLOCK_BYTES ? left : (DWORD)UNPACK_BLOCK_BYTES;
        if (!ReadAt(download->file, trailer->dataOffset + done, UnpackBlock, count))
            return 0;
        crc = ComputeCrc32(crc, UnpackBlock, count);
        done += count;
        SetUnpackProgress(progress, IDS_X_CHECKING, done, trailer->dataLength);
    }
    if (crc != trailer->dataCrc)
        return 0;
    // The table, now known to be the one that was packed.
    if (!ReadAt(download->file, trailer->dataOffset + trailer->tableOffset, UnpackBlock,
                trailer->fileCount * DOWNLOAD_ENTRY_BYTES))
        return 0;
    for (unsigned int i = 0; i < trailer->fileCount; ++i) {
        DownloadEntry *entry = &download->entries[i];
        if (!ParseDownloadEntry(UnpackBlock + i * DOWNLOAD_ENTRY_BYTES, trailer, previousEnd, entry))
            return 0;
        for (unsigned int j = 0; j < i; ++j)
            if (lstrcmpiA(download->entries[j].name, entry->name) == 0)
                return 0;
        previousEnd = entry->offset + entry->size;
    }
    return 1;
}
