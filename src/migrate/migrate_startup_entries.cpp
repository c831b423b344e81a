// MigrateStartupEntries: moves the components' start-up entries from the
// Windows Run key into the product's own Run keys and leaves the product's
// loader there in their place.
#include "migrate.h"
#include "fixed_text_value.h"
#include "startup_entries.h"
#include "../runtime/runtime.h"

static const char kWindowsRun[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
static const char kUserProductRun[] = "Software\\Quorvel\\Palomid\\Run";
static const char kMachineProductRun[] = "SOFTWARE\\Quorvel\\Palomid\\Run";
static const char kInstalledApps[] = "SOFTWARE\\Quorvel\\InstalledApps";
static const char kLoaderEntry[] = "Kelvane Palomid Loader";

// The entries removed from the Windows Run key, in the order they go.
static const char *const kDeletedEntries[] = {
    "Kelvane FileSteward", "Kelvane TaskBar",  "Kelvane Undo Monitor", "Kelvane Start Menu",
    "Kelvane FolderCues",  "Kelvane Indexing", "Kelvane Undo Purge",   kLoaderEntry};

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
    HKEY installedApps;
    char productDir[FIXED_TEXT_BYTES + 1];  // room for a terminator after a full read
    char command[FIXED_TEXT_BYTES];
    DWORD size;
    DWORD type;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kInstalledApps, 0, KEY_ALL_ACCESS, &installedApps) != ERROR_SUCCESS)
        return;
    size = FIXED_TEXT_BYTES;
    if (RegQueryValueExA(installedApps, "Kelvane Palomid", 0, &type, (BYTE *)productDir, &size) == ERROR_SUCCESS) {
        productDir[size <= (DWORD)FIXED_TEXT_BYTES ? size : (DWORD)FIXED_TEXT_BYTES] = 0;
        if (BuildLoaderCommand(command, sizeof(command), productDir))
            RegSetValueExA(windowsRun, kLoaderEntry, 0, REG_SZ, (const BYTE *)command, sizeof(command));
    }
    RegCloseKey(installedApps);
}

void MigrateStartupEntries(void)
{
    HKEY windowsRun;
    HKEY userRun;
    HKEY machineRun;
    DWORD disposition;
    unsigned int entry;
    unsigned int copied = 0;
    int component;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kWindowsRun, 0, KEY_ALL_ACCESS, &windowsRun) != ERROR_SUCCESS)
        return;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kUserProductRun, 0, (char *)"Software", REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, 0, &userRun, &disposition) == ERROR_SUCCESS) {
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kMachineProductRun, 0, (char *)"SOFTWARE", REG_OPTION_NON_VOLATILE,
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
    for (entry = 0; entry < sizeof(kDeletedEntries) / sizeof(kDeletedEntries[0]); ++entry) {
        component = MatchStartupEntry(kDeletedEntries[entry]);
        if (component == 0 || (copied & (1u << (component - 1))))
            RegDeleteValueA(windowsRun, kDeletedEntries[entry]);
    }
    WriteLoaderEntry(windowsRun);
    RegCloseKey(windowsRun);
}
