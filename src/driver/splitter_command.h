// Reading the splitter mode's command text (pure text work, no Win32).
#ifndef ZARIZED_SPLITTER_COMMAND_H
#define ZARIZED_SPLITTER_COMMAND_H

#include "../staging/split_plan.h"

// The sizes the command may give: one per entry of the splitter's table.
enum { SPLIT_SIZE_COUNT = SPLIT_TABLE_ENTRIES };

// Tokenises the text after "/b" in place, at commas (empty fields skipped):
// the first token, cut to fileChars, is the file name; each further token,
// scanned as "%ld", fills the next of at most 50 sizes (0 when it is no
// number). Returns 0 when there is no token at all.
int ParseSplitterCommand(char *arguments, char *fileName, int fileChars, int *sizes);

#endif
