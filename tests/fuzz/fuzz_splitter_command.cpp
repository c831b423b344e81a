// The splitter mode's command text: tokenised in place at commas, the first
// token the file name (cut to its buffer), the next 50 scanned as sizes; and
// the same text read as a patch run's switches.
// Input: byte 0 is the file name buffer's capacity (0..255); the rest is the
// text after "/b" (a NUL in it ends the text, as it would on a command line).
#include "fuzz_support.h"

#include <errno.h>

#include "common/run_switches.h"
#include "driver/splitter_command.h"

namespace {

const int kUntouched = 0x5A5A5A5A;

// The fields between commas, empty ones dropped.
std::vector<std::string> Tokens(const std::string &text)
{
    std::vector<std::string> tokens;
    size_t start = 0;
    while (start <= text.size()) {
        size_t comma = text.find(',', start);
        if (comma == std::string::npos)
            comma = text.size();
        if (comma > start)
            tokens.push_back(text.substr(start, comma - start));
        start = comma + 1;
    }
    return tokens;
}

// Checks a size entry against the C library's reading of its token, where
// that reading is plain: a decimal number that fits 32 bits, or no number.
void CheckSize(const std::string &token, int entry)
{
    const char *p = token.c_str();
    while (*p == ' ' || (*p >= '\t' && *p <= '\r'))
        ++p;
    const char *digits = *p == '+' || *p == '-' ? p + 1 : p;
    if (*digits < '0' || *digits > '9') {
        FUZZ_CHECK(entry == kUntouched);  // no number: the entry keeps what it held
        return;
    }
    errno = 0;
    long long value = strtoll(p, nullptr, 10);
    if (errno == 0 && value >= -2147483647LL - 1 && value <= 2147483647LL)
        FUZZ_CHECK(entry == (int)value);
}

// The switches, read by the rule written plainly: words between blanks (a
// quoted part holding blanks), "/s" or "/S" alone, and "/l" or "/L" with a
// path whose quotes go; the last such path counts, and one too long names none.
void CheckRunSwitches(const std::string &text)
{
    RunSwitches switches;
    memset(&switches, 0x5A, sizeof(switches));
    ParseRunSwitches(text.c_str(), &switches);
    bool silent = false;
    std::string log;
    for (size_t at = 0; at < text.size();) {
        if (text[at] == ' ' || text[at] == '\t') {
            ++at;
            continue;
        }
        std::string word;
        for (bool quoted = false; at < text.size() && (quoted || (text[at] != ' ' && text[at] != '\t')); ++at) {
            quoted ^= text[at] == '"';
            word += text[at];
        }
        if (word == "/s" || word == "/S")
            silent = true;
        else if (word.size() > 2 && (word.compare(0, 2, "/l") == 0 || word.compare(0, 2, "/L") == 0)) {
            log.clear();
            for (char c : word.substr(2))
                if (c != '"')
                    log += c;
            if (log.size() >= PATH_CHARS)
                log.clear();
        }
    }
    FUZZ_CHECK(switches.silent == (silent ? 1 : 0));
    FUZZ_CHECK(Terminated(switches.logPath, PATH_CHARS) && log == switches.logPath);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput input(data, size);
    int fileChars = (int)input.Byte();
    std::string text = input.Rest();
    text = text.substr(0, text.find('\0'));

    ExactBuffer arguments(text, true);
    ExactBuffer fileName((size_t)fileChars);
    ExactBuffer sizeBytes(SPLIT_SIZE_COUNT * sizeof(int));
    int *sizes = (int *)sizeBytes.data();
    for (int i = 0; i < SPLIT_SIZE_COUNT; ++i)
        sizes[i] = kUntouched;

    CheckRunSwitches(text);
    int found = ParseSplitterCommand(arguments.data(), fileName.data(), fileChars, sizes);

    std::vector<std::string> tokens = Tokens(text);
    FUZZ_CHECK(found == (tokens.empty() ? 0 : 1));

    // Tokenising in place only ends tokens: every byte is as it was, or was a comma and is now a NUL.
    for (size_t i = 0; i < text.size(); ++i)
        FUZZ_CHECK(arguments.data()[i] == text[i] || (text[i] == ',' && arguments.data()[i] == 0));
    FUZZ_CHECK(arguments.data()[text.size()] == 0);

    if (found && fileChars > 0) {
        FUZZ_CHECK(Terminated(fileName.data(), (size_t)fileChars));
        FUZZ_CHECK(tokens[0].compare(0, (size_t)fileChars - 1, fileName.data()) == 0);
    }

    size_t scanned = tokens.empty() ? 0 : tokens.size() - 1;
    if (scanned > SPLIT_SIZE_COUNT)
        scanned = SPLIT_SIZE_COUNT;
    for (size_t i = 0; i < SPLIT_SIZE_COUNT; ++i) {
        if (i < scanned)
            CheckSize(tokens[i + 1], sizes[i]);
        else
            FUZZ_CHECK(sizes[i] == kUntouched);
    }
    return 0;
}
