// Computes the program's CRC-32 of each case that crc32_zlib.py sends, for
// comparison with Python's zlib. Input on stdin, per case (little-endian
// words): length, offset (0-15: where the bytes start in their block), the
// number of parts, the length of every part but the last, then the bytes.
// Each case's bytes lie at the end of a block of exactly offset + length
// bytes, so a read past them stops the run under the address sanitizer.
// Prints one CRC per case, in 8 hexadecimal digits.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "staging/crc32.h"

static bool ReadWord(unsigned *word)
{
    unsigned char b[4];
    if (fread(b, 1, 4, stdin) != 4)
        return false;
    *word = b[0] | b[1] << 8 | b[2] << 16 | (unsigned)b[3] << 24;
    return true;
}

int main()
{
    unsigned length, offset, parts;
    while (ReadWord(&length) && ReadWord(&offset) && ReadWord(&parts)) {
        std::vector<unsigned> cuts(parts ? parts - 1 : 0);
        for (unsigned &cut : cuts)
            if (!ReadWord(&cut))
                return 2;
        unsigned char *block = (unsigned char *)malloc(offset + length);
        if ((!block && offset + length) || fread(block + offset, 1, length, stdin) != length)
            return 2;
        const unsigned char *data = block + offset;
        unsigned crc = 0, done = 0;
        for (unsigned cut : cuts) {
            crc = ComputeCrc32(crc, data + done, cut);
            done += cut;
        }
        crc = ComputeCrc32(crc, data + done, length - done);
        printf("%08x\n", crc);
        free(block);
    }
    return 0;
}
