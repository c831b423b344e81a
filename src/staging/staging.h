// Payload staging: copying the patch files, joining the spanned patch data
// from its numbered pieces, and cutting a file into such pieces.
#ifndef ZARIZED_STAGING_H
#define ZARIZED_STAGING_H

int CopyPayloadFile(const char *name, const char *sourceDir, const char *productDir);
int JoinSpannedFile(const char *name, const char *sourceDir, const char *productDir);
// sizes: the driver's 50-entry table, completed in place.
int SplitSpannedFile(const char *path, int *sizes);

#endif
