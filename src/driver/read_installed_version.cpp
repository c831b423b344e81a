// ReadInstalledVersion: the installed release, from the product component's version resource.
#include "driver.h"
#include "release_text.h"
#include "../runtime/runtime.h"

enum { REGISTERED_CHARS = 1024, QUERY_CHARS = 64 };

// The registered product folder, read again as stored (trailing backslash
// and all), made into the component's path. 0 when the key or value cannot
// be read or the path does not fit.
static int ReadComponentPath(char *componentPath)
{
    HKEY key;
    char registered[REGISTERED_CHARS];
    DWORD type = 0;
    DWORD size = sizeof(registered);
    int formed = 0;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quorvel\\InstalledApps", 0, KEY_ALL_ACCESS, &key) !=
        ERROR_SUCCESS)
        return 0;
    if (RegQueryValueExA(key, "Kelvane Palomid", 0, &type, (BYTE *)registered, &size) == ERROR_SUCCESS) {
        // Whatever its type, the data ends inside the buffer.
        registered[size < sizeof(registered) ? size : sizeof(registered) - 1] = 0;
        formed = FormComponentPath(registered, componentPath, PATH_CHARS);
    }
    RegCloseKey(key);
    return formed;
}

// The "ProductVersion" string of the first language and code page the
// block's translation table names; 0 when there is none.
static const char *QueryProductVersion(void *block)
{
    void *translation = 0;
    void *value = 0;
    UINT length = 0;
    DWORD entry;
    char query[QUERY_CHARS];
    if (!VerQueryValueA(block, "\\VarFileInfo\\Translation", &translation, &length) || !translation ||
        length < sizeof(DWORD))
        return 0;
    RtMemCopy(&entry, translation, sizeof(entry));
    wsprintfA(query, "\\StringFileInfo\\%04x%04x\\ProductVersion", (unsigned)LOWORD(entry), (unsigned)HIWORD(entry));
    if (!VerQueryValueA(block, query, &value, &length) || !value)
        return 0;
    return (const char *)value;
}

int ReadInstalledVersion(const char *expected, char *installed)
{
    char componentPath[PATH_CHARS];
    DWORD handle = 0;
    DWORD size;
    HGLOBAL block;
    const char *productVersion;
    int accepted = 0;
    int expectedClass = ClassifyRelease(expected);
    if (!ReadComponentPath(componentPath))
        return 0;
    size = GetFileVersionInfoSizeA(componentPath, &handle);
    if (size == 0 || size > 0xFFFFFFFFu / 4)
        return 0;
    // Four times the size the system asks for, zero-filled: every string
    // the block holds then ends in a NUL inside it, even a malformed one.
    block = GlobalAlloc(GPTR, 4 * size);
    if (!block)
        return 0;
    if (GetFileVersionInfoA(componentPath, 0, size, block)) {
        productVersion = QueryProductVersion(block);
        if (productVersion && ExtractReleaseText(productVersion, installed, PATH_CHARS))
            accepted = ClassifyRelease(installed) == expectedClass;
    }
    GlobalFree(block);
    return accepted;
}
