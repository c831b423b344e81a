// The parsers of the media's record of its pieces, over any value text.
// Input: byte 0 is the piece index (below 60), byte 1 chooses whether the
// text carries a NUL after it, the rest is the value text, in a buffer of
// exactly its size. Accepted values must be exactly of the form, with the
// numbers they spell; refused ones must not be; and every entry formatted
// from numbers in range parses back to them.
#include "fuzz_support.h"

#include "staging/piece_record.h"

namespace {

const unsigned long long kLargestSize = 0xFFFFFFFEull;

// The value as the parser may see it: up to its NUL or its buffer's end.
std::string Visible(const char *text, size_t capacity)
{
    size_t length = 0;
    while (length < capacity && text[length])
        ++length;
    return std::string(text, length);
}

bool AllOf(const std::string &text, const char *characters)
{
    return !text.empty() && text.find_first_not_of(characters) == std::string::npos;
}

// The decimal value of digits, saturated above 2^40 so no length wraps it.
unsigned long long DecimalValue(const std::string &digits)
{
    unsigned long long value = 0;
    for (char c : digits)
        value = value > (1ull << 40) ? value : value * 10 + (unsigned)(c - '0');
    return value;
}

void CheckCount(const char *text, size_t capacity)
{
    unsigned pieces = 1234;
    int accepted = ParsePieceCount(text, (unsigned)capacity, &pieces);
    std::string value = Visible(text, capacity);
    bool shape = AllOf(value, "0123456789") && DecimalValue(value) <= PIECE_RECORD_MAX_PIECES;
    FUZZ_CHECK(accepted == (shape ? 1 : 0));
    if (accepted)
        FUZZ_CHECK(pieces == (DecimalValue(value) == 0 ? 1 : DecimalValue(value)));
    else
        FUZZ_CHECK(pieces == 1234);
}

bool InRange(unsigned long long size, unsigned long long crc, unsigned index)
{
    return size <= kLargestSize && (index != 0 || size >= SPLIT_HEADER_BYTES) && (size != 0 || crc == 0);
}

void CheckEntry(const char *text, size_t capacity, unsigned index)
{
    PieceEntry entry = {111, 222};
    int accepted = ParsePieceEntry(text, (unsigned)capacity, index, &entry);
    std::string value = Visible(text, capacity);
    size_t comma = value.find(',');
    bool shape = comma != std::string::npos && AllOf(value.substr(0, comma), "0123456789") &&
                 value.size() - comma - 1 == PIECE_CRC_DIGITS &&
                 AllOf(value.substr(comma + 1), "0123456789abcdefABCDEF");
    unsigned long long size = shape ? DecimalValue(value.substr(0, comma)) : 0;
    unsigned long long crc = shape ? strtoull(value.substr(comma + 1).c_str(), nullptr, 16) : 0;
    FUZZ_CHECK(accepted == (shape && InRange(size, crc, index) ? 1 : 0));
    if (accepted)
        FUZZ_CHECK(entry.size == size && entry.crc == crc);
    else
        FUZZ_CHECK(entry.size == 111 && entry.crc == 222);
}

// Numbers in range, formatted as the media builder writes them (upper or
// lower case hexadecimal, leading zeros or not), parse back to themselves.
void CheckRoundTrip(uint32_t size, uint32_t crc, unsigned index, unsigned style)
{
    char text[64];
    snprintf(text, sizeof(text), style & 1 ? "%u,%08X" : "%010u,%08x", size, crc);
    ExactBuffer buffer(text, (style & 2) != 0);
    PieceEntry entry = {0, 0};
    int accepted = ParsePieceEntry(buffer.data(), (unsigned)buffer.size(), index, &entry);
    FUZZ_CHECK(accepted == (InRange(size, crc, index) ? 1 : 0));
    if (accepted)
        FUZZ_CHECK(entry.size == size && entry.crc == crc);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput input(data, size);
    unsigned index = input.Byte() % 60;
    unsigned style = input.Byte();
    std::string text = input.Rest();
    ExactBuffer value(text, (style & 4) != 0);
    CheckCount(value.data(), value.size());
    CheckEntry(value.data(), value.size(), index);
    if (text.size() >= 8) {
        uint32_t words[2];
        memcpy(words, text.data(), sizeof(words));
        CheckRoundTrip(words[0], words[1], index, style);
    }
    FUZZ_CHECK(PiecesNamedByCount(0) == 1);
    return 0;
}
