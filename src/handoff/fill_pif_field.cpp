// FillPifField: the bytes of one PIF field, zero-padded, or cut without a terminator.
#include "handoff_text.h"
#include "../runtime/runtime.h"

void FillPifField(char *field, int count, const char *value)
{
    int length = (int)RtStrLen(value);
    RtMemSet(field, 0, (size_t)count);
    RtMemCopy(field, value, (size_t)(length < count ? length : count));
}
