// PENDING: replaced by the real staging operations.
#include "staging.h"
int CopyPayloadFile(const char *name, const char *sourceDir, const char *productDir) { (void)name; (void)sourceDir; (void)productDir; return 0; }
int JoinSpannedFile(const char *name, const char *sourceDir, const char *productDir) { (void)name; (void)sourceDir; (void)productDir; return 0; }
int SplitSpannedFile(const char *path, int *sizes) { (void)path; (void)sizes; return 0; }
