// Joins a spanned file with the program's own joiner: join_bench NAME SOURCE
// TARGET. Without arguments it exits at once, for Wine's idle resident set.
#include <windows.h>

#include "driver/driver.h"
#include "staging/staging.h"

int main(int argc, char **argv)
{
    if (argc != 4)
        return 2;
    ModuleInstance = GetModuleHandleA(nullptr);
    return JoinSpannedFile(argv[1], argv[2], argv[3]) ? 0 : 1;
}
