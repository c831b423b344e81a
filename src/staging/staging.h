// Payload staging: copying the patch files, joining the spanned patch data
// from its numbered pieces, and cutting a file into such pieces.
#ifndef ZARIZED_STAGING_H
#define ZARIZED_STAGING_H

// What a patch run stages in the product folder, in bytes, and what lies
// there already under the names it stages: each is 0 when not there.
struct StagingSizes {
    unsigned long long engine;  // PATCH.DLL, staged as Patch.dll, then Patch.exe
    unsigned long long pif;     // PATCH.PIF, staged as Patch.pif
    unsigned long long data;    // Patch.rtp: the record's data, else piece 0's
    unsigned long long oldEngineCopy, oldEngine, oldPif, oldData;  // Patch.dll, Patch.exe, Patch.pif, Patch.rtp
};

// Measures the media in sourceDir and the files in productDir, changing
// nothing. Without a record of the pieces (or with a damaged one) only piece
// 0's data is known, and counted.
void MeasureStaging(const char *sourceDir, const char *productDir, StagingSizes *sizes);

int CopyPayloadFile(const char *name, const char *sourceDir, const char *productDir);
// Shows its progress in the program's progress window, when there is one.
int JoinSpannedFile(const char *name, const char *sourceDir, const char *productDir);
// sizes: the driver's 50-entry table, completed in place.
int SplitSpannedFile(const char *path, int *sizes);

#endif
