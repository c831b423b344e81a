// File and memory primitives of the staging operations.
#include "staging_io.h"

// Stores a 0 into every page of a fresh block (size above 0). A large block
// is new mapped memory, and a read request may probe it page by page, reading
// before writing: that maps a shared zero page first and then replaces it,
// two faults and a TLB flush per page. One write per page up front makes it a
// single fault. The block is zero-initialised already, so nothing changes.
// Counted in pages, so a size near 4 GB cannot wrap the offset.
static void TouchPages(volatile unsigned char *data, DWORD size)
{
    DWORD lastPage = (size - 1) / 4096;
    DWORD page;
    for (page = 0; page <= lastPage; ++page)
        data[page * 4096] = 0;
}

HANDLE OpenForReading(const char *path)
{
    return CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, 0, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, 0);
}

HANDLE CreateForWriting(const char *path)
{
    return CreateFileA(path, GENERIC_WRITE, FILE_SHARE_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, 0);
}

int GetFileSize32(HANDLE file, DWORD *size)
{
    DWORD high = 0;
    *size = GetFileSize(file, &high);
    return high == 0 && *size != INVALID_FILE_SIZE;
}

void *AllocateBlock(DWORD size, HGLOBAL *block)
{
    void *data = 0;
    *block = 0;
    if (size == 0)
        return 0;
    *block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    if (*block) {
        data = GlobalLock(*block);
        if (data) {
            TouchPages((volatile unsigned char *)data, size);
        } else {
            GlobalFree(*block);
            *block = 0;
        }
    }
    return data;
}

void FreeBlock(HGLOBAL block)
{
    GlobalUnlock(block);
    GlobalFree(block);
}

DWORD ReadBytes(HANDLE file, void *buffer, DWORD length)
{
    DWORD done = 0;
    ReadFile(file, buffer, length, &done, 0);
    return done;
}

DWORD WriteBytes(HANDLE file, const void *buffer, DWORD length)
{
    DWORD done = 0;
    WriteFile(file, buffer, length, &done, 0);
    return done;
}
