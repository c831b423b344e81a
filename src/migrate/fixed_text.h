// Fixed-length text values: the migrations copy settings into REG_SZ values
// of a fixed data length, whatever the length of the text inside. Pure buffer
// work, no Win32 call.
#ifndef ZARIZED_FIXED_TEXT_H
#define ZARIZED_FIXED_TEXT_H

// The data length of every fixed-length value, and the capacity of the
// buffers its names and data are read into.
enum { FIXED_TEXT_BYTES = 260 };

// Prepares `length` bytes read into a buffer of `capacity` bytes to be
// written with the full capacity as data length: zeroes every byte after the
// data, so nothing of an earlier value shows through. Returns 1 when the
// result holds a terminated text, 0 when the data fill the whole buffer with
// no NUL at its end (a reader would run past it: such a value is not copied).
int PadFixedText(unsigned char *data, unsigned int length, unsigned int capacity);

#endif
