#include "registry_compare.h"

#include "program_runner.h"

#include <gtest/gtest.h>

#include <ctype.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>

std::string Lower(std::string text)
{
    if (!text.empty())
        CharLowerBuffA(&text[0], (DWORD)text.size());
    return text;
}

namespace {

void AddTree(RegSnapshot *all, HKEY root, const std::string &rootName, const std::string &path,
             const std::vector<std::string> &skipped = {})
{
    for (const auto &entry : SnapshotRegTree(root, path, skipped))
        (*all)[rootName + "\\" + Lower(path) + entry.first] = entry.second;
}

}  // namespace

RegSnapshot SnapshotWatchedAreas()
{
    RegSnapshot all;
    // HKLM\Software without its Classes and Wine's tables of time zones and
    // telephone countries: the program opens nothing there, and they hold
    // most of the keys and values, which would make every snapshot take
    // seconds under Wine.
    AddTree(&all, HKEY_LOCAL_MACHINE, "HKLM", "Software",
            {"Classes", "Microsoft\\Windows NT\\CurrentVersion\\Time Zones",
             "Microsoft\\Windows\\CurrentVersion\\Telephony"});
    // HKCU\Software without Wine's own settings: its desktop puts the
    // system parameters there when it starts, whenever that falls.
    AddTree(&all, HKEY_CURRENT_USER, "HKCU", "Software", {"Wine"});
    AddTree(&all, HKEY_LOCAL_MACHINE, "HKLM", "Network");
    return all;
}

RegSnapshot SnapshotProductAreas()
{
    RegSnapshot all;
    AddTree(&all, HKEY_LOCAL_MACHINE, "HKLM", "Software\\Quorvel");
    AddTree(&all, HKEY_CURRENT_USER, "HKCU", "Software\\Quorvel");
    AddTree(&all, HKEY_LOCAL_MACHINE, "HKLM", "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run");
    return all;
}

void EraseBelow(RegSnapshot *snapshot, const std::string &keyPath)
{
    for (auto it = snapshot->begin(); it != snapshot->end();)
        if (it->first.compare(0, keyPath.size(), keyPath) == 0 &&
            (it->first.size() == keyPath.size() || it->first[keyPath.size()] == '|' || it->first[keyPath.size()] == '\\'))
            it = snapshot->erase(it);
        else
            ++it;
}

static std::string Describe(const RegValue &v)
{
    if (!v.exists)
        return "(absent)";
    std::string text = "type " + std::to_string(v.type) + ", " + std::to_string(v.data.size()) + " bytes:";
    for (size_t i = 0; i < v.data.size() && i < 24; ++i) {
        char hex[4];
        snprintf(hex, sizeof(hex), " %02x", v.data[i]);
        text += hex;
    }
    return text;
}

std::string RegistryDifferences(const RegSnapshot &expected, const RegSnapshot &actual)
{
    std::string report;
    int differences = 0;
    for (const auto &entry : expected) {
        auto found = actual.find(entry.first);
        const RegValue there = found == actual.end() ? RegValue() : found->second;
        if (!(there == entry.second) && ++differences <= 20)
            report += entry.first + "\n  expected " + Describe(entry.second) + "\n  actual   " + Describe(there) + "\n";
    }
    for (const auto &entry : actual)
        if (!expected.count(entry.first) && ++differences <= 20)
            report += entry.first + " appeared: " + Describe(entry.second) + "\n";
    if (differences > 20)
        report += std::to_string(differences - 20) + " more\n";
    return report;
}

std::vector<unsigned char> TextBytes(const std::string &text, size_t length)
{
    std::vector<unsigned char> data(length, 0);
    std::copy(text.begin(), text.begin() + std::min(text.size(), length), data.begin());
    return data;
}

RegValue Value(DWORD type, const std::vector<unsigned char> &data)
{
    RegValue v;
    v.exists = true;
    v.type = type;
    v.data = data;
    return v;
}

RegValue Dword(DWORD n)
{
    return Value(REG_DWORD, {(unsigned char)n, (unsigned char)(n >> 8), (unsigned char)(n >> 16), (unsigned char)(n >> 24)});
}

RegValue Sz(const std::string &text, DWORD type)
{
    std::vector<unsigned char> data(text.c_str(), text.c_str() + text.size() + 1);
    return Value(type, data);
}

