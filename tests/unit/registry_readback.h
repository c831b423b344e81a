// Reading back whole keys for the migration tests: every value by its stored
// name with type and bytes, and the values the product writes at a fixed length.
#ifndef ZARIZED_TEST_REGISTRY_READBACK_H
#define ZARIZED_TEST_REGISTRY_READBACK_H

#include <map>
#include <string>
#include <vector>

#include "registry.h"

using Values = std::map<std::string, RegValue>;  // by name, in its stored letter case

inline Values ValuesOf(HKEY root, const std::string &path)
{
    Values values;
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return values;
    std::vector<char> name(32768);
    std::vector<unsigned char> data(65536);
    RegValue value;
    for (DWORD i = 0, nameSize = 32768, dataSize = 65536;
         RegEnumValueA(key, i, name.data(), &nameSize, nullptr, &value.type, data.data(), &dataSize) == ERROR_SUCCESS;
         ++i, nameSize = 32768, dataSize = 65536) {
        value.exists = true;
        value.data.assign(data.begin(), data.begin() + dataSize);
        values[std::string(name.data(), nameSize)] = value;
    }
    RegCloseKey(key);
    return values;
}

inline void SetValues(HKEY root, const std::string &path, const Values &values)
{
    for (const auto &v : values)
        SetRegBinary(root, path, v.first, v.second.data, v.second.type);
}

inline std::string Describe(const Values &values)
{
    std::string text;
    for (const auto &v : values)
        text += "[" + v.first + "] type " + std::to_string(v.second.type) + ", " +
                std::to_string(v.second.data.size()) + " bytes: " + v.second.Text() + "\n";
    return text;
}

inline RegValue Value(DWORD type, const std::vector<unsigned char> &data)
{
    RegValue value;
    value.exists = true;
    value.type = type;
    value.data = data;
    return value;
}

// A text with its terminator, as a program stores it.
inline RegValue Sz(const std::string &text, DWORD type = REG_SZ)
{
    std::vector<unsigned char> data(text.c_str(), text.c_str() + text.size() + 1);
    return Value(type, data);
}

// A REG_SZ of 260 bytes: the given bytes, then zeros.
inline RegValue Fixed(const std::string &bytes)
{
    std::vector<unsigned char> data(bytes.begin(), bytes.end());
    data.resize(260, 0);
    return Value(REG_SZ, data);
}

// A key's class string.
inline std::string ClassOf(HKEY root, const std::string &path)
{
    HKEY key;
    char name[256] = "";
    DWORD size = sizeof(name);
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "(no key)";
    if (RegQueryInfoKeyA(key, name, &size, 0, 0, 0, 0, 0, 0, 0, 0, 0) != ERROR_SUCCESS)
        size = 0;
    RegCloseKey(key);
    return std::string(name, size);
}

#define EXPECT_VALUES(expected, root, path)                        \
    do {                                                           \
        const Values actual_ = ValuesOf(root, path);               \
        EXPECT_TRUE(actual_ == (expected)) << Describe(actual_);   \
    } while (0)

#endif
