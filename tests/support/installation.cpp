#include "installation.h"

#include "registry.h"

#include <windows.h>

#include <algorithm>

static std::string WindowsPathOf(std::string unixPath)
{
    std::replace(unixPath.begin(), unixPath.end(), '/', '\\');
    return "Z:" + unixPath;
}

std::string SourcePath(const std::string &relative)
{
    return JoinPath(WindowsPathOf(ZARIZED_SOURCE_UNIX_PATH), relative);
}

std::string BuildPath(const std::string &relative)
{
    return JoinPath(WindowsPathOf(ZARIZED_BINARY_UNIX_PATH), relative);
}

std::string VersionFixture(const std::string &name)
{
    return BuildPath("fixtures\\" + name + "\\ZELFSV4.DLL");
}

void InstallProduct(const std::string &productDir, const std::string &fixture, const std::string &registeredText)
{
    MakeDir(productDir);
    CopyFileA(VersionFixture(fixture).c_str(), JoinPath(productDir, "ZELFSV4.DLL").c_str(), FALSE);
    RegisterProduct(registeredText.empty() ? productDir : registeredText);
}

Bytes ShippedPif()
{
    Bytes pif;
    ReadFileBytes(BuildPath("PATCH.PIF"), &pif);
    return pif;
}

Bytes FirstPiece(unsigned count, const Bytes &data)
{
    Bytes piece(4 + data.size());
    for (int i = 0; i < 4; ++i)
        piece[i] = (unsigned char)(count >> (8 * i));
    std::copy(data.begin(), data.end(), piece.begin() + 4);
    return piece;
}

void MakeMedia(const std::string &mediaDir, const std::string &release, const Bytes &engine, const Bytes &pif,
               const Bytes &data)
{
    MakeDir(mediaDir);
    WriteFileBytes(JoinPath(mediaDir, "PATCH.DLL"), engine);
    WriteFileBytes(JoinPath(mediaDir, "PATCH.PIF"), pif);
    WriteFileBytes(JoinPath(mediaDir, "PATCH.0"), FirstPiece(1, data));
    if (!release.empty())
        WriteFileText(JoinPath(mediaDir, "patch.ini"), "[VERSION]\r\nVersion=" + release + "\r\n");
}
