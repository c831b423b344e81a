// GetFreeDiskBytes, and the driver's check of its answer against the space the patch needs.
#include "driver.h"
#include "free_bytes.h"
#include "../../res/resource.h"
#include "../runtime/runtime.h"

DWORD GetFreeDiskBytes(const char *dir)
{
    char root[4];
    DWORD sectorsPerCluster = 0;
    DWORD bytesPerSector = 0;
    DWORD freeClusters = 0;
    DWORD totalClusters = 0;
    // Without two characters there is no root to ask about; a drive whose
    // figures cannot be had counts as full, so the patch is never started
    // on a drive it knows nothing about.
    if (!dir[0] || !dir[1])
        return 0;
    root[0] = dir[0];
    root[1] = dir[1];
    root[2] = '\\';
    root[3] = 0;
    if (!GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters))
        return 0;
    return MultiplyFreeBytes(freeClusters, sectorsPerCluster, bytesPerSector);
}

int CheckFreeSpace(DWORD freeBytes)
{
    char format[PATH_CHARS];
    char caption[PATH_CHARS];
    char text[1024];
    if (freeBytes >= REQUIRED_FREE_BYTES)
        return 1;
    format[0] = 0;
    caption[0] = 0;
    LoadStringA(ModuleInstance, IDS_LOW_SPACE, format, PATH_CHARS);
    LoadStringA(ModuleInstance, IDS_LOW_SPACE_CAPTION, caption, PATH_CHARS);
    wsprintfA(text, format, (LONG)freeBytes, (LONG)(REQUIRED_FREE_BYTES - freeBytes));
    MessageBoxA(0, text, caption, MB_ICONINFORMATION);
    return 0;
}
