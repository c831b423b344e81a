// Names of the staged files and of the pieces of a spanned file (pure text
// work, no Win32). A staged file's name is FormFilePath's join.
#ifndef ZARIZED_PIECE_NAME_H
#define ZARIZED_PIECE_NAME_H

#include "../common/file_path.h"

// Forms the name of piece `index` of the file at path: the path cut before
// its last "." (wherever it stands, a folder's included), then "." and the
// index in decimal ("%i"). Any "%" in the path is kept as it is. Returns 0
// (out empty) when the path holds no "." or the name does not fit.
int FormPieceName(char *out, int capacity, const char *path, int index);

#endif
