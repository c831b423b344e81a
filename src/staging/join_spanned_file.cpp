// JoinSpannedFile: rebuilds a file in the product folder from its numbered
// pieces on the media, asking for each further disk. When patch.ini on disk 1
// records the pieces' sizes and CRCs, every piece is checked against it
// before any of its bytes is written, so a disk of the other build of the
// patch, or a damaged copy, is asked for again instead of being joined; and
// what a stopped run joined is checked against it too, and kept.
#include "staging.h"
#include "crc32.h"
#include "media_record.h"
#include "piece_name.h"
#include "split_plan.h"
#include "staging_io.h"
#include "../common/common.h"
#include "../runtime/runtime.h"
#include "../../res/resource.h"

enum {
    // A piece is read in requests of at most this many bytes, the progress
    // window shown anew after each: a floppy gives 64 KB in a second or two,
    // so nothing painted over the window stays longer than that.
    JOIN_READ_BYTES = 0x10000,
    // ... unless the window was painted less than this many milliseconds
    // ago: taking the paint messages asks the window system each time, which
    // cost a hard disk's join half its speed when done 16 times a megabyte.
    REPAINT_GAP_MS = 50,
    // The share of a piece, for the bar, when only the count gives the pieces.
    PIECE_SHARE_UNITS = 0x10000
};

// Running totals of a join. They are kept in 64 bits: 32-bit totals wrap
// for data of 4 GB or more, and a wrap to exactly 0 would read as "nothing
// expected".
struct JoinState {
    DWORD pieceCount;
    DWORDLONG expectedBytes;
    DWORDLONG writtenBytes;
    int checked;  // a record was read (from disk 1, before the first piece): every piece is checked against it
    PieceRecord record;
    // One block for every piece, as large as the largest piece so far: a
    // fresh block for each piece would cost more than moving its bytes.
    HGLOBAL block;
    unsigned char *bytes;
    DWORD blockBytes;
    // The progress shown: piece bytes joined before the current piece, and
    // all of them, by the record; the disk line shown last.
    DWORDLONG joinedPieceBytes;
    DWORDLONG recordedPieceBytes;
    DWORD shownDisk;
    DWORD paintedAt;  // GetTickCount of the last painting within a piece
};

// What became of one opened piece.
enum PieceOutcome {
    PIECE_DONE,       // appended, or left out for want of memory (the totals then fail the join)
    PIECE_ASK_AGAIN,  // not the recorded piece, or not readable whole: nothing of it written
    PIECE_STOP        // the join cannot go on: nothing of it written
};

// Asks for the disk that holds piece diskNumber - 1 with the text textId,
// whose every "%i" is the disk number: 1 to look again, 0 when the user
// cancels. A prompt that cannot be shown counts as a cancel, so the join
// never loops without asking.
static int AskForDisk(UINT textId, DWORD diskNumber)
{
    char format[MESSAGE_STRING_CHARS];
    char text[MESSAGE_TEXT_CHARS];
    int answer;
    if (!LoadMessageString(textId, format))
        return 0;
    wsprintfA(text, format, (int)diskNumber, (int)diskNumber);
    answer = ShowRunMessage(textId, "ZARized", text, MB_OKCANCEL);
    return answer != IDCANCEL && answer != 0;
}

static DWORD PieceCountAt(const unsigned char *header)
{
    return (DWORD)header[0] | (DWORD)header[1] << 8 | (DWORD)header[2] << 16 | (DWORD)header[3] << 24;
}

// Paints the program's windows unless they were painted within the gap.
static void PaintWhenDue(JoinState *state)
{
    if (GetTickCount() - state->paintedAt >= REPAINT_GAP_MS) {
        RepaintOwnWindows();
        state->paintedAt = GetTickCount();
    }
}

