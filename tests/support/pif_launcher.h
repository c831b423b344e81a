// Wine hands every program-information file it is asked to start to its DOS
// launcher, which this bench's Wine cannot run. While a PifLauncherStandIn
// lives, that launcher is SLEEPER.EXE, which records the command line it was
// given and ends: a start of Patch.pif then succeeds, as on Windows 95, and
// shows which file was started. The launcher that was there comes back after.
#ifndef ZARIZED_TEST_PIF_LAUNCHER_H
#define ZARIZED_TEST_PIF_LAUNCHER_H

#include <windows.h>

#include <string>

class PifLauncherStandIn {
public:
    PifLauncherStandIn();
    ~PifLauncherStandIn();
    PifLauncherStandIn(const PifLauncherStandIn &) = delete;
    PifLauncherStandIn &operator=(const PifLauncherStandIn &) = delete;

    bool installed() const { return installed_; }
    // The launcher's command line once it has been started, waiting up to
    // timeoutMs for it; "" when nothing was started.
    std::string StartedCommandLine(DWORD timeoutMs = 10000) const;

private:
    std::string folder_;     // the system folder Wine takes it from
    bool createdFolder_ = false;
    std::string launcher_;   // where Wine looks for its DOS launcher
    std::string saved_;      // the launcher that was there, moved aside
    std::string lineFile_;   // where the stand-in writes its command line
    std::string overrides_;  // WINEDLLOVERRIDES as it was
    bool hadOverrides_ = false;
    bool installed_ = false;
};

#endif
