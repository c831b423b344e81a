// ShowStringMessage: a message box whose caption and text come from the string table.
#include "driver.h"

int ShowStringMessage(UINT captionId, UINT textId, UINT style)
{
    char caption[PATH_CHARS];
    char text[PATH_CHARS];
    if (!LoadStringA(ModuleInstance, captionId, caption, PATH_CHARS))
        return IDCANCEL;
    if (!LoadStringA(ModuleInstance, textId, text, PATH_CHARS))
        return IDCANCEL;
    return MessageBoxA(0, text, caption, style);
}
