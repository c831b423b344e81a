#include "allocation_watch.h"

namespace {

typedef HGLOBAL(WINAPI *GlobalAllocFunction)(UINT, SIZE_T);

void **watchedSlot = nullptr;
GlobalAllocFunction original = nullptr;
size_t requestCount = 0;
SIZE_T largestSize = 0;

HGLOBAL WINAPI RecordingGlobalAlloc(UINT flags, SIZE_T bytes)
{
    ++requestCount;
    if (bytes > largestSize)
        largestSize = bytes;
    return original(flags, bytes);
}

// The import address slot through which this program calls dll!function.
void **FindImportSlot(const char *dll, const char *function)
{
    BYTE *base = (BYTE *)GetModuleHandleA(nullptr);
    const IMAGE_DOS_HEADER *dos = (const IMAGE_DOS_HEADER *)base;
    const IMAGE_NT_HEADERS *nt = (const IMAGE_NT_HEADERS *)(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY &imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0)
        return nullptr;
    for (const IMAGE_IMPORT_DESCRIPTOR *d = (const IMAGE_IMPORT_DESCRIPTOR *)(base + imports.VirtualAddress); d->Name;
         ++d) {
        if (lstrcmpiA((const char *)(base + d->Name), dll) != 0)
            continue;
        const IMAGE_THUNK_DATA *names =
            (const IMAGE_THUNK_DATA *)(base + (d->OriginalFirstThunk ? d->OriginalFirstThunk : d->FirstThunk));
        IMAGE_THUNK_DATA *slots = (IMAGE_THUNK_DATA *)(base + d->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            const IMAGE_IMPORT_BY_NAME *byName = (const IMAGE_IMPORT_BY_NAME *)(base + names->u1.AddressOfData);
            if (lstrcmpA((const char *)byName->Name, function) == 0)
                return (void **)&slots->u1.Function;
        }
    }
    return nullptr;
}

bool Store(void **slot, void *value)
{
    DWORD old;
    if (!VirtualProtect(slot, sizeof(void *), PAGE_READWRITE, &old))
        return false;
    *slot = value;
    VirtualProtect(slot, sizeof(void *), old, &old);
    return true;
}

}  // namespace

GlobalAllocWatch::GlobalAllocWatch()
{
    requestCount = 0;
    largestSize = 0;
    void **slot = FindImportSlot("kernel32.dll", "GlobalAlloc");
    if (!slot || watchedSlot)
        return;
    original = (GlobalAllocFunction)*slot;
    if (Store(slot, (void *)RecordingGlobalAlloc))
        watchedSlot = slot;
}

GlobalAllocWatch::~GlobalAllocWatch()
{
    if (watchedSlot)
        Store(watchedSlot, (void *)original);
    watchedSlot = nullptr;
}

bool GlobalAllocWatch::installed() const
{
    return watchedSlot != nullptr;
}

size_t GlobalAllocWatch::requests() const
{
    return requestCount;
}

SIZE_T GlobalAllocWatch::largest() const
{
    return largestSize;
}
