#include "windows_settings.h"

namespace {

const char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kVersionKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
const char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char kProfiles[] = "Software\\Microsoft\\Windows\\CurrentVersion\\ProfileReconciliation";
const char kDesktopProfile[] = "Software\\Microsoft\\Windows\\CurrentVersion\\ProfileReconciliation\\Desktop";

void Restore(HKEY root, const char *path, const char *name, const RegValue &saved)
{
    if (saved.exists)
        SetRegBinary(root, path, name, saved.data, saved.type);
    else
        DeleteRegValue(root, path, name);
}

}  // namespace

WindowsSettingsScope::WindowsSettingsScope()
    : owner_(ReadRegValue(HKEY_LOCAL_MACHINE, kVersionKey, "RegisteredOwner")),
      organization_(ReadRegValue(HKEY_LOCAL_MACHINE, kVersionKey, "RegisteredOrganization")),
      programs_(ReadRegValue(HKEY_CURRENT_USER, kShellFolders, "Programs")),
      hadNetworkKey_(RegKeyExists(HKEY_LOCAL_MACHINE, "Network")),
      hadProfileKey_(RegKeyExists(HKEY_CURRENT_USER, kProfiles)),
      run_(SnapshotRegTree(HKEY_LOCAL_MACHINE, kRunKey))
{
}

WindowsSettingsScope::~WindowsSettingsScope()
{
    DeleteRegTree(HKEY_LOCAL_MACHINE, hadNetworkKey_ ? "Network\\Logon" : "Network");
    DeleteRegTree(HKEY_CURRENT_USER, hadProfileKey_ ? kDesktopProfile : kProfiles);
    Restore(HKEY_LOCAL_MACHINE, kVersionKey, "RegisteredOwner", owner_);
    Restore(HKEY_LOCAL_MACHINE, kVersionKey, "RegisteredOrganization", organization_);
    Restore(HKEY_CURRENT_USER, kShellFolders, "Programs", programs_);
    RemoveAddedRunEntries();
    const RegSnapshot now = SnapshotRegTree(HKEY_LOCAL_MACHINE, kRunKey);
    for (const auto &entry : run_)
        if (entry.first != "|" && !(now.count(entry.first) && now.at(entry.first) == entry.second))
            SetRegBinary(HKEY_LOCAL_MACHINE, kRunKey, entry.first.substr(1), entry.second.data, entry.second.type);
}

// By enumeration: an added name may be too long for the usual calls. (Names
// put back come back in lower case, which the registry does not tell apart.)
void WindowsSettingsScope::RemoveAddedRunEntries()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return;
    for (const auto &entry : SnapshotRegTree(HKEY_LOCAL_MACHINE, kRunKey))
        if (entry.first != "|" && !run_.count(entry.first))
            RegDeleteValueA(key, entry.first.substr(1).c_str());
    RegCloseKey(key);
}
