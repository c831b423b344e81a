// Copying, joining and splitting in this process, against real files, with
// every message box recorded and answered.
#include <gtest/gtest.h>

#include <ctype.h>
#include <stdio.h>

#include <string>
#include <vector>

#include "allocation_watch.h"
#include "driver/driver.h"
#include "files.h"
#include "installation.h"
#include "message_boxes.h"
#include "staging/staging.h"
#include "expected_messages.h"

namespace {

bool IsCantCopy(const RecordedBox &box)
{
    return box.caption == "Error" && box.text == kCantCopy && box.style == (UINT)MB_OK;
}

// A sparse file of 4 GB and 16 bytes: its size does not fit in 32 bits.
void WriteOverFourGigabytes(const std::string &path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    LARGE_INTEGER end;
    end.QuadPart = 0x100000010LL;
    SetFilePointerEx(file, end, nullptr, FILE_BEGIN);
    SetEndOfFile(file);
    CloseHandle(file);
}

class Staging : public ::testing::Test {
protected:
    void SetUp() override { ModuleInstance = GetModuleHandleA(nullptr); }

    std::string source_ = ScratchDir("staging\\source");
    std::string product_ = ScratchDir("staging\\product");
    const Bytes data_ = PatternBytes(3000, 7);

    Bytes Output(const std::string &name = "Patch.rtp")
    {
        Bytes bytes;
        EXPECT_TRUE(ReadFileBytes(JoinPath(product_, name), &bytes)) << name;
        return bytes;
    }

