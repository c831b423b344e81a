// CRC-32 of the piece check. Tables of 256 entries serve every processor;
// on x86-64 processors with carry-less multiplication the bulk of a piece is
// folded 64 bytes at a time instead, since the check runs over every byte of
// the patch data and must cost little beside reading and writing it. The
// 32-bit build keeps to the tables: Windows 95 does not save the SSE
// registers, so it must never use them. ZARIZED_CRC32_TABLE_ONLY keeps any
// build to the tables, for testing them on the host.
#include "crc32.h"

#if defined(__x86_64__) && !defined(ZARIZED_CRC32_TABLE_ONLY)
#include <cpuid.h>
#include <emmintrin.h>
#include <wmmintrin.h>
#define ZARIZED_CRC32_FOLDING 1
#endif

namespace {

const unsigned int kReflectedPolynomial = 0xEDB88320u;

enum { SLICE_BYTES = 8 };

// Tables[0][n]: the register's change for the byte n; Tables[k][n]: the same
// byte followed by k zero bytes, so that 8 bytes take 8 independent look-ups
// instead of 8 dependent ones. Built at first use (there are no global
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

// The running (inverted) register over any bytes: 8 at a time, then the
// rest one by one.
unsigned int CrcBytes(unsigned int reg, const unsigned char *data, unsigned int length)
{
    if (Tables[0][1] == 0)
        BuildTables();
    for (; length >= SLICE_BYTES; data += SLICE_BYTES, length -= SLICE_BYTES) {
        unsigned int low = reg ^ LittleEndianWord(data);
        unsigned int high = LittleEndianWord(data + 4);
        reg = Tables[7][low & 0xFF] ^ Tables[6][low >> 8 & 0xFF] ^ Tables[5][low >> 16 & 0xFF] ^ Tables[4][low >> 24] ^
              Tables[3][high & 0xFF] ^ Tables[2][high >> 8 & 0xFF] ^ Tables[1][high >> 16 & 0xFF] ^ Tables[0][high >> 24];
    }
    while (length--)
        reg = Tables[0][(reg ^ *data++) & 0xFF] ^ (reg >> 8);
    return reg;
}

#ifdef ZARIZED_CRC32_FOLDING

int HasCarrylessMultiply(void)
{
    unsigned int a, b, c, d;
    return __get_cpuid(1, &a, &b, &c, &d) && (c & bit_PCLMUL) != 0;
}

// c = a.low * k.low xor a.high * k.high, then xor the next 16 bytes.
__attribute__((target("pclmul"))) inline __m128i Fold(__m128i a, __m128i k, __m128i next)
{
    return _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(a, k, 0x00), _mm_clmulepi64_si128(a, k, 0x11)), next);
}

__attribute__((target("pclmul"))) inline __m128i Load(const unsigned char *data)
{
    return _mm_loadu_si128((const __m128i *)(const void *)data);
}

// The running register over length bytes, length a multiple of 16 and at
// least 64: four lanes folded by 64 bytes, merged, folded by 16 bytes, then
// reduced to 32 bits (Barrett). The constants are powers of x modulo the
// bit-reflected polynomial, for folding across 64 bytes, across 16 bytes and
// from 64 bits to 32, then the polynomial and its Barrett quotient.
__attribute__((target("pclmul"))) unsigned int CrcFolded(unsigned int reg, const unsigned char *data,
                                                         unsigned int length)
{
    const __m128i by64 = _mm_set_epi64x(0x01C6E41596LL, 0x0154442BD4LL);
    const __m128i by16 = _mm_set_epi64x(0x00CCAA009ELL, 0x01751997D0LL);
    const __m128i to64 = _mm_set_epi64x(0, 0x0163CD6124LL);
    const __m128i barrett = _mm_set_epi64x(0x01F7011641LL, 0x01DB710641LL);
    const __m128i low32 = _mm_setr_epi32(-1, 0, -1, 0);
    __m128i x1 = _mm_xor_si128(Load(data), _mm_cvtsi32_si128((int)reg));
    __m128i x2 = Load(data + 16);
    __m128i x3 = Load(data + 32);
    __m128i x4 = Load(data + 48);
    __m128i t;
    data += 64;
    length -= 64;
    while (length >= 64) {
        x1 = Fold(x1, by64, Load(data));
        x2 = Fold(x2, by64, Load(data + 16));
        x3 = Fold(x3, by64, Load(data + 32));
        x4 = Fold(x4, by64, Load(data + 48));
        data += 64;
        length -= 64;
    }
    x1 = Fold(x1, by16, x2);
    x1 = Fold(x1, by16, x3);
    x1 = Fold(x1, by16, x4);
    while (length >= 16) {
        x1 = Fold(x1, by16, Load(data));
        data += 16;
        length -= 16;
    }
    // 128 bits to 64, then 64 to 32.
    x1 = _mm_xor_si128(_mm_srli_si128(x1, 8), _mm_clmulepi64_si128(x1, by16, 0x10));
    x1 = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(x1, low32), to64, 0x00), _mm_srli_si128(x1, 4));
    t = _mm_and_si128(_mm_clmulepi64_si128(_mm_and_si128(x1, low32), barrett, 0x10), low32);
    x1 = _mm_xor_si128(x1, _mm_clmulepi64_si128(t, barrett, 0x00));
    return (unsigned int)_mm_cvtsi128_si32(_mm_srli_si128(x1, 4));
}

#endif

}  // namespace

unsigned int ComputeCrc32(unsigned int crc, const unsigned char *data, unsigned int length)
{
    unsigned int reg = ~crc;
#ifdef ZARIZED_CRC32_FOLDING
    if (length >= 64 && HasCarrylessMultiply()) {
        unsigned int folded = length & ~15u;
        reg = CrcFolded(reg, data, folded);
        data += folded;
        length -= folded;
    }
#endif
    return ~CrcBytes(reg, data, length);
}
