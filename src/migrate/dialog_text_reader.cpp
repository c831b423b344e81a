// Reading the built-in dialog-definition text by sections and entry lines,
// within the buffer's size, whatever the text holds.
#include "dialog_text_reader.h"

const char *StepDialogTextByte(const char *character)
{
    return character + 1;
}

// The character after the one at position (a non-NUL byte before end). The
// step is asked only when it can look at the next byte too; a step that goes
// nowhere, past end or over a NUL is cut back, so a line never runs into the
// next one and the buffer is never left.
static const char *Advance(const char *position, const char *end, DialogTextStep step)
{
    const char *next;
    const char *between;
    if (end - position < 2)
        return end;
    next = step(position);
    if (next <= position || next > end)
        next = position + 1;
    for (between = position + 1; between < next; ++between)
        if (!*between)
            return between;
    return next;
}

static unsigned int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return (unsigned int)(c - '0');
    if (c >= 'a' && c <= 'f')
        return (unsigned int)(c - 'a' + 10);
    if (c >= 'A' && c <= 'F')
        return (unsigned int)(c - 'A' + 10);
    return 0;
}

unsigned int DialogHexValue(const char *value, const char *valueEnd, DialogTextStep step)
{
    unsigned int number = 0;
    const char *position = value + 2;
    while (position < valueEnd) {
        number = number * 16u + HexDigitValue(*position);
        position = Advance(position, valueEnd, step);
    }
    return number;
}

void OpenDialogText(DialogText *text, const char *bytes, unsigned int size, DialogTextStep step)
{
    text->next = bytes;
    text->end = bytes + size;
    text->step = step;
}

const char *ReadDialogSectionName(DialogText *text)
{
    const char *name = text->next;
    const char *position = name;
    if (name >= text->end || !*name) {
        text->next = text->end;
        return 0;
    }
    while (position < text->end && *position)
        position = Advance(position, text->end, text->step);
    if (position >= text->end) {
        text->next = text->end;
        return 0;
    }
    text->next = position + 1;
    return name;
}

DialogEntryResult ReadDialogEntry(DialogText *text, DialogTextEntry *entry)
{
    const char *line = text->next;
    const char *position = line;
    const char *equals = 0;
    unsigned int nameBytes;
    unsigned int i;
    if (line >= text->end)
        return DIALOG_SECTION_END;
    if (!*line) {
        text->next = line + 1;
        return DIALOG_SECTION_END;
    }
    while (position < text->end && *position) {
        if (!equals && *position == '=')
            equals = position;
        position = Advance(position, text->end, text->step);
    }
    if (position >= text->end) {
        // Cut by the end of the text: not taken, and nothing follows.
        text->next = text->end;
        return DIALOG_SECTION_END;
    }
    text->next = position + 1;
    if (!equals)
        return DIALOG_ENTRY_SKIPPED;
    nameBytes = (unsigned int)(equals - line);
    if (nameBytes >= DIALOG_KEY_NAME_BYTES)
        return DIALOG_ENTRY_SKIPPED;
    for (i = 0; i < nameBytes; ++i)
        entry->name[i] = line[i];
    entry->name[nameBytes] = 0;
    entry->value = equals + 1;
    entry->valueBytes = (unsigned int)(position - entry->value);
    entry->isNumber = entry->valueBytes >= 2 && entry->value[0] == '0' &&
                      (entry->value[1] == 'x' || entry->value[1] == 'X');
    entry->number = entry->isNumber ? DialogHexValue(entry->value, position, text->step) : 0;
    return DIALOG_ENTRY;
}
