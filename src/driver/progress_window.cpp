// The progress window: a modeless dialog with no behaviour of its own.
#include "driver.h"
#include "../../res/resource.h"
#include "../runtime/runtime.h"

static INT_PTR CALLBACK ProgressDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)window;
    (void)message;
    (void)wParam;
    (void)lParam;
    return FALSE;
}

HWND ShowProgressWindow(void)
{
    char text[256];
    HWND window = CreateDialogParamA(ModuleInstance, MAKEINTRESOURCEA(IDD_PROGRESS), GetDesktopWindow(),
                                     ProgressDlgProc, 0);
    RtMemSet(text, 0, sizeof(text));
    LoadStringA(ModuleInstance, IDS_PROGRESS_TEXT, text, sizeof(text));
    if (window)
        SetDlgItemTextA(window, IDC_PROGRESS_TEXT, text);
    return window;
}
