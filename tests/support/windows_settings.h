// Keeps the Windows settings that a patch run reads and changes, so that
// tests may set them freely.
#ifndef ZARIZED_TEST_WINDOWS_SETTINGS_H
#define ZARIZED_TEST_WINDOWS_SETTINGS_H

#include "registry.h"

// Saves the registered owner and organization, the Programs folder, the
// logon and profile keys and the Windows Run key's entries on creation, and
// puts them back as they were when it goes.
class WindowsSettingsScope {
public:
    WindowsSettingsScope();
    ~WindowsSettingsScope();
    // Takes out the Run entries added since the scope began.
    void RemoveAddedRunEntries();

private:
    RegValue owner_, organization_, programs_;
    bool hadNetworkKey_, hadProfileKey_;
    RegSnapshot run_;
};

#endif
