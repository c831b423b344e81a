// Watches the global-heap blocks this test program asks for: while a watch
// lives, the program's own import of GlobalAlloc goes through a recorder.
// Code linked into the test program (the program's sources included) calls
// GlobalAlloc through that import, so every request it makes is seen.
#ifndef ZARIZED_TEST_ALLOCATION_WATCH_H
#define ZARIZED_TEST_ALLOCATION_WATCH_H

#include <windows.h>

class GlobalAllocWatch {
public:
    GlobalAllocWatch();
    ~GlobalAllocWatch();
    GlobalAllocWatch(const GlobalAllocWatch &) = delete;
    GlobalAllocWatch &operator=(const GlobalAllocWatch &) = delete;

    // False when the import could not be found or rerouted.
    bool installed() const;
    // The requests seen so far, and the largest size asked for.
    size_t requests() const;
    SIZE_T largest() const;
};

#endif
