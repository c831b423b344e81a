// SplitSpannedFile: cuts a file into the numbered pieces that
// JoinSpannedFile reads, beside the file, as the size table plans them.
#include "staging.h"
#include "piece_name.h"
#include "split_plan.h"
#include "staging_io.h"
#include "../common/common.h"
#include "../../res/resource.h"

struct SplitInput {
    const char *path;
    HANDLE file;
    DWORD bytesLeft;  // of the input, not yet read
    void *buffer;     // one block for every piece: the most data a piece receives
};

// The splitter's own messages: caption "Error", an OK button, no icon. The
// text may name a piece file ("%s").
static void ShowSplitMessage(UINT textId, const char *pieceName)
{
    char format[MESSAGE_STRING_CHARS];
    char caption[MESSAGE_STRING_CHARS];
    char text[MESSAGE_TEXT_CHARS];
    if (!LoadMessageString(textId, format))
        return;
    wsprintfA(text, format, pieceName);
    LoadMessageString(IDS_ERROR, caption);
    MessageBoxA(0, text, caption, MB_OK);
}

static UINT RefusalText(SplitPlanOutcome outcome)
{
    switch (outcome) {
    case SPLIT_NEGATIVE_SIZE:
        return IDS_SPLIT_NEGATIVE_SIZE;
    case SPLIT_FIRST_SIZE_TOO_SMALL:
        return IDS_SPLIT_FIRST_SIZE_TOO_SMALL;
    case SPLIT_NOT_COVERED:
        return IDS_SPLIT_NOT_COVERED;
    default:
        return 0;
    }
}

// The data piece `index` receives: what the input still has for it, never
// more than its entry.
static DWORD PieceData(int size, int index, DWORD bytesLeft)
{
    DWORD wanted = PieceDataBytes(size, index);
    return wanted < bytesLeft ? wanted : bytesLeft;
}

// Writes piece `index`: the count first for piece 0, then its data, read
// with one request into the split's block and written with one request.
// 1 only when the piece was created and holds exactly what the plan gives it:
// its full data, or for the last planned piece the rest of the input (0 bytes
// past the end).
static int WritePiece(SplitInput *input, int index, int size, int pieceCount)
{
    char name[PATH_CHARS];
    HANDLE piece;
    DWORD expected = PieceData(size, index, input->bytesLeft);
    DWORD got = 0;
    int whole;
    FormPieceName(name, PATH_CHARS, input->path, index);
    piece = CreateForWriting(name);
    if (piece == INVALID_HANDLE_VALUE) {
        ShowSplitMessage(IDS_SPLIT_PIECE_FAILED, name);
        return 0;
    }
    whole = expected == 0 || input->buffer != 0;
    if (whole) {
        if (expected > 0) {
            got = ReadBytes(input->file, input->buffer, expected);
            input->bytesLeft -= got;
            whole = got == expected;
        }
        if (index == 0) {
            unsigned char header[SPLIT_HEADER_BYTES];
            header[0] = (unsigned char)pieceCount;
            header[1] = (unsigned char)(pieceCount >> 8);
            header[2] = (unsigned char)(pieceCount >> 16);
            header[3] = (unsigned char)(pieceCount >> 24);
            whole = WriteBytes(piece, header, SPLIT_HEADER_BYTES) == SPLIT_HEADER_BYTES && whole;
        }
        if (got > 0)
            whole = WriteBytes(piece, input->buffer, got) == got && whole;
    }
    CloseHandle(piece);
    if (!whole)
        ShowSplitMessage(IDS_SPLIT_PIECE_FAILED, name);
    return whole;
}

// Plans the split and writes its pieces; 1 when every piece was written.
static int SplitOpenFile(SplitInput *input, int *sizes)
{
    DWORD size;
    int pieceCount = 0;
    int index;
    SplitPlanOutcome outcome;
    if (!GetFileSize32(input->file, &size)) {
        ShowSplitMessage(IDS_SPLIT_TOO_LARGE, "");
        return 0;
    }
    input->bytesLeft = size;
    outcome = PlanSplit(size, sizes, &pieceCount);
    if (outcome == SPLIT_NO_FIRST_SIZE) {
        MessageBeep(0xFFFFFFFF);
        return 0;
    }
    if (outcome != SPLIT_PLANNED) {
        // Refused before any piece is written: such a table would overrun a
        // piece, or leave part of the file out of the pieces.
        ShowSplitMessage(RefusalText(outcome), "");
        return 0;
    }
    // One block serves every piece, as large as the most data one receives:
    // never the whole entry, since a size far beyond the data (up to 2 GB)
    // must not ask for memory the data does not need. A fresh block for each
    // piece would cost more than moving its bytes. No data, no block.
    DWORD largest = 0;
    DWORD left = size;
    HGLOBAL block = 0;
    int written = 1;
    for (index = 0; index < SPLIT_TABLE_ENTRIES && sizes[index] != 0; ++index) {
        DWORD data = PieceData(sizes[index], index, left);
        left -= data;
        if (data > largest)
            largest = data;
    }
    input->buffer = AllocateBlock(largest, &block);
    // Sizes given beyond what the file needs still get their (empty) pieces.
    for (index = 0; written && index < SPLIT_TABLE_ENTRIES && sizes[index] != 0; ++index)
        written = WritePiece(input, index, sizes[index], pieceCount);
    if (input->buffer)
        FreeBlock(block);
    return written;
}

int SplitSpannedFile(const char *path, int *sizes)
{
    char lastPiece[PATH_CHARS];
    SplitInput input;
    int split;
    if (!path || !path[0] || !sizes)
        return 0;
    // No "." in the path (or a path too long for the last piece's name):
    // there are no piece names, and nothing is said.
    if (!FormPieceName(lastPiece, PATH_CHARS, path, SPLIT_TABLE_ENTRIES - 1))
        return 0;
    input.path = path;
    input.bytesLeft = 0;
    input.buffer = 0;
    input.file = OpenForReading(path);
    if (input.file == INVALID_HANDLE_VALUE) {
        ShowSplitMessage(IDS_NO_SOURCE_FILE, "");
        return 0;
    }
    split = SplitOpenFile(&input, sizes);
    CloseHandle(input.file);
    return split;
}
