// MarkUsersPatched: records for the product's components that the 95.0.b
// patch is installed, machine-wide and, with user profiles, for the logon
// user.
#include "migrate.h"
#include "profile_user.h"
#include "../common/common.h"
#include "../runtime/runtime.h"

// QueryProfileUser: whether user profiles are in force for the current user,
// and the logon user's name.

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
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, NetworkLogonKey, 0, KEY_READ, &logonKey) != ERROR_SUCCESS)
        return 0;
    if (ProfilesEnabled(logonKey) && HasDesktopProfile()) {
        inForce = 1;
        ReadUserName(logonKey, userName);
    }
    RegCloseKey(logonKey);
    return inForce;
}

enum { USER_KEY_CHARS = 259 };

// Creates (or opens) the key under HKEY_LOCAL_MACHINE and sets the flag in it;
// 0 when the key cannot be created.
static int SetPatchFlag(const char *path)
{
    char keyClass[] = "SOFTWARE";
    HKEY key;
    DWORD disposition;
    DWORD installed = 1;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, keyClass, 0, KEY_ALL_ACCESS, 0, &key, &disposition) !=
        ERROR_SUCCESS)
        return 0;
    RegSetValueExA(key, "Installed_950B_Patch", 0, REG_DWORD, (const BYTE *)&installed, sizeof(installed));
    RegCloseKey(key);
    return 1;
}

void MarkUsersPatched(void)
{
    char userName[USER_NAME_BYTES];
    char userKey[USER_KEY_CHARS + 1];
    if (!SetPatchFlag(TaskbarUsersKey))
        return;
    if (!QueryProfileUser(userName))
        return;
    // A user key whose path would not fit is skipped rather than cut: a cut
    // name would flag some other user's key.
    if (RtStrLen(TaskbarUsersKey) + 1 + RtStrLen(userName) > USER_KEY_CHARS)
        return;
    wsprintfA(userKey, "%s\\%s", TaskbarUsersKey, userName);
    SetPatchFlag(userKey);
}
