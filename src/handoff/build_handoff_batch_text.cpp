// BuildHandoffBatchText: the text of PATCH.BAT, which runs the patch engine and then removes it, its data and the PIF.
#include "handoff_text.h"
#include "../runtime/runtime.h"

// Appends head + dir + tail and CR LF; 0 when it does not fit.
static int AppendLine(char *text, int capacity, const char *head, const char *dir, const char *tail)
{
    size_t size = (size_t)capacity;
    return RtAppendText(text, size, head) && RtAppendText(text, size, dir) && RtAppendText(text, size, tail) &&
           RtAppendText(text, size, "\r\n");
}

int BuildHandoffBatchText(const char *shortDir, char *text, int capacity)
{
    // "del" carries one blank; the last line is empty, so the text ends with
    // two CR LF pairs. The batch does not delete itself.
    int fitted;
    if (capacity <= 0)
        return 0;
    text[0] = 0;
    fitted = AppendLine(text, capacity, "@echo off", "", "") &&
             AppendLine(text, capacity, "", shortDir, "\\Patch.exe") &&
             AppendLine(text, capacity, "del ", shortDir, "\\Patch.exe") &&
             AppendLine(text, capacity, "del ", shortDir, "\\Patch.rtp") &&
             AppendLine(text, capacity, "del ", shortDir, "\\Patch.pif") && AppendLine(text, capacity, "", "", "");
    if (!fitted) {
        text[0] = 0;
        return 0;
    }
    return (int)RtStrLen(text);
}
