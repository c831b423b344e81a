// The record of the pieces that the media builder writes into patch.ini on
// disk 1, section "PIECES" (pure text and number work, no Win32):
//   Count=3
//   0=1455616,1C2B3A49
//   1=1457664,0A0B0C0D
//   2=612345,DEADBEEF
// "Count" is the number of pieces; key i holds piece file i's size in
// decimal (piece 0's 4-byte count included), a comma, and the CRC-32 of the
// piece file's bytes in 8 hexadecimal digits of either case.
#ifndef ZARIZED_PIECE_RECORD_H
#define ZARIZED_PIECE_RECORD_H

#include "split_plan.h"

enum {
    PIECE_RECORD_MAX_PIECES = SPLIT_TABLE_ENTRIES,  // the most pieces a split makes
    PIECE_CRC_DIGITS = 8
};

struct PieceEntry {
    unsigned int size;
    unsigned int crc;
};

// The whole record: the entries of the pieces the count names.
struct PieceRecord {
    unsigned int pieces;
    PieceEntry entries[PIECE_RECORD_MAX_PIECES];
};

// Each parser reads one value as the profile reader returns it: the text up
// to its NUL or to capacity bytes, whichever comes first, never beyond.
// It returns 1 when the text is exactly the form, 0 otherwise.

// "Count": decimal digits only, 0 to 50. *pieces is the number of pieces it
// names: 0 and 1 both name piece 0 alone.
int ParsePieceCount(const char *text, unsigned int capacity, unsigned int *pieces);

// Key `index`: decimal digits, ",", exactly 8 hexadecimal digits. The size
// must be one a piece file can have (below 4 GB; for piece 0 at least its
// count's 4 bytes), and a size of 0 has the CRC 0.
int ParsePieceEntry(const char *text, unsigned int capacity, unsigned int index, PieceEntry *entry);

// The bytes of data the record's pieces join into: their sizes less piece
// 0's 4-byte count.
unsigned long long RecordedDataBytes(const PieceRecord *record);

// The number of pieces a count in piece 0 names (0 and 1 both mean one).
unsigned int PiecesNamedByCount(unsigned int count);

#endif
