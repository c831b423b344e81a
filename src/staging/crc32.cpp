// CRC-32 of the piece check, from tables, 16 bytes at a time: the check runs
// over every byte of the patch data and must cost little beside reading and
// writing it. Plain integer work, the same on every processor (Windows 95
// does not save the SSE registers, so no vector instructions).
#include "crc32.h"

namespace {

const unsigned int kReflectedPolynomial = 0xEDB88320u;

enum { SLICE_BYTES = 16 };

// Tables[0][n]: the register's change for the byte n; Tables[k][n]: the same
// byte followed by k zero bytes, so that 16 bytes take 16 independent
// look-ups instead of 16 dependent ones (16 KB of tables). Built at first use (there are no global
// constructors); building them again gives the same values.
unsigned int Tables[SLICE_BYTES][256];

void BuildTables(void)
{
    for (unsigned int n = 0; n < 256; ++n) {
        unsigned int c = n;
        for (int bit = 0; bit < 8; ++bit)
            c = (c & 1) ? kReflectedPolynomial ^ (c >> 1) : c >> 1;
        Tables[0][n] = c;
    }
    for (unsigned int n = 0; n < 256; ++n)
        for (int k = 1; k < SLICE_BYTES; ++k)
            Tables[k][n] = Tables[0][Tables[k - 1][n] & 0xFF] ^ (Tables[k - 1][n] >> 8);
}

unsigned int LittleEndianWord(const unsigned char *data)
{
    return (unsigned int)data[0] | (unsigned int)data[1] << 8 | (unsigned int)data[2] << 16 |
           (unsigned int)data[3] << 24;
}

// The running (inverted) register over any bytes: 16 at a time, then the
// rest one by one.
unsigned int CrcBytes(unsigned int reg, const unsigned char *data, unsigned int length)
{
    if (Tables[0][1] == 0)
        BuildTables();
    for (; length >= SLICE_BYTES; data += SLICE_BYTES, length -= SLICE_BYTES) {
        unsigned int a = reg ^ LittleEndianWord(data);
        unsigned int b = LittleEndianWord(data + 4);
        unsigned int c = LittleEndianWord(data + 8);
        unsigned int d = LittleEndianWord(data + 12);
        reg = Tables[15][a & 0xFF] ^ Tables[14][a >> 8 & 0xFF] ^ Tables[13][a >> 16 & 0xFF] ^ Tables[12][a >> 24] ^
              Tables[11][b & 0xFF] ^ Tables[10][b >> 8 & 0xFF] ^ Tables[9][b >> 16 & 0xFF] ^ Tables[8][b >> 24] ^
              Tables[7][c & 0xFF] ^ Tables[6][c >> 8 & 0xFF] ^ Tables[5][c >> 16 & 0xFF] ^ Tables[4][c >> 24] ^
              Tables[3][d & 0xFF] ^ Tables[2][d >> 8 & 0xFF] ^ Tables[1][d >> 16 & 0xFF] ^ Tables[0][d >> 24];
    }
    while (length--)
        reg = Tables[0][(reg ^ *data++) & 0xFF] ^ (reg >> 8);
    return reg;
}

}  // namespace

unsigned int ComputeCrc32(unsigned int crc, const unsigned char *data, unsigned int length)
{
    return ~CrcBytes(~crc, data, length);
}
