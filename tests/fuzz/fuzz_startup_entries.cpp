// The start-up entries' text work: the component a Run entry's name belongs
// to, and the loader's command line in a buffer of exactly its capacity.
// Input: bytes 0..1 are the command buffer's capacity (little-endian, modulo
// 400); the rest is two texts, each ended by a NUL: the entry's name and the
// product folder.
#include "fuzz_support.h"

#include "migrate/startup_entries.h"

namespace {

// The first component, in test order, whose name holds the entry's name.
void CheckMatch(const std::string &name)
{
    int component = MatchStartupEntry(name.c_str());
    FUZZ_CHECK(component >= 0 && component <= COMPONENT_ENTRY_COUNT);
    int expected = 0;
    for (int i = COMPONENT_ENTRY_COUNT - 1; i >= 0; --i)
        if (strstr(kComponentEntryNames[i], name.c_str()))
            expected = i + 1;
    FUZZ_CHECK(component == expected);
}

// The folder as given and "\kploader.exe", zero-filled to the capacity; or
// all zeros when that does not fit.
void CheckLoaderCommand(const std::string &productDir, unsigned capacity)
{
    ExactBuffer command(capacity, 0x5A);
    int built = BuildLoaderCommand(command.data(), capacity, productDir.c_str());
    std::string expected = productDir + "\\kploader.exe";
    FUZZ_CHECK(built == (expected.size() < capacity ? 1 : 0));
    if (built)
        FUZZ_CHECK(Terminated(command.data(), capacity) && expected == command.data());
    for (size_t i = built ? expected.size() : 0; i < capacity; ++i)
        FUZZ_CHECK(command.data()[i] == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput input(data, size);
    unsigned low = input.Byte();
    unsigned capacity = (low | input.Byte() << 8) % 400;
    std::string name = input.Text(), productDir = input.Text();

    CheckMatch(name);
    CheckLoaderCommand(productDir, capacity);
    return 0;
}
