// Symbols the compiler may call on its own (structure fills and copies). Only
// the program links this file; test programs take these from their C library.
#include "runtime.h"

extern "C" void *memset(void *dest, int value, size_t count)
{
    return RtMemSet(dest, value, count);
}

extern "C" void *memcpy(void *dest, const void *src, size_t count)
{
    return RtMemCopy(dest, src, count);
}
