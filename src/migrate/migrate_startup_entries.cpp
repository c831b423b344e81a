// MigrateStartupEntries: moves the components' start-up entries from the
// Windows Run key into the product's own Run keys and leaves the product's
// loader there in their place.
#include "migrate.h"
#include "migration_registry.h"
#include "startup_entries.h"
#include "../common/common.h"
#include "../runtime/runtime.h"

static const char kLoaderEntry[] = "Kelvane Palomid Loader";

// The components whose entries leave the Windows Run key, in the order they
// go; the loader's entry goes last.
static const int kDeletionOrder[COMPONENT_ENTRY_COUNT] = {1, 2, 7, 3, 4, 5, 6};

// Copies every entry whose name occurs inside a component name to the
// component's product Run key, as a REG_SZ of the full buffer length. Nothing
// is added to or removed from the Windows Run key meanwhile, so the indexes
// stay valid. An entry whose name or command line does not fit the buffers is
// passed over and the enumeration goes on. Returns one bit per component (bit
// k - 1 for component k) whose own entry, named exactly as the component, was
// written to its product Run key.
static unsigned int CopyComponentEntries(HKEY windowsRun, HKEY userRun, HKEY machineRun)
{
    char name[FIXED_TEXT_BYTES];
    unsigned char data[FIXED_TEXT_BYTES];
    DWORD index;
    int status;
    int component;
    unsigned int copied = 0;
    for (index = 0; (status = ReadFixedTextValue(windowsRun, index, name, data)) != FIXED_VALUE_END; ++index) {
        component = status == FIXED_VALUE_READ ? MatchStartupEntry(name) : 0;
        if (component != 0 &&
            RegSetValueExA(component <= LAST_PER_USER_COMPONENT ? userRun : machineRun, name, 0, REG_SZ, data,
                           sizeof(data)) == ERROR_SUCCESS &&
            RtStrCmp(name, kComponentEntryNames[component - 1]) == 0)
            copied |= 1u << (component - 1);
    }
    return copied;
}

// Writes the loader entry from the registered product folder, as stored.
// A command line that would not fit its buffer is not written at all.
static void WriteLoaderEntry(HKEY windowsRun)
{
    char productDir[FIXED_TEXT_BYTES + 1];
    char command[FIXED_TEXT_BYTES];
    DWORD type = 0;
    if (ReadRegisteredFolder(productDir, FIXED_TEXT_BYTES, &type) &&
        BuildLoaderCommand(command, sizeof(command), productDir))
        RegSetValueExA(windowsRun, kLoaderEntry, 0, REG_SZ, (const BYTE *)command, sizeof(command));
}

void MigrateStartupEntries(void)
{
    HKEY windowsRun;
    HKEY userRun;
    HKEY machineRun;
    DWORD disposition;
    int entry;
    unsigned int copied = 0;
    int component;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, WindowsRunKey, 0, KEY_ALL_ACCESS, &windowsRun) != ERROR_SUCCESS)
        return;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, ProductRunKey, 0, (char *)"Software", REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, 0, &userRun, &disposition) == ERROR_SUCCESS) {
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, ProductRunKey, 0, (char *)"SOFTWARE", REG_OPTION_NON_VOLATILE,
                            KEY_ALL_ACCESS, 0, &machineRun, &disposition) == ERROR_SUCCESS) {
            copied = CopyComponentEntries(windowsRun, userRun, machineRun);
            RegCloseKey(machineRun);
        }
        RegCloseKey(userRun);
    }
    // A component's entry goes only once its copy is written. One the copy did
    // not take stays, so that its component still starts: a name that differs
    // in letter case only (the registry finds it under the component's name,
    // the match does not), a command line too long to copy, or a product Run
    // key that could not be created.
    for (entry = 0; entry < COMPONENT_ENTRY_COUNT; ++entry) {
        component = kDeletionOrder[entry];
        if (copied & (1u << (component - 1)))
            RegDeleteValueA(windowsRun, kComponentEntryNames[component - 1]);
    }
    RegDeleteValueA(windowsRun, kLoaderEntry);
    WriteLoaderEntry(windowsRun);
    RegCloseKey(windowsRun);
}
