// Telling release texts apart (pure text work, no Win32).
#ifndef ZARIZED_CLASSIFY_RELEASE_H
#define ZARIZED_CLASSIFY_RELEASE_H

enum { RELEASE_NONE = 0, RELEASE_1_0 = 1, RELEASE_95_0_A = 2, RELEASE_95_0_B = 3 };

// The class of a release text: the first class one of whose literals holds
// the text ("1.0"/"1.0.0", then "95.0.a"/"95.0.A", then "95.0.b"/"95.0.B").
int ClassifyRelease(const char *text);

#endif
