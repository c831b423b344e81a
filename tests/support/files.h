// File helpers for tests: scratch folders and whole-file reads and writes.
#ifndef ZARIZED_TEST_FILES_H
#define ZARIZED_TEST_FILES_H

#include <map>
#include <string>
#include <vector>

using Bytes = std::vector<unsigned char>;

// A fresh, empty folder C:\zarized-tests\<name> (removed first if present).
std::string ScratchDir(const std::string &name);
void RemoveTree(const std::string &path);
void MakeDir(const std::string &path);
bool WriteFileBytes(const std::string &path, const Bytes &data);
bool WriteFileText(const std::string &path, const std::string &text);
bool ReadFileBytes(const std::string &path, Bytes *data);
bool FileExists(const std::string &path);
// Deterministic test data: byte i is a mix of i and the seed.
Bytes PatternBytes(size_t size, unsigned seed = 1);
// count bytes of data from `from` on.
Bytes Slice(const Bytes &data, size_t from, size_t count);
std::string JoinPath(const std::string &dir, const std::string &name);
std::vector<std::string> ListDir(const std::string &dir);  // sorted names, without "." and ".."
// Every file directly in a folder, by name, with its bytes.
std::map<std::string, Bytes> ReadFolderFiles(const std::string &dir);
std::string CurrentDir();
// The first of the parts that the file does not hold after the parts before
// it, with the file's text; empty when it holds them all in this order.
std::string MissingInOrder(const std::string &path, const std::vector<std::string> &parts);

#endif
