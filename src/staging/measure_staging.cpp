// MeasureStaging: the sizes the free-space check weighs, read before the
// first change.
#include "staging.h"
#include "media_record.h"
#include "split_plan.h"
#include "staging_io.h"
#include "../common/common.h"

// The size of dir\name; 0 when it cannot be opened for reading (absent, or
// held by another program) or is 4 GB or more.
static unsigned long long FileSizeIn(const char *dir, const char *name)
{
    char path[PATH_CHARS];
    HANDLE file;
    DWORD size = 0;
    if (!FormFilePath(path, PATH_CHARS, dir, name))
        return 0;
    file = OpenForReading(path);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    if (!GetFileSize32(file, &size))
        size = 0;
    CloseHandle(file);
    return size;
}

void MeasureStaging(const char *sourceDir, const char *productDir, StagingSizes *sizes)
{
    PieceRecord record;
    unsigned long long firstPiece;
    sizes->engine = FileSizeIn(sourceDir, "PATCH.DLL");
    sizes->pif = FileSizeIn(sourceDir, "PATCH.PIF");
    if (ReadPieceRecord(sourceDir, &record) == RECORD_READ) {
        sizes->data = RecordedDataBytes(&record);
    } else {
        firstPiece = FileSizeIn(sourceDir, "PATCH.0");
        sizes->data = firstPiece > SPLIT_HEADER_BYTES ? firstPiece - SPLIT_HEADER_BYTES : 0;
    }
    sizes->oldEngineCopy = FileSizeIn(productDir, "Patch.dll");
    sizes->oldEngine = FileSizeIn(productDir, "Patch.exe");
    sizes->oldPif = FileSizeIn(productDir, "Patch.pif");
    sizes->oldData = FileSizeIn(productDir, "Patch.rtp");
}
