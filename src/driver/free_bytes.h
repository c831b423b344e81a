// Free-space arithmetic (pure, no Win32).
#ifndef ZARIZED_FREE_BYTES_H
#define ZARIZED_FREE_BYTES_H

// free clusters x sectors per cluster x bytes per sector, in 64 bits and held
// at 0xFFFFFFFF, so a drive with more than 4 GiB free never looks nearly full.
unsigned int MultiplyFreeBytes(unsigned int freeClusters, unsigned int sectorsPerCluster,
                               unsigned int bytesPerSector);

#endif
