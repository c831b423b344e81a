// A sample installation and patch media for end-to-end runs.
#ifndef ZARIZED_TEST_INSTALLATION_H
#define ZARIZED_TEST_INSTALLATION_H

#include "files.h"

#include <string>

// The Windows path of a built ZELFSV4.DLL fixture (see version_fixtures.cmake).
std::string VersionFixture(const std::string &name);
// A Windows path inside the source tree or the build tree.
std::string SourcePath(const std::string &relative);
std::string BuildPath(const std::string &relative);

// Creates productDir with the fixture's ZELFSV4.DLL in it and registers it
// (as registeredText when given, else as productDir itself).
void InstallProduct(const std::string &productDir, const std::string &fixture,
                    const std::string &registeredText = "");

// The Patch.pif this build ships (build/PATCH.PIF).
Bytes ShippedPif();

// Lays out one-disk patch media in mediaDir: PATCH.DLL, PATCH.PIF, patch.ini
// naming the release (no patch.ini when release is empty) and PATCH.0
// holding the whole patch data with a piece count of 1.
void MakeMedia(const std::string &mediaDir, const std::string &release, const Bytes &engine, const Bytes &pif,
               const Bytes &data);

// Piece 0 of a spanned file: the count, little-endian, then the bytes.
Bytes FirstPiece(unsigned count, const Bytes &data);

#endif
