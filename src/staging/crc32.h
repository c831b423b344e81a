// The CRC-32 that checks the pieces of the patch data against the media's
// record of them (pure number work, no Win32): the reflected CRC with
// polynomial 0xEDB88320, initial value and final XOR 0xFFFFFFFF, the one
// that the common zip and PNG tools compute.
#ifndef ZARIZED_CRC32_H
#define ZARIZED_CRC32_H

// The CRC of the bytes that `crc` was computed over (0 for none) followed by
// the length bytes at data, so a long run can be checked in parts.
unsigned int ComputeCrc32(unsigned int crc, const unsigned char *data, unsigned int length);

#endif
