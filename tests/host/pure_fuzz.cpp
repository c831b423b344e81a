// Random inputs through the program's pure text and number work, built for
// this Linux host with the address and undefined-behaviour sanitizers. Every
// output buffer is allocated at exactly the size the code is given, so a
// single byte written or read past it stops the run. Checks the properties
// that hold whatever the input.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "driver/classify_release.h"
#include "driver/release_text.h"
#include "driver/splitter_command.h"
#include "handoff/handoff_text.h"
#include "migrate/dialog_definition.h"
#include "migrate/dialog_text_reader.h"
#include "migrate/fixed_text.h"
#include "migrate/password_scramble.h"
#include "migrate/startup_entries.h"
#include "runtime/runtime.h"
#include "staging/crc32.h"
#include "staging/piece_name.h"
#include "staging/piece_record.h"
#include "staging/split_plan.h"

namespace {

unsigned g_state = 12345;
int g_failures = 0;

unsigned Next()
{
    g_state = g_state * 1103515245u + 12345u;
    return g_state >> 8;
}

unsigned Below(unsigned limit)
{
    return limit ? Next() % limit : 0;
}

#define CHECK(condition)                                                         \
    do {                                                                         \
        if (!(condition) && ++g_failures <= 20)                                  \
            fprintf(stderr, "%s:%d: %s does not hold\n", __FILE__, __LINE__, #condition); \
    } while (0)

// Text drawn mostly from the characters the parsers care about.
std::string RandomText(unsigned maxLength)
{
    static const char kAlphabet[] = ",=.\\x0123456789aAfFvV 95b%:\x81\xff";
    std::string text(Below(maxLength + 1), ' ');
    for (char &c : text) {
        c = Below(4) ? kAlphabet[Below(sizeof(kAlphabet) - 1)] : (char)(1 + Below(255));
        if (c == 0)
            c = 'z';
    }
    return text;
}

// A heap copy of exactly the text and its NUL.
std::vector<char> Exact(const std::string &text)
{
    return std::vector<char>(text.c_str(), text.c_str() + text.size() + 1);
}

bool Terminated(const char *buffer, size_t capacity)
{
    return memchr(buffer, 0, capacity) != nullptr;
}

void FuzzSplitterCommand()
{
    std::vector<char> text = Exact(RandomText(300));
    std::vector<char> fileName(260);
    std::vector<int> sizes(SPLIT_SIZE_COUNT);
    if (ParseSplitterCommand(text.data(), fileName.data(), (int)fileName.size(), sizes.data()))
        CHECK(Terminated(fileName.data(), fileName.size()));
}

void FuzzRelease()
{
    std::string text = RandomText(8);
    int expected = strstr("1.0", text.c_str()) || strstr("1.0.0", text.c_str()) ? 1
                   : strstr("95.0.a", text.c_str()) || strstr("95.0.A", text.c_str()) ? 2
                   : strstr("95.0.b", text.c_str()) || strstr("95.0.B", text.c_str()) ? 3
                                                                                      : 0;
    CHECK(ClassifyRelease(text.c_str()) == expected);

    std::vector<char> version = Exact(RandomText(300));
    size_t capacity = 1 + Below(300);
    std::vector<char> release(capacity);
    if (ExtractReleaseText(version.data(), release.data(), capacity))
        CHECK(Terminated(release.data(), capacity));
    std::vector<char> path(capacity);
    if (FormComponentPath(version.data(), path.data(), capacity))
        CHECK(Terminated(path.data(), capacity));
}

void FuzzHandoff()
{
    std::string dir = RandomText(300);
    int capacity = 1 + (int)Below(1300);
    std::vector<char> batch(capacity);
    int length = BuildHandoffBatchText(dir.c_str(), batch.data(), capacity);
    CHECK(length == 0 || (length == 73 + 4 * (int)dir.size() && length < capacity));

    int count = 1 + (int)Below(PIF_FIELD_BYTES);
    std::vector<char> field(count);
    FillPifField(field.data(), count, RandomText(80).c_str());

    std::vector<char> line(1 + Below(300));
    std::string program = RandomText(20), arguments = RandomText(40);
    int longest = (int)Below(300);
    if (BuildLaunchCommandLine(line.data(), (int)line.size(), longest, Below(2) ? dir.c_str() : nullptr,
                               program.c_str(), arguments.c_str()))
        CHECK(Terminated(line.data(), line.size()) && strlen(line.data()) <= (size_t)longest + 2);
}

void FuzzPieces()
{
    std::string path = RandomText(300);
    std::vector<char> name(1 + Below(300));
    if (FormPieceName(name.data(), (int)name.size(), path.c_str(), (int)Below(60)))
        CHECK(Terminated(name.data(), name.size()));
    if (FormFilePath(name.data(), (int)name.size(), path.c_str(), RandomText(20).c_str()))
        CHECK(Terminated(name.data(), name.size()));

    std::vector<int> sizes(SPLIT_TABLE_ENTRIES);
    for (unsigned k = Below(6); k > 0; --k)
        sizes[Below(SPLIT_TABLE_ENTRIES)] = Below(8) ? (int)Below(5000) : (int)Next() * (Below(2) ? 1 : -1);
    unsigned fileSize = Below(4) ? Below(200000) : Next() * 256u;
    int count = -1;
    if (PlanSplit(fileSize, sizes.data(), &count) == SPLIT_PLANNED) {
        unsigned long long covered = 0;
        CHECK(count >= 1 && count <= SPLIT_TABLE_ENTRIES);
        for (int i = 0; i < count; ++i) {
            CHECK(sizes[i] > 0 || (i > 0 && sizes[i] == 0));
            covered += PieceDataBytes(sizes[i], i);
        }
        CHECK(covered >= fileSize);
    }
}

// The media's record: values of random text, and of random numbers written
// as the media builder writes them, in buffers of exactly their size with or
// without a NUL; and the CRC of random bytes, whole or in two parts.
void FuzzPieceRecord()
{
    static const char kHexCase[][12] = {"%u,%08X", "%u,%08x"};
    std::string text = Below(2) ? RandomText(40) : std::to_string(Below(80));
    if (Below(2)) {
        unsigned size = Below(3) ? Below(2000000) : Next() << 8;
        unsigned crc = Next() << 8 ^ Next();
        char formatted[40];
        snprintf(formatted, sizeof(formatted), kHexCase[Below(2)], size, crc);
        text = formatted;
    }
    std::vector<char> value(text.begin(), text.end());
    if (Below(2))
        value.push_back(0);
    unsigned pieces = 0;
    PieceEntry entry = {0, 0};
    unsigned index = Below(4);
    if (ParsePieceCount(value.data(), (unsigned)value.size(), &pieces))
        CHECK(pieces >= 1 && pieces <= PIECE_RECORD_MAX_PIECES && text.size() >= 1 && text[0] >= '0' && text[0] <= '9');
    if (ParsePieceEntry(value.data(), (unsigned)value.size(), index, &entry)) {
        unsigned long long spelled = strtoull(text.c_str(), nullptr, 10);
        CHECK(spelled == entry.size && strtoul(text.c_str() + text.find(',') + 1, nullptr, 16) == entry.crc);
        CHECK(index != 0 || entry.size >= SPLIT_HEADER_BYTES);
        CHECK(entry.size != 0 || entry.crc == 0);
    }

    std::vector<unsigned char> bytes(Below(300));
    for (unsigned char &b : bytes)
        b = (unsigned char)Next();
    unsigned cut = Below((unsigned)bytes.size() + 1);
    unsigned whole = ComputeCrc32(0, bytes.data(), (unsigned)bytes.size());
    CHECK(ComputeCrc32(ComputeCrc32(0, bytes.data(), cut), bytes.data() + cut, (unsigned)bytes.size() - cut) == whole);
    if (!bytes.empty()) {
        bytes[Below((unsigned)bytes.size())] ^= (unsigned char)(1 + Below(255));
        CHECK(ComputeCrc32(0, bytes.data(), (unsigned)bytes.size()) != whole);  // a CRC sees every change of one byte
    }
}

void FuzzDialogText()
{
    std::string bytes = RandomText(400);
    for (char &c : bytes)
        if (!Below(6))
            c = 0;
    std::vector<char> exact(bytes.begin(), bytes.end());  // no NUL of its own at the end
    DialogText text;
    OpenDialogText(&text, exact.data(), (unsigned)exact.size(), StepDialogTextByte);
    int steps = 0;
    while (ReadDialogSectionName(&text) && ++steps < 1000) {
        DialogTextEntry entry;
        DialogEntryResult result;
        while ((result = ReadDialogEntry(&text, &entry)) != DIALOG_SECTION_END && ++steps < 1000)
            if (result == DIALOG_ENTRY)
                CHECK(Terminated(entry.name, sizeof(entry.name)));
    }
    CHECK(steps < 1000);

    std::vector<char> packed = Exact(RandomText(700));
    DialogDefinition definition;
    ParseOldDialogDefinition(packed.data(), &definition);
    CHECK(Terminated(definition.ownerClass, DIALOG_TEXT_BYTES));
    CHECK(Terminated(definition.windowClass, DIALOG_TEXT_BYTES));
    CHECK(Terminated(definition.windowTitle, DIALOG_TEXT_BYTES));
    CHECK(definition.TestCtrlCount >= 0 && definition.TestCtrlCount <= DIALOG_TEST_PAIRS);
    for (int i = 0; i < definition.TestCtrlCount; ++i)
        CHECK(Terminated(definition.testPairs[i].className, DIALOG_TEXT_BYTES));
}

void FuzzMigrationText()
{
    std::string name = RandomText(30);
    int component = MatchStartupEntry(name.c_str());
    CHECK(component >= 0 && component <= 7);
    std::vector<char> command(1 + Below(300));
    if (BuildLoaderCommand(command.data(), (unsigned)command.size(), RandomText(300).c_str()))
        CHECK(Terminated(command.data(), command.size()));

    std::vector<unsigned char> data(FIXED_TEXT_BYTES);
    unsigned length = Below(FIXED_TEXT_BYTES + 1);
    for (unsigned i = 0; i < length; ++i)
        data[i] = (unsigned char)Next();
    if (PadFixedText(data.data(), length, FIXED_TEXT_BYTES))
        CHECK(Terminated((const char *)data.data(), FIXED_TEXT_BYTES));

    std::vector<unsigned char> password(Below(41));
    for (unsigned char &c : password)
        c = (unsigned char)Next();
    std::vector<unsigned char> scrambled = password;
    ScramblePassword(scrambled.data(), (int)scrambled.size());
    UnscramblePassword(scrambled.data(), (int)scrambled.size());
    CHECK(scrambled == password);
}

void FuzzRuntime()
{
    std::string path = RandomText(600);
    std::vector<char> drive(RT_MAX_DRIVE), dir(RT_MAX_DIR), name(RT_MAX_FNAME), ext(RT_MAX_EXT);
    RtSplitPath(path.c_str(), drive.data(), dir.data(), name.data(), ext.data());
    CHECK(Terminated(dir.data(), dir.size()) && Terminated(name.data(), name.size()));
    int value = 0;
    RtScanLong(path.c_str(), &value);
    std::vector<char> copy(1 + Below(100));
    RtCopyText(copy.data(), copy.size(), path.c_str());
    RtAppendText(copy.data(), copy.size(), path.c_str());
    CHECK(Terminated(copy.data(), copy.size()));
}

}  // namespace

int main(int argc, char **argv)
{
    long rounds = argc > 1 ? atol(argv[1]) : 20000;
    for (long i = 0; i < rounds; ++i) {
        FuzzSplitterCommand();
        FuzzRelease();
        FuzzHandoff();
        FuzzPieces();
        FuzzPieceRecord();
        FuzzDialogText();
        FuzzMigrationText();
        FuzzRuntime();
    }
    printf("%ld rounds of random inputs through the pure routines: %d failures\n", rounds, g_failures);
    return g_failures ? 1 : 0;
}
