// Whether Windows user profiles are in force for the current user, and the
// logon user's name.
#ifndef ZARIZED_PROFILE_USER_H
#define ZARIZED_PROFILE_USER_H

enum { USER_NAME_BYTES = 260 };

// Fills userName (USER_NAME_BYTES) with the logon user's name, or the empty
// text when it cannot be read; returns 1 when profiles are in force for the
// current user, else 0 (and then the name is empty).
int QueryProfileUser(char *userName);

#endif
