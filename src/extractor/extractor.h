// The download extractor: one file holding disk 1's files, the whole patch
// data as a single piece and READNOW.TXT behind this program, which checks
// them, unpacks them into a folder of its own below the temporary folder,
// runs ZARIZED.EXE there and removes them again; "/x<folder>" only unpacks.
// It shares the runtime, the CRC and the common code with ZARIZED.EXE.
#ifndef ZARIZED_EXTRACTOR_H
#define ZARIZED_EXTRACTOR_H

#include "../common/common.h"
#include "download_format.h"

enum {
    // Data moves through one block of this size: a Windows 95 machine may
    // have 8 MB in all.
    UNPACK_BLOCK_BYTES = 0x10000
};

// The program's own file, its trailer and, once checked, its table.
struct Download {
    char path[PATH_CHARS];
    HANDLE file;
    DownloadTrailer trailer;
    DownloadEntry entries[DOWNLOAD_MAX_FILES];
};

// The shared block the data moves through.
extern unsigned char UnpackBlock[UNPACK_BLOCK_BYTES];

// Opens the download at path (the program's own file) and reads its
// trailer; 0 when it cannot be read or the trailer does not hold.
int OpenDownload(Download *download, const char *path);
void CloseDownload(Download *download);
// Reads every byte of the data against the trailer's CRC-32, then the table
// of files; 1 when both hold. Writes nothing.
int CheckDownload(Download *download, HWND progress);
// The bytes the files take on a drive whose clusters hold clusterBytes.
DWORDLONG UnpackedBytes(const Download *download, DWORD clusterBytes);
// Writes the files into folder, each checked against its CRC-32 as it is
// written. On failure removes those it wrote, says which file failed, and
// returns 0.
int UnpackFiles(const Download *download, const char *folder, HWND progress);
// Deletes the first count of the download's files in folder, best effort.
void RemoveUnpackedFiles(const Download *download, const char *folder, unsigned int count);

// The progress window with the text textId ("...%lu%%"); 0 when it could not be made.
HWND ShowUnpackProgress(UINT textId);
// Sets its percentage and lets it repaint.
void SetUnpackProgress(HWND window, UINT textId, DWORDLONG done, DWORDLONG total);

// Shows message textId under caption 100, its %s filled by first, second and third.
void ShowExtractorMessage(UINT textId, const char *first, const char *second, const char *third);

#endif
