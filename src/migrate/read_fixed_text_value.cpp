// ReadFixedTextValue: reads one value of a key for a fixed-length copy.
#include "fixed_text_value.h"

int ReadFixedTextValue(HKEY key, DWORD index, char *name, unsigned char *data)
{
    DWORD nameSize = FIXED_TEXT_BYTES;
    DWORD dataSize = FIXED_TEXT_BYTES;
    DWORD type;
    LONG result = RegEnumValueA(key, index, name, &nameSize, 0, &type, data, &dataSize);
    // A value too long for the buffers is passed over, not cut: a cut name
    // would be another value, and a cut path or command line would be wrong.
    if (result == ERROR_MORE_DATA)
        return FIXED_VALUE_SKIPPED;
    if (result != ERROR_SUCCESS)
        return FIXED_VALUE_END;
    return PadFixedText(data, dataSize, FIXED_TEXT_BYTES) ? FIXED_VALUE_READ : FIXED_VALUE_SKIPPED;
}
