// Reading the media's record of the pieces from patch.ini.
#include "media_record.h"
#include "../common/common.h"

static const char kRecordSection[] = "PIECES";
// Far more than a valid value needs; a longer value comes back cut and fails
// to parse.
enum { RECORD_VALUE_CHARS = 64 };

RecordState ReadPieceRecord(const char *sourceDir, PieceRecord *record)
{
    char iniPath[PATH_CHARS];
    char value[RECORD_VALUE_CHARS];
    char key[12];
    unsigned int index;
    record->pieces = 0;
    if (!FormFilePath(iniPath, PATH_CHARS, sourceDir, "patch.ini"))
        return RECORD_ABSENT;
    // Without a key name the reader lists the section's keys.
    if (GetPrivateProfileStringA(kRecordSection, 0, "", value, RECORD_VALUE_CHARS, iniPath) == 0)
        return RECORD_ABSENT;
    GetPrivateProfileStringA(kRecordSection, "Count", "", value, RECORD_VALUE_CHARS, iniPath);
    if (!ParsePieceCount(value, RECORD_VALUE_CHARS, &record->pieces))
        return RECORD_DAMAGED;
    for (index = 0; index < record->pieces; ++index) {
        RtFormatDecimal((int)index, key);
        GetPrivateProfileStringA(kRecordSection, key, "", value, RECORD_VALUE_CHARS, iniPath);
        if (!ParsePieceEntry(value, RECORD_VALUE_CHARS, index, &record->entries[index]))
            return RECORD_DAMAGED;
    }
    return RECORD_READ;
}
