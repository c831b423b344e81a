// The packed strings of the old dialog lists: the field walk, the decimal
// reader and the whole definition parsed from one string.
// Input: byte 0 is the field buffer's capacity for the walk (0..255), byte 1
// where the text is cut in two for the decimal reader; the rest is the packed
// text (a NUL in it ends the text, as it ends a registry string).
#include "fuzz_support.h"
#include <ctype.h>

#include "migrate/dialog_definition.h"

namespace {

unsigned Power10(size_t digits)
{
    unsigned value = 1;
    while (digits--)
        value *= 10u;
    return value;
}

size_t CountDigits(const std::string &text)
{
    size_t count = 0;
    for (char c : text)
        count += c >= '0' && c <= '9';
    return count;
}

unsigned Decimal(const std::string &text)
{
    ExactBuffer copy(text, true);
    return ParseDecimalDigits(copy.data());
}

// Walks the text field by field with a field buffer of `capacity` bytes.
// Returns the fields when the buffer held each of them whole.
std::vector<std::string> WalkFields(ExactBuffer &packed, size_t length, unsigned capacity)
{
    std::vector<std::string> fields;
    unsigned position = 0;
    ExactBuffer field(capacity);
    // Each field but an empty last one moves the position on, so the walk ends.
    for (size_t step = 0; step <= length + 1; ++step) {
        unsigned before = position;
        int copied = NextPackedField(packed.data(), &position, field.data(), capacity);
        FUZZ_CHECK(position >= before && position <= length);
        FUZZ_CHECK(copied >= 0 && (capacity == 0 ? copied == 0 : (unsigned)copied < capacity));
        if (capacity > 0) {
            FUZZ_CHECK(field.data()[copied] == 0);
            FUZZ_CHECK(memchr(field.data(), ',', (size_t)copied) == nullptr);
            FUZZ_CHECK(memcmp(field.data(), packed.data() + before, (size_t)copied) == 0);
        }
        if (position == before) {
            FUZZ_CHECK(position == length && copied == 0);
            return fields;
        }
        fields.push_back(std::string(field.data(), capacity ? (size_t)copied : 0));
    }
    FUZZ_CHECK(!"the field walk did not end");
    return fields;
}

// An id is the decimal reading of its field (one of up to 255 characters,
// all a registry string of the old lists can hold).
void CheckId(unsigned id, const std::string &field)
{
    if (field.size() <= 255)
        FUZZ_CHECK(id == Decimal(field));
}

void CheckText(const char *text, const std::string &field)
{
    FUZZ_CHECK(Terminated(text, DIALOG_TEXT_BYTES));
    FUZZ_CHECK(field.compare(0, DIALOG_TEXT_BYTES - 1, text) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput input(data, size);
    unsigned capacity = input.Byte();
    size_t cut = input.Byte();
    std::string text = input.Rest();
    text = text.substr(0, text.find('\0'));
    ExactBuffer packed(text, true);

    // The fields joined by commas give the text back (a comma at its very end
    // opens no further field); a buffer too small cuts fields but not the walk.
    std::vector<std::string> fields = WalkFields(packed, text.size(), (unsigned)text.size() + 1);
    std::string joined;
    for (size_t i = 0; i < fields.size(); ++i)
        joined += (i ? "," : "") + fields[i];
    FUZZ_CHECK(joined == text || joined + "," == text);
    std::vector<std::string> cutFields = WalkFields(packed, text.size(), capacity);
    FUZZ_CHECK(cutFields.size() == fields.size());

    // The decimal reader skips other characters and wraps in 32 bits, so a
    // text cut in two reads as the first part shifted by the second's digits.
    if (cut > text.size())
        cut = text.size();
    std::string head = text.substr(0, cut), tail = text.substr(cut);
    FUZZ_CHECK(Decimal(text) == Decimal(head) * Power10(CountDigits(tail)) + Decimal(tail));
    // And its digits alone, when few enough, read as the C library reads them.
    std::string digits;
    for (char c : text)
        if (c >= '0' && c <= '9')
            digits += c;
    if (digits.size() <= 19)
        FUZZ_CHECK(Decimal(text) == (unsigned)strtoull(digits.c_str(), nullptr, 10));

    ExactBuffer definitionBytes(sizeof(DialogDefinition));
    DialogDefinition *definition = (DialogDefinition *)definitionBytes.data();
    ParseOldDialogDefinition(packed.data(), definition);
    fields.resize(17);
    FUZZ_CHECK(definition->name[0] == 0 && definition->disable == 0);
    FUZZ_CHECK(definition->fileStewardFlags <= 15u);
    CheckText(definition->ownerClass, fields[2]);
    CheckText(definition->windowClass, fields[3]);
    CheckText(definition->windowTitle, fields[4]);
    // A pair counts when its id field holds something; its class then sits in the next slot.
    int pairs = 0;
    for (int pair = 0; pair < DIALOG_TEST_PAIRS; ++pair)
        if (!fields[9 + 2 * pair].empty()) {
            CheckText(definition->testPairs[pairs].className, fields[8 + 2 * pair]);
            CheckId(definition->testPairs[pairs].id, fields[9 + 2 * pair]);
            ++pairs;
        }
    FUZZ_CHECK(definition->TestCtrlCount == pairs);
    // Ids read from the same fields the walk found.
    CheckId(definition->driveNameCtrlId, fields[5]);
    CheckId(definition->folderNameCtrlId, fields[6]);
    CheckId(definition->fileNameCtrlId, fields[7]);
    CheckId(definition->lfnEditCtrlId, fields[14]);
    CheckId(definition->lfnFileListCtrlId, fields[15]);
    CheckId(definition->lfnFolderListCtrlId, fields[16]);

    // The values its key receives: within their bound, names ended, and each
    // recognised as written (a text also with the NUL Windows 95 adds), but
    // not with its last byte changed.
    definition->disable = (int)(cut & 1);
    DialogDefinitionValue values[DIALOG_MAX_VALUES];
    int count = ListDialogDefinitionValues(definition, values);
    FUZZ_CHECK(count >= 0 && count <= DIALOG_MAX_VALUES);
    for (int i = 0; i < count; ++i) {
        const DialogDefinitionValue &value = values[i];
        FUZZ_CHECK(memchr(value.name, 0, DIALOG_VALUE_NAME_BYTES) != nullptr);
        std::vector<unsigned char> stored;
        if (value.isNumber) {
            for (int shift = 0; shift < 32; shift += 8)
                stored.push_back((unsigned char)(value.number >> shift));
        } else {
            FUZZ_CHECK(value.text[0] != 0);
            stored.assign(value.text, value.text + strlen(value.text));
        }
        const unsigned type = value.isNumber ? DIALOG_VALUE_NUMBER : DIALOG_VALUE_TEXT;
        FUZZ_CHECK(StoredValueIs(&value, type, stored.data(), (unsigned)stored.size()));
        if (!value.isNumber) {
            std::vector<unsigned char> withNul = stored;
            withNul.push_back(0);
            FUZZ_CHECK(StoredValueIs(&value, type, withNul.data(), (unsigned)withNul.size()));
        }
        stored.back() ^= 0x20;
        FUZZ_CHECK(!StoredValueIs(&value, type, stored.data(), (unsigned)stored.size()));
        FUZZ_CHECK(!StoredValueIs(&value, value.isNumber ? DIALOG_VALUE_TEXT : DIALOG_VALUE_NUMBER, stored.data(),
                                  (unsigned)stored.size()));
        // Found by its name in any case, as the registry matches names, and
        // by no longer name.
        std::string name = value.name;
        for (char &c : name)
            c = (char)(i & 1 ? tolower((unsigned char)c) : toupper((unsigned char)c));
        FUZZ_CHECK(FindDialogDefinitionValue(values, count, name.c_str()) == i);
        FUZZ_CHECK(FindDialogDefinitionValue(values, count, (name + "#").c_str()) == count);
    }
    return 0;
}
