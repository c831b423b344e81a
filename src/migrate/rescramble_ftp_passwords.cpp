// RescrambleFtpPasswords: brings every stored FTP password into the one
// scrambled REG_BINARY form, whether it was stored plain or scrambled.
#include "migrate.h"

#include "ftp_passwords.h"
#include "password_scramble.h"
#include "../common/common.h"
#include "../runtime/runtime.h"

enum { SITE_NAME_BYTES = 260 };

void ReadStoredPassword(HKEY siteKey, const char *valueName, char *buffer, DWORD *capacity)
{
    DWORD room = *capacity;
    DWORD type = 0;
    DWORD end = 0;
    if (room == 0)
        return;
    if (RegQueryValueExA(siteKey, valueName, 0, &type, (BYTE *)buffer, capacity) != ERROR_SUCCESS) {
        type = 0;
        *capacity = 0;
    }
    if (type == REG_BINARY || type == REG_SZ) {
        if (type == REG_BINARY)
            UnscramblePassword((unsigned char *)buffer, (int)*capacity);
        end = *capacity < (DWORD)PASSWORD_MAX_CHARS ? *capacity : (DWORD)PASSWORD_MAX_CHARS;
    }
    buffer[end < room ? end : room - 1] = 0;
}

void WriteScrambledPassword(HKEY siteKey, const char *valueName, const char *text)
{
    unsigned char copy[PASSWORD_MAX_CHARS + 1];
    int length;
    RtCopyText((char *)copy, sizeof(copy), text);
    length = (int)RtStrLen((const char *)copy);
    ScramblePassword(copy, length);
    RegSetValueExA(siteKey, valueName, 0, REG_BINARY, copy, (DWORD)length);
}

static void RescrambleSitePassword(HKEY sitesKey, const char *siteName)
{
    HKEY siteKey;
    char probe[PASSWORD_VALUE_BYTES];
    char password[PASSWORD_VALUE_BYTES];
    DWORD type = 0;
    DWORD size = sizeof(probe);
    if (RegOpenKeyExA(sitesKey, siteName, 0, KEY_ALL_ACCESS, &siteKey) != ERROR_SUCCESS)
        return;
    // A site without a password value, or with one too long to read, keeps
    // what it has.
    if (RegQueryValueExA(siteKey, "Password", 0, &type, (BYTE *)probe, &size) == ERROR_SUCCESS) {
        size = sizeof(password);
        ReadStoredPassword(siteKey, "PassWord", password, &size);
        WriteScrambledPassword(siteKey, "Password", password);
    }
    RegCloseKey(siteKey);
}

void RescrambleFtpPasswords(void)
{
    HKEY sitesKey;
    char siteName[SITE_NAME_BYTES];
    DWORD nameSize;
    LONG result;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, FtpSitesKey, 0, KEY_READ, &sitesKey) != ERROR_SUCCESS)
        return;
    for (DWORD index = 0;; ++index) {
        nameSize = sizeof(siteName);
        result = RegEnumKeyExA(sitesKey, index, siteName, &nameSize, 0, 0, 0, 0);
        // A name too long for the buffer (possible with a double-byte code
        // page) is passed over, so the sites after it are still reached.
        if (result == ERROR_MORE_DATA)
            continue;
        if (result != ERROR_SUCCESS)
            break;
        RescrambleSitePassword(sitesKey, siteName);
    }
    RegCloseKey(sitesKey);
}
