// Identifiers of the program's resources.
#ifndef ZARIZED_RESOURCE_H
#define ZARIZED_RESOURCE_H

#define IDS_PRODUCT_NAME 2000
#define IDS_RUN_NAME 2001
#define IDS_ERROR 2002
#define IDS_RESTART_CAPTION 2003
#define IDS_NOT_INSTALLED 2004
#define IDS_CANT_COPY 2005
#define IDS_CANT_RUN 2006
#define IDS_RESTART_TEXT 2007
#define IDS_MISSING_FILES 2008
#define IDS_NO_WINDOWS_DIR 2009
#define IDS_PROGRESS_TEXT 2010
#define IDS_LOW_SPACE 2011
#define IDS_WRONG_PATCH 2012
#define IDS_INSERT_DISK 2014
#define IDS_LOW_SPACE_CAPTION 2015
#define IDS_UPDATE_CANCELLED 2016
#define IDS_NO_SOURCE_FILE 2017
#define IDS_ALREADY_PATCHED 2018
// A piece that does not match the media's record, or cannot be read whole.
#define IDS_NOT_THIS_DISK 2019
// MS-DOS mode cannot be given the product folder and PATCH.BAT, or the
// command shell, within the bytes their PIF fields receive (caption 2016).
#define IDS_DOS_FOLDER_TOO_LONG 2020
#define IDS_DOS_SHELL_TOO_LONG 2021
// Another patch run is under way on this PC (caption 2016).
#define IDS_ALREADY_RUNNING 2022
// The line beside the progress bar while the pieces are joined.
#define IDS_PROGRESS_DISK 2023
// The splitter's refusals and failures (caption "Error").
#define IDS_SPLIT_NEGATIVE_SIZE 2030
#define IDS_SPLIT_FIRST_SIZE_TOO_SMALL 2031
#define IDS_SPLIT_NOT_COVERED 2032
#define IDS_SPLIT_TOO_LARGE 2033
#define IDS_SPLIT_PIECE_FAILED 2034
#define IDS_SPLIT_COMMAND_TOO_LONG 2035

#include "progress_controls.h"

#define IDD_PROGRESS 3000
#define IDC_PROGRESS_TEXT 101
#define IDI_PROGRAM 1000
#define IDR_DIALOG_DEFINITIONS 1001

#endif