// Shows how far the join has come, within piece index of size bytes of
// which readBytes are in: the bar by the record's sizes, or without one by
// pieces of the count (read from piece 0's first bytes as soon as they are
// in), and the disk being read. Then the window is painted, unless it just
// was.
static void ShowJoinProgress(JoinState *state, DWORD index, DWORD readBytes, DWORD size, const unsigned char *bytes)
{
    DWORD pieces = state->checked ? state->record.pieces : state->pieceCount;
    if (!state->checked && index == 0)
        pieces = readBytes >= SPLIT_HEADER_BYTES ? PiecesNamedByCount(PieceCountAt(bytes)) : 0;
    if (state->checked) {
        SetProgressBar(state->joinedPieceBytes + readBytes, state->recordedPieceBytes);
    } else if (pieces) {
        // A piece's share in 1/65536ths, near enough for a bar.
        DWORD share = readBytes / ((size >> 16) + 1);
        SetProgressBar((DWORDLONG)index * PIECE_SHARE_UNITS + share, (DWORDLONG)pieces * PIECE_SHARE_UNITS);
    }
    if (pieces && state->shownDisk != index + 1) {
        char format[MESSAGE_STRING_CHARS];
        char line[MESSAGE_TEXT_CHARS];
        state->shownDisk = index + 1;
        if (LoadMessageString(IDS_PROGRESS_DISK, format)) {
            wsprintfA(line, format, index + 1, pieces);
            SetProgressLine(line);
        }
    }
    PaintWhenDue(state);
}

// Reads size bytes of an open piece into bytes, one request of at most
// JOIN_READ_BYTES at a time, with the CRC-32 of what came in *crc; the
// progress is shown after each request. 1 when every byte came.
static int ReadPiece(HANDLE piece, DWORD index, unsigned char *bytes, DWORD size, JoinState *state, unsigned int *crc)
{
    DWORD at = 0;
    *crc = 0;
    while (at < size) {
        DWORD wanted = size - at < (DWORD)JOIN_READ_BYTES ? size - at : (DWORD)JOIN_READ_BYTES;
        DWORD got = ReadBytes(piece, bytes + at, wanted);
        // The CRC is taken while the bytes are still in the processor's cache.
        if (state->checked)
            *crc = ComputeCrc32(*crc, bytes + at, got);
        at += got;
        ShowJoinProgress(state, index, at, size, bytes);
        if (got != wanted)
            return 0;
    }
    return 1;
}

// The join's block, grown to hold size bytes; 0 when it cannot be had.
static unsigned char *BlockFor(JoinState *state, DWORD size)
{
    if (size > state->blockBytes) {
        if (state->bytes)
            FreeBlock(state->block);
        state->bytes = (unsigned char *)AllocateBlock(size, &state->block);
        state->blockBytes = state->bytes ? size : 0;
    }
    return state->bytes;
}

// Whether the kept file holds, from where it is read next, the data of
// recorded piece index whole: read through the join's block in requests of
// at most JOIN_READ_BYTES, its CRC-32 taken with piece 0's count in front,
// as the record's covers the piece file. The bar moves as it is read.
static int KeptPieceMatches(HANDLE kept, DWORD index, JoinState *state)
{
    const PieceEntry *entry = &state->record.entries[index];
    DWORD left = entry->size;
    unsigned int crc = 0;
    unsigned char *bytes;
    if (index == 0) {
        // The count the record's pieces have in piece 0 (two or more).
        const unsigned char count[SPLIT_HEADER_BYTES] = {(unsigned char)state->record.pieces, 0, 0, 0};
        crc = ComputeCrc32(0, count, SPLIT_HEADER_BYTES);
        left -= SPLIT_HEADER_BYTES;
    }
    bytes = BlockFor(state, left < (DWORD)JOIN_READ_BYTES ? left : (DWORD)JOIN_READ_BYTES);
    while (left > 0) {
        DWORD wanted = left < (DWORD)JOIN_READ_BYTES ? left : (DWORD)JOIN_READ_BYTES;
        if (!bytes || ReadBytes(kept, bytes, wanted) != wanted)
            return 0;
        crc = ComputeCrc32(crc, bytes, wanted);
        left -= wanted;
        SetProgressBar(state->joinedPieceBytes + entry->size - left, state->recordedPieceBytes);
        PaintWhenDue(state);
    }
    return crc == entry->crc;
}

