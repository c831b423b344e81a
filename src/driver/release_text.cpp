// ExtractReleaseText and FormComponentPath: the text side of reading the installed release.
#include "release_text.h"
#include "../runtime/runtime.h"

int ExtractReleaseText(const char *productVersion, char *release, size_t capacity)
{
    const char *text = productVersion;
    if (text[0] == 'v' || text[0] == 'V') {
        // A blank byte is never the second byte of a double-byte character,
        // so a plain byte search finds the same blank as a character walk.
        while (*text && *text != ' ')
            ++text;
        if (!*text)
            return 0;
        ++text;
    }
    if (!*text || RtStrLen(text) >= capacity)
        return 0;
    RtCopyText(release, capacity, text);
    return 1;
}

int FormComponentPath(const char *productFolder, char *path, size_t capacity)
{
    if (capacity == 0)
        return 0;
    path[0] = 0;
    if (productFolder[0] && RtAppendText(path, capacity, productFolder) &&
        RtAppendText(path, capacity, "\\ZELFSV4.DLL"))
        return 1;
    path[0] = 0;
    return 0;
}
