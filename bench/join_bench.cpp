// Joins a spanned file with the program's own joiner: join_bench NAME SOURCE
// TARGET, and prints the microseconds the join itself took (Wine's start-up
// apart). Without arguments it exits at once, for Wine's idle resident set.
#include <windows.h>

#include <stdio.h>

#include "driver/driver.h"
#include "staging/staging.h"

int main(int argc, char **argv)
{
    if (argc != 4)
        return 2;
    ModuleInstance = GetModuleHandleA(nullptr);
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    int joined = JoinSpannedFile(argv[1], argv[2], argv[3]);
    QueryPerformanceCounter(&end);
    printf("%lld\n", (long long)((end.QuadPart - start.QuadPart) * 1000000 / frequency.QuadPart));
    return joined ? 0 : 1;
}
