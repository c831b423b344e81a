// Number work both programs share (pure, no Win32), kept to 32-bit
// division: 64-bit division needs the compiler's own routines, a kilobyte
// of code in a program that counts them.
#ifndef ZARIZED_SHARE_H
#define ZARIZED_SHARE_H

// done / total in steps of 1 / scale (scale below 4,096), rounded down;
// scale when done reaches total. Both are halved alike until they fit
// 32-bit arithmetic, which keeps the share.
inline unsigned int ShareOf(unsigned long long done, unsigned long long total, unsigned int scale)
{
    if (done >= total)
        return scale;
    while (total >= 0x100000) {
        done >>= 1;
        total >>= 1;
    }
    return (unsigned int)done * scale / (unsigned int)total;
}

// A file's room on a drive: its bytes in whole clusters. Clusters hold a
// power of two of bytes on every file system these programs meet; another
// size, or none (0), counts bytes.
inline unsigned long long InWholeClusters(unsigned long long bytes, unsigned int clusterBytes)
{
    unsigned long long mask = clusterBytes && !(clusterBytes & (clusterBytes - 1)) ? clusterBytes - 1 : 0;
    return (bytes + mask) & ~mask;
}

#endif
