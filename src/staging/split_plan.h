// The splitter's planning pass (pure number work, no Win32): completes the
// size table of a split and counts its pieces, or says why it must not run.
#ifndef ZARIZED_SPLIT_PLAN_H
#define ZARIZED_SPLIT_PLAN_H

enum {
    SPLIT_TABLE_ENTRIES = 50,  // the size table, and so the most pieces a split makes
    SPLIT_HEADER_BYTES = 4     // the piece count at the start of piece 0
};

enum SplitPlanOutcome {
    SPLIT_PLANNED,              // the table now covers the file
    SPLIT_NO_FIRST_SIZE,        // entry 0 is 0: nothing to repeat, nothing to write
    SPLIT_NEGATIVE_SIZE,        // some entry is below 0
    SPLIT_FIRST_SIZE_TOO_SMALL, // entry 0 cannot even hold the piece count
    SPLIT_NOT_COVERED           // 50 pieces of these sizes cannot hold the file
};

// Plans the pieces of a file of fileSize bytes. Entry k of sizes is the size
// of piece file k, piece 0's count included; a 0 entry repeats the last size
// given, and the last repeated piece is cut to what is left. A given size is
// never cut. On SPLIT_PLANNED the table is completed in place and *pieceCount
// is the count for piece 0's header. The refusals leave the table as given;
// SPLIT_NOT_COVERED may leave it partly completed (nothing is written then).
SplitPlanOutcome PlanSplit(unsigned int fileSize, int *sizes, int *pieceCount);

// The bytes of the file that piece `index` of size `entry` holds: all of it,
// less the piece count for piece 0 (entry >= 0; entry 0 at least 4 bytes).
unsigned int PieceDataBytes(int entry, int index);

#endif
