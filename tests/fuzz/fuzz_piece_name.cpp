// The names of the staged files and of the pieces of a spanned file, into a
// buffer of exactly the capacity given, and a program's path in the form
// Windows 95 reports.
// Input: bytes 0..1 are the capacity less one (little-endian, modulo 300),
// bytes 2..5 the piece index (little-endian, signed); the rest is two texts,
// each ended by a NUL: the path (or folder) and the file's name.
#include "fuzz_support.h"

#include <ctype.h>

#include <string>

#include "staging/piece_name.h"

namespace {

// A piece's name is the path up to its last "." (a folder's included), "."
// and the index in decimal; with no "." or no room, nothing.
void CheckPieceName(const std::string &path, int capacity, int index)
{
    ExactBuffer out((size_t)capacity, 0x5A);
    int formed = FormPieceName(out.data(), capacity, path.c_str(), index);
    size_t lastDot = path.rfind('.');
    std::string expected =
        lastDot == std::string::npos ? std::string() : path.substr(0, lastDot) + "." + std::to_string(index);
    FUZZ_CHECK(formed == (!expected.empty() && expected.size() < (size_t)capacity ? 1 : 0));
    if (formed)
        FUZZ_CHECK(Terminated(out.data(), (size_t)capacity) && expected == out.data());
    else
        FUZZ_CHECK(out.data()[0] == 0);
}

// A file's path is folder "\" name, whole, or nothing.
void CheckFilePath(const std::string &dir, const std::string &name, int capacity)
{
    ExactBuffer out((size_t)capacity, 0x5A);
    int formed = FormFilePath(out.data(), capacity, dir.c_str(), name.c_str());
    std::string expected = dir + "\\" + name;
    FUZZ_CHECK(formed == (expected.size() < (size_t)capacity ? 1 : 0));
    if (formed)
        FUZZ_CHECK(Terminated(out.data(), (size_t)capacity) && expected == out.data());
    else
        FUZZ_CHECK(out.data()[0] == 0);
}

// "UNC\..." (after "\\?\" or not) becomes "\\...", and "\\?\" goes before
// anything else; every other path stays; the text never grows.
void CheckNetworkForm(const std::string &path)
{
    ExactBuffer out(path, true);
    NetworkFormOfModulePath(out.data());
    std::string rest = path.compare(0, 4, "\\\\?\\") == 0 ? path.substr(4) : path;
    std::string head = rest.substr(0, 4);
    for (char &c : head)
        c = (char)toupper((unsigned char)c);
    std::string expected = head == "UNC\\" ? "\\\\" + rest.substr(4) : rest;
    FUZZ_CHECK(expected == out.data());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput input(data, size);
    unsigned low = input.Byte();
    int capacity = 1 + (int)((low | input.Byte() << 8) % 300);
    int index = (int)input.Word();
    std::string path = input.Text(), name = input.Text();

    CheckPieceName(path, capacity, index);
    CheckFilePath(path, name, capacity);
    CheckNetworkForm(path);
    return 0;
}
