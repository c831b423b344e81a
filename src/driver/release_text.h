// Release texts and the component path (pure text work, no Win32).
#ifndef ZARIZED_RELEASE_TEXT_H
#define ZARIZED_RELEASE_TEXT_H

#include <stddef.h>

// The release a component's "ProductVersion" names. A string that starts
// with "v" or "V" ("Version 95.0.b", "V 1.0.0") names what follows the first
// blank after that letter; any other string names itself, whole. Returns 1
// and fills release when there is such a text and it fits in capacity
// characters with its terminator; otherwise 0 and release is left untouched:
// a "v" string without a blank, an empty release text (it would occur inside
// every release literal) and a text too long for the buffer name no release.
int ExtractReleaseText(const char *productVersion, char *release, size_t capacity);

// The component's path, the registered product folder as stored followed by
// "\ZELFSV4.DLL". Returns 0, with path emptied, when the folder is empty or
// the whole path does not fit in capacity characters with its terminator: a
// cut path would name some other file.
int FormComponentPath(const char *productFolder, char *path, size_t capacity);

#endif
