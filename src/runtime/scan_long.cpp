// "%ld" scanning of one signed decimal number.
#include "runtime.h"

static int IsScanSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

int RtScanLong(const char *text, int *value)
{
    unsigned int magnitude = 0;
    int negative = 0;
    const char *p = text;
    while (IsScanSpace(*p))
        ++p;
    if (!*p)
        return -1;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    if (*p < '0' || *p > '9')
        return 0;
    // Digits beyond 32 bits wrap, as in a 32-bit C library's scanner.
    for (; *p >= '0' && *p <= '9'; ++p)
        magnitude = magnitude * 10u + (unsigned int)(*p - '0');
    *value = (int)(negative ? 0u - magnitude : magnitude);
    return 1;
}
