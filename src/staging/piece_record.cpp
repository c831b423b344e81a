// Parsing the values of the media's record of its pieces.
#include "piece_record.h"

namespace {

const unsigned int kLargestPieceSize = 0xFFFFFFFEu;  // 0xFFFFFFFF is no file size

// The characters of a value, bounded by its NUL and by its buffer.
struct ValueText {
    const char *text;
    unsigned int capacity;
    unsigned int at;
};

int AtEnd(const ValueText *value)
{
    return value->at >= value->capacity || value->text[value->at] == 0;
}

int IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

int HexValue(char c)
{
    if (IsDigit(c))
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// One or more decimal digits whose value is at most `largest`. Leading zeros
// are allowed; a value past `largest` is refused before it can wrap.
int ReadDecimal(ValueText *value, unsigned int largest, unsigned int *number)
{
    unsigned int result = 0;
    unsigned int digits = 0;
    while (!AtEnd(value) && IsDigit(value->text[value->at])) {
        unsigned int digit = (unsigned int)(value->text[value->at] - '0');
        if (result > (largest - digit) / 10)
            return 0;
        result = result * 10 + digit;
        ++value->at;
        ++digits;
    }
    *number = result;
    return digits > 0;
}

}  // namespace

unsigned int PiecesNamedByCount(unsigned int count)
{
    return count == 0 ? 1 : count;
}

int ParsePieceCount(const char *text, unsigned int capacity, unsigned int *pieces)
{
    ValueText value = {text, capacity, 0};
    unsigned int count;
    if (!ReadDecimal(&value, PIECE_RECORD_MAX_PIECES, &count) || !AtEnd(&value))
        return 0;
    *pieces = PiecesNamedByCount(count);
    return 1;
}

int ParsePieceEntry(const char *text, unsigned int capacity, unsigned int index, PieceEntry *entry)
{
    ValueText value = {text, capacity, 0};
    unsigned int size;
    unsigned int crc = 0;
    int digit;
    if (!ReadDecimal(&value, kLargestPieceSize, &size))
        return 0;
    if (index == 0 && size < SPLIT_HEADER_BYTES)
        return 0;
    if (AtEnd(&value) || value.text[value.at] != ',')
        return 0;
    ++value.at;
    for (int k = 0; k < PIECE_CRC_DIGITS; ++k) {
        if (AtEnd(&value) || (digit = HexValue(value.text[value.at])) < 0)
            return 0;
        crc = crc << 4 | (unsigned int)digit;
        ++value.at;
    }
    // No file of 0 bytes has another CRC than 0.
    if (!AtEnd(&value) || (size == 0 && crc != 0))
        return 0;
    entry->size = size;
    entry->crc = crc;
    return 1;
}

unsigned long long RecordedDataBytes(const PieceRecord *record)
{
    unsigned long long total = 0;
    for (unsigned int index = 0; index < record->pieces; ++index)
        total += record->entries[index].size;
    // The parser holds piece 0 to at least its count's bytes.
    return total >= SPLIT_HEADER_BYTES ? total - SPLIT_HEADER_BYTES : 0;
}
