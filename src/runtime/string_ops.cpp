// Comparing, measuring, searching and bounded copying of NUL-terminated text.
#include "runtime.h"

int RtStrCmp(const char *a, const char *b)
{
    const unsigned char *x = (const unsigned char *)a;
    const unsigned char *y = (const unsigned char *)b;
    while (*x && *x == *y) {
        ++x;
        ++y;
    }
    return (int)*x - (int)*y;
}

size_t RtStrLen(const char *s)
{
    size_t n = 0;
    while (s[n])
        ++n;
    return n;
}

char *RtStrStr(const char *haystack, const char *needle)
{
    if (!*needle)
        return (char *)haystack;
    for (; *haystack; ++haystack) {
        const char *h = haystack;
        const char *n = needle;
        while (*h && *h == *n) {
            ++h;
            ++n;
        }
        if (!*n)
            return (char *)haystack;
    }
    return 0;
}

int RtCopyText(char *dest, size_t capacity, const char *src)
{
    size_t i = 0;
    if (capacity == 0)
        return 0;
    for (; src[i] && i + 1 < capacity; ++i)
        dest[i] = src[i];
    dest[i] = 0;
    return src[i] == 0;
}

int RtAppendText(char *dest, size_t capacity, const char *src)
{
    size_t used = 0;
    while (used < capacity && dest[used])
        ++used;
    if (used >= capacity)
        return 0;
    return RtCopyText(dest + used, capacity - used, src);
}

void RtFormatDecimal(int value, char *buffer)
{
    char digits[12];
    int count = 0;
    // Work in unsigned so that the most negative value has a magnitude too.
    unsigned int magnitude = value < 0 ? 0u - (unsigned int)value : (unsigned int)value;
    do {
        digits[count++] = (char)('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude);
    if (value < 0)
        *buffer++ = '-';
    while (count)
        *buffer++ = digits[--count];
    *buffer = 0;
}
