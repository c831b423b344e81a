// What the libFuzzer targets share: reading the fuzzer's bytes as arguments,
// buffers of exactly a given capacity on the heap (so that one byte past them
// stops the run under the address sanitizer), and the check that stops the
// run when a property fails.
#ifndef ZARIZED_FUZZ_SUPPORT_H
#define ZARIZED_FUZZ_SUPPORT_H

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

// Says which property failed, then stops with the fuzzer's crash report.
#define FUZZ_CHECK(condition)                                                          \
    do {                                                                               \
        if (!(condition)) {                                                            \
            fprintf(stderr, "%s:%d: %s does not hold\n", __FILE__, __LINE__, #condition); \
            abort();                                                                   \
        }                                                                              \
    } while (0)

// The fuzzer's bytes, taken from the front: small numbers first, the rest as text.
class FuzzInput {
public:
    FuzzInput(const uint8_t *data, size_t size) : data_(data), size_(size) {}

    // The next byte, or 0 once the input is used up.
    unsigned Byte()
    {
        if (!size_)
            return 0;
        --size_;
        return *data_++;
    }

    // The next four bytes, little-endian (missing bytes count as 0).
    uint32_t Word()
    {
        uint32_t value = 0;
        for (int shift = 0; shift < 32; shift += 8)
            value |= (uint32_t)Byte() << shift;
        return value;
    }

    // The bytes up to the next NUL or the end; the NUL is taken too.
    std::string Text()
    {
        size_t length = 0;
        while (length < size_ && data_[length])
            ++length;
        std::string text((const char *)data_, length);
        if (length < size_)
            ++length;
        data_ += length;
        size_ -= length;
        return text;
    }

    // Everything not taken yet.
    std::string Rest()
    {
        std::string rest((const char *)data_, size_);
        data_ += size_;
        size_ = 0;
        return rest;
    }

    size_t Left() const { return size_; }

private:
    const uint8_t *data_;
    size_t size_;
};

// A heap block of exactly `size` bytes; malloc(0) gives a real block too,
// of which no byte may be touched.
class ExactBuffer {
public:
    explicit ExactBuffer(size_t size, unsigned char fill = 0xA5) : size_(size), bytes_((char *)malloc(size))
    {
        if (!bytes_ && size)
            abort();
        if (size)
            memset(bytes_, fill, size);
    }
    // The bytes, and a NUL after them when `terminate`; nothing more.
    ExactBuffer(const std::string &bytes, bool terminate) : ExactBuffer(bytes.size() + (terminate ? 1 : 0), 0)
    {
        if (!bytes.empty())
            memcpy(bytes_, bytes.data(), bytes.size());
    }
    ~ExactBuffer() { free(bytes_); }
    ExactBuffer(const ExactBuffer &) = delete;
    ExactBuffer &operator=(const ExactBuffer &) = delete;

    char *data() { return bytes_; }
    size_t size() const { return size_; }

private:
    size_t size_;
    char *bytes_;
};

// Whether the buffer holds a NUL within its capacity.
inline bool Terminated(const char *buffer, size_t capacity)
{
    return memchr(buffer, 0, capacity) != nullptr;
}

#endif
