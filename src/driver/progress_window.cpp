// The progress window: a modeless dialog with no behaviour of its own.
#include "driver.h"
#include "../../res/resource.h"
#include "../runtime/runtime.h"

HWND ShowProgressWindow(void)
{
    char text[256];
    HWND window = CreateProgressDialog(IDD_PROGRESS);
    RtMemSet(text, 0, sizeof(text));
    LoadStringA(ModuleInstance, IDS_PROGRESS_TEXT, text, sizeof(text));
    if (window) {
        SetDlgItemTextA(window, IDC_PROGRESS_TEXT, text);
        RepaintOwnWindows();
    }
    return window;
}
