#include "registry.h"

#include <algorithm>

std::string RegValue::Text() const
{
    std::string text(data.begin(), data.end());
    return text.substr(0, text.find('\0'));
}

DWORD RegValue::Dword() const
{
    DWORD value = 0;
    if (data.size() >= 4)
        memcpy(&value, data.data(), 4);
    return value;
}

static void SetRaw(HKEY root, const std::string &path, const std::string &name, DWORD type, const void *data,
                   DWORD size)
{
    // The last key is created below its opened parent: Wine refuses a whole
    // path whose last name is near the 255-character limit.
    size_t split = path.rfind('\\');
    HKEY parent = root;
    if (split != std::string::npos &&
        RegCreateKeyExA(root, path.substr(0, split).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &parent, nullptr) !=
            ERROR_SUCCESS)
        return;
    const std::string last = split == std::string::npos ? path : path.substr(split + 1);
    HKEY key;
    if (RegCreateKeyExA(parent, last.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) == ERROR_SUCCESS) {
        RegSetValueExA(key, name.c_str(), 0, type, (const BYTE *)data, size);
        RegCloseKey(key);
    }
    if (parent != root)
        RegCloseKey(parent);
}

void SetRegString(HKEY root, const std::string &path, const std::string &name, const std::string &text, DWORD type)
{
    SetRaw(root, path, name, type, text.c_str(), (DWORD)text.size() + 1);
}

void SetRegDword(HKEY root, const std::string &path, const std::string &name, DWORD value)
{
    SetRaw(root, path, name, REG_DWORD, &value, 4);
}

void SetRegBinary(HKEY root, const std::string &path, const std::string &name, const std::vector<unsigned char> &data,
                  DWORD type)
{
    SetRaw(root, path, name, type, data.data(), (DWORD)data.size());
}

void SetRegTextWithoutNul(HKEY root, const std::string &path, const std::string &name, const std::string &text)
{
    // Wine counts a NUL that follows the data into a string value: keep the
    // byte after the text non-zero.
    std::string data = text + "x";
    SetRaw(root, path, name, REG_SZ, (const BYTE *)data.data(), (DWORD)text.size());
}

RegValue ReadRegValue(HKEY root, const std::string &path, const std::string &name)
{
    RegValue value;
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return value;
    DWORD size = 0;
    if (RegQueryValueExA(key, name.c_str(), nullptr, &value.type, nullptr, &size) == ERROR_SUCCESS) {
        value.data.resize(size);
        if (RegQueryValueExA(key, name.c_str(), nullptr, &value.type, value.data.data(), &size) == ERROR_SUCCESS) {
            value.exists = true;
            value.data.resize(size);
        }
    }
    RegCloseKey(key);
    return value;
}

bool RegKeyExists(HKEY root, const std::string &path)
{
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

void CreateRegKey(HKEY root, const std::string &path)
{
    HKEY key;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) == ERROR_SUCCESS)
        RegCloseKey(key);
}

