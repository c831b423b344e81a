// The download build's format (pure number and text work, no Win32): the
// extractor program, then its appended data, then a trailer.
//
//   [extractor .EXE][file 1]...[file n][table: n entries][trailer]
//
// Trailer, the file's last 32 bytes, numbers little-endian:
//   0  8  "ZARDL95B"
//   8  4  data offset: where file 1 begins, from the start of the download
//  12  4  data length: the bytes from the data offset up to the trailer
//  16  4  table offset, from the data offset
//  20  4  the number of files
//  24  4  CRC-32 of the data (all data length bytes, the table included)
//  28  4  CRC-32 of trailer bytes 0 to 27
// Table entry, 28 bytes each:
//   0 16  the file's 8.3 name, NUL-padded (at least one NUL)
//  16  4  its offset, from the data offset
//  20  4  its size
//  24  4  its CRC-32
// Files lie before the table, in table order, each after the one before it.
// The CRC-32 is zlib's (reflected, polynomial 0xEDB88320).
#ifndef ZARIZED_DOWNLOAD_FORMAT_H
#define ZARIZED_DOWNLOAD_FORMAT_H

enum {
    DOWNLOAD_TRAILER_BYTES = 32,
    DOWNLOAD_ENTRY_BYTES = 28,
    DOWNLOAD_NAME_BYTES = 16,
    // Disk 1's files, READNOW.TXT and up to 50 pieces of the patch data.
    DOWNLOAD_MAX_FILES = 64
};

struct DownloadTrailer {
    unsigned int dataOffset;
    unsigned int dataLength;
    unsigned int tableOffset;
    unsigned int fileCount;
    unsigned int dataCrc;
};

struct DownloadEntry {
    char name[DOWNLOAD_NAME_BYTES];  // terminated
    unsigned int offset;
    unsigned int size;
    unsigned int crc;
};

// Reads the trailer of a download of fileSize bytes from its last 32 bytes.
// 1 when it is whole and its numbers agree with the file: the magic text, its
// own CRC-32, data that ends where the trailer begins, a table of fileCount
// entries (1 to DOWNLOAD_MAX_FILES) that ends where the data ends. A cut or
// damaged download gives 0.
int ParseDownloadTrailer(const unsigned char *bytes, unsigned int fileSize, DownloadTrailer *trailer);

// Reads table entry `index` from its 28 bytes: 1 when its name is an 8.3
// file name and it lies in the data before the table, after the end of the
// entry before it (previousEnd, 0 for the first).
int ParseDownloadEntry(const unsigned char *bytes, const DownloadTrailer *trailer, unsigned int previousEnd,
                       DownloadEntry *entry);

// Whether name is a file name DOS keeps as it is: 1 to 8 characters, then
// optionally "." and 1 to 3 more, of letters, digits and "_-~!#$%&'()@^`{}"
// only. Names are never paths.
int IsShortFileName(const char *name);

#endif
