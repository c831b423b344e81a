// The free space of the product's drive, and the low-space stop: GetFreeDiskBytes asks the drive,
// CheckFreeSpace shows message 2011 when there is too little.
#include "driver.h"
#include "free_bytes.h"
#include "../../res/resource.h"
#include "../runtime/runtime.h"

DWORD GetFreeDiskBytes(const char *dir, DWORD *clusterBytes)
{
    char root[4];
    DWORD sectorsPerCluster = 0;
    DWORD bytesPerSector = 0;
    DWORD freeClusters = 0;
    DWORD totalClusters = 0;
    if (clusterBytes)
        *clusterBytes = 0;
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
    if (clusterBytes)
        *clusterBytes = MultiplyFreeBytes(1, sectorsPerCluster, bytesPerSector);
    return MultiplyFreeBytes(freeClusters, sectorsPerCluster, bytesPerSector);
}

int CheckFreeSpace(DWORD freeBytes, DWORDLONG stillNeeded)
{
    char format[MESSAGE_STRING_CHARS];
    char caption[MESSAGE_STRING_CHARS];
    char text[MESSAGE_TEXT_CHARS];
    if (stillNeeded == 0)
        return 1;
    LoadMessageString(IDS_LOW_SPACE, format);
    LoadMessageString(IDS_LOW_SPACE_CAPTION, caption);
    wsprintfA(text, format, (LONG)freeBytes, (LONG)stillNeeded);
    ShowRunMessage(IDS_LOW_SPACE, caption, text, MB_ICONINFORMATION);
    return 0;
}

int CheckRoomToStage(const char *sourceDir, const char *productDir)
{
    StagingSizes sizes;
    DWORD clusterBytes;
    DWORD freeBytes = GetFreeDiskBytes(productDir, &clusterBytes);
    DWORDLONG stillNeeded;
    MeasureStaging(sourceDir, productDir, &sizes);
    stillNeeded = BytesStillNeeded(&sizes, clusterBytes, freeBytes, REQUIRED_FREE_BYTES);
    LogLine("room: %lu bytes free on the product's drive, %lu more needed", freeBytes, (DWORD)stillNeeded);
    return CheckFreeSpace(freeBytes, stillNeeded);
}
