// MigrateIndexingBaseDirectory: moves the indexing settings from the current
// user to the machine: the index definitions, then the base directory, and
// then removes the user's indexing key with everything below it.
#include "migrate.h"
#include "migration_registry.h"
#include "../common/common.h"
#include "../runtime/runtime.h"

// The user's and the machine's keys have the same paths.
static const char kBaseDirectory[] = "Base Directory";

// Copies the values that lie directly in one definition, each as a REG_SZ of
// the full buffer length. A value whose name or data does not fit the buffers
// is passed over and the enumeration goes on: the user's definitions are
// deleted afterwards, so stopping early would lose every later value.
static void CopyDefinitionValues(HKEY source, HKEY target)
{
    char name[FIXED_TEXT_BYTES];
    unsigned char data[FIXED_TEXT_BYTES];
    DWORD index;
    int status;
    for (index = 0; (status = ReadFixedTextValue(source, index, name, data)) != FIXED_VALUE_END; ++index)
        if (status == FIXED_VALUE_READ)
            RegSetValueExA(target, name, 0, REG_SZ, data, sizeof(data));
}

static void CopyIndexDefinitions(void)
{
    HKEY userDefinitions;
    HKEY machineDefinitions;
    HKEY userDefinition;
    HKEY machineDefinition;
    DWORD disposition;
    char name[FIXED_TEXT_BYTES];
    DWORD nameSize;
    DWORD index;
    LONG result;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, IndexDefinitionsKey, 0, KEY_ALL_ACCESS, &userDefinitions) != ERROR_SUCCESS)
        return;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, IndexDefinitionsKey, 0, (char *)"Software", REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, 0, &machineDefinitions, &disposition) == ERROR_SUCCESS) {
        for (index = 0;; ++index) {
            nameSize = sizeof(name);
            result = RegEnumKeyExA(userDefinitions, index, name, &nameSize, 0, 0, 0, 0);
            if (result == ERROR_MORE_DATA)
                continue;
            if (result != ERROR_SUCCESS)
                break;
            // A definition's key carries no class string.
            if (RegCreateKeyExA(machineDefinitions, name, 0, 0, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, 0,
                                &machineDefinition, &disposition) != ERROR_SUCCESS)
                continue;
            if (RegOpenKeyExA(userDefinitions, name, 0, KEY_ALL_ACCESS, &userDefinition) == ERROR_SUCCESS) {
                CopyDefinitionValues(userDefinition, machineDefinition);
                RegCloseKey(userDefinition);
            }
            RegCloseKey(machineDefinition);
        }
        RegCloseKey(machineDefinitions);
    }
    RegCloseKey(userDefinitions);
}

// Copies "Base Directory" to the machine (REG_SZ, the length read, only when
// the machine's indexing key exists), then removes the user's indexing key.
static void MoveBaseDirectory(void)
{
    HKEY userIndexing;
    HKEY machineIndexing;
    HKEY userProduct;
    // One byte more than is read, always 0: Windows 95 stores a REG_SZ up to
    // the NUL after its text whatever length it is given, so a value that
    // fills the read must still end inside this buffer.
    unsigned char data[FIXED_TEXT_BYTES + 1];
    DWORD dataSize;
    DWORD type;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, IndexingKey, 0, KEY_ALL_ACCESS, &userIndexing) != ERROR_SUCCESS)
        return;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, IndexingKey, 0, KEY_ALL_ACCESS, &machineIndexing) == ERROR_SUCCESS) {
        RtMemSet(data, 0, sizeof(data));
        dataSize = FIXED_TEXT_BYTES;
        if (RegQueryValueExA(userIndexing, kBaseDirectory, 0, &type, data, &dataSize) == ERROR_SUCCESS)
            RegSetValueExA(machineIndexing, kBaseDirectory, 0, REG_SZ, data, dataSize);
        RegCloseKey(machineIndexing);
    }
    RegDeleteValueA(userIndexing, kBaseDirectory);
    RegCloseKey(userIndexing);
    if (RegOpenKeyExA(HKEY_CURRENT_USER, ProductKey, 0, KEY_ALL_ACCESS, &userProduct) == ERROR_SUCCESS) {
        DeleteKeyTree(userProduct, "Indexing");
        RegCloseKey(userProduct);
    }
}

int MigrateIndexingBaseDirectory(void)
{
    CopyIndexDefinitions();
    MoveBaseDirectory();
    return 1;
}
