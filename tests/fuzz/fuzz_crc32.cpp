// The CRC-32 of the piece check over any bytes, at any alignment and cut
// anywhere: the result equals a bit-by-bit computation of the same CRC, no
// byte outside the data is read, and a change of one byte changes the CRC.
// Input: byte 0 is the start offset within a block (0-15), bytes 1-2 the
// place of a cut (little-endian, taken modulo the length + 1), the rest the
// data.
#include "fuzz_support.h"

#include "staging/crc32.h"

namespace {

// The definition, one bit at a time: reflected, polynomial 0xEDB88320,
// initial value and final XOR 0xFFFFFFFF.
uint32_t BitwiseCrc32(const unsigned char *data, size_t length)
{
    uint32_t reg = 0xFFFFFFFFu;
    for (size_t i = 0; i < length; ++i) {
        reg ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            reg = (reg & 1) ? (reg >> 1) ^ 0xEDB88320u : reg >> 1;
    }
    return ~reg;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput input(data, size);
    unsigned offset = input.Byte() % 16;
    unsigned cut = input.Byte();
    cut |= input.Byte() << 8;
    std::string bytes = input.Rest();
    ExactBuffer block(offset + bytes.size());
    unsigned char *start = (unsigned char *)block.data() + offset;
    if (!bytes.empty())
        memcpy(start, bytes.data(), bytes.size());
    unsigned length = (unsigned)bytes.size();
    cut %= length + 1;

    uint32_t expected = BitwiseCrc32(start, length);
    FUZZ_CHECK(ComputeCrc32(0, start, length) == expected);
    FUZZ_CHECK(ComputeCrc32(ComputeCrc32(0, start, cut), start + cut, length - cut) == expected);
    // Any change of one byte changes the CRC: here the byte at the cut, by a
    // nonzero pattern taken from the data.
    if (length > 0) {
        unsigned place = cut % length;
        start[place] ^= (unsigned char)(1 + start[(place + 1) % length] % 255);
        FUZZ_CHECK(ComputeCrc32(0, start, length) != expected);
    }
    return 0;
}
