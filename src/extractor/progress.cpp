// The extractor's progress window and its messages.
#include "extractor.h"
#include "../../res/extractor_resource.h"
#include "../common/share.h"
#include "../runtime/runtime.h"

// The percentage shown, so that the text changes only when it does.
static unsigned long ShownPercent;

HWND ShowUnpackProgress(UINT textId)
{
    HWND window = CreateProgressDialog(IDD_X_PROGRESS);
    ShownPercent = 0xFFFFFFFF;
    SetUnpackProgress(window, textId, 0, 1);
    return window;
}

void SetUnpackProgress(HWND window, UINT textId, DWORDLONG done, DWORDLONG total)
{
    char format[MESSAGE_STRING_CHARS];
    char text[MESSAGE_TEXT_CHARS];
    unsigned long percent = ShareOf(done, total, 100);
    if (!window || percent == ShownPercent)
        return;
    ShownPercent = percent;
    LoadMessageString(textId, format);
    wsprintfA(text, format, percent);
    SetDlgItemTextA(window, IDC_X_PROGRESS_TEXT, text);
    SetProgressBar(done, total);
    RepaintOwnWindows();
}

void ShowExtractorMessage(UINT textId, const char *first, const char *second, const char *third)
{
    char caption[MESSAGE_STRING_CHARS];
    char format[MESSAGE_STRING_CHARS];
    char text[MESSAGE_TEXT_CHARS];
    LoadMessageString(IDS_X_CAPTION, caption);
    LoadMessageString(textId, format);
    wsprintfA(text, format, first, second, third);
    ShowRunMessage(textId, caption, text, MB_OK);
}
