// The hand-off's text work: the text of PATCH.BAT, one PIF field, the startup
// folder a PIF can be given and the command line of a launch, each into a
// buffer of exactly the size given.
// Input: bytes 0..1 are the batch buffer's capacity (little-endian, modulo
// 1400), byte 2 the PIF field's byte count (modulo PIF_FIELD_BYTES + 1),
// bytes 3..4 the launch line's capacity (modulo 300), bytes 5..6 the longest
// line allowed (signed, modulo 300), byte 7 bit 0 set for no directory; the
// rest is four texts, each ended by a NUL: the folder, the program, its
// arguments and the PIF field's value, which also stands for the folder's
// short form.
#include "fuzz_support.h"

#include "handoff/handoff_text.h"

namespace {

std::string ExpectedBatch(const std::string &dir)
{
    return "@echo off\r\n" + dir + "\\Patch.exe\r\n" + "del " + dir + "\\Patch.exe\r\n" + "del " + dir +
           "\\Patch.rtp\r\n" + "del " + dir + "\\Patch.pif\r\n" + "\r\n";
}

unsigned Short(FuzzInput &input)
{
    unsigned low = input.Byte();
    return low | input.Byte() << 8;
}

// The batch is its six lines whole, of 73 + 4 x the folder's length bytes,
// or nothing when they and a terminator do not fit.
void CheckBatch(const std::string &dir, int capacity)
{
    ExactBuffer text((size_t)capacity, 0x5A);
    int length = BuildHandoffBatchText(dir.c_str(), text.data(), capacity);
    std::string expected = ExpectedBatch(dir);
    FUZZ_CHECK(length == 0 || (length == 73 + 4 * (int)dir.size() && length < capacity));
    FUZZ_CHECK(length == ((int)expected.size() < capacity ? (int)expected.size() : 0));
    if (length)
        FUZZ_CHECK(Terminated(text.data(), (size_t)capacity) && expected == text.data());
    else if (capacity > 0)
        FUZZ_CHECK(text.data()[0] == 0);
}

// A field is the value's bytes, then zeros, to exactly its count.
void CheckPifField(const std::string &value, int count)
{
    ExactBuffer field((size_t)count, 0x5A);
    FillPifField(field.data(), count, value.c_str());
    for (int i = 0; i < count; ++i)
        FUZZ_CHECK(field.data()[i] == ((size_t)i < value.size() ? value[(size_t)i] : 0));
}

// The startup folder is the folder while it fits the field's 47 bytes, else
// its short form while that does, else none: never a text that would be cut.
void CheckStartupFolder(const std::string &dir, const std::string &shortDir)
{
    const char *chosen = ChooseStartupFolder(dir.c_str(), shortDir.c_str());
    if (dir.size() <= PIF_STARTUP_BYTES)
        FUZZ_CHECK(chosen == dir.c_str());
    else if (!shortDir.empty() && shortDir.size() <= PIF_STARTUP_BYTES)
        FUZZ_CHECK(chosen == shortDir.c_str());
    else
        FUZZ_CHECK(!chosen);
}

// The line is [directory "\"] program and " " arguments, the path quoted when
// a blank is in it; whole, or empty when it is longer than `longest` (quotes
// not counted) or does not fit the buffer.
void CheckLaunchLine(const char *directory, const std::string &program, const std::string &arguments, int capacity,
                     int longest)
{
    ExactBuffer line((size_t)capacity, 0x5A);
    int built = BuildLaunchCommandLine(line.data(), capacity, longest, directory, program.c_str(), arguments.c_str());
    bool hasDirectory = directory && directory[0];
    std::string path = (hasDirectory ? std::string(directory) + "\\" : std::string()) + program;
    std::string quote = (hasDirectory && strchr(directory, ' ')) || program.find(' ') != std::string::npos ? "\"" : "";
    std::string expected = quote + path + quote + " " + arguments;
    size_t allowed = longest > 0 ? (size_t)longest : 0;
    FUZZ_CHECK(built == (expected.size() < (size_t)capacity && expected.size() - 2 * quote.size() <= allowed ? 1 : 0));
    if (built) {
        FUZZ_CHECK(Terminated(line.data(), (size_t)capacity) && strlen(line.data()) <= allowed + 2);
        FUZZ_CHECK(expected == line.data());
    } else if (capacity > 0) {
        FUZZ_CHECK(line.data()[0] == 0);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput input(data, size);
    int batchCapacity = (int)(Short(input) % 1400);
    int pifCount = (int)(input.Byte() % (PIF_FIELD_BYTES + 1));
    int lineCapacity = (int)(Short(input) % 300);
    int longest = (int16_t)Short(input) % 300;
    bool noDirectory = input.Byte() & 1;
    std::string dir = input.Text(), program = input.Text(), arguments = input.Text(), value = input.Text();

    CheckBatch(dir, batchCapacity);
    CheckPifField(value, pifCount);
    CheckStartupFolder(dir, value);
    CheckLaunchLine(noDirectory ? nullptr : dir.c_str(), program, arguments, lineCapacity, longest);
    return 0;
}
