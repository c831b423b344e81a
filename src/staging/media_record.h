// The media's record of the pieces (section "PIECES" of patch.ini on disk
// 1), as the join checks the pieces by it and the free-space check counts
// the data by it.
#ifndef ZARIZED_MEDIA_RECORD_H
#define ZARIZED_MEDIA_RECORD_H

#include "piece_record.h"

enum RecordState { RECORD_ABSENT, RECORD_READ, RECORD_DAMAGED };

// Reads the record from sourceDir\patch.ini. A section without a single key
// counts as no record; one that does not parse is damaged media.
RecordState ReadPieceRecord(const char *sourceDir, PieceRecord *record);

#endif
