// Names of the staged files and of the pieces of a spanned file (pure text
// work, no Win32).
#ifndef ZARIZED_PIECE_NAME_H
#define ZARIZED_PIECE_NAME_H

// Forms dir + "\" + name in out. Returns 0 (out empty) when it does not fit in
// capacity characters, so that no cut path is ever opened.
int FormFilePath(char *out, int capacity, const char *dir, const char *name);

// Forms the name of piece `index` of the file at path: the path cut before
// its last "." (wherever it stands, a folder's included), then "." and the
// index in decimal ("%i"). Any "%" in the path is kept as it is. Returns 0
// (out empty) when the path holds no "." or the name does not fit.
int FormPieceName(char *out, int capacity, const char *path, int index);

#endif