RegValue Fixed(const std::string &bytes)
{
    std::vector<unsigned char> data(bytes.begin(), bytes.end());
    data.resize(260, 0);
    return Value(REG_SZ, data);
}

Values ValuesOf(HKEY root, const std::string &path)
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

void SetValues(HKEY root, const std::string &path, const Values &values)
{
    for (const auto &v : values)
        SetRegBinary(root, path, v.first, v.second.data, v.second.type);
}

std::string Describe(const Values &values)
{
    std::string text;
    for (const auto &v : values)
        text += "[" + v.first + "] type " + std::to_string(v.second.type) + ", " +
                std::to_string(v.second.data.size()) + " bytes: " + v.second.Text() + "\n";
    return text;
}

std::string ClassOf(HKEY root, const std::string &path)
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

RegValue Key()
{
    RegValue v;
    v.exists = true;
    return v;
}

// The conversion of old entries writes its texts without a NUL; Wine's
// registry reads such a value back one byte longer, with a NUL added. (No
// reader of the registry can tell the length written: the dialog import's own
// tests see it at the call.)
RegValue StoredByWindows95(RegValue written)
{
    if (written.exists && written.type == REG_SZ) {
        auto nul = std::find(written.data.begin(), written.data.end(), 0);
        written.data.erase(nul, written.data.end());
        written.data.push_back(0);
    }
    return written;
}

RegSnapshot StoredByWindows95(const RegSnapshot &before, RegSnapshot expected)
{
    for (auto &entry : expected) {
        auto was = before.find(entry.first);
        if (was == before.end() || !(was->second == entry.second))
            entry.second = StoredByWindows95(entry.second);
    }
    return expected;
}

RegValue TextWrittenWithoutNul(const std::string &text)
{
    return Value(REG_SZ, TextBytes(text, text.size() + 1));
}

// The scrambled form of a password, worked out here on its own: XOR with the
// decimal length, then with the fixed key.
std::vector<unsigned char> Scrambled(const std::string &password)
{
    std::vector<unsigned char> data(password.begin(), password.end());
    const std::string lengthKey = std::to_string(password.size());
    const std::string fixedKey = "Ode Parvilk";
    for (size_t i = 0; i < data.size(); ++i)
        data[i] ^= (unsigned char)lengthKey[i % lengthKey.size()];
    for (size_t i = 0; i < data.size(); ++i)
        data[i] ^= (unsigned char)fixedKey[i % fixedKey.size()];
    return data;
}

// Reads the built-in definition text of the program (RCDATA 1001) into the
// values the import must write for it.
void AddBuiltInDefinitions(const std::string &dialogsPath, RegSnapshot *expected)
{
    HMODULE program = LoadLibraryExA(ProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, program);
    HRSRC found = FindResourceA(program, MAKEINTRESOURCEA(1001), (LPCSTR)RT_RCDATA);
    ASSERT_NE(nullptr, found);
    const char *text = (const char *)LockResource(LoadResource(program, found));
    std::vector<std::string> lines;
    for (const char *p = text, *end = text + SizeofResource(program, found); p < end; p += strlen(p) + 1)
        lines.push_back(p);
    size_t i = 0;
    while (i < lines.size() && !lines[i].empty()) {
        std::string section = dialogsPath + "\\" + Lower(lines[i++]);
        (*expected)[section + "|"] = Key();
        for (; i < lines.size() && !lines[i].empty(); ++i) {
            size_t equals = lines[i].find('=');
            std::string name = Lower(lines[i].substr(0, equals));
            std::string value = lines[i].substr(equals + 1);
            if (value.compare(0, 2, "0x") == 0 || value.compare(0, 2, "0X") == 0) {
                DWORD n = 0;
                for (char c : value.substr(2))
                    n = n * 16 + (isdigit((unsigned char)c) ? c - '0' : isxdigit((unsigned char)c) ? (tolower(c) - 'a' + 10) : 0);
                (*expected)[section + "|" + name] = Dword(n);
            } else {
                (*expected)[section + "|" + name] = Value(REG_SZ, TextBytes(value, value.size() + 1));
            }
        }
        ++i;  // the empty line that ends the section
    }
    FreeLibrary(program);
    (*expected)[dialogsPath + "|regrevision"] = Dword(0x01010108);
}

