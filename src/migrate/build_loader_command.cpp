// BuildLoaderCommand: the loader's command line from the registered folder.
#include "startup_entries.h"
#include "../runtime/runtime.h"

int BuildLoaderCommand(char *command, unsigned int capacity, const char *productDir)
{
    if (capacity == 0)
        return 0;
    RtMemSet(command, 0, capacity);
    if (RtCopyText(command, capacity, productDir) && RtAppendText(command, capacity, "\\kploader.exe"))
        return 1;
    RtMemSet(command, 0, capacity);
    return 0;
}
