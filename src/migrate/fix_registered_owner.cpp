// FixRegisteredOwner: copies the registered owner and organization of the
// Windows installation into the product's machine-wide key, both or neither.
#include "migrate.h"

#include "../common/common.h"
#include "../runtime/runtime.h"

// The data length of both copies, whatever the length of the text.
enum { OWNER_VALUE_BYTES = 1024 };

// Reads a value as a text padded with zeros to the full value length: nothing
// after its first NUL is kept, and a value that fills the whole buffer is cut
// so that the copy still ends inside it. 0 when the value cannot be read.
static int ReadOwnerText(HKEY key, const char *name, char *text)
{
    DWORD type = 0;
    DWORD size = OWNER_VALUE_BYTES;
    DWORD end = 0;
    RtMemSet(text, 0, OWNER_VALUE_BYTES);
    if (RegQueryValueExA(key, name, 0, &type, (BYTE *)text, &size) != ERROR_SUCCESS)
        return 0;
    while (end < OWNER_VALUE_BYTES - 1 && text[end])
        ++end;
    RtMemSet(text + end, 0, OWNER_VALUE_BYTES - end);
    return 1;
}

int FixRegisteredOwner(void)
{
    static char owner[OWNER_VALUE_BYTES];
    static char organization[OWNER_VALUE_BYTES];
    HKEY key;
    int read;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, WindowsVersionKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return 0;
    read = ReadOwnerText(key, "RegisteredOwner", owner) && ReadOwnerText(key, "RegisteredOrganization", organization);
    RegCloseKey(key);
    if (!read)
        return 0;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, ProductKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return 0;
    RegSetValueExA(key, "RegisteredOwner", 0, REG_SZ, (const BYTE *)owner, OWNER_VALUE_BYTES);
    RegSetValueExA(key, "RegisteredOrganization", 0, REG_SZ, (const BYTE *)organization, OWNER_VALUE_BYTES);
    RegCloseKey(key);
    return 1;
}
