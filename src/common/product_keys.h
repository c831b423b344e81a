// The registry keys the program reads and writes, spelled out once. Key
// names are found regardless of letter case; the spelling of a key the
// program creates is kept as written here.
#ifndef ZARIZED_PRODUCT_KEYS_H
#define ZARIZED_PRODUCT_KEYS_H

#define QUORVEL_KEY "Software\\Quorvel"
#define PALOMID_KEY QUORVEL_KEY "\\Palomid"

// The product's registration (HKEY_LOCAL_MACHINE).
const char InstalledAppsKey[] = QUORVEL_KEY "\\InstalledApps";
const char RegisteredFolderValue[] = "Kelvane Palomid";

// The product's settings: the product key itself, then below it.
const char ProductKey[] = PALOMID_KEY;
const char IndexingKey[] = PALOMID_KEY "\\Indexing";
const char IndexDefinitionsKey[] = PALOMID_KEY "\\Indexing\\Index Definitions";
const char FtpSitesKey[] = PALOMID_KEY "\\ZELFSV4\\FTP";
const char UndoKey[] = PALOMID_KEY "\\ZELFSV4\\Undo";
const char UndoExceptionKey[] = PALOMID_KEY "\\ZELFSV4\\Undo\\Exception";
const char ProductRunKey[] = PALOMID_KEY "\\Run";
const char DialogsKey[] = PALOMID_KEY "\\FileSteward\\Dialogs";
const char TaskbarUsersKey[] = PALOMID_KEY "\\Kelvane Taskbar\\Users";

// Windows' own keys.
const char WindowsVersionKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
const char WindowsRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const char ShellFoldersKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char DesktopProfileKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\ProfileReconciliation\\Desktop";
const char NetworkLogonKey[] = "Network\\Logon";

#endif
