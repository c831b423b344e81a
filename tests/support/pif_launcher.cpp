#include "pif_launcher.h"

#include "files.h"
#include "installation.h"

namespace {

std::string Variable(const char *name, bool *present)
{
    char value[1024] = "";
    DWORD length = GetEnvironmentVariableA(name, value, sizeof(value));
    *present = length > 0 && length < sizeof(value);
    return *present ? std::string(value, length) : std::string();
}

}  // namespace

PifLauncherStandIn::PifLauncherStandIn()
{
    // A 64-bit Wine, and a 32-bit program under one, take the launcher from
    // the 32-bit system folder; a 32-bit Wine from its only one.
    char folder[MAX_PATH] = "";
    UINT length = GetSystemWow64DirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        length = GetSystemDirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    // A 64-bit prefix made without 32-bit support may lack that folder.
    folder_ = folder;
    createdFolder_ = GetFileAttributesA(folder) == INVALID_FILE_ATTRIBUTES && CreateDirectoryA(folder, nullptr);
    launcher_ = JoinPath(folder, "winevdm.exe");
    saved_ = launcher_ + ".zarized-saved";
    lineFile_ = JoinPath(ScratchDir("pif-launcher"), "command-line.txt");
    if (FileExists(launcher_) && !MoveFileExA(launcher_.c_str(), saved_.c_str(), MOVEFILE_REPLACE_EXISTING))
        return;
    if (!CopyFileA(BuildPath("SLEEPER.EXE").c_str(), launcher_.c_str(), FALSE)) {
        MoveFileA(saved_.c_str(), launcher_.c_str());
        if (createdFolder_)
            RemoveDirectoryA(folder_.c_str());
        return;
    }
    // The stand-in, not Wine's own launcher, for the program and what it starts.
    overrides_ = Variable("WINEDLLOVERRIDES", &hadOverrides_);
    SetEnvironmentVariableA("WINEDLLOVERRIDES",
                            ((hadOverrides_ && !overrides_.empty() ? overrides_ + ";" : "") + "winevdm.exe=n").c_str());
    SetEnvironmentVariableA("ZARIZED_SLEEPER_COMMAND_LINE", lineFile_.c_str());
    installed_ = true;
}

PifLauncherStandIn::~PifLauncherStandIn()
{
    if (!installed_)
        return;
    SetEnvironmentVariableA("ZARIZED_SLEEPER_COMMAND_LINE", nullptr);
    SetEnvironmentVariableA("WINEDLLOVERRIDES", hadOverrides_ ? overrides_.c_str() : nullptr);
    // A stand-in still running cannot be replaced at once.
    for (int attempt = 0; attempt < 50 && !DeleteFileA(launcher_.c_str()); ++attempt)
        Sleep(100);
    if (FileExists(saved_))
        MoveFileA(saved_.c_str(), launcher_.c_str());
    if (createdFolder_)
        RemoveDirectoryA(folder_.c_str());
}

std::string PifLauncherStandIn::StartedCommandLine(DWORD timeoutMs) const
{
    for (DWORD waited = 0; waited < timeoutMs && !FileExists(lineFile_); waited += 100)
        Sleep(100);
    Bytes line;
    return ReadFileBytes(lineFile_, &line) ? std::string(line.begin(), line.end()) : std::string();
}
