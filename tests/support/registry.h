// Registry helpers for tests: set, read back, snapshot and remove keys.
#ifndef ZARIZED_TEST_REGISTRY_H
#define ZARIZED_TEST_REGISTRY_H

#include <windows.h>

#include <map>
#include <string>
#include <vector>

struct RegValue {
    bool exists = false;
    DWORD type = 0;
    std::vector<unsigned char> data;
    std::string Text() const;  // the data up to its first NUL
    DWORD Dword() const;
    bool operator==(const RegValue &o) const { return exists == o.exists && type == o.type && data == o.data; }
};

void SetRegString(HKEY root, const std::string &path, const std::string &name, const std::string &text,
                  DWORD type = REG_SZ);
void SetRegDword(HKEY root, const std::string &path, const std::string &name, DWORD value);
void SetRegBinary(HKEY root, const std::string &path, const std::string &name, const std::vector<unsigned char> &data,
                  DWORD type = REG_BINARY);
// A REG_SZ of exactly the text's bytes, with no terminating NUL.
void SetRegTextWithoutNul(HKEY root, const std::string &path, const std::string &name, const std::string &text);
RegValue ReadRegValue(HKEY root, const std::string &path, const std::string &name);
bool RegKeyExists(HKEY root, const std::string &path);
void CreateRegKey(HKEY root, const std::string &path);
// Removes a key and everything below it, depth first.
void DeleteRegTree(HKEY root, const std::string &path);
void DeleteRegValue(HKEY root, const std::string &path, const std::string &name);

// Every key and value below a key, by path ("sub\\key|value" -> value).
using RegSnapshot = std::map<std::string, RegValue>;
// skippedSubkeys name subkeys, by their paths below path, left out with their trees.
RegSnapshot SnapshotRegTree(HKEY root, const std::string &path, const std::vector<std::string> &skippedSubkeys = {});
std::vector<std::string> SubkeyNames(HKEY root, const std::string &path);

// Removes what the program writes, so each test starts from a known state;
// the destructor does the same, so no test leaves traces.
struct ProductRegistryScope {
    ProductRegistryScope();
    ~ProductRegistryScope();
    static void Clear();
};

// Registers a product folder as the installed product.
void RegisterProduct(const std::string &folder);

#endif
