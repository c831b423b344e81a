// MarkUsersPatched: records for the product's components that the 95.0.b
// patch is installed, machine-wide and, with user profiles, for the logon
// user.
#include "migrate.h"

#include "profile_user.h"
#include "../runtime/runtime.h"

static const char UsersKey[] = "Software\\Quorvel\\Palomid\\Kelvane Taskbar\\Users";

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
    if (!SetPatchFlag(UsersKey))
        return;
    if (!QueryProfileUser(userName))
        return;
    // A user key whose path would not fit is skipped rather than cut: a cut
    // name would flag some other user's key.
    if (RtStrLen(UsersKey) + 1 + RtStrLen(userName) > USER_KEY_CHARS)
        return;
    wsprintfA(userKey, "%s\\%s", UsersKey, userName);
    SetPatchFlag(userKey);
}
