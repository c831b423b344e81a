#include "launch_record.h"

#include "files.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

const char kLogVariable[] = "ZARIZED_LAUNCH_LOG";
const char kDosPhaseVariable[] = "ZARIZED_DOS_PHASE";

std::string Field(const std::string &line, const std::string &key, bool *found)
{
    if (line.compare(0, key.size() + 1, key + "=") != 0)
        return "";
    *found = true;
    return line.substr(key.size() + 1);
}

}  // namespace

LaunchLog::LaunchLog(bool withDosPhase)
{
    char temp[MAX_PATH] = "";
    GetTempPathA(MAX_PATH, temp);
    // A file of its own: a launcher started under an earlier log may still be
    // writing to that one, since nothing waits for it.
    static unsigned logs = 0;
    path_ = JoinPath(temp, "zarized-launches-" + std::to_string(GetCurrentProcessId()) + "-" +
                               std::to_string(++logs) + ".txt");
    DeleteFileA(path_.c_str());
    SetEnvironmentVariableA(kLogVariable, path_.c_str());
    SetEnvironmentVariableA(kDosPhaseVariable, withDosPhase ? ZARIZED_SOURCE_UNIX_PATH "/scripts/dos-phase.sh" : nullptr);
}

LaunchLog::~LaunchLog()
{
    SetEnvironmentVariableA(kLogVariable, nullptr);
    SetEnvironmentVariableA(kDosPhaseVariable, nullptr);
    DeleteFileA(path_.c_str());
}

void LaunchLog::Clear() const
{
    DeleteFileA(path_.c_str());
}

namespace {

// A "dos ..." line of the DOS phase, added to the launch before it.
void AddDosLine(const std::string &line, DosPhase *dos)
{
    bool found = false;
    std::string value;
    if (line == "dos end")
        dos->ended = true;
    else if (value = Field(line, "dos phase", &found), found)
        dos->outcome = value;
    else if (value = Field(line, "dos startup", &found), found)
        dos->startup = value;
    else if (value = Field(line, "dos run", &found), found)
        dos->run = value;
    else if (value = Field(line, "dos screen", &found), found)
        dos->screen.push_back(value);
    else if (value = Field(line, "dos engine log", &found), found)
        dos->engineLog = value;
    else if (value = Field(line, "dos engine", &found), found)
        dos->engine.push_back(value);
}

std::vector<LaunchRecord> ParseRecords(const std::string &text)
{
    std::vector<LaunchRecord> records;
    LaunchRecord current;
    bool open = false;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            break;  // a line still being written
        std::string line = text.substr(start, end - start);
        start = end + 1;
        bool found = false;
        std::string value = Field(line, "command line", &found);
        if (found) {
            current = LaunchRecord();
            current.commandLine = value;
            open = true;
        } else if (!open) {
            if (line.compare(0, 4, "dos ") == 0 && !records.empty())
                AddDosLine(line, &records.back().dos);
        } else if (line == "end") {
            records.push_back(current);
            open = false;
        } else if (value = Field(line, "current directory", &found), found) {
            current.currentDir = value;
        } else if (value = Field(line, "pif readable", &found), found) {
            current.pifReadable = value == "yes";
        } else if (value = Field(line, "pif chain", &found), found) {
            current.pifChain = value;
        } else if (value = Field(line, "pif", &found), found) {
            current.pif = value;
        } else if (value = Field(line, "program", &found), found) {
            current.program = value;
        } else if (value = Field(line, "startup directory", &found), found) {
            current.startupDir = value;
        } else if (value = Field(line, "header parameters", &found), found) {
            current.headerParameters = value;
        } else if (value = Field(line, "parameters", &found), found) {
            current.parameters = value;
        }
    }
    return records;
}

}  // namespace