    // Piece 0 holds the count and the first 1000 bytes, pieces 1 and 2 the rest.
    void WriteThreePieces(unsigned count = 3)
    {
        WriteFileBytes(JoinPath(source_, "Patch.0"), FirstPiece(count, Slice(data_, 0, 1000)));
        WriteFileBytes(JoinPath(source_, "Patch.1"), Slice(data_, 1000, 1500));
        WriteFileBytes(JoinPath(source_, "Patch.2"), Slice(data_, 2500, 500));
    }
};

TEST_F(Staging, CopyReplacesTheDestinationWithAWholeCopy)
{
    const Bytes engine = PatternBytes(70000, 3);
    WriteFileBytes(JoinPath(source_, "Patch.dll"), engine);
    WriteFileBytes(JoinPath(product_, "Patch.dll"), PatternBytes(90000, 4));
    MessageBoxRecorder boxes;
    EXPECT_EQ(1, CopyPayloadFile("Patch.dll", source_.c_str(), product_.c_str()));
    EXPECT_EQ(engine, Output("Patch.dll"));
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(Staging, CopyFailuresShowMessage2005)
{
    MessageBoxRecorder boxes;
    EXPECT_EQ(0, CopyPayloadFile("Patch.pif", source_.c_str(), product_.c_str()));
    EXPECT_FALSE(FileExists(JoinPath(product_, "Patch.pif")));

    // An empty source gets no buffer; the destination was already created.
    WriteFileBytes(JoinPath(source_, "Patch.pif"), Bytes());
    EXPECT_EQ(0, CopyPayloadFile("Patch.pif", source_.c_str(), product_.c_str()));
    EXPECT_TRUE(Output("Patch.pif").empty());

    // A destination path over 259 characters is never cut and opened.
    WriteFileBytes(JoinPath(source_, "Patch.pif"), PatternBytes(10));
    EXPECT_EQ(0, CopyPayloadFile("Patch.pif", source_.c_str(), ("C:\\" + std::string(250, 'x')).c_str()));

    // A 32-bit size would copy only the first 16 bytes of this one.
    WriteOverFourGigabytes(JoinPath(source_, "Patch.pif"));
    EXPECT_EQ(0, CopyPayloadFile("Patch.pif", source_.c_str(), product_.c_str()));

    ASSERT_EQ(4u, boxes.boxes().size());
    for (const RecordedBox &box : boxes.boxes())
        EXPECT_TRUE(IsCantCopy(box)) << box.caption << ": " << box.text;
}

TEST_F(Staging, JoinRebuildsTheFileAndReplacesAnOlderOne)
{
    WriteThreePieces();
    // A piece past the count is never read.
    WriteFileBytes(JoinPath(source_, "Patch.3"), PatternBytes(50, 9));
    WriteFileBytes(JoinPath(product_, "Patch.rtp"), PatternBytes(9000, 5));
    MessageBoxRecorder boxes;
    EXPECT_EQ(1, JoinSpannedFile("Patch.rtp", source_.c_str(), product_.c_str()));
    EXPECT_EQ(data_, Output());
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(Staging, CountsZeroAndOneMeanPieceZeroAlone)
{
    WriteThreePieces();
    for (unsigned count : {0u, 1u}) {
        WriteFileBytes(JoinPath(source_, "Patch.0"), FirstPiece(count, Slice(data_, 0, 1000)));
        MessageBoxRecorder boxes;
        EXPECT_EQ(1, JoinSpannedFile("Patch.rtp", source_.c_str(), product_.c_str())) << count;
        EXPECT_EQ(Slice(data_, 0, 1000), Output()) << count;
        EXPECT_TRUE(boxes.boxes().empty());
    }
}

TEST_F(Staging, EmptyLaterPieceDoesNoHarm)
{
    WriteFileBytes(JoinPath(source_, "Patch.0"), FirstPiece(4, Slice(data_, 0, 1000)));
    WriteFileBytes(JoinPath(source_, "Patch.1"), Bytes());
    WriteFileBytes(JoinPath(source_, "Patch.2"), Slice(data_, 1000, 2000));
    WriteFileBytes(JoinPath(source_, "Patch.3"), Bytes());
    MessageBoxRecorder boxes;
    EXPECT_EQ(1, JoinSpannedFile("Patch.rtp", source_.c_str(), product_.c_str()));
    EXPECT_EQ(data_, Output());
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(Staging, MissingPieceIsAskedForUntilItIsThere)
{
    WriteThreePieces();
    const Bytes last = Slice(data_, 2500, 500);
    DeleteFileA(JoinPath(source_, "Patch.2").c_str());
    int prompts = 0;
    MessageBoxRecorder boxes([&](const RecordedBox &box) {
        // The first OK comes with the disk still out; the second after it is in.
        if (IsDiskPrompt(box, 3) && ++prompts == 2)
            WriteFileBytes(JoinPath(source_, "Patch.2"), last);
        return IDOK;
    });
    EXPECT_EQ(1, JoinSpannedFile("Patch.rtp", source_.c_str(), product_.c_str()));
    EXPECT_EQ(data_, Output());
    ASSERT_EQ(2u, boxes.boxes().size());
    EXPECT_TRUE(IsDiskPrompt(boxes.boxes()[0], 3));
    EXPECT_TRUE(IsDiskPrompt(boxes.boxes()[1], 3));
}

TEST_F(Staging, CancelAtAnyDiskFailsAndKeepsWhatWasJoined)
{
    struct Case {
        int disk;       // the disk whose piece is missing
        size_t joined;  // bytes of the file joined before it
    };
    for (Case c : {Case{1, 0}, Case{2, 1000}, Case{3, 2500}}) {
        WriteThreePieces();
        DeleteFileA(JoinPath(source_, "Patch." + std::to_string(c.disk - 1)).c_str());
        MessageBoxRecorder boxes([](const RecordedBox &box) { return box.caption == "ZARized" ? IDCANCEL : IDOK; });
        EXPECT_EQ(0, JoinSpannedFile("Patch.rtp", source_.c_str(), product_.c_str())) << c.disk;
        EXPECT_EQ(Slice(data_, 0, c.joined), Output()) << c.disk;
        ASSERT_EQ(2u, boxes.boxes().size()) << c.disk;
        EXPECT_TRUE(IsDiskPrompt(boxes.boxes()[0], c.disk)) << boxes.boxes()[0].text;
        EXPECT_TRUE(IsCantCopy(boxes.boxes()[1]));
    }
}

TEST_F(Staging, PieceZeroWithoutDataOrWholeCountFails)
{
    // 0 to 3 bytes cannot hold the count; 4 bytes hold it but no data.
    const Bytes firstPieces[] = {Bytes(), Bytes{3}, Bytes{3, 0}, Bytes{3, 0, 0}, FirstPiece(1, Bytes())};
    WriteThreePieces();
    for (const Bytes &first : firstPieces) {
        WriteFileBytes(JoinPath(source_, "Patch.0"), first);
        MessageBoxRecorder boxes;
        EXPECT_EQ(0, JoinSpannedFile("Patch.rtp", source_.c_str(), product_.c_str())) << first.size();
        EXPECT_TRUE(Output().empty()) << first.size();
        ASSERT_EQ(1u, boxes.boxes().size()) << first.size();
        EXPECT_TRUE(IsCantCopy(boxes.boxes()[0]));
    }
}

TEST_F(Staging, PieceOfFourGigabytesOrMoreFails)
{
    // Guards docs/behaviour.md, "4 GB and more".
    WriteThreePieces();
    WriteOverFourGigabytes(JoinPath(source_, "Patch.1"));
    MessageBoxRecorder boxes;
    EXPECT_EQ(0, JoinSpannedFile("Patch.rtp", source_.c_str(), product_.c_str()));
    EXPECT_EQ(Slice(data_, 0, 1000), Output());
    ASSERT_EQ(1u, boxes.boxes().size());
    EXPECT_TRUE(IsCantCopy(boxes.boxes()[0]));
}

TEST_F(Staging, PieceNamesFollowTheLastDotOfTheSourcePath)
{
    // A "." in a folder name does not matter when the file has an extension,
    // and a "%" in it is only a character.
    for (const char *folder : {"SET.B", "100%s%i"}) {
        std::string media = ScratchDir(std::string("staging\\") + folder);
        WriteFileBytes(JoinPath(media, "Patch.0"), FirstPiece(2, Slice(data_, 0, 10)));
        WriteFileBytes(JoinPath(media, "Patch.1"), Slice(data_, 10, 20));
        MessageBoxRecorder boxes;
        EXPECT_EQ(1, JoinSpannedFile("Patch.rtp", media.c_str(), product_.c_str())) << folder;
        EXPECT_EQ(Slice(data_, 0, 30), Output()) << folder;
        EXPECT_TRUE(boxes.boxes().empty()) << folder;
    }
    // Without any "." there are no piece names: nothing is created.
    WriteFileBytes(JoinPath(source_, "Patch.0"), FirstPiece(1, data_));
    MessageBoxRecorder boxes;
    EXPECT_EQ(0, JoinSpannedFile("Patchrtp", source_.c_str(), product_.c_str()));
    EXPECT_FALSE(FileExists(JoinPath(product_, "Patchrtp")));
    ASSERT_EQ(1u, boxes.boxes().size());
    EXPECT_TRUE(IsCantCopy(boxes.boxes()[0]));
}

// The CRC-32 of the media's record, one bit at a time as defined: reflected,
// polynomial 0xEDB88320, initial value and final XOR 0xFFFFFFFF.
unsigned BitwiseCrc32(const Bytes &bytes)
{
    unsigned reg = 0xFFFFFFFFu;
    for (unsigned char b : bytes) {
        reg ^= b;
        for (int bit = 0; bit < 8; ++bit)
            reg = (reg & 1) ? (reg >> 1) ^ 0xEDB88320u : reg >> 1;
    }
    return ~reg;
}

bool IsNotThisDisk(const RecordedBox &box, int disk)
{
    const std::string n = std::to_string(disk);
    return box.caption == "ZARized" &&
           box.text == "The disk in the drive is not disk " + n + " of this patch, or it cannot be read.  Please insert "
                       "disk " + n + "." &&
           box.style == (UINT)MB_OKCANCEL;
}

// The lines "i=size,CRC" of the media's record of these pieces.
std::string EntriesOf(const std::vector<Bytes> &pieces)
{
    std::string entries;
    for (size_t i = 0; i < pieces.size(); ++i) {
        char crc[9];
        snprintf(crc, sizeof(crc), "%08X", BitwiseCrc32(pieces[i]));
        entries += std::to_string(i) + "=" + std::to_string(pieces[i].size()) + "," + crc + "\r\n";
    }
    return entries;
}

std::string RecordOf(const std::vector<Bytes> &pieces)
{
    return "[PIECES]\r\nCount=" + std::to_string(pieces.size()) + "\r\n" + EntriesOf(pieces);
}

// Three pieces with their record in patch.ini beside them, as the media
// builder writes it.
class RecordedJoin : public Staging {
protected:
    void SetUp() override
    {
        Staging::SetUp();
        WriteThreePieces();
        for (int i = 0; i < 3; ++i) {
            Bytes piece;
            ASSERT_TRUE(ReadFileBytes(PiecePath(i), &piece));
            pieces_.push_back(piece);
        }
        WriteRecord(RecordOf(pieces_));
    }

    std::string PiecePath(int i) { return JoinPath(source_, "Patch." + std::to_string(i)); }

    void WriteRecord(const std::string &record)
    {
        WriteFileText(JoinPath(source_, "patch.ini"), "[VERSION]\r\nVersion=1.0\r\n" + record);
    }

    std::vector<Bytes> pieces_;
};

TEST_F(RecordedJoin, WrongOrDamagedPieceIsAskedForAgainUntilTheRightOneIsIn)
{
    // Disk 3 of another build: the same size, other bytes. Then a copy of
    // the right one with one byte flipped, then one a byte short.
    Bytes flipped = pieces_[2];
    flipped[250] ^= 0x10;
    const Bytes tries[] = {PatternBytes(500, 99), flipped, Slice(pieces_[2], 0, 499), pieces_[2]};
    WriteFileBytes(PiecePath(2), tries[0]);
    int asked = 0;
    MessageBoxRecorder boxes([&](const RecordedBox &box) {
        if (IsNotThisDisk(box, 3))
            WriteFileBytes(PiecePath(2), tries[++asked]);
        return IDOK;
    });
    EXPECT_EQ(1, JoinSpannedFile("Patch.rtp", source_.c_str(), product_.c_str()));
    EXPECT_EQ(data_, Output());
    ASSERT_EQ(3u, boxes.boxes().size());
    for (const RecordedBox &box : boxes.boxes())
        EXPECT_TRUE(IsNotThisDisk(box, 3)) << box.text;
}

TEST_F(RecordedJoin, CancelAtTheWrongDiskFailsBeforeAnyOfItsBytes)
{
    // The wrong disk 2 is answered with Cancel: nothing of it is written.
    WriteFileBytes(PiecePath(1), PatternBytes(1500, 42));
    MessageBoxRecorder boxes([](const RecordedBox &box) { return box.caption == "ZARized" ? IDCANCEL : IDOK; });
    EXPECT_EQ(0, JoinSpannedFile("Patch.rtp", source_.c_str(), product_.c_str()));
    EXPECT_EQ(Slice(data_, 0, 1000), Output());
    ASSERT_EQ(2u, boxes.boxes().size());
    EXPECT_TRUE(IsNotThisDisk(boxes.boxes()[0], 2)) << boxes.boxes()[0].text;
    EXPECT_TRUE(IsCantCopy(boxes.boxes()[1]));
}

TEST_F(RecordedJoin, MissingPieceIsAskedForAndCheckedOnceItIsThere)
{
    DeleteFileA(PiecePath(1).c_str());
    std::vector<std::string> texts;
    MessageBoxRecorder boxes([&](const RecordedBox &box) {
        texts.push_back(box.text);
        // First the disk of the other build, then the right one.
        WriteFileBytes(PiecePath(1), texts.size() == 1 ? PatternBytes(1500, 42) : pieces_[1]);
        return IDOK;
    });
    EXPECT_EQ(1, JoinSpannedFile("Patch.rtp", source_.c_str(), product_.c_str()));
    EXPECT_EQ(data_, Output());
    ASSERT_EQ(2u, boxes.boxes().size());
    EXPECT_TRUE(IsDiskPrompt(boxes.boxes()[0], 2));
    EXPECT_TRUE(IsNotThisDisk(boxes.boxes()[1], 2));
}

TEST_F(RecordedJoin, WhatAStoppedRunJoinedIsKeptAsFarAsItMatches)
{
    // A Patch.rtp left in the product folder is checked against the record,
    // piece by piece from the start: the pieces that match are kept, the
    // file is cut where they end, and only the disks after them are asked
    // for. Disks 2 and 3 are out of the drive; each prompt puts its disk in.
    Bytes longer = data_;
    longer.insert(longer.end(), 200, 0x5A);
    struct Case {
        const char *what;
        Bytes kept;
        std::vector<int> asked;
    };
    const Case cases[] = {
        {"kept whole, with more after it", longer, {}},
        {"disk 3's piece cut at half", Slice(data_, 0, 2750), {3}},
        {"a file of another patch", PatternBytes(3000, 8), {2, 3}},
    };
    for (const Case &c : cases) {
        WriteFileBytes(JoinPath(product_, "Patch.rtp"), c.kept);
        DeleteFileA(PiecePath(1).c_str());
        DeleteFileA(PiecePath(2).c_str());
        std::vector<int> asked;
        MessageBoxRecorder boxes([&](const RecordedBox &box) {
            int disk = 0;
            if (sscanf(box.text.c_str(), "Please insert disk %d.", &disk) == 1 && disk >= 2 && disk <= 3)
                WriteFileBytes(PiecePath(disk - 1), pieces_[disk - 1]);
            asked.push_back(disk);
            return IDOK;
        });
        EXPECT_EQ(1, JoinSpannedFile("Patch.rtp", source_.c_str(), product_.c_str())) << c.what;
        EXPECT_EQ(data_, Output()) << c.what;
        EXPECT_EQ(c.asked, asked) << c.what;
    }
}

TEST_F(RecordedJoin, RecordInEitherCaseWithCountsZeroAndOneForOnePiece)
{
    // Lower-case hexadecimal and leading zeros read as well.
    std::string entries = EntriesOf(pieces_);
    for (char &c : entries)
        c = (char)tolower((unsigned char)c);
    WriteRecord("[pieces]\r\ncount=03\r\n" + entries);
    MessageBoxRecorder boxes;
    EXPECT_EQ(1, JoinSpannedFile("Patch.rtp", source_.c_str(), product_.c_str()));
    EXPECT_EQ(data_, Output());

    // A single piece: the record's count and piece 0's may each be 0 or 1.
    for (unsigned header : {0u, 1u})
        for (const char *count : {"0", "1"}) {
            Bytes first = FirstPiece(header, data_);
            WriteFileBytes(PiecePath(0), first);
            WriteRecord(std::string("[PIECES]\r\nCount=") + count + "\r\n" + EntriesOf({first}));
            EXPECT_EQ(1, JoinSpannedFile("Patch.rtp", source_.c_str(), product_.c_str())) << header << count;
            EXPECT_EQ(data_, Output()) << header << count;
        }
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(RecordedJoin, DamagedRecordIsRefusedBeforeAnyByteIsJoined)
{
    const std::string entries = EntriesOf(pieces_);
    char crc0[9];
    snprintf(crc0, sizeof(crc0), "%08X", BitwiseCrc32(pieces_[0]));
    const std::string size0 = std::to_string(pieces_[0].size());
    const std::string rest = entries.substr(entries.find("1="));
    struct Case {
        const char *what;
        std::string record;
        bool outputCreated;  // only a count that piece 0 contradicts is found after the output is made
    } cases[] = {
        {"count other than piece 0's", "[PIECES]\r\nCount=2\r\n" + entries, true},
        {"no count", "[PIECES]\r\n" + entries, false},
        {"count not a number", "[PIECES]\r\nCount=three\r\n" + entries, false},
        {"count above 50", "[PIECES]\r\nCount=51\r\n" + entries, false},
        {"missing entry", "[PIECES]\r\nCount=3\r\n0=" + size0 + "," + crc0 + "\r\n" + rest.substr(rest.find("2=")), false},
        {"size not a number", "[PIECES]\r\nCount=3\r\n0=x" + size0 + "," + crc0 + "\r\n" + rest, false},
        {"size of 4 GB", "[PIECES]\r\nCount=3\r\n0=4294967295," + std::string(crc0) + "\r\n" + rest, false},
        {"size past 32 bits", "[PIECES]\r\nCount=3\r\n0=4294968300," + std::string(crc0) + "\r\n" + rest, false},
        {"first size below the count", "[PIECES]\r\nCount=3\r\n0=3," + std::string(crc0) + "\r\n" + rest, false},
        {"CRC of 7 digits", "[PIECES]\r\nCount=3\r\n0=" + size0 + "," + std::string(crc0).substr(1) + "\r\n" + rest, false},
        {"CRC not hexadecimal", "[PIECES]\r\nCount=3\r\n0=" + size0 + ",G" + std::string(crc0).substr(1) + "\r\n" + rest,
         false},
        {"no comma", "[PIECES]\r\nCount=3\r\n0=" + size0 + crc0 + "\r\n" + rest, false},
    };
    for (const Case &c : cases) {
        WriteRecord(c.record);
        DeleteFileA(JoinPath(product_, "Patch.rtp").c_str());
        MessageBoxRecorder boxes;
        EXPECT_EQ(0, JoinSpannedFile("Patch.rtp", source_.c_str(), product_.c_str())) << c.what;
        if (c.outputCreated)
            EXPECT_TRUE(Output().empty()) << c.what;
        else
            EXPECT_FALSE(FileExists(JoinPath(product_, "Patch.rtp"))) << c.what;
        ASSERT_EQ(1u, boxes.boxes().size()) << c.what;
        EXPECT_TRUE(IsCantCopy(boxes.boxes()[0])) << c.what;
    }
}

// Splits source_\Patch.rtp with the given sizes and joins it back.
class SplitJoin : public Staging {
protected:
    int Split(const Bytes &file, std::vector<int> given, std::vector<int> *table = nullptr)
    {
        WriteFileBytes(JoinPath(source_, "Patch.rtp"), file);
        int sizes[50] = {};
        for (size_t k = 0; k < given.size(); ++k)
            sizes[k] = given[k];
        int result = SplitSpannedFile(JoinPath(source_, "Patch.rtp").c_str(), sizes);
        if (table)
            table->assign(sizes, sizes + 50);
        return result;
    }
};

TEST_F(SplitJoin, EveryCoveringPlanJoinsBackToTheSameBytes)
{
    struct Case {
        size_t fileSize;
        std::vector<int> given;
        size_t pieces;
    };
    const Case cases[] = {
        {3000, {3004}, 1},              // one piece
        {3000, {100}, 31},              // many pieces, the last one cut
        {3000, {60, 100, 0, 500}, 9},   // sizes that repeat after each given one
        {2996, {1000}, 3},              // pieces exactly full
        {3000, {4000, 10, 20}, 3},      // pieces past the end created empty
        {0, {100}, 1},                  // empty input: piece 0 is its count alone
    };
    for (const Case &c : cases) {
        ScratchDir("staging\\source");
        const Bytes file = PatternBytes(c.fileSize, 11);
        MessageBoxRecorder boxes;
        EXPECT_EQ(1, Split(file, c.given)) << c.pieces;
        EXPECT_EQ(c.pieces + 1, ListDir(source_).size()) << c.pieces;
        if (c.fileSize == 0) {
            // Nothing to join: the joiner refuses a piece 0 without data.
            EXPECT_EQ(0, JoinSpannedFile("Patch.rtp", source_.c_str(), product_.c_str()));
            EXPECT_EQ(1u, boxes.boxes().size());
            continue;
        }
        EXPECT_EQ(1, JoinSpannedFile("Patch.rtp", source_.c_str(), product_.c_str())) << c.pieces;
        EXPECT_EQ(file, Output()) << c.pieces;
        EXPECT_TRUE(boxes.boxes().empty()) << c.pieces;
    }
}

TEST_F(SplitJoin, BlocksHoldOnlyTheDataLeftNotTheWholeEntry)
{
    // Guards docs/behaviour.md, "Blocks sized to the data".
    // Entries up to 2 GB for files of a few hundred bytes: the one block the
    // pieces share is only as large as the most data one receives (a 32-bit
    // process cannot get a 2 GB block at all), and without data there is none.
    struct Case {
        size_t fileSize;
        std::vector<int> given;
        std::vector<size_t> pieceBytes;
        size_t blockBytes;  // the one block's size, 0 for none
    };
    const Case cases[] = {
        {100, {2000000000}, {104}, 100},
        {250, {100, 1900000000}, {100, 154}, 154},
        {250, {100, 2147483647, 2147483647}, {100, 154, 0}, 154},
        {0, {2147483647}, {4}, 0},
    };
    for (const Case &c : cases) {
        ScratchDir("staging\\source");
        const Bytes file = PatternBytes(c.fileSize, 13);
        MessageBoxRecorder boxes;
        {
            GlobalAllocWatch watch;
            ASSERT_TRUE(watch.installed());
            EXPECT_EQ(1, Split(file, c.given)) << c.given.back();
            EXPECT_EQ(c.blockBytes ? 1u : 0u, watch.requests()) << c.given.back();
            EXPECT_EQ(c.blockBytes, watch.largest()) << c.given.back();
        }
        EXPECT_TRUE(boxes.boxes().empty()) << c.given.back();
        ASSERT_EQ(c.pieceBytes.size() + 1, ListDir(source_).size()) << c.given.back();
        for (size_t i = 0; i < c.pieceBytes.size(); ++i) {
            Bytes piece;
            ASSERT_TRUE(ReadFileBytes(JoinPath(source_, "Patch." + std::to_string(i)), &piece));
            EXPECT_EQ(c.pieceBytes[i], piece.size()) << c.given.back() << " piece " << i;
        }
        if (c.fileSize > 0) {
            EXPECT_EQ(1, JoinSpannedFile("Patch.rtp", source_.c_str(), product_.c_str()));
            EXPECT_EQ(file, Output());
        }
    }
}

TEST_F(SplitJoin, PieceThatCannotBeCreatedStopsTheSplitWithAMessage)
{
    // A folder where piece 2 should go: the split must not shift its bytes
    // into piece 3 and still report nothing.
    MakeDir(JoinPath(source_, "Patch.2"));
    MessageBoxRecorder boxes;
    EXPECT_EQ(0, Split(PatternBytes(1000), {100}));
    EXPECT_TRUE(FileExists(JoinPath(source_, "Patch.1")));
    EXPECT_FALSE(FileExists(JoinPath(source_, "Patch.3")));
    ASSERT_EQ(1u, boxes.boxes().size());
    EXPECT_EQ("Error", boxes.boxes()[0].caption);
    EXPECT_EQ("Could not write the piece file " + JoinPath(source_, "Patch.2") + ".  The pieces are incomplete.",
              boxes.boxes()[0].text);

    // An input named like its own piece 0 is never replaced while it is read.
    const Bytes input = PatternBytes(500, 4);
    WriteFileBytes(JoinPath(source_, "Data.0"), input);
    int sizes[50] = {100};
    EXPECT_EQ(0, SplitSpannedFile(JoinPath(source_, "Data.0").c_str(), sizes));
    Bytes after;
    ASSERT_TRUE(ReadFileBytes(JoinPath(source_, "Data.0"), &after));
    EXPECT_EQ(input, after);
    ASSERT_EQ(2u, boxes.boxes().size());
    EXPECT_EQ("Could not write the piece file " + JoinPath(source_, "Data.0") + ".  The pieces are incomplete.",
              boxes.boxes()[1].text);
}

TEST_F(SplitJoin, NoInputNoTableNoDot)
{
    int sizes[50] = {100};
    MessageBoxRecorder boxes;
    EXPECT_EQ(0, SplitSpannedFile(JoinPath(source_, "absent.bin").c_str(), sizes));
    ASSERT_EQ(1u, boxes.boxes().size());
    EXPECT_EQ("Error", boxes.boxes()[0].caption);
    EXPECT_EQ("Could not find source file", boxes.boxes()[0].text);
    EXPECT_EQ((UINT)MB_OK, boxes.boxes()[0].style);

    WriteFileBytes(JoinPath(source_, "nodot"), PatternBytes(10));
    EXPECT_EQ(0, SplitSpannedFile(JoinPath(source_, "nodot").c_str(), sizes));
    EXPECT_EQ(0, SplitSpannedFile("", sizes));
    EXPECT_EQ(0, SplitSpannedFile(nullptr, sizes));
    EXPECT_EQ(0, SplitSpannedFile(JoinPath(source_, "nodot").c_str(), nullptr));
    EXPECT_EQ(1u, boxes.boxes().size());
    EXPECT_EQ(std::vector<std::string>({"nodot"}), ListDir(source_));
}

}  // namespace
