// The splitter's planning pass over any file size and size table.
// Input: bytes 0..3 are the file size (little-endian); each further group of
// 4 bytes is the next entry of the 50-entry size table (little-endian, signed;
// entries not given are 0, as the command line leaves them).
#include "fuzz_support.h"

#include "staging/split_plan.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput input(data, size);
    unsigned fileSize = input.Word();
    int given[SPLIT_TABLE_ENTRIES] = {};
    for (int k = 0; k < SPLIT_TABLE_ENTRIES && input.Left() > 0; ++k)
        given[k] = (int)input.Word();

    ExactBuffer tableBytes(sizeof(given)), countBytes(sizeof(int));
    int *sizes = (int *)tableBytes.data();
    int *count = (int *)countBytes.data();
    memcpy(sizes, given, sizeof(given));
    *count = -1;

    SplitPlanOutcome outcome = PlanSplit(fileSize, sizes, count);

    bool negative = false;
    for (int k = 0; k < SPLIT_TABLE_ENTRIES; ++k)
        negative = negative || given[k] < 0;
    // A given size is never changed, whatever the outcome.
    for (int k = 0; k < SPLIT_TABLE_ENTRIES; ++k)
        if (given[k] != 0)
            FUZZ_CHECK(sizes[k] == given[k]);
    long long needed = (long long)fileSize + SPLIT_HEADER_BYTES;

    switch (outcome) {
    case SPLIT_NEGATIVE_SIZE:
    case SPLIT_NO_FIRST_SIZE:
    case SPLIT_FIRST_SIZE_TOO_SMALL:
        FUZZ_CHECK(*count == 0 && memcmp(sizes, given, sizeof(given)) == 0);
        FUZZ_CHECK(outcome == SPLIT_NEGATIVE_SIZE ? negative
                   : outcome == SPLIT_NO_FIRST_SIZE ? !negative && given[0] == 0
                                                      : !negative && given[0] > 0 && given[0] < SPLIT_HEADER_BYTES);
        break;
    case SPLIT_NOT_COVERED: {
        FUZZ_CHECK(*count == 0 && !negative && given[0] >= SPLIT_HEADER_BYTES);
        // Fifty pieces, each a given size or the last one given before it, fall short.
        long long most = 0;
        int last = given[0];
        for (int k = 0; k < SPLIT_TABLE_ENTRIES; ++k) {
            last = given[k] != 0 ? given[k] : last;
            most += last;
        }
        FUZZ_CHECK(most < needed);
        break;
    }
    case SPLIT_PLANNED: {
        FUZZ_CHECK(!negative && given[0] >= SPLIT_HEADER_BYTES);
        FUZZ_CHECK(*count >= 1 && *count <= SPLIT_TABLE_ENTRIES);
        long long held = 0, data = 0;
        int last = given[0];
        for (int k = 0; k < *count; ++k) {
            FUZZ_CHECK(held < needed);  // every planned piece is needed
            // A repeated piece is never larger than the size it repeats.
            if (given[k] != 0)
                last = given[k];
            else
                FUZZ_CHECK(sizes[k] > 0 && sizes[k] <= last);
            // Only the last piece may be a cut repetition.
            if (given[k] == 0 && k + 1 < *count)
                FUZZ_CHECK(sizes[k] == last);
            held += sizes[k];
            data += PieceDataBytes(sizes[k], k);
        }
        FUZZ_CHECK(held >= needed && data == held - SPLIT_HEADER_BYTES);
        // A cut repetition holds exactly the rest.
        if (given[*count - 1] == 0)
            FUZZ_CHECK(held == needed);
        // Entries past the plan stay as given.
        for (int k = *count; k < SPLIT_TABLE_ENTRIES; ++k)
            FUZZ_CHECK(sizes[k] == given[k]);
        break;
    }
    default:
        FUZZ_CHECK(!"an outcome outside the list");
    }
    return 0;
}
