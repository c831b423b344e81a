// Recording and answering message boxes, in this process or in a child.
#ifndef ZARIZED_TEST_MESSAGE_BOXES_H
#define ZARIZED_TEST_MESSAGE_BOXES_H

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

struct RecordedBox {
    std::string caption;
    std::string text;
    // The box's style as far as it can be seen: its buttons (MB_OK,
    // MB_OKCANCEL, ...) and its icon (MB_ICONINFORMATION, ..., or none).
    // Another process's icon cannot be told apart from here: a box of a child
    // process that shows an icon has MB_USERICON instead.
    UINT style = 0;
    int answer = 0;
    HWND window = nullptr;  // the box itself, while it is up
};

// Chooses the button to press for a box; it may also act first (put a disk
// in place, say). Returning 0 presses the box's default OK or Cancel.
using BoxAnswer = std::function<int(const RecordedBox &)>;

// Presses OK on every box.
int AnswerOk(const RecordedBox &);

// Reads a message box window of any process; false when it is not one.
bool ReadMessageBox(HWND window, RecordedBox *box);
// Presses a button of a message box window.
void PressButton(HWND window, int buttonId);

// Records every message box this thread shows while it lives.
class MessageBoxRecorder {
public:
    explicit MessageBoxRecorder(BoxAnswer answer = AnswerOk);
    ~MessageBoxRecorder();
    const std::vector<RecordedBox> &boxes() const { return boxes_; }

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
    BoxAnswer answer_;
    std::vector<RecordedBox> boxes_;
    std::vector<HWND> answered_;
    HHOOK hook_;
};

#endif
