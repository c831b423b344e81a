// Multiplying out a drive's free space without wrapping.
#include "free_bytes.h"

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
