// PENDING: replaced by read_installed_version.cpp and report_release_mismatch.cpp.
#include "driver.h"
int ReadInstalledVersion(const char *expected, char *installed) { (void)expected; (void)installed; return 0; }
void ReportReleaseMismatch(const char *expected, const char *installed) { (void)expected; (void)installed; }
