// The progress window both programs show: a modeless dialog with no message
// loop, whose text, bar and line the program sets as its work goes on.
#include "common.h"
#include "share.h"
#include "../../res/progress_controls.h"

// The program's one progress window, and its bar's filled part: the width
// it has when full, its height and the width it has now.
static HWND ProgressWindow;
static HWND BarFill;
static int BarFullWidth;
static int BarHeight;
static int BarWidth;

static INT_PTR CALLBACK ProgressDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)window;
    (void)wParam;
    // The filled part of the bar is an empty static that its control paints
    // with this brush, as a progress bar's blocks are drawn.
    if (message == WM_CTLCOLORSTATIC && BarFill && (HWND)lParam == BarFill)
        return (INT_PTR)GetSysColorBrush(COLOR_HIGHLIGHT);
    return FALSE;
}

static void SetBarWidth(int width)
{
    if (!BarFill || width == BarWidth)
        return;
    BarWidth = width;
    SetWindowPos(BarFill, 0, 0, 0, width, BarHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HWND CreateProgressDialog(UINT dialogId)
{
    RECT full;
    ProgressWindow = IsSilentRun() ? 0
                                   : CreateDialogParamA(ModuleInstance, MAKEINTRESOURCEA(dialogId), GetDesktopWindow(),
                                                        ProgressDlgProc, 0);
    BarFill = ProgressWindow ? GetDlgItem(ProgressWindow, IDC_PROGRESS_FILL) : 0;
    BarWidth = -1;
    if (BarFill && GetClientRect(BarFill, &full)) {
        BarFullWidth = full.right;
        BarHeight = full.bottom;
        SetBarWidth(0);
    } else {
        BarFill = 0;
    }
    return ProgressWindow;
}

void DestroyProgressDialog(void)
{
    if (ProgressWindow)
        DestroyWindow(ProgressWindow);
    ProgressWindow = 0;
    BarFill = 0;
}

void SetProgressBar(DWORDLONG done, DWORDLONG total)
{
    // The width is moved only when it changes by a pixel: most steps of a
    // large join change nothing on the screen, and cost nothing.
    if (BarFill)
        SetBarWidth((int)ShareOf(done, total, (unsigned int)BarFullWidth));
}

void SetProgressLine(const char *text)
{
    if (ProgressWindow)
        SetDlgItemTextA(ProgressWindow, IDC_PROGRESS_LINE, text);
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
