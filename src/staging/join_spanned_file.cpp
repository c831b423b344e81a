// JoinSpannedFile: rebuilds a file in the product folder from its numbered
// pieces on the media, asking for each further disk. When patch.ini on disk 1
// records the pieces' sizes and CRCs, every piece is checked against it
// before any of its bytes is written, so a disk of the other build of the
// patch, or a damaged copy, is asked for again instead of being joined.
#include "staging.h"
#include "crc32.h"
#include "piece_name.h"
#include "piece_record.h"
#include "split_plan.h"
#include "staging_io.h"
#include "../common/common.h"
#include "../runtime/runtime.h"
#include "../../res/resource.h"

// The media's record, read from patch.ini before the first piece: disk 1
// leaves the drive once disk 2 is asked for.
enum RecordState { RECORD_ABSENT, RECORD_READ, RECORD_DAMAGED };

// Running totals of a join. They are kept in 64 bits: 32-bit totals wrap
// for data of 4 GB or more, and a wrap to exactly 0 would read as "nothing
// expected".
struct JoinState {
    DWORD pieceCount;
    DWORDLONG expectedBytes;
    DWORDLONG writtenBytes;
    int checked;  // a record was read: every piece is checked against it
    unsigned int recordPieces;
    PieceEntry record[PIECE_RECORD_MAX_PIECES];
    // One block for every piece, as large as the largest piece so far: a
    // fresh block for each piece would cost more than moving its bytes.
    HGLOBAL block;
    unsigned char *bytes;
    DWORD blockBytes;
};

// What became of one opened piece.
enum PieceOutcome {
    PIECE_DONE,       // appended, or left out for want of memory (the totals then fail the join)
    PIECE_ASK_AGAIN,  // not the recorded piece, or not readable whole: nothing of it written
    PIECE_STOP        // the join cannot go on: nothing of it written
};

static const char kRecordSection[] = "PIECES";
// Far more than a valid value needs; a longer value comes back cut and fails
// to parse.
enum { RECORD_VALUE_CHARS = 64 };

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
    answer = MessageBoxA(0, text, "ZARized", MB_OKCANCEL);
    return answer != IDCANCEL && answer != 0;
}

// Reads section "PIECES" of sourceDir\patch.ini into the state. A section
// without a single key counts as no record.
static RecordState ReadPieceRecord(const char *sourceDir, JoinState *state)
{
    char iniPath[PATH_CHARS];
    char value[RECORD_VALUE_CHARS];
    char key[12];
    unsigned int index;
    if (!FormFilePath(iniPath, PATH_CHARS, sourceDir, "patch.ini"))
        return RECORD_ABSENT;
    // Without a key name the reader lists the section's keys.
    if (GetPrivateProfileStringA(kRecordSection, 0, "", value, RECORD_VALUE_CHARS, iniPath) == 0)
        return RECORD_ABSENT;
    GetPrivateProfileStringA(kRecordSection, "Count", "", value, RECORD_VALUE_CHARS, iniPath);
    if (!ParsePieceCount(value, RECORD_VALUE_CHARS, &state->recordPieces))
        return RECORD_DAMAGED;
    for (index = 0; index < state->recordPieces; ++index) {
        RtFormatDecimal((int)index, key);
        GetPrivateProfileStringA(kRecordSection, key, "", value, RECORD_VALUE_CHARS, iniPath);
        if (!ParsePieceEntry(value, RECORD_VALUE_CHARS, index, &state->record[index]))
            return RECORD_DAMAGED;
    }
    state->checked = 1;
    return RECORD_READ;
}

static DWORD PieceCountAt(const unsigned char *header)
{
    return (DWORD)header[0] | (DWORD)header[1] << 8 | (DWORD)header[2] << 16 | (DWORD)header[3] << 24;
}

// Whether the piece read whole is the one the record names for index.
static int MatchesRecord(const JoinState *state, DWORD index, const unsigned char *bytes, DWORD size)
{
    const PieceEntry *entry = &state->record[index];
    return entry->size == size && entry->crc == ComputeCrc32(0, bytes, size);
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

// Reads one open piece whole into the join's block and, when it is the piece
// wanted, appends its data to the output. Nothing of a piece is written
// before all of it has been read (and checked, with a record).
static PieceOutcome AppendPiece(HANDLE piece, DWORD index, HANDLE output, JoinState *state)
{
    DWORD size;
    DWORD header = index == 0 ? SPLIT_HEADER_BYTES : 0;
    unsigned char *bytes;
    PieceOutcome outcome = PIECE_DONE;
    // A piece of 4 GB or more, or a piece 0 without its whole count, is
    // never right: with a record it is another disk's, without one it ends
    // the join, as it always has.
    if (!GetFileSize32(piece, &size) || size < header || (state->checked && size != state->record[index].size))
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
    if (ReadBytes(piece, bytes, size) != size || (state->checked && !MatchesRecord(state, index, bytes, size))) {
        outcome = PIECE_ASK_AGAIN;
    } else {
        if (index == 0)
            state->pieceCount = PieceCountAt(bytes);
        if (index == 0 && state->checked && PiecesNamedByCount(state->pieceCount) != state->recordPieces) {
            // Piece 0 is the recorded one, but the record names another
            // number of pieces: it does not belong to these media.
            outcome = PIECE_STOP;
        } else {
            state->expectedBytes += size - header;
            state->writtenBytes += WriteBytes(output, bytes + header, size - header);
        }
    }
    return outcome;
}

// Joins every piece that piece 0's count names; 1 when all their data went
// to the output.
static int JoinPieces(const char *sourcePath, HANDLE output, JoinState *state)
{
    DWORD index = 0;
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
    RtMemSet(&state, 0, sizeof(state));
    state.pieceCount = 1;
    // Without a "." in the source path there are no piece names: nothing is
    // opened or created. Nor is anything for a record that does not parse:
    // the media are damaged.
    if (FormFilePath(sourcePath, PATH_CHARS, sourceDir, name) &&
        FormFilePath(outputPath, PATH_CHARS, productDir, name) &&
        FormPieceName(firstPiece, PATH_CHARS, sourcePath, 0) && ReadPieceRecord(sourceDir, &state) != RECORD_DAMAGED) {
        HANDLE output = CreateForWriting(outputPath);
        if (output != INVALID_HANDLE_VALUE) {
            joined = JoinPieces(sourcePath, output, &state);
            CloseHandle(output);
        }
    }
    if (state.bytes)
        FreeBlock(state.block);
    if (!joined)
        ShowStringMessage(IDS_ERROR, IDS_CANT_COPY, MB_OK);
    return joined;
}
