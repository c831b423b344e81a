// The file and memory primitives that copying, joining and splitting share:
// how staged files are opened and created, their 32-bit sizes, the one
// global-heap block per file or piece, and transfers judged by byte counts.
#ifndef ZARIZED_STAGING_IO_H
#define ZARIZED_STAGING_IO_H

#include <windows.h>

// Opens an existing file for reading, sharing read access.
HANDLE OpenForReading(const char *path);
// Creates a file for writing, sharing write access, always new: an older
// file of that name is replaced.
HANDLE CreateForWriting(const char *path);
// The size of an open file; 0 when it is 4 GB or more (or cannot be told),
// since a 32-bit size would silently leave the rest of it behind.
int GetFileSize32(HANDLE file, DWORD *size);

// A moveable, zero-initialised block of exactly size bytes, locked. 0 (and
// *block 0) when none can be had; a size of 0 gets no block either.
void *AllocateBlock(DWORD size, HGLOBAL *block);
// Unlocks and frees a block from AllocateBlock.
void FreeBlock(HGLOBAL block);

// One read or write request; returns the byte count the call reported, which
// alone decides whether the transfer was whole.
DWORD ReadBytes(HANDLE file, void *buffer, DWORD length);
DWORD WriteBytes(HANDLE file, const void *buffer, DWORD length);

#endif
