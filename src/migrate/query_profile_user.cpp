// QueryProfileUser: whether user profiles are in force for the current user,
// and the logon user's name.
#include <windows.h>

#include "profile_user.h"
#include "../runtime/runtime.h"

static const char LogonKey[] = "Network\\Logon";
static const char DesktopProfileKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\ProfileReconciliation\\Desktop";

static int ProfilesEnabled(HKEY logonKey)
{
    DWORD enabled = 0;
    DWORD type = 0;
    DWORD size = sizeof(enabled);
    if (RegQueryValueExA(logonKey, "UserProfiles", 0, &type, (BYTE *)&enabled, &size) != ERROR_SUCCESS)
        return 0;
    return type == REG_DWORD && enabled != 0;
}

static int HasDesktopProfile(void)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, DesktopProfileKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return 0;
    RegCloseKey(key);
    return 1;
}

static void ReadUserName(HKEY logonKey, char *userName)
{
    // One byte beyond what is offered, so that a name filling all of it
    // still ends inside the buffer.
    char name[USER_NAME_BYTES + 1];
    DWORD type = 0;
    DWORD size = USER_NAME_BYTES;
    RtMemSet(name, 0, sizeof(name));
    if (RegQueryValueExA(logonKey, "UserName", 0, &type, (BYTE *)name, &size) != ERROR_SUCCESS || type != REG_SZ)
        return;
    if (size >= 1 && size < USER_NAME_BYTES)
        name[size] = 0;
    RtCopyText(userName, USER_NAME_BYTES, name);
}

int QueryProfileUser(char *userName)
{
    HKEY logonKey;
    int inForce = 0;
    userName[0] = 0;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, LogonKey, 0, KEY_READ, &logonKey) != ERROR_SUCCESS)
        return 0;
    if (ProfilesEnabled(logonKey) && HasDesktopProfile()) {
        inForce = 1;
        ReadUserName(logonKey, userName);
    }
    RegCloseKey(logonKey);
    return inForce;
}
