// Free-space arithmetic: multiplying out a drive's free space without
// wrapping, and the room a patch run needs.
#include "free_bytes.h"
#include "../common/share.h"

unsigned int MultiplyFreeBytes(unsigned int freeClusters, unsigned int sectorsPerCluster,
                               unsigned int bytesPerSector)
{
    unsigned long long clusterBytes = (unsigned long long)sectorsPerCluster * bytesPerSector;
    // Each factor is below 2^32, so testing the second product against the
    // limit by division keeps the whole computation within 64 bits.
    if (clusterBytes && freeClusters > 0xFFFFFFFFull / clusterBytes)
        return 0xFFFFFFFFu;
    return (unsigned int)(clusterBytes * freeClusters);
}

unsigned long long BytesStillNeeded(const StagingSizes *sizes, unsigned int clusterBytes, unsigned long long freeBytes,
                                    unsigned long long floorBytes)
{
    // The staging's order, each step taking the room of the file it makes
    // and giving back that of the older file it deletes or writes over:
    // Patch.dll copied (over an older Patch.dll, while an older Patch.exe is
    // still there); the older Patch.exe deleted; Patch.pif copied; Patch.rtp
    // joined. "Taken" and "given" are kept apart, so nothing goes below 0.
    const unsigned long long steps[][2] = {
        {sizes->engine, sizes->oldEngineCopy},
        {0, sizes->oldEngine},
        {sizes->pif, sizes->oldPif},
        {sizes->data, sizes->oldData},
    };
    unsigned long long taken = 0;
    unsigned long long given = 0;
    unsigned long long needed;
    for (unsigned int i = 0; i < sizeof(steps) / sizeof(steps[0]); ++i)
        given += InWholeClusters(steps[i][1], clusterBytes);
    // What is replaced counts as room towards the floor.
    needed = floorBytes > given ? floorBytes - given : 0;
    given = 0;
    for (unsigned int i = 0; i < sizeof(steps) / sizeof(steps[0]); ++i) {
        taken += InWholeClusters(steps[i][0], clusterBytes);
        given += InWholeClusters(steps[i][1], clusterBytes);
        if (taken > given && taken - given > needed)
            needed = taken - given;
    }
    return needed > freeBytes ? needed - freeBytes : 0;
}
