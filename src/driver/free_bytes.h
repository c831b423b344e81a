// Free-space arithmetic (pure, no Win32).
#ifndef ZARIZED_FREE_BYTES_H
#define ZARIZED_FREE_BYTES_H

#include "../staging/staging.h"

// free clusters x sectors per cluster x bytes per sector, in 64 bits and held
// at 0xFFFFFFFF, so a drive with more than 4 GiB free never looks nearly full.
unsigned int MultiplyFreeBytes(unsigned int freeClusters, unsigned int sectorsPerCluster,
                               unsigned int bytesPerSector);

// The bytes the product's drive still needs beyond freeBytes before a run
// may begin; 0 when it has room. The run needs the larger of floorBytes and
// what it stages, and the files it replaces count as room; each file takes
// whole clusters of clusterBytes (0: bytes). The room is weighed at each
// step of the staging's order, since the older engine goes only once the new
// one is copied.
unsigned long long BytesStillNeeded(const StagingSizes *sizes, unsigned int clusterBytes, unsigned long long freeBytes,
                                    unsigned long long floorBytes);

#endif
