// Routes this test program's calls of an imported Win32 function, the
// program's library code included, through a replacement: how the tests see
// or vary what a routine asks of the system. The import table is walked by
// name, so it works for both pointer sizes and either name decoration.
#ifndef ZARIZED_TEST_IMPORT_SLOTS_H
#define ZARIZED_TEST_IMPORT_SLOTS_H

#include <windows.h>

#include <utility>
#include <vector>

// Every import slot of this program for the function, whatever DLL it is from.
std::vector<void **> ImportSlots(const char *function);

// Replaces the function in every slot while it lives, and restores it after.
class ImportPatch {
public:
    ImportPatch(const char *function, void *replacement);
    ~ImportPatch();
    ImportPatch(const ImportPatch &) = delete;
    ImportPatch &operator=(const ImportPatch &) = delete;
    bool Active() const { return original_ != nullptr; }  // false: the function is not imported
    // The function the slots held before, to be called by the replacement.
    template <typename Fn> Fn Original() const { return (Fn)original_; }

private:
    std::vector<std::pair<void **, void *>> slots_;
    void *original_ = nullptr;
};

#endif
