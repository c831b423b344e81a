// The program's own C runtime text routines: the path split, the "%ld"
// scanner and the bounded copy and append, over buffers of exactly their size.
// Input: byte 0 is the copy buffer's capacity less one, byte 1 bits 0..3 say
// which of the path's four parts are not asked for; the rest is two texts,
// each ended by a NUL: the first is split, scanned and copied, the second
// appended.
#include "fuzz_support.h"

#include <errno.h>

#include "runtime/runtime.h"

namespace {

// Each part asked for is terminated within its buffer; when none is cut, the
// parts together give the path back, the directory ending at its last slash
// and the extension starting at the name's last ".".
void CheckSplitPath(const std::string &path, unsigned skipped)
{
    ExactBuffer copy(path, true);
    ExactBuffer drive(RT_MAX_DRIVE), dir(RT_MAX_DIR), name(RT_MAX_FNAME), ext(RT_MAX_EXT);
    ExactBuffer *parts[] = {&drive, &dir, &name, &ext};
    char *asked[4];
    for (int i = 0; i < 4; ++i)
        asked[i] = skipped & (1u << i) ? nullptr : parts[i]->data();
    RtSplitPath(copy.data(), asked[0], asked[1], asked[2], asked[3]);
    bool all = skipped == 0;
    for (int i = 0; i < 4; ++i)
        if (asked[i])
            FUZZ_CHECK(Terminated(asked[i], parts[i]->size()));
    if (!all || path.size() >= RT_MAX_DIR)
        return;
    std::string d = drive.data(), folder = dir.data(), n = name.data(), e = ext.data();
    FUZZ_CHECK(d + folder + n + e == path);
    FUZZ_CHECK(d.empty() || (d.size() == 2 && d[1] == ':'));
    FUZZ_CHECK(folder.empty() || folder.back() == '\\' || folder.back() == '/');
    FUZZ_CHECK((n + e).find_first_of("\\/") == std::string::npos);
    FUZZ_CHECK(e.empty() || (e[0] == '.' && e.find('.', 1) == std::string::npos));
}

bool IsScanSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// -1 for blank text, 0 for no number, 1 and the C library's reading where
// that fits 32 bits; the value is untouched unless 1.
void CheckScanLong(const std::string &text)
{
    ExactBuffer copy(text, true);
    int value = 0x5A5A5A5A;
    int scanned = RtScanLong(copy.data(), &value);
    size_t start = 0;
    while (start < text.size() && IsScanSpace(text[start]))
        ++start;
    if (start == text.size()) {
        FUZZ_CHECK(scanned == -1 && value == 0x5A5A5A5A);
        return;
    }
    size_t digit = start + (text[start] == '+' || text[start] == '-' ? 1 : 0);
    if (digit >= text.size() || text[digit] < '0' || text[digit] > '9') {
        FUZZ_CHECK(scanned == 0 && value == 0x5A5A5A5A);
        return;
    }
    FUZZ_CHECK(scanned == 1);
    errno = 0;
    long long expected = strtoll(copy.data() + start, nullptr, 10);
    if (errno == 0 && expected >= -2147483647LL - 1 && expected <= 2147483647LL)
        FUZZ_CHECK(value == (int)expected);
}

// The copy and the append keep capacity - 1 characters at most, always
// terminate, and say whether the whole text fitted.
void CheckCopyAppend(const std::string &first, const std::string &second, size_t capacity)
{
    ExactBuffer dest(capacity, 0x5A);
    int copied = RtCopyText(dest.data(), capacity, first.c_str());
    FUZZ_CHECK(Terminated(dest.data(), capacity));
    FUZZ_CHECK(copied == (first.size() < capacity ? 1 : 0) && first.compare(0, capacity - 1, dest.data()) == 0);
    std::string both = std::string(dest.data()) + second;
    int appended = RtAppendText(dest.data(), capacity, second.c_str());
    FUZZ_CHECK(Terminated(dest.data(), capacity));
    FUZZ_CHECK(appended == (both.size() < capacity ? 1 : 0) && both.compare(0, capacity - 1, dest.data()) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput input(data, size);
    size_t capacity = 1 + input.Byte();
    unsigned skipped = input.Byte() & 15;
    std::string first = input.Text(), second = input.Text();

    CheckSplitPath(first, skipped);
    CheckScanLong(first);
    CheckCopyAppend(first, second, capacity);
    return 0;
}
