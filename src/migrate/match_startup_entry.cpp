// MatchStartupEntry: the component a Run entry belongs to, by its name.
#include "startup_entries.h"
#include "../runtime/runtime.h"

const char *const kComponentEntryNames[COMPONENT_ENTRY_COUNT] = {
    "Kelvane FileSteward", "Kelvane TaskBar",    "Kelvane Start Menu",  "Kelvane FolderCues",
    "Kelvane Indexing",    "Kelvane Undo Purge", "Kelvane Undo Monitor"};

int MatchStartupEntry(const char *valueName)
{
    int component;
    for (component = 0; component < COMPONENT_ENTRY_COUNT; ++component) {
        if (RtStrStr(kComponentEntryNames[component], valueName))
            return component + 1;
    }
    return 0;
}
