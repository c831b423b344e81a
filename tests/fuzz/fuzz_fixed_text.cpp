// Fixed-length text values: data read into a buffer of exactly its capacity,
// padded for writing with the full capacity as its length.
// Input: bytes 0..1 are the capacity (little-endian, modulo FIXED_TEXT_BYTES
// + 1); the rest is the data read (as much as fits is in the buffer; a longer
// length than the capacity must be refused).
#include "fuzz_support.h"

#include "migrate/fixed_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput input(data, size);
    unsigned low = input.Byte();
    unsigned capacity = (low | input.Byte() << 8) % (FIXED_TEXT_BYTES + 1);
    std::string bytes = input.Rest();
    unsigned length = (unsigned)bytes.size();

    ExactBuffer buffer(capacity, 0x5A);
    memcpy(buffer.data(), bytes.data(), length < capacity ? length : capacity);
    std::string before(buffer.data(), capacity);
    unsigned char *text = (unsigned char *)buffer.data();
    int padded = PadFixedText(text, length, capacity);

    if (capacity == 0 || length > capacity) {
        // Refused, and nothing touched.
        FUZZ_CHECK(padded == 0 && before == std::string(buffer.data(), capacity));
        return 0;
    }
    // The data stay, zeros follow them; the text is terminated unless the data fill the buffer.
    FUZZ_CHECK(memcmp(text, bytes.data(), length) == 0);
    for (unsigned i = length; i < capacity; ++i)
        FUZZ_CHECK(text[i] == 0);
    FUZZ_CHECK(padded == (length < capacity || text[capacity - 1] == 0 ? 1 : 0));
    if (padded)
        FUZZ_CHECK(Terminated(buffer.data(), capacity));
    return 0;
}
