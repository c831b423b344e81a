// The hand-off as the end-to-end runs see it. In the test prefix a .pif is
// started by a stand-in for Wine's DOS launcher (support/dos_launcher_main.cpp),
// which records each launch; a run ends as on Windows 95, with the restart
// message, the launch of Patch.pif and exit code 1.
#ifndef ZARIZED_TEST_LAUNCH_RECORD_H
#define ZARIZED_TEST_LAUNCH_RECORD_H

#include "program_runner.h"

#include <string>
#include <vector>

// What DOS did with a launch, when the log asks for the DOS phase (see
// scripts/dos-phase.sh).
struct DosPhase {
    bool ended = false;              // the phase is over, run or not
    std::string outcome;             // "ran", "failed" or "not run: <why>"
    std::string startup;             // the folder DOS started in, "none" for the drive's root
    std::string run;                 // the command DOS ran
    std::vector<std::string> screen; // what the shell and the engine printed
    std::string engineLog;           // the DOS path of the engine's ENGINE.LOG, if it wrote one
    std::vector<std::string> engine; // its lines
};

struct LaunchRecord {
    std::string commandLine;
    std::string currentDir;
    std::string pif;                 // the path the launcher was given
    bool pifReadable = false;
    std::string pifChain;            // "ok", or how the PIF's record chain is broken
    std::string program;             // as a DOS launcher reads the PIF when it was started:
    std::string startupDir;          // the header's fields, and the parameters of
    std::string parameters;          // the "WINDOWS 386 3.0" record
    std::string headerParameters;    // the header's own copy of the parameters
    DosPhase dos;
};

// Records the launches of the programs run while it lives: the launcher
// writes them to a file that the environment names. With withDosPhase, each
// launch of a run that ends with exit code 1 then goes through the DOS phase
// (one run at a time).
class LaunchLog {
public:
    explicit LaunchLog(bool withDosPhase = false);
    ~LaunchLog();
    LaunchLog(const LaunchLog &) = delete;
    LaunchLog &operator=(const LaunchLog &) = delete;
    // The whole records so far. Patch.pif is started without waiting, so this
    // waits up to timeoutMs for `expected` records to be written.
    std::vector<LaunchRecord> Records(size_t expected = 0, unsigned timeoutMs = 0) const;
    // The first launch's command line, waiting up to timeoutMs for it; ""
    // when nothing was started.
    std::string StartedCommandLine(unsigned timeoutMs = 10000) const;
    // The first launch with its DOS phase over, waiting up to timeoutMs.
    LaunchRecord AfterDosPhase(unsigned timeoutMs = 60000) const;
    void Clear() const;

private:
    std::string path_;
};

// Takes the launcher away while it lives, so the start of a .pif fails at
// once, as on a machine that cannot start it.
class RefusedLaunches {
public:
    RefusedLaunches();
    ~RefusedLaunches();
    RefusedLaunches(const RefusedLaunches &) = delete;
    RefusedLaunches &operator=(const RefusedLaunches &) = delete;
    bool Active() const { return moved_; }

private:
    std::string launcher_, away_;
    bool moved_ = false;
};

// The short (8.3) form of an existing path; empty when there is none.
std::string ShortForm(const std::string &path);

// The startup folder the PIF is given for productDir: the folder itself when
// it fits the 47 bytes the field receives, its short form otherwise.
std::string StartupFolderFor(const std::string &productDir);

// A complete run: the restart message alone, exit code 1, and exactly one
// launch, of productDir\Patch.pif, whose fields name the command shell and
// PATCH.BAT and start in productDir. `what` names the case in failures.
void ExpectHandedOff(const RunResult &run, const LaunchLog &log, const std::string &productDir,
                     const std::string &what = "");

#endif
