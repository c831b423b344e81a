// Reading registry values for the fixed-length copies of the migrations.
#ifndef ZARIZED_FIXED_TEXT_VALUE_H
#define ZARIZED_FIXED_TEXT_VALUE_H

#include <windows.h>

#include "fixed_text.h"

enum { FIXED_VALUE_END, FIXED_VALUE_READ, FIXED_VALUE_SKIPPED };

// Reads value number `index` of `key` into name and data buffers of
// FIXED_TEXT_BYTES each, the data zero-padded to the full length (see
// PadFixedText). FIXED_VALUE_SKIPPED: the value does not fit the buffers or
// is no terminated text, and the enumeration goes on with the next index;
// FIXED_VALUE_END: there are no more values.
int ReadFixedTextValue(HKEY key, DWORD index, char *name, unsigned char *data);

#endif
