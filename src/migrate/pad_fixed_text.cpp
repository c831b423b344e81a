// PadFixedText: zero filler after the data, and a terminator within the buffer.
#include "fixed_text.h"
#include "../runtime/runtime.h"

int PadFixedText(unsigned char *data, unsigned int length, unsigned int capacity)
{
    if (capacity == 0 || length > capacity)
        return 0;
    RtMemSet(data + length, 0, capacity - length);
    return data[capacity - 1] == 0;
}
