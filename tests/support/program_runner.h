// Runs the real program as a child process, answering its message boxes.
#ifndef ZARIZED_TEST_PROGRAM_RUNNER_H
#define ZARIZED_TEST_PROGRAM_RUNNER_H

#include "message_boxes.h"

#include <string>
#include <vector>

struct RunResult {
    DWORD exitCode = 0;        // 0xFFFFFFFF for -1
    bool timedOut = false;
    std::vector<RecordedBox> boxes;
    bool progressShown = false;
    std::string progressText;  // the progress window's text, when shown
    std::string progressCaption;
};

// The x86_64 program this test build made (a Windows path).
std::string ProgramPath();

// Copies the program into mediaDir and starts it there with the command
// text, from workDir as its current directory (mediaDir when empty). Every
// message box it shows, or a program it started shows, is recorded and
// answered; the child is killed after timeoutMs.
RunResult RunProgramFrom(const std::string &mediaDir, const std::string &commandText, BoxAnswer answer = AnswerOk,
                         const std::string &workDir = "", DWORD timeoutMs = 60000);

// The exit code and every box of a run, for failure messages.
std::string Describe(const RunResult &run);

// Called for a progress window of the program each time the windows are
// looked at (every 20 ms) while it is up.
using ProgressSeen = std::function<void(HWND)>;

// Runs an executable as it is, with the same recording.
RunResult RunExecutable(const std::string &exePath, const std::string &commandText, BoxAnswer answer,
                        const std::string &workDir, DWORD timeoutMs, ProgressSeen progressSeen = nullptr);

#endif
