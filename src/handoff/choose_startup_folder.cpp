// ChooseStartupFolder: the form of the product folder that Patch.pif's startup field can take.
#include "handoff_text.h"
#include "../runtime/runtime.h"

const char *ChooseStartupFolder(const char *productDir, const char *shortDir)
{
    // The long form, as always, wherever it fits.
    if (RtStrLen(productDir) <= PIF_STARTUP_BYTES)
        return productDir;
    if (shortDir[0] && RtStrLen(shortDir) <= PIF_STARTUP_BYTES)
        return shortDir;
    return 0;
}
