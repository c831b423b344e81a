#include "message_boxes.h"

#include <algorithm>
#include <vector>

namespace {

// The controls of a standard message box.
const int kTextId = 0xFFFF;
const int kIconId = 0x0440;

MessageBoxRecorder *g_recorder = nullptr;

std::string ControlText(HWND window)
{
    char text[2048] = "";
    DWORD_PTR length = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof(text), (LPARAM)text, SMTO_ABORTIFHUNG, 2000, &length);
    return text;
}

UINT ButtonStyle(HWND window)
{
    auto has = [window](int id) { return GetDlgItem(window, id) != nullptr; };
    if (has(IDABORT) && has(IDRETRY) && has(IDIGNORE)) return MB_ABORTRETRYIGNORE;
    if (has(IDYES) && has(IDNO) && has(IDCANCEL)) return MB_YESNOCANCEL;
    if (has(IDYES) && has(IDNO)) return MB_YESNO;
    if (has(IDRETRY) && has(IDCANCEL)) return MB_RETRYCANCEL;
    if (has(IDOK) && has(IDCANCEL)) return MB_OKCANCEL;
    return MB_OK;
}

std::vector<unsigned char> BitmapBytes(HBITMAP bitmap)
{
    BITMAP info = {};
    std::vector<unsigned char> bytes;
    if (bitmap && GetObjectA(bitmap, sizeof(info), &info)) {
        bytes.resize((size_t)info.bmWidthBytes * info.bmHeight);
        GetBitmapBits(bitmap, (LONG)bytes.size(), bytes.data());
    }
    return bytes;
}

// Icon handles of another process differ from this one's, so icons are
// compared by their pictures.
bool SameIcon(HICON a, HICON b)
{
    if (a == b)
        return true;
    ICONINFO x = {}, y = {};
    if (!GetIconInfo(a, &x))
        return false;
    bool same = false;
    if (GetIconInfo(b, &y)) {
        same = BitmapBytes(x.hbmColor) == BitmapBytes(y.hbmColor) && BitmapBytes(x.hbmMask) == BitmapBytes(y.hbmMask);
        DeleteObject(y.hbmColor);
        DeleteObject(y.hbmMask);
    }
    DeleteObject(x.hbmColor);
    DeleteObject(x.hbmMask);
    return same;
}

UINT IconStyle(HWND window)
{
    HWND iconControl = GetDlgItem(window, kIconId);
    // The box itself may not be visible yet, so look at the control's own style.
    if (!iconControl || !(GetWindowLongA(iconControl, GWL_STYLE) & WS_VISIBLE))
        return 0;
    DWORD_PTR icon = 0;
    SendMessageTimeoutA(iconControl, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 2000, &icon);
    if (!icon) return 0;
    HICON shown = (HICON)icon;
    if (SameIcon(shown, LoadIconA(nullptr, (LPCSTR)IDI_ASTERISK))) return MB_ICONINFORMATION;
    if (SameIcon(shown, LoadIconA(nullptr, (LPCSTR)IDI_HAND))) return MB_ICONERROR;
    if (SameIcon(shown, LoadIconA(nullptr, (LPCSTR)IDI_EXCLAMATION))) return MB_ICONWARNING;
    if (SameIcon(shown, LoadIconA(nullptr, (LPCSTR)IDI_QUESTION))) return MB_ICONQUESTION;
    return MB_USERICON;
}

}  // namespace

int AnswerOk(const RecordedBox &)
{
    return IDOK;
}

bool ReadMessageBox(HWND window, RecordedBox *box)
{
    char className[64] = "";
    GetClassNameA(window, className, sizeof(className));
    if (lstrcmpA(className, "#32770") != 0 || !GetDlgItem(window, kTextId))
        return false;
    // A message box always has a button; the progress window has none.
    static const int kButtons[] = {IDOK, IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO};
    bool anyButton = false;
    for (int id : kButtons)
        anyButton = anyButton || GetDlgItem(window, id) != nullptr;
    if (!anyButton)
        return false;
    box->caption = ControlText(window);
    box->text = ControlText(GetDlgItem(window, kTextId));
    box->style = ButtonStyle(window) | IconStyle(window);
    box->window = window;
    return true;
}

void PressButton(HWND window, int buttonId)
{
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED), (LPARAM)GetDlgItem(window, buttonId));
}

MessageBoxRecorder::MessageBoxRecorder(BoxAnswer answer) : answer_(std::move(answer))
{
    g_recorder = this;
    hook_ = SetWindowsHookExA(WH_CBT, Hook, nullptr, GetCurrentThreadId());
}

MessageBoxRecorder::~MessageBoxRecorder()
{
    UnhookWindowsHookEx(hook_);
    g_recorder = nullptr;
}

LRESULT CALLBACK MessageBoxRecorder::Hook(int code, WPARAM wParam, LPARAM lParam)
{
    MessageBoxRecorder *self = g_recorder;
    if (self && code == HCBT_ACTIVATE) {
        HWND window = (HWND)wParam;
        RecordedBox box;
        if (std::find(self->answered_.begin(), self->answered_.end(), window) == self->answered_.end() &&
            ReadMessageBox(window, &box)) {
            box.answer = self->answer_(box);
            if (box.answer == 0)
                box.answer = GetDlgItem(window, IDCANCEL) ? IDCANCEL : IDOK;
            self->boxes_.push_back(box);
            self->answered_.push_back(window);
            PressButton(window, box.answer);
        }
    } else if (self && code == HCBT_DESTROYWND) {
        auto &list = self->answered_;
        list.erase(std::remove(list.begin(), list.end(), (HWND)wParam), list.end());
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