// What a stopped run joined, kept: the recorded pieces whose data the
// output file already holds whole, from piece 0 on, reading the hard disk
// only. The output is opened and cut where their data ends (anything after
// it, a piece cut at half or more than the data, goes), and the join goes on
// from the first piece that did not match. Returns the output, or
// INVALID_HANDLE_VALUE when nothing is kept: the output is then made anew.
// A record of one piece keeps nothing: that piece lies on disk 1, in the
// drive, and its count may be 0 or 1.
static HANDLE KeepJoinedPieces(const char *outputPath, JoinState *state, DWORD *firstIndex)
{
    HANDLE file;
    DWORD index = 0;
    DWORDLONG keptBytes = 0;
    LONG high;
    if (!state->checked || state->record.pieces < 2)
        return INVALID_HANDLE_VALUE;
    file = OpenForReading(outputPath);
    if (file == INVALID_HANDLE_VALUE)
        return file;
    while (index < state->record.pieces && KeptPieceMatches(file, index, state)) {
        keptBytes += state->record.entries[index].size - (index == 0 ? SPLIT_HEADER_BYTES : 0);
        state->joinedPieceBytes += state->record.entries[index].size;
        ++index;
    }
    CloseHandle(file);
    file = index > 0 ? CreateFileA(outputPath, GENERIC_WRITE, FILE_SHARE_WRITE, 0, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, 0)
                     : INVALID_HANDLE_VALUE;
    high = (LONG)(keptBytes >> 32);
    // A move that fails returns 0xFFFFFFFF: so, taken for a failure, does one
    // to an offset of that low part, and the join then starts over.
    if (file != INVALID_HANDLE_VALUE &&
        (SetFilePointer(file, (LONG)(DWORD)keptBytes, &high, FILE_BEGIN) != (DWORD)keptBytes || !SetEndOfFile(file))) {
        CloseHandle(file);
        file = INVALID_HANDLE_VALUE;
    }
    if (file == INVALID_HANDLE_VALUE) {
        state->joinedPieceBytes = 0;
        return file;
    }
    LogLine("kept what a stopped run joined: pieces 0 to %lu (disks 1 to %lu), %lu bytes", index - 1, index,
            (DWORD)keptBytes);
    state->pieceCount = state->record.pieces;
    state->expectedBytes = keptBytes;
    state->writtenBytes = keptBytes;
    *firstIndex = index;
    return file;
}

// Reads one open piece whole into the join's block and, when it is the piece
// wanted, appends its data to the output. Nothing of a piece is written
// before all of it has been read (and checked, with a record).
static PieceOutcome AppendPiece(HANDLE piece, DWORD index, HANDLE output, JoinState *state)
{
    DWORD size;
    DWORD header = index == 0 ? SPLIT_HEADER_BYTES : 0;
    unsigned char *bytes;
    unsigned int crc;
    PieceOutcome outcome = PIECE_DONE;
    // A piece of 4 GB or more, or a piece 0 without its whole count, is
    // never right: with a record it is another disk's, without one it ends
    // the join, as it always has.
    if (!GetFileSize32(piece, &size) || size < header ||
        (state->checked && size != state->record.entries[index].size))
        return state->checked ? PIECE_ASK_AGAIN : PIECE_STOP;
    bytes = size > 0 ? BlockFor(state, size) : 0;
    if (!bytes) {
        // An empty piece gets no block and adds nothing (its recorded CRC is
        // 0, the parser sees to that). A larger piece without a block keeps
        // its size counted and writes nothing, so the final test fails the
        // join.
        state->expectedBytes += size;
        return PIECE_DONE;
    }
    if (!ReadPiece(piece, index, bytes, size, state, &crc) ||
        (state->checked && crc != state->record.entries[index].crc)) {
        outcome = PIECE_ASK_AGAIN;
    } else {
        if (index == 0)
            state->pieceCount = PieceCountAt(bytes);
        if (index == 0 && state->checked && PiecesNamedByCount(state->pieceCount) != state->record.pieces) {
            // Piece 0 is the recorded one, but the record names another
            // number of pieces: it does not belong to these media.
            outcome = PIECE_STOP;
        } else {
            state->expectedBytes += size - header;
            state->writtenBytes += WriteBytes(output, bytes + header, size - header);
            state->joinedPieceBytes += size;
            LogLine("joined piece %lu (disk %lu): %lu bytes", index, index + 1, size - header);
        }
    }
    return outcome;
}

