#include "import_slots.h"

#include <string.h>

namespace {

void WriteSlot(void **slot, void *value)
{
    DWORD old;
    VirtualProtect(slot, sizeof(void *), PAGE_READWRITE, &old);
    *slot = value;
    VirtualProtect(slot, sizeof(void *), old, &old);
}

}  // namespace

std::vector<void **> ImportSlots(const char *function)
{
    std::vector<void **> slots;
    BYTE *base = (BYTE *)GetModuleHandleA(nullptr);
    IMAGE_NT_HEADERS *nt = (IMAGE_NT_HEADERS *)(base + ((IMAGE_DOS_HEADER *)base)->e_lfanew);
    DWORD imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    for (IMAGE_IMPORT_DESCRIPTOR *dll = (IMAGE_IMPORT_DESCRIPTOR *)(base + imports); dll->Name; ++dll) {
        IMAGE_THUNK_DATA *names = (IMAGE_THUNK_DATA *)(base + dll->OriginalFirstThunk);
        IMAGE_THUNK_DATA *addresses = (IMAGE_THUNK_DATA *)(base + dll->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++addresses)
            if (!IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal) &&
                !strcmp((const char *)((IMAGE_IMPORT_BY_NAME *)(base + names->u1.AddressOfData))->Name, function))
                slots.push_back((void **)&addresses->u1.Function);
    }
    return slots;
}

ImportPatch::ImportPatch(const char *function, void *replacement)
{
    for (void **slot : ImportSlots(function)) {
        if (!original_)
            original_ = *slot;
        slots_.push_back({slot, *slot});
        WriteSlot(slot, replacement);
    }
}

ImportPatch::~ImportPatch()
{
    for (auto &slot : slots_)
        WriteSlot(slot.first, slot.second);
}
