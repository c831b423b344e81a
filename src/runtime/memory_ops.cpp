// Filling and copying memory.
#include "runtime.h"

void *RtMemSet(void *dest, int value, size_t count)
{
    volatile unsigned char *d = (volatile unsigned char *)dest;
    while (count--)
        *d++ = (unsigned char)value;
    return dest;
}

void *RtMemCopy(void *dest, const void *src, size_t count)
{
    volatile unsigned char *d = (volatile unsigned char *)dest;
    const unsigned char *s = (const unsigned char *)src;
    while (count--)
        *d++ = *s++;
    return dest;
}