// Joins every piece that piece 0's count names, from piece index on; 1 when
// all their data went to the output.
static int JoinPieces(const char *sourcePath, HANDLE output, JoinState *state, DWORD index)
{
    int stopped = 0;
    while (!stopped && index < state->pieceCount) {
        char piecePath[PATH_CHARS];
        HANDLE piece;
        PieceOutcome outcome;
        // Before each piece, and so at once after a disk prompt: the progress
        // window is drawn where a box, or another program, lay over it.
        RepaintOwnWindows();
        if (!FormPieceName(piecePath, PATH_CHARS, sourcePath, (int)index))
            break;
        piece = OpenForReading(piecePath);
        if (piece == INVALID_HANDLE_VALUE) {
            // The same piece is looked for again after each OK.
            stopped = !AskForDisk(IDS_INSERT_DISK, index + 1);
            continue;
        }
        outcome = AppendPiece(piece, index, output, state);
        CloseHandle(piece);
        if (outcome == PIECE_DONE)
            ++index;
        else if (outcome == PIECE_ASK_AGAIN)
            stopped = !AskForDisk(IDS_NOT_THIS_DISK, index + 1);
        else
            stopped = 1;
    }
    return !stopped && index >= state->pieceCount && state->expectedBytes != 0 &&
           state->writtenBytes == state->expectedBytes;
}

int JoinSpannedFile(const char *name, const char *sourceDir, const char *productDir)
{
    char sourcePath[PATH_CHARS];
    char outputPath[PATH_CHARS];
    char firstPiece[PATH_CHARS];
    JoinState state;
    int joined = 0;
    RecordState record = RECORD_ABSENT;
    RtMemSet(&state, 0, sizeof(state));
    state.pieceCount = 1;
    // Without a "." in the source path there are no piece names: nothing is
    // opened or created. Nor is anything for a record that does not parse:
    // the media are damaged. The record is read from disk 1, before disk 2
    // is asked for.
    if (FormFilePath(sourcePath, PATH_CHARS, sourceDir, name) &&
        FormFilePath(outputPath, PATH_CHARS, productDir, name) && FormPieceName(firstPiece, PATH_CHARS, sourcePath, 0) &&
        (record = ReadPieceRecord(sourceDir, &state.record)) != RECORD_DAMAGED) {
        HANDLE output;
        DWORD firstIndex = 0;
        state.checked = record == RECORD_READ;
        if (state.checked)
            state.recordedPieceBytes = RecordedDataBytes(&state.record) + SPLIT_HEADER_BYTES;
        output = KeepJoinedPieces(outputPath, &state, &firstIndex);
        if (output == INVALID_HANDLE_VALUE)
            output = CreateForWriting(outputPath);
        if (output != INVALID_HANDLE_VALUE) {
            joined = JoinPieces(sourcePath, output, &state, firstIndex);
            CloseHandle(output);
        }
        if (joined)
            LogLine("joined %s: %lu bytes", outputPath, (DWORD)state.writtenBytes);
    }
    if (state.bytes)
        FreeBlock(state.block);
    if (!joined)
        ShowStringMessage(IDS_ERROR, IDS_CANT_COPY, MB_OK);
    return joined;
}
