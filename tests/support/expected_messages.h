// The program's messages as the tests expect them, written out here rather
// than loaded from the program's string table, and the boxes that show them.
#ifndef ZARIZED_TEST_EXPECTED_MESSAGES_H
#define ZARIZED_TEST_EXPECTED_MESSAGES_H

#include <string>

#include "message_boxes.h"

// Message 2005, caption "Error".
extern const char kCantCopy[];
// Message 2018, caption "Update Cancelled".
extern const char kAlreadyPatched[];
// Message 2022, caption "Update Cancelled": a patch run is under way already.
extern const char kAlreadyRunning[];
// Message 2012 for these releases and patch name, caption "Update Cancelled".
std::string WrongPatchText(const std::string &expected, const std::string &installed, const std::string &patch);
// Messages 2020 and 2021, caption "Update Cancelled": MS-DOS mode cannot be
// given the product folder, or the command shell.
std::string FolderTooDeepText(const std::string &productDir);
std::string ShellTooDeepText(const std::string &shell);
// The download extractor's messages, all under this caption: a damaged or
// cut download, too little room for its files (drive as "T:"), the files
// unpacked by "/x", a file that could not be written, and "/x" without a
// folder.
extern const char kExtractorCaption[];
std::string DamagedDownloadText(const std::string &download);
std::string DownloadLowSpaceText(const std::string &drive, unsigned long need, unsigned long free);
std::string UnpackedText(const std::string &folder);
std::string UnpackFailedText(const std::string &file, const std::string &folder);
std::string NameAFolderText(const std::string &downloadName);
// The disk prompt (message 2014) for disk `disk`: caption "ZARized", OK and Cancel.
bool IsDiskPrompt(const RecordedBox &box, int disk);

#endif