std::vector<LaunchRecord> LaunchLog::Records(size_t expected, unsigned timeoutMs) const
{
    DWORD started = GetTickCount();
    for (;;) {
        Bytes bytes;
        std::vector<LaunchRecord> records;
        if (ReadFileBytes(path_, &bytes))
            records = ParseRecords(std::string(bytes.begin(), bytes.end()));
        if (records.size() >= expected || GetTickCount() - started >= timeoutMs)
            return records;
        Sleep(50);
    }
}

std::string LaunchLog::StartedCommandLine(unsigned timeoutMs) const
{
    std::vector<LaunchRecord> records = Records(1, timeoutMs);
    return records.empty() ? std::string() : records[0].commandLine;
}

LaunchRecord LaunchLog::AfterDosPhase(unsigned timeoutMs) const
{
    DWORD started = GetTickCount();
    for (;;) {
        std::vector<LaunchRecord> records = Records(1, timeoutMs);
        if ((!records.empty() && records[0].dos.ended) || GetTickCount() - started >= timeoutMs)
            return records.empty() ? LaunchRecord() : records[0];
        Sleep(100);
    }
}

RefusedLaunches::RefusedLaunches()
{
    char system[MAX_PATH] = "";
    GetSystemDirectoryA(system, MAX_PATH);
    launcher_ = JoinPath(system, "winevdm.exe");
    away_ = JoinPath(system, "winevdm.refused");
    DeleteFileA(away_.c_str());
    moved_ = MoveFileA(launcher_.c_str(), away_.c_str()) != 0;
}

RefusedLaunches::~RefusedLaunches()
{
    if (moved_)
        MoveFileA(away_.c_str(), launcher_.c_str());
}

std::string ShortForm(const std::string &path)
{
    char buffer[MAX_PATH] = "";
    DWORD length = GetShortPathNameA(path.c_str(), buffer, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::string(buffer) : std::string();
}

std::string StartupFolderFor(const std::string &productDir)
{
    return productDir.size() <= 47 ? productDir : ShortForm(productDir);
}

void ExpectHandedOff(const RunResult &run, const LaunchLog &log, const std::string &productDir,
                     const std::string &what)
{
    EXPECT_FALSE(run.timedOut) << what;
    EXPECT_EQ(1u, run.exitCode) << what << ": a run that starts Patch.pif ends with 1";
    ASSERT_EQ(1u, run.boxes.size()) << what << ": the restart message alone";
    EXPECT_EQ("Kelvane Palomid 95.0.b Maintenance Release", run.boxes[0].caption) << what;
    EXPECT_EQ("To complete the upgrade, Windows must be restarted.  Close all applications and press OK to restart "
              "Windows.",
              run.boxes[0].text)
        << what;
    std::vector<LaunchRecord> launches = log.Records(1, 30000);
    ASSERT_EQ(1u, launches.size()) << what << ": Patch.pif is started once";
    const LaunchRecord &launch = launches[0];
    std::string pif = JoinPath(productDir, "Patch.pif");
    EXPECT_EQ(0, lstrcmpiA(pif.c_str(), launch.pif.c_str())) << what << ": started " << launch.pif;
    EXPECT_TRUE(launch.pifReadable) << what;
    EXPECT_EQ("ok", launch.pifChain) << what;
    char windowsDir[MAX_PATH] = "";
    GetWindowsDirectoryA(windowsDir, MAX_PATH);
    std::string shell = JoinPath(windowsDir, "COMMAND.COM");
    if (!ShortForm(shell).empty())
        shell = ShortForm(shell);
    std::string batch = ShortForm(JoinPath(productDir, "PATCH.BAT"));
    EXPECT_FALSE(batch.empty()) << what << ": PATCH.BAT is there when Patch.pif starts";
    // A complete run names each whole within the bytes its field receives.
    EXPECT_EQ(shell, launch.program) << what;
    EXPECT_EQ(StartupFolderFor(productDir), launch.startupDir) << what;
    EXPECT_EQ("/c " + batch, launch.parameters) << what;
    EXPECT_EQ("/c " + batch, launch.headerParameters) << what;
}
