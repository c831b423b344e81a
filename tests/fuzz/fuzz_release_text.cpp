// The release check's text work: the release a "ProductVersion" names, its
// class, and the component path formed from the product folder.
// Input: bytes 0..1 are the release buffer's capacity, bytes 2..3 the path
// buffer's (little-endian, each taken modulo 512); the rest is the text, read
// both as the version string and as the folder (a NUL in it ends it).
#include "fuzz_support.h"

#include "driver/classify_release.h"
#include "driver/release_text.h"

namespace {

const char *const kLiterals[][2] = {{"1.0", "1.0.0"}, {"95.0.a", "95.0.A"}, {"95.0.b", "95.0.B"}};

bool InsideLiteralOf(int release, const std::string &text)
{
    return strstr(kLiterals[release - 1][0], text.c_str()) || strstr(kLiterals[release - 1][1], text.c_str());
}

// A text held by some release literal has a class: the first, in the order
// 1.0, 95.0.a, 95.0.b, whose literals hold it.
void CheckClass(const std::string &text)
{
    ExactBuffer copy(text, true);
    int release = ClassifyRelease(copy.data());
    FUZZ_CHECK(release >= RELEASE_NONE && release <= RELEASE_95_0_B);
    if (release != RELEASE_NONE)
        FUZZ_CHECK(InsideLiteralOf(release, text));
    for (int earlier = RELEASE_1_0; earlier <= RELEASE_95_0_B && earlier != release; ++earlier)
        FUZZ_CHECK(!InsideLiteralOf(earlier, text));
}

size_t Capacity(FuzzInput &input)
{
    size_t low = input.Byte();
    return (low | (size_t)input.Byte() << 8) % 512;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput input(data, size);
    size_t releaseCapacity = Capacity(input);
    size_t pathCapacity = Capacity(input);
    std::string text = input.Rest();
    text = text.substr(0, text.find('\0'));
    ExactBuffer version(text, true);

    CheckClass(text);

    // The release is the whole text, or for a "v" text what follows its first
    // blank; it is taken whole or not at all.
    ExactBuffer release(releaseCapacity, 0x5A);
    int found = ExtractReleaseText(version.data(), release.data(), releaseCapacity);
    std::string named = text;
    bool prefixed = !text.empty() && (text[0] == 'v' || text[0] == 'V');
    if (prefixed)
        named = text.find(' ') == std::string::npos ? std::string() : text.substr(text.find(' ') + 1);
    FUZZ_CHECK(found == (!named.empty() && named.size() < releaseCapacity ? 1 : 0));
    if (found) {
        FUZZ_CHECK(Terminated(release.data(), releaseCapacity) && named == release.data());
        CheckClass(release.data());
    } else {
        for (size_t i = 0; i < releaseCapacity; ++i)
            FUZZ_CHECK(release.data()[i] == 0x5A);
    }

    // The path is the folder as given and "\ZELFSV4.DLL", whole, or nothing.
    ExactBuffer path(pathCapacity, 0x5A);
    int formed = FormComponentPath(version.data(), path.data(), pathCapacity);
    std::string whole = text + "\\ZELFSV4.DLL";
    FUZZ_CHECK(formed == (!text.empty() && whole.size() < pathCapacity ? 1 : 0));
    if (formed)
        FUZZ_CHECK(Terminated(path.data(), pathCapacity) && whole == path.data());
    else if (pathCapacity > 0)
        FUZZ_CHECK(path.data()[0] == 0);
    return 0;
}
