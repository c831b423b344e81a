// PlanSplit: the planning pass of the splitter.
#include "split_plan.h"

static SplitPlanOutcome CheckSizes(const int *sizes)
{
    int k;
    for (k = 0; k < SPLIT_TABLE_ENTRIES; ++k)
        if (sizes[k] < 0)
            return SPLIT_NEGATIVE_SIZE;
    if (sizes[0] == 0)
        return SPLIT_NO_FIRST_SIZE;
    if (sizes[0] < SPLIT_HEADER_BYTES)
        return SPLIT_FIRST_SIZE_TOO_SMALL;
    return SPLIT_PLANNED;
}

SplitPlanOutcome PlanSplit(unsigned int fileSize, int *sizes, int *pieceCount)
{
    // What the pieces still have to hold. It starts at the file plus its
    // header and is kept in 64 bits: a file near 2 GB or 4 GB would turn a
    // 32-bit count negative before the first piece.
    long long remaining = (long long)fileSize + SPLIT_HEADER_BYTES;
    int lastGiven = 0;
    int count = 0;
    int k;
    SplitPlanOutcome outcome = CheckSizes(sizes);
    *pieceCount = 0;
    if (outcome != SPLIT_PLANNED)
        return outcome;
    for (k = 0; k < SPLIT_TABLE_ENTRIES && remaining > 0; ++k) {
        if (sizes[k] != 0) {
            remaining -= sizes[k];
            lastGiven = k;
        } else {
            int size = sizes[lastGiven];
            remaining -= size;
            // The last repeated piece takes exactly what was left.
            sizes[k] = remaining > 0 ? size : (int)(size + remaining);
        }
        ++count;
    }
    if (remaining > 0)
        return SPLIT_NOT_COVERED;
    *pieceCount = count;
    return SPLIT_PLANNED;
}

unsigned int PieceDataBytes(int entry, int index)
{
    return (unsigned int)entry - (index == 0 ? (unsigned int)SPLIT_HEADER_BYTES : 0u);
}
