// ParseDownloadTrailer, ParseDownloadEntry, IsShortFileName: reading the download build's trailer and table.
#include "download_format.h"
#include "../staging/crc32.h"

static const char kMagic[] = "ZARDL95B";

static unsigned int LittleEndian(const unsigned char *bytes)
{
    return (unsigned int)bytes[0] | (unsigned int)bytes[1] << 8 | (unsigned int)bytes[2] << 16 |
           (unsigned int)bytes[3] << 24;
}

int ParseDownloadTrailer(const unsigned char *bytes, unsigned int fileSize, DownloadTrailer *trailer)
{
    unsigned int tableBytes;
    if (fileSize < DOWNLOAD_TRAILER_BYTES)
        return 0;
    for (int i = 0; i < 8; ++i)
        if (bytes[i] != (unsigned char)kMagic[i])
            return 0;
    if (ComputeCrc32(0, bytes, 28) != LittleEndian(bytes + 28))
        return 0;
    trailer->dataOffset = LittleEndian(bytes + 8);
    trailer->dataLength = LittleEndian(bytes + 12);
    trailer->tableOffset = LittleEndian(bytes + 16);
    trailer->fileCount = LittleEndian(bytes + 20);
    trailer->dataCrc = LittleEndian(bytes + 24);
    if (trailer->fileCount < 1 || trailer->fileCount > DOWNLOAD_MAX_FILES)
        return 0;
    tableBytes = trailer->fileCount * DOWNLOAD_ENTRY_BYTES;
    // Each sum is checked against what it must equal, so none can wrap.
    return trailer->dataOffset <= fileSize - DOWNLOAD_TRAILER_BYTES &&
           trailer->dataLength == fileSize - DOWNLOAD_TRAILER_BYTES - trailer->dataOffset &&
           trailer->tableOffset <= trailer->dataLength && trailer->dataLength - trailer->tableOffset == tableBytes;
}

int ParseDownloadEntry(const unsigned char *bytes, const DownloadTrailer *trailer, unsigned int previousEnd,
                       DownloadEntry *entry)
{
    int terminated = 0;
    for (int i = 0; i < DOWNLOAD_NAME_BYTES; ++i) {
        terminated = terminated || bytes[i] == 0;
        entry->name[i] = terminated ? 0 : (char)bytes[i];
    }
    // A name that fills its 16 bytes is refused, and still ends inside them.
    entry->name[DOWNLOAD_NAME_BYTES - 1] = 0;
    entry->offset = LittleEndian(bytes + 16);
    entry->size = LittleEndian(bytes + 20);
    entry->crc = LittleEndian(bytes + 24);
    return terminated && IsShortFileName(entry->name) && entry->offset >= previousEnd &&
           entry->offset <= trailer->tableOffset && entry->size <= trailer->tableOffset - entry->offset;
}

static int IsNameCharacter(char c)
{
    static const char kMarks[] = "_-~!#$%&'()@^`{}";
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
        return 1;
    for (const char *mark = kMarks; *mark; ++mark)
        if (*mark == c)
            return 1;
    return 0;
}

int IsShortFileName(const char *name)
{
    int base = 0;
    int extension = -1;  // no "." yet
    for (const char *p = name; *p; ++p) {
        if (*p == '.') {
            if (extension >= 0 || base == 0)
                return 0;
            extension = 0;
        } else if (!IsNameCharacter(*p)) {
            return 0;
        } else if (extension >= 0) {
            ++extension;
        } else {
            ++base;
        }
    }
    return base >= 1 && base <= 8 && extension != 0 && extension <= 3;
}
