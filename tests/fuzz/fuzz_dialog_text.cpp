// The reader of the built-in dialog-definition text, over a buffer of exactly
// the text's size with no terminator of its own.
// Input: byte 0 picks the character step (0: the program's single-byte step;
// 1: a double-byte step, lead bytes 0x81..0xFE taking two; 2: an unruly step
// of 0 to 4 bytes chosen by the character); the rest is the text.
#include "fuzz_support.h"

#include "migrate/dialog_text_reader.h"

namespace {

const char *g_begin;
const char *g_end;

// The reader promises a step only on a non-NUL byte with another byte after it.
void CheckStepCall(const char *character)
{
    FUZZ_CHECK(character >= g_begin && character + 1 < g_end && *character != 0);
}

const char *ByteStep(const char *character)
{
    CheckStepCall(character);
    return StepDialogTextByte(character);
}

const char *DoubleByteStep(const char *character)
{
    CheckStepCall(character);
    unsigned char c = (unsigned char)*character;
    return character + (c >= 0x81 && c <= 0xFE ? 2 : 1);
}

const char *UnrulyStep(const char *character)
{
    CheckStepCall(character);
    return character + (unsigned char)*character % 5;
}

bool IsHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// One line just read: it ran from `line` to the NUL before text->next.
void CheckLine(const DialogText &text, const char *line, DialogEntryResult result, const DialogTextEntry &entry,
               bool byteStep)
{
    FUZZ_CHECK(text.next > line && text.next <= g_end && text.next[-1] == 0);
    size_t lineBytes = (size_t)(text.next - 1 - line);
    FUZZ_CHECK(lineBytes > 0 && memchr(line, 0, lineBytes) == nullptr);
    const char *equals = (const char *)memchr(line, '=', lineBytes);
    if (result == DIALOG_ENTRY_SKIPPED) {
        if (byteStep)
            FUZZ_CHECK(!equals || equals - line >= DIALOG_KEY_NAME_BYTES);
        return;
    }
    size_t nameBytes = strnlen(entry.name, DIALOG_KEY_NAME_BYTES);
    FUZZ_CHECK(nameBytes < DIALOG_KEY_NAME_BYTES);
    FUZZ_CHECK(memcmp(entry.name, line, nameBytes) == 0 && line[nameBytes] == '=');
    FUZZ_CHECK(entry.value == line + nameBytes + 1);
    FUZZ_CHECK(entry.value + entry.valueBytes == text.next - 1);
    if (byteStep)
        FUZZ_CHECK(equals == line + nameBytes);
    bool prefix = entry.valueBytes >= 2 && entry.value[0] == '0' && (entry.value[1] == 'x' || entry.value[1] == 'X');
    FUZZ_CHECK(entry.isNumber == (prefix ? 1 : 0));
    if (!entry.isNumber) {
        FUZZ_CHECK(entry.number == 0);
        return;
    }
    // Plain hex digits read as the C library reads them, to the low 32 bits.
    size_t digits = entry.valueBytes - 2;
    bool plain = digits <= 16;
    for (size_t i = 0; plain && i < digits; ++i)
        plain = IsHexDigit(entry.value[2 + i]);
    if (plain && byteStep)
        FUZZ_CHECK(entry.number == (unsigned)strtoull(std::string(entry.value + 2, digits).c_str(), nullptr, 16));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput input(data, size);
    unsigned stepChoice = input.Byte() % 3;
    DialogTextStep step = stepChoice == 0 ? ByteStep : stepChoice == 1 ? DoubleByteStep : UnrulyStep;
    ExactBuffer bytes(input.Rest(), false);
    g_begin = bytes.data();
    g_end = bytes.data() + bytes.size();

    ExactBuffer textBytes(sizeof(DialogText)), entryBytes(sizeof(DialogTextEntry));
    DialogText &text = *(DialogText *)textBytes.data();
    DialogTextEntry &entry = *(DialogTextEntry *)entryBytes.data();
    OpenDialogText(&text, bytes.data(), (unsigned)bytes.size(), step);

    // Every name or line taken moves past its NUL, so the reads are bounded by the size.
    size_t reads = 0;
    while (const char *name = ReadDialogSectionName(&text)) {
        FUZZ_CHECK(++reads <= bytes.size());
        FUZZ_CHECK(name >= g_begin && *name != 0);
        FUZZ_CHECK(text.next > name && text.next <= g_end && text.next[-1] == 0);
        FUZZ_CHECK(memchr(name, 0, (size_t)(text.next - name)) == text.next - 1);
        for (;;) {
            const char *line = text.next;
            DialogEntryResult result = ReadDialogEntry(&text, &entry);
            FUZZ_CHECK(text.next >= line && text.next <= g_end);
            if (result == DIALOG_SECTION_END)
                break;
            FUZZ_CHECK(result == DIALOG_ENTRY || result == DIALOG_ENTRY_SKIPPED);
            FUZZ_CHECK(++reads <= bytes.size());
            CheckLine(text, line, result, entry, stepChoice == 0);
        }
    }
    // The end of the run stays the end.
    FUZZ_CHECK(ReadDialogSectionName(&text) == nullptr);
    FUZZ_CHECK(ReadDialogEntry(&text, &entry) == DIALOG_SECTION_END);
    return 0;
}
