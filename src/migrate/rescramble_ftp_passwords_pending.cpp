// PENDING: replaced by rescramble_ftp_passwords.cpp.
#include "migrate.h"
void RescrambleFtpPasswords(void) {}
