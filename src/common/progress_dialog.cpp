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
