// The download build's trailer and table. The input gives the fields of a
// trailer, which is packed with its right CRC-32 (so that the parser's
// checks past the CRC are reached), then perhaps one byte changed; then the
// bytes of one table entry and the end of the entry before it.
// Input: bytes 0..3 the file size; 4..23 the trailer's five numbers; byte 24
// the position of a byte to change (32 or more: none), byte 25 what to XOR
// it with; then 28 bytes of a table entry and 4 bytes of previousEnd.
#include "fuzz_support.h"

#include "extractor/download_format.h"
#include "staging/crc32.h"

namespace {

void PutWord(unsigned char *at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = (unsigned char)(value >> (8 * i));
}

// A trailer is read only when it is whole and every number agrees with the
// file; a changed byte is always seen.
void CheckTrailer(FuzzInput &input)
{
    uint32_t fileSize = input.Word();
    DownloadTrailer fields;
    fields.dataOffset = input.Word();
    fields.dataLength = input.Word();
    fields.tableOffset = input.Word();
    fields.fileCount = input.Word() % (DOWNLOAD_MAX_FILES + 2);
    fields.dataCrc = input.Word();
    unsigned position = input.Byte(), change = input.Byte();
    ExactBuffer bytes(DOWNLOAD_TRAILER_BYTES, 0);
    unsigned char *t = (unsigned char *)bytes.data();
    memcpy(t, "ZARDL95B", 8);
    PutWord(t + 8, fields.dataOffset);
    PutWord(t + 12, fields.dataLength);
    PutWord(t + 16, fields.tableOffset);
    PutWord(t + 20, fields.fileCount);
    PutWord(t + 24, fields.dataCrc);
    PutWord(t + 28, ComputeCrc32(0, t, 28));
    bool changed = position < DOWNLOAD_TRAILER_BYTES && (change & 0xFF) != 0;
    if (changed)
        t[position] ^= (unsigned char)change;

    DownloadTrailer trailer;
    int read = ParseDownloadTrailer(t, fileSize, &trailer);
    bool agrees = fileSize >= DOWNLOAD_TRAILER_BYTES && fields.fileCount >= 1 &&
                      fields.fileCount <= DOWNLOAD_MAX_FILES &&
                      (uint64_t)fields.dataOffset + fields.dataLength + DOWNLOAD_TRAILER_BYTES == fileSize &&
                      (uint64_t)fields.tableOffset + (uint64_t)fields.fileCount * DOWNLOAD_ENTRY_BYTES ==
                          fields.dataLength;
    FUZZ_CHECK(read == (!changed && agrees ? 1 : 0));
    if (read)
        FUZZ_CHECK(trailer.dataOffset == fields.dataOffset && trailer.dataLength == fields.dataLength &&
                   trailer.tableOffset == fields.tableOffset && trailer.fileCount == fields.fileCount &&
                   trailer.dataCrc == fields.dataCrc);
}

// An entry is read only with a terminated 8.3 name, lying after the entry
// before it and within the data before the table; its name never holds a
// path, a blank or a second ".".
void CheckEntry(FuzzInput &input)
{
    ExactBuffer bytes(DOWNLOAD_ENTRY_BYTES, 0);
    for (size_t i = 0; i < DOWNLOAD_ENTRY_BYTES; ++i)
        bytes.data()[i] = (char)input.Byte();
    uint32_t previousEnd = input.Word();
    DownloadTrailer trailer = {0, 0, (unsigned)input.Word(), 1, 0};
    DownloadEntry entry;
    int read = ParseDownloadEntry((const unsigned char *)bytes.data(), &trailer, previousEnd, &entry);
    FUZZ_CHECK(Terminated(entry.name, DOWNLOAD_NAME_BYTES));
    if (!read)
        return;
    std::string name = entry.name;
    FUZZ_CHECK(!name.empty() && name.size() <= 12 && name == std::string(bytes.data(), name.size()));
    FUZZ_CHECK(name.find_first_of("\\/: \t*?\"<>|") == std::string::npos);
    size_t dot = name.find('.');
    FUZZ_CHECK(dot != 0 && (dot == std::string::npos ? name.size() <= 8 : dot <= 8 && name.size() - dot - 1 <= 3 &&
                                                                             name.size() - dot - 1 >= 1 &&
                                                                             name.find('.', dot + 1) == std::string::npos));
    FUZZ_CHECK(entry.offset >= previousEnd && (uint64_t)entry.offset + entry.size <= trailer.tableOffset);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput input(data, size);
    CheckTrailer(input);
    CheckEntry(input);
    return 0;
}
