// The string-table messages every part shows.
#include "common.h"

HINSTANCE ModuleInstance;

int LoadMessageString(UINT id, char *text)
{
    text[0] = 0;
    return LoadStringA(ModuleInstance, id, text, MESSAGE_STRING_CHARS);
}

int ShowStringMessage(UINT captionId, UINT textId, UINT style)
{
    char caption[MESSAGE_STRING_CHARS];
    char text[MESSAGE_STRING_CHARS];
    if (!LoadMessageString(captionId, caption) || !LoadMessageString(textId, text))
        return IDCANCEL;
    return ShowRunMessage(textId, caption, text, style);
}
