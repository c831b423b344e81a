// ReportReleaseMismatch: tells the user why the installed release is refused and which patch to use.
#include "driver.h"
#include "../../res/resource.h"
#include "../runtime/runtime.h"

// Message 2012 with both releases passes 260 characters; 1024 is all the
// formatter ever writes.
enum { MESSAGE_STRING_CHARS = 520, MESSAGE_TEXT_CHARS = 1024 };

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
    format[0] = 0;
    text[0] = 0;
    caption[0] = 0;
    LoadStringA(ModuleInstance, IDS_WRONG_PATCH, format, MESSAGE_STRING_CHARS);
    if (IsText(installed, "95.0.b") || IsText(installed, "95.0.B")) {
        LoadStringA(ModuleInstance, IDS_ALREADY_PATCHED, text, MESSAGE_STRING_CHARS);
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
    LoadStringA(ModuleInstance, IDS_UPDATE_CANCELLED, caption, MESSAGE_STRING_CHARS);
    MessageBoxA(0, text, caption, MB_ICONINFORMATION);
}
