// Identifiers of the download extractor's resources (res/extractor.rc).
#ifndef ZARIZED_EXTRACTOR_RESOURCE_H
#define ZARIZED_EXTRACTOR_RESOURCE_H

// The caption of every box.
#define IDS_X_CAPTION 100
#define IDS_X_DAMAGED 101
#define IDS_X_LOW_SPACE 102
#define IDS_X_NO_FOLDER 103
#define IDS_X_WRITE_FAILED 104
#define IDS_X_CANT_START 105
#define IDS_X_UNPACKED 106
#define IDS_X_NAME_A_FOLDER 107
// The progress window's texts.
#define IDS_X_CHECKING 110
#define IDS_X_UNPACKING 111

#include "progress_controls.h"

#define IDD_X_PROGRESS 200
#define IDC_X_PROGRESS_TEXT 101
#define IDI_X_PROGRAM 1000

#endif
