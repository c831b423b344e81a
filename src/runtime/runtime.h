// The few C runtime routines the program needs, under names of their own so
// that the program carries no C runtime DLL (a stock Windows 95 has none) and
// so that tests can compare them with a real C library in the same process.
// Everything here is pure buffer work: no Win32 call.
#ifndef ZARIZED_RUNTIME_H
#define ZARIZED_RUNTIME_H

#include <stddef.h>

// strcmp: compares as unsigned characters; result <0, 0 or >0.
int RtStrCmp(const char *a, const char *b);
// strlen.
size_t RtStrLen(const char *s);
// strstr: the first place where needle occurs in haystack, or 0.
char *RtStrStr(const char *haystack, const char *needle);
// strtok with its state in *state instead of a hidden static: leading and
// repeated delimiters are skipped, so empty tokens never appear.
char *RtStrTok(char *text, const char *delimiters, char **state);
// sscanf(text, "%ld", value) for a 32-bit value: returns 1 when a number was
// converted, 0 when the text does not start with one (after white space), and
// -1 when the text is empty or white space only. *value is untouched unless 1.
int RtScanLong(const char *text, int *value);
// memset and memcpy.
void *RtMemSet(void *dest, int value, size_t count);
void *RtMemCopy(void *dest, const void *src, size_t count);
// Copies at most capacity - 1 characters and always terminates (capacity > 0).
// Returns 1 when the whole text fitted, 0 when it was cut.
int RtCopyText(char *dest, size_t capacity, const char *src);
// Appends within the same rule; returns 1 when the whole text fitted.
int RtAppendText(char *dest, size_t capacity, const char *src);
// The decimal text of value, as "%d" gives it; buffer of at least 12 bytes.
void RtFormatDecimal(int value, char *buffer);

// _splitpath: drive ("A:"), directory (up to and including the last "\" or
// "/"), name and extension (from the last "." of the name on). Any output may
// be 0; each is cut to its buffer size below rather than overflowing.
enum { RT_MAX_DRIVE = 3, RT_MAX_DIR = 256, RT_MAX_FNAME = 256, RT_MAX_EXT = 256 };
void RtSplitPath(const char *path, char *drive, char *dir, char *name, char *ext);

#endif
