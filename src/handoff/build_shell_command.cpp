// BuildShellCommand: the command shell's short path, and the parameters that make it run PATCH.BAT.
#include "handoff.h"
#include "../driver/driver.h"
#include "../runtime/runtime.h"

// The short form of dir + "\" + name into out (260 bytes). When it cannot be
// had (no such file, a short form of 260 characters or more, or a long path
// that does not fit, which is not looked up cut), the long form, cut to the
// buffer, stands in for it.
static void ShortPathOrLong(const char *dir, const char *name, char *out)
{
    char longPath[PATH_CHARS];
    DWORD length = 0;
    int fits = RtCopyText(longPath, PATH_CHARS, dir);
    fits = RtAppendText(longPath, PATH_CHARS, "\\") && fits;
    fits = RtAppendText(longPath, PATH_CHARS, name) && fits;
    if (fits)
        length = GetShortPathNameA(longPath, out, PATH_CHARS);
    if (length == 0 || length >= PATH_CHARS)
        RtCopyText(out, PATH_CHARS, longPath);
}

int BuildShellCommand(const char *windowsDir, const char *productDir, char *shellProgram, char *shellParameters)
{
    char batchPath[PATH_CHARS];
    ShortPathOrLong(windowsDir, "COMMAND.COM", shellProgram);
    ShortPathOrLong(productDir, "PATCH.BAT", batchPath);
    // A batch path of more than 256 characters is cut to the 260 bytes; the
    // PIF takes only the first 63 bytes of the parameters anyway.
    RtCopyText(shellParameters, PATH_CHARS, "/c ");
    RtAppendText(shellParameters, PATH_CHARS, batchPath);
    return 1;
}
