// The splitter's planning pass and the piece naming rule, as plain functions.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "staging/piece_name.h"
#include "staging/split_plan.h"

namespace {

struct Plan {
    SplitPlanOutcome outcome;
    int count;
    std::vector<int> table;  // the completed table, up to its first 0 entry
};

Plan PlanFor(unsigned fileSize, std::vector<int> given)
{
    int sizes[SPLIT_TABLE_ENTRIES] = {};
    for (size_t k = 0; k < given.size(); ++k)
        sizes[k] = given[k];
    Plan plan;
    plan.count = -1;
    plan.outcome = PlanSplit(fileSize, sizes, &plan.count);
    for (int k = 0; k < SPLIT_TABLE_ENTRIES && sizes[k] != 0; ++k)
        plan.table.push_back(sizes[k]);
    return plan;
}

TEST(SplitPlan, WorkedResults)
{
    struct Row {
        unsigned fileSize;
        std::vector<int> given;
        int count;
        std::vector<int> table;
    };
    const Row rows[] = {
        {250, {100}, 3, {100, 100, 54}},
        {250, {60, 100}, 3, {60, 100, 94}},
        {100, {104}, 1, {104}},
        {300, {100, 50}, 6, {100, 50, 50, 50, 50, 4}},
        // A given size is never cut: the third entry stays, unplanned.
        {500, {300, 300, 300}, 2, {300, 300, 300}},
    };
    for (const Row &row : rows) {
        Plan plan = PlanFor(row.fileSize, row.given);
        EXPECT_EQ(SPLIT_PLANNED, plan.outcome) << row.fileSize;
        EXPECT_EQ(row.count, plan.count) << row.fileSize;
        EXPECT_EQ(row.table, plan.table) << row.fileSize;
    }
    Plan none = PlanFor(100, {});
    EXPECT_EQ(SPLIT_NO_FIRST_SIZE, none.outcome);
    EXPECT_EQ(0, none.count);
    EXPECT_TRUE(none.table.empty());
}

TEST(SplitPlan, PlannedPiecesHoldTheFileAndItsCount)
{
    // Every planned piece but the last is full, and the pieces hold exactly
    // the file plus its 4-byte count.
    const unsigned fileSizes[] = {0, 1, 95, 96, 97, 1000, 4095};
    const std::vector<int> tables[] = {{4}, {5}, {100}, {7, 13}, {100, 0, 33}, {4, 90}};
    for (unsigned fileSize : fileSizes)
        for (const std::vector<int> &given : tables) {
            Plan plan = PlanFor(fileSize, given);
            if (plan.outcome != SPLIT_PLANNED)
                continue;
            long long sum = 0;
            for (int k = 0; k < plan.count; ++k)
                sum += plan.table[k];
            EXPECT_GE(sum, (long long)fileSize + 4) << fileSize;
            EXPECT_LT(sum - plan.table[plan.count - 1], (long long)fileSize + 4) << fileSize;
        }
    // 4-byte pieces after a 4-byte piece 0: 49 of them hold 196 bytes.
    EXPECT_EQ(50, PlanFor(196, {4}).count);
    EXPECT_EQ(SPLIT_NOT_COVERED, PlanFor(197, {4}).outcome);
}

TEST(SplitPlan, RefusesTablesThatWouldOverrunOrDropBytes)
{
    for (int first : {1, 2, 3})
        EXPECT_EQ(SPLIT_FIRST_SIZE_TOO_SMALL, PlanFor(100, {first, 100}).outcome) << first;
    Plan exact = PlanFor(0, {4});
    EXPECT_EQ(SPLIT_PLANNED, exact.outcome);
    EXPECT_EQ(1, exact.count);

    // Negative anywhere in the table, even past what the file needs.
    EXPECT_EQ(SPLIT_NEGATIVE_SIZE, PlanFor(100, {-5}).outcome);
    EXPECT_EQ(SPLIT_NEGATIVE_SIZE, PlanFor(100, {200, 0, 0, 0, 0, 0, 0, -1}).outcome);
    std::vector<int> given(SPLIT_TABLE_ENTRIES, 0);
    given[0] = 200;
    given[49] = -2147483647 - 1;
    EXPECT_EQ(SPLIT_NEGATIVE_SIZE, PlanFor(100, given).outcome);

    // 50 pieces of 10 bytes hold 496 bytes and the count, and no more.
    Plan fifty = PlanFor(496, {10});
    EXPECT_EQ(SPLIT_PLANNED, fifty.outcome);
    EXPECT_EQ(50, fifty.count);
    EXPECT_EQ(10, fifty.table[49]);
    EXPECT_EQ(SPLIT_NOT_COVERED, PlanFor(497, {10}).outcome);
    EXPECT_EQ(0, PlanFor(497, {10}).count);
}

TEST(SplitPlan, FilesNearTwoAndFourGigabytesDoNotWrapTheCount)
{
    const int maxSize = 2147483647;
    // 2 GB less 4: file plus count is exactly 2^31, past a signed 32-bit count.
    Plan half = PlanFor(0x7FFFFFFCu, {1 << 30});
    EXPECT_EQ(SPLIT_PLANNED, half.outcome);
    EXPECT_EQ(2, half.count);
    EXPECT_EQ(std::vector<int>({1 << 30, 1 << 30}), half.table);

    Plan nearlyFour = PlanFor(0xFFFFFFFEu, {maxSize});
    EXPECT_EQ(SPLIT_PLANNED, nearlyFour.outcome);
    EXPECT_EQ(3, nearlyFour.count);
    EXPECT_EQ(std::vector<int>({maxSize, maxSize, 4}), nearlyFour.table);

    EXPECT_EQ(SPLIT_NOT_COVERED, PlanFor(0xFFFFFFFFu, {1 << 20}).outcome);
}

TEST(PieceName, CutsAtTheLastDotOfTheWholePath)
{
    char name[260];
    EXPECT_EQ(1, FormPieceName(name, sizeof(name), "A:\\Patch.rtp", 0));
    EXPECT_STREQ("A:\\Patch.0", name);
    EXPECT_EQ(1, FormPieceName(name, sizeof(name), "C:\\MEDIA\\SET.B\\Patch.rtp", 12));
    EXPECT_STREQ("C:\\MEDIA\\SET.B\\Patch.12", name);
    EXPECT_EQ(1, FormPieceName(name, sizeof(name), "C:\\MEDIA\\SET.B\\Patch", 1));
    EXPECT_STREQ("C:\\MEDIA\\SET.1", name);
    EXPECT_EQ(1, FormPieceName(name, sizeof(name), "data.tar.gz", 49));
    EXPECT_STREQ("data.tar.49", name);
    EXPECT_EQ(1, FormPieceName(name, sizeof(name), "C:\\100%s%i\\Patch.rtp", 3));
    EXPECT_STREQ("C:\\100%s%i\\Patch.3", name);

    EXPECT_EQ(0, FormPieceName(name, sizeof(name), "C:\\MEDIA\\Patch", 0));
    EXPECT_STREQ("", name);
    EXPECT_EQ(0, FormPieceName(name, sizeof(name), "", 0));

    // The name must fit with its terminator: "ab." + "10" needs 6 characters.
    EXPECT_EQ(1, FormPieceName(name, 6, "ab.x", 10));
    EXPECT_STREQ("ab.10", name);
    EXPECT_EQ(0, FormPieceName(name, 5, "ab.x", 10));
    EXPECT_STREQ("", name);
}

TEST(PieceName, FilePathsNeverCut)
{
    char path[18];
    EXPECT_EQ(1, FormFilePath(path, sizeof(path), "C:\\PROD", "Patch.rtp"));
    EXPECT_STREQ("C:\\PROD\\Patch.rtp", path);
    EXPECT_EQ(0, FormFilePath(path, sizeof(path), "C:\\PRODUCT", "Patch.rtp"));
    EXPECT_STREQ("", path);
}

}  // namespace
