// The installed release check: IsInstalledReleaseAccepted reads the release from the product
// component's version resource and judges it; ReportReleaseMismatch tells the user why it is refused
// and which patch to use.
#include "driver.h"
#include "classify_release.h"
#include "release_text.h"
#include "../../res/resource.h"
#include "../runtime/runtime.h"

enum { REGISTERED_CHARS = 1024, QUERY_CHARS = 64 };

// The registered product folder, read again as stored (trailing backslash
// and all), made into the component's path. 0 when the value cannot be read
// or the path does not fit.
static int ReadComponentPath(char *componentPath)
{
    char registered[REGISTERED_CHARS + 1];
    DWORD type = 0;
    return ReadRegisteredFolder(registered, REGISTERED_CHARS, &type) &&
           FormComponentPath(registered, componentPath, PATH_CHARS);
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

int IsInstalledReleaseAccepted(const char *expected, char *installed)
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

static int IsText(const char *text, const char *literal)
{
    return RtStrCmp(text, literal) == 0;
}

void ReportReleaseMismatch(const char *expected, const char *installed)
{
    char format[MESSAGE_STRING_CHARS];
    char caption[MESSAGE_STRING_CHARS];
    char text[MESSAGE_TEXT_CHARS];
    const char *patchName;
    UINT textId = IDS_WRONG_PATCH;
    LoadMessageString(IDS_WRONG_PATCH, format);
    if (IsText(installed, "95.0.b") || IsText(installed, "95.0.B")) {
        textId = IDS_ALREADY_PATCHED;
        LoadMessageString(IDS_ALREADY_PATCHED, text);
    } else {
        if (IsText(expected, "1.0"))
            patchName = "A-to-95B.EXE";
        else if (IsText(expected, "95.0.a") || IsText(expected, "95.0.A"))
            patchName = "1-to-95B.EXE";
        else
            return;
        // Both releases are the run's 260-character texts, so the whole
        // message stays well inside the 1024 characters.
        wsprintfA(text, format, expected, installed, patchName);
    }
    LoadMessageString(IDS_UPDATE_CANCELLED, caption);
    ShowRunMessage(textId, caption, text, MB_ICONINFORMATION);
}
