// The start-up entries of the product's components: which Run entry belongs
// to which component, and the loader's command line. Pure text work, no Win32
// call.
#ifndef ZARIZED_STARTUP_ENTRIES_H
#define ZARIZED_STARTUP_ENTRIES_H

// Components 1 to 3 start per user, 4 to 7 machine-wide.
enum { COMPONENT_ENTRY_COUNT = 7, LAST_PER_USER_COMPONENT = 3 };

// The component names in the order a Run entry's name is tested against them.
extern const char *const kComponentEntryNames[COMPONENT_ENTRY_COUNT];

// The first component (1 to 7, in test order) whose name contains
// `valueName` (case-sensitive: the component name is searched, the value's
// name is sought, so an empty name matches the first), or 0 for none.
int MatchStartupEntry(const char *valueName);

// Writes `productDir` + "\kploader.exe" into `command` (`capacity` bytes,
// zero-filled after the text) exactly as given: a folder ending in "\" gives
// a doubled one. Returns 0, leaving `command` all zero, when the command line
// does not fit: it is never cut short.
int BuildLoaderCommand(char *command, unsigned int capacity, const char *productDir);

#endif
