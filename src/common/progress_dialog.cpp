// CreateProgressDialog: the modeless progress window both programs show, a dialog with no behaviour of its own.
#include "common.h"

static INT_PTR CALLBACK ProgressDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)window;
    (void)message;
    (void)wParam;
    (void)lParam;
    return FALSE;
}

HWND CreateProgressDialog(UINT dialogId)
{
    return CreateDialogParamA(ModuleInstance, MAKEINTRESOURCEA(dialogId), GetDesktopWindow(), ProgressDlgProc, 0);
}

void RepaintOwnWindows(void)
{
    // Only paint messages are taken: nothing else of the queue is served, so
    // the run goes on exactly as without. A window is validated when it has
    // painted, and the count bounds the loop all the same.
    MSG message;
    int count = 0;
    while (count++ < 64 && PeekMessageA(&message, 0, WM_PAINT, WM_PAINT, PM_REMOVE))
        DispatchMessageA(&message);
}
