// JoinSpannedFile: rebuilds a file in the product folder from its numbered
// pieces on the media, asking for each further disk.
#include "staging.h"
#include "piece_name.h"
#include "split_plan.h"
#include "staging_io.h"
#include "../common/common.h"
#include "../../res/resource.h"

// Running totals of a join. They are kept in 64 bits: 32-bit totals wrap
// for data of 4 GB or more, and a wrap to exactly 0 would read as "nothing
// expected".
struct JoinState {
    DWORD pieceCount;
    DWORDLONG expectedBytes;
    DWORDLONG writtenBytes;
};

// Asks for the disk that holds a missing piece: 1 to look again, 0 when the
// user cancels. A prompt that cannot be shown counts as a cancel, so the
// join never loops without asking.
static int AskForDisk(DWORD diskNumber)
{
    char format[MESSAGE_STRING_CHARS];
    char text[MESSAGE_TEXT_CHARS];
    int answer;
    if (!LoadMessageString(IDS_INSERT_DISK, format))
        return 0;
    wsprintfA(text, format, (int)diskNumber);
    answer = MessageBoxA(0, text, "ZARized", MB_OKCANCEL);
    return answer != IDCANCEL && answer != 0;
}

// Reads piece 0's count into the state; 0 when the 4 bytes are not all there.
static int ReadPieceCount(HANDLE piece, JoinState *state)
{
    unsigned char header[SPLIT_HEADER_BYTES];
    if (ReadBytes(piece, header, SPLIT_HEADER_BYTES) != SPLIT_HEADER_BYTES)
        return 0;
    state->pieceCount = (DWORD)header[0] | (DWORD)header[1] << 8 | (DWORD)header[2] << 16 | (DWORD)header[3] << 24;
    return 1;
}

// Appends one open piece to the output. Returns 0 when the join must stop:
// a piece of 4 GB or more, or a piece 0 without its whole count (its data
// length would go below 0). A piece without a block keeps its size counted
// and writes nothing, so the final byte test fails the join.
static int AppendPiece(HANDLE piece, DWORD index, HANDLE output, JoinState *state)
{
    DWORD size;
    DWORD dataBytes;
    HGLOBAL block;
    void *buffer;
    int usable = 1;
    if (!GetFileSize32(piece, &size))
        return 0;
    if (index == 0 && size < SPLIT_HEADER_BYTES)
        return 0;
    state->expectedBytes += size;
    buffer = AllocateBlock(size, &block);
    if (!buffer)
        return 1;
    dataBytes = size;
    if (index == 0) {
        usable = ReadPieceCount(piece, state);
        state->expectedBytes -= SPLIT_HEADER_BYTES;
        dataBytes -= SPLIT_HEADER_BYTES;
    }
    if (usable)
        state->writtenBytes += WriteBytes(output, buffer, ReadBytes(piece, buffer, dataBytes));
    FreeBlock(block);
    return usable;
}

// Joins every piece that piece 0's count names; 1 when all their data went
// to the output.
static int JoinPieces(const char *sourcePath, HANDLE output)
{
    JoinState state = {1, 0, 0};
    DWORD index = 0;
    int stopped = 0;
    while (!stopped && index < state.pieceCount) {
        char piecePath[PATH_CHARS];
        HANDLE piece;
        if (!FormPieceName(piecePath, PATH_CHARS, sourcePath, (int)index))
            break;
        piece = OpenForReading(piecePath);
        if (piece == INVALID_HANDLE_VALUE) {
            // The same piece is looked for again after each OK.
            stopped = !AskForDisk(index + 1);
            continue;
        }
        stopped = !AppendPiece(piece, index, output, &state);
        CloseHandle(piece);
        ++index;
    }
    return !stopped && index >= state.pieceCount && state.expectedBytes != 0 &&
           state.writtenBytes == state.expectedBytes;
}

int JoinSpannedFile(const char *name, const char *sourceDir, const char *productDir)
{
    char sourcePath[PATH_CHARS];
    char outputPath[PATH_CHARS];
    char firstPiece[PATH_CHARS];
    int joined = 0;
    // Without a "." in the source path there are no piece names: nothing is
    // opened or created.
    if (FormFilePath(sourcePath, PATH_CHARS, sourceDir, name) &&
        FormFilePath(outputPath, PATH_CHARS, productDir, name) &&
        FormPieceName(firstPiece, PATH_CHARS, sourcePath, 0)) {
        HANDLE output = CreateForWriting(outputPath);
        if (output != INVALID_HANDLE_VALUE) {
            joined = JoinPieces(sourcePath, output);
            CloseHandle(output);
        }
    }
    if (!joined)
        ShowStringMessage(IDS_ERROR, IDS_CANT_COPY, MB_OK);
    return joined;
}
