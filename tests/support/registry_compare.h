// What the registry should hold: whole-registry comparisons for end-to-end
// runs (what a run may change, and a readable list of everything that differs
// from what was expected), whole keys read back for the migration tests, and
// expected entries built independently of the program.
#ifndef ZARIZED_TEST_REGISTRY_COMPARE_H
#define ZARIZED_TEST_REGISTRY_COMPARE_H

#include "registry.h"

#include <map>
#include <string>
#include <vector>

// Every key and value of HKLM\Software, HKCU\Software and HKLM\Network, the
// areas a patch run reads and writes, keyed in lower case as
// "HKLM\software\quorvel|value" ("|" alone for the key itself).
RegSnapshot SnapshotWatchedAreas();

// The same for the product's keys in both hives and the Windows Run key,
// where every migration writes: a few keys, read quickly.
RegSnapshot SnapshotProductAreas();

// Removes a key, its values and everything below it from a snapshot.
void EraseBelow(RegSnapshot *snapshot, const std::string &keyPath);

// One line per entry that differs, at most 20 lines; empty when none does.
std::string RegistryDifferences(const RegSnapshot &expected, const RegSnapshot &actual);

// The expected state after a run of the program, which meets Windows 95:
// there a REG_SZ value is stored as its text up to the first NUL and one NUL,
// whatever data length the writer gave. The entries a run writes (those that
// differ from `before`) are brought to that form.
RegSnapshot StoredByWindows95(const RegSnapshot &before, RegSnapshot expected);
RegValue StoredByWindows95(RegValue written);

// One key's values read back, by name in its stored letter case, with type
// and bytes; SetValues writes such a set, Describe lists it.
using Values = std::map<std::string, RegValue>;
Values ValuesOf(HKEY root, const std::string &path);
void SetValues(HKEY root, const std::string &path, const Values &values);
std::string Describe(const Values &values);
// A key's class string.
std::string ClassOf(HKEY root, const std::string &path);

#define EXPECT_VALUES(expected, root, path)                        \
    do {                                                           \
        const Values actual_ = ValuesOf(root, path);               \
        EXPECT_TRUE(actual_ == (expected)) << Describe(actual_);   \
    } while (0)

// Expected entries, built independently of the program.
std::vector<unsigned char> TextBytes(const std::string &text, size_t length);  // cut or zero-filled
RegValue Value(DWORD type, const std::vector<unsigned char> &data);
RegValue Dword(DWORD n);
// A text with its terminator, as a program stores it.
RegValue Sz(const std::string &text, DWORD type = REG_SZ);
// A REG_SZ of 260 bytes: the given bytes, then zeros.
RegValue Fixed(const std::string &bytes);
RegValue Key();
std::string Lower(std::string text);
// A text the program writes without its NUL, as Wine's registry reads it back.
RegValue TextWrittenWithoutNul(const std::string &text);
// The scrambled form of an FTP password.
std::vector<unsigned char> Scrambled(const std::string &password);
// The values the built-in dialog definitions (the program's RCDATA 1001) add
// below a Dialogs key, keyed as in SnapshotWatchedAreas.
void AddBuiltInDefinitions(const std::string &dialogsPath, RegSnapshot *expected);

#endif
