#include "files.h"

#include <windows.h>

#include <algorithm>

// Whether the path's last character, stepped as the ANSI code page has it,
// is "\": under a double-byte code page a last byte 0x5C may be the second
// half of a character.
static bool EndsInBackslash(const std::string &path)
{
    if (path.empty())
        return false;
    const char *end = path.c_str() + path.size();
    const char *last = CharPrevA(path.c_str(), end);
    return end - last == 1 && *last == '\\';
}

std::string JoinPath(const std::string &dir, const std::string &name)
{
    if (EndsInBackslash(dir))
        return dir + name;
    return dir + "\\" + name;
}

std::vector<std::string> ListDir(const std::string &dir)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(JoinPath(dir, "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        std::string name = found.cFileName;
        if (name != "." && name != "..")
            names.push_back(name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

std::map<std::string, Bytes> ReadFolderFiles(const std::string &dir)
{
    std::map<std::string, Bytes> files;
    for (const std::string &name : ListDir(dir)) {
        Bytes data;
        if (ReadFileBytes(JoinPath(dir, name), &data))
            files[name] = data;
    }
    return files;
}

void RemoveTree(const std::string &path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        for (const std::string &name : ListDir(path))
            RemoveTree(JoinPath(path, name));
        RemoveDirectoryA(path.c_str());
    } else {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
    }
}

void MakeDir(const std::string &path)
{
    // Character by character, so that no second byte 0x5C counts as a "\".
    const char *start = path.c_str();
    for (const char *p = start + (path.size() < 3 ? path.size() : 3);; p = CharNextA(p))
        if (!*p || *p == '\\') {
            CreateDirectoryA(path.substr(0, p - start).c_str(), nullptr);
            if (!*p)
                break;
        }
}

std::string ScratchDir(const std::string &name)
{
    std::string path = "C:\\zarized-tests\\" + name;
    RemoveTree(path);
    MakeDir(path);
    return path;
}

bool WriteFileBytes(const std::string &path, const Bytes &data)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = data.empty() || WriteFile(file, data.data(), (DWORD)data.size(), &written, nullptr);
    CloseHandle(file);
    return ok && written == data.size();
}

bool WriteFileText(const std::string &path, const std::string &text)
{
    return WriteFileBytes(path, Bytes(text.begin(), text.end()));
}

bool ReadFileBytes(const std::string &path, Bytes *data)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD size = GetFileSize(file, nullptr);
    data->assign(size, 0);
    DWORD read = 0;
    BOOL ok = size == 0 || ReadFile(file, data->data(), size, &read, nullptr);
    CloseHandle(file);
    return ok && read == size;
}

bool FileExists(const std::string &path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

Bytes PatternBytes(size_t size, unsigned seed)
{
    Bytes data(size);
    unsigned state = seed * 2654435761u + 12345u;
    for (size_t i = 0; i < size; ++i) {
        state = state * 1103515245u + 12345u;
        data[i] = (unsigned char)(state >> 16);
    }
    return data;
}

Bytes Slice(const Bytes &data, size_t from, size_t count)
{
    return Bytes(data.begin() + from, data.begin() + from + count);
}

std::string CurrentDir()
{
    char dir[MAX_PATH] = "";
    GetCurrentDirectoryA(MAX_PATH, dir);
    return dir;
}

std::string MissingInOrder(const std::string &path, const std::vector<std::string> &parts)
{
    Bytes bytes;
    if (!ReadFileBytes(path, &bytes))
        return "no file " + path;
    const std::string text(bytes.begin(), bytes.end());
    size_t at = 0;
    for (const std::string &part : parts) {
        at = text.find(part, at);
        if (at == std::string::npos)
            return "\"" + part + "\" is not in " + path + " after what comes before it:\n" + text;
        at += part.size();
    }
    return "";
}