std::vector<std::string> SubkeyNames(HKEY root, const std::string &path)
{
    std::vector<std::string> names;
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return names;
    char name[1024];
    for (DWORD i = 0;; ++i) {
        DWORD size = sizeof(name);
        if (RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.push_back(name);
    }
    RegCloseKey(key);
    return names;
}

// Works through open parent keys, so keys whose full path passes the 260
// characters a path may have are removed too.
static void DeleteChildTree(HKEY parent, const std::string &name)
{
    HKEY key;
    if (RegOpenKeyExA(parent, name.c_str(), 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        std::vector<char> child(32768);
        for (;;) {
            DWORD size = (DWORD)child.size();
            if (RegEnumKeyExA(key, 0, child.data(), &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                break;
            HKEY probe;
            DeleteChildTree(key, std::string(child.data(), size));
            if (RegOpenKeyExA(key, std::string(child.data(), size).c_str(), 0, KEY_READ, &probe) == ERROR_SUCCESS) {
                RegCloseKey(probe);  // could not be removed: give up rather than loop
                break;
            }
        }
        RegCloseKey(key);
    }
    RegDeleteKeyA(parent, name.c_str());
}

void DeleteRegTree(HKEY root, const std::string &path)
{
    size_t split = path.rfind('\\');
    if (split == std::string::npos) {
        DeleteChildTree(root, path);
        return;
    }
    HKEY parent;
    if (RegOpenKeyExA(root, path.substr(0, split).c_str(), 0, KEY_ALL_ACCESS, &parent) == ERROR_SUCCESS) {
        DeleteChildTree(parent, path.substr(split + 1));
        RegCloseKey(parent);
    }
}

void DeleteRegValue(HKEY root, const std::string &path, const std::string &name)
{
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        RegDeleteValueA(key, name.c_str());
        RegCloseKey(key);
    }
}

namespace {
// One set of buffers for a whole snapshot: a fresh megabyte per key made
// large trees slow.
struct SnapshotBuffers {
    std::vector<char> name = std::vector<char>(32768);
    std::vector<unsigned char> data = std::vector<unsigned char>(1 << 20);
};
}  // namespace

static void SnapshotInto(HKEY parent, const std::string &name, const std::string &prefix, RegSnapshot *snapshot,
                         SnapshotBuffers *buffers, const std::vector<std::string> &skipped)
{
    HKEY key;
    if (RegOpenKeyExA(parent, name.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    (*snapshot)[prefix + "|"].exists = true;  // the key itself
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = (DWORD)buffers->name.size();
        DWORD dataSize = (DWORD)buffers->data.size();
        RegValue value;
        if (RegEnumValueA(key, i, buffers->name.data(), &nameSize, nullptr, &value.type, buffers->data.data(),
                          &dataSize) != ERROR_SUCCESS)
            break;
        value.exists = true;
        value.data.assign(buffers->data.begin(), buffers->data.begin() + dataSize);
        std::string lower(buffers->name.data(), nameSize);
        CharLowerBuffA(&lower[0], (DWORD)lower.size());
        (*snapshot)[prefix + "|" + lower] = value;
    }
    std::vector<std::string> children;
    for (DWORD i = 0;; ++i) {
        DWORD size = (DWORD)buffers->name.size();
        if (RegEnumKeyExA(key, i, buffers->name.data(), &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        children.emplace_back(buffers->name.data(), size);
    }
    for (const std::string &child : children) {
        std::string lower = child;
        CharLowerBuffA(&lower[0], (DWORD)lower.size());
        const std::string path = prefix + "\\" + lower;
        if (std::find(skipped.begin(), skipped.end(), path) == skipped.end())
            SnapshotInto(key, child, path, snapshot, buffers, skipped);
    }
    RegCloseKey(key);
}

RegSnapshot SnapshotRegTree(HKEY root, const std::string &path, const std::vector<std::string> &skippedSubkeys)
{
    RegSnapshot snapshot;
    SnapshotBuffers buffers;
    // Compared as the walk names them: lower case, from a backslash.
    std::vector<std::string> skipped;
    for (std::string subkey : skippedSubkeys) {
        CharLowerBuffA(&subkey[0], (DWORD)subkey.size());
        skipped.push_back("\\" + subkey);
    }
    SnapshotInto(root, path, "", &snapshot, &buffers, skipped);
    return snapshot;
}

static const char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

void ProductRegistryScope::Clear()
{
    DeleteRegTree(HKEY_LOCAL_MACHINE, "Software\\Quorvel");
    DeleteRegTree(HKEY_CURRENT_USER, "Software\\Quorvel");
    static const char *const kRunEntries[] = {
        "Kelvane FileSteward", "Kelvane TaskBar",  "Kelvane Start Menu",   "Kelvane FolderCues",
        "Kelvane Indexing",    "Kelvane Undo Purge", "Kelvane Undo Monitor", "Kelvane Palomid Loader"};
    for (const char *entry : kRunEntries)
        DeleteRegValue(HKEY_LOCAL_MACHINE, kRunKey, entry);
}

ProductRegistryScope::ProductRegistryScope()
{
    Clear();
}

ProductRegistryScope::~ProductRegistryScope()
{
    Clear();
}

void RegisterProduct(const std::string &folder)
{
    SetRegString(HKEY_LOCAL_MACHINE, "Software\\Quorvel\\InstalledApps", "Kelvane Palomid", folder);
}
