#include "expected_messages.h"

const char kCantCopy[] =
    "Can't copy a needed file.  Program terminating.  Please view 'READNOW.TXT' for instructions on how to "
    "manually apply the maintenance release.";

const char kAlreadyPatched[] =
    "You already have the 95.0.b version of Kelvane Palomid on your system.  There is no need to patch it.";
const char kAlreadyRunning[] =
    "The maintenance release is already running on this computer, perhaps waiting behind another window.  Please "
    "let it finish.  Nothing has been changed.";

std::string WrongPatchText(const std::string &expected, const std::string &installed, const std::string &patch)
{
    return "This patch is intended for the " + expected + " release of Kelvane Palomid.\n\nYou currently have " +
           installed + " installed on your machine.\n\n To upgrade to 95.0.b you will need to install the " + patch +
           " version of the patch.\n\nPlease refer to the 'READNOW.TXT' for information on how to get the correct "
           "patch for\nyour version of Kelvane Palomid.";
}

bool IsDiskPrompt(const RecordedBox &box, int disk)
{
    return box.caption == "ZARized" && box.text == "Please insert disk " + std::to_string(disk) + "." &&
           box.style == (UINT)MB_OKCANCEL;
}

std::string FolderTooDeepText(const std::string &productDir)
{
    return "The upgrade cannot be completed in the folder " + productDir +
           ".\n\nIts last step runs in MS-DOS mode, which reaches a folder only by an MS-DOS name of at most 47 "
           "characters, and this folder has no such name.  Nothing has been changed.\n\nPlease install Kelvane "
           "Palomid in a folder with a shorter path, then run the update again.";
}

std::string ShellTooDeepText(const std::string &shell)
{
    return "The upgrade cannot be completed: MS-DOS mode cannot start the command shell " + shell +
           ".\n\nIts last step runs in MS-DOS mode, which starts the shell only by an MS-DOS name of at most 57 "
           "characters.  Nothing has been changed.\n\nPlease view 'READNOW.TXT' for instructions on how to "
           "manually apply the maintenance release.";
}

const char kExtractorCaption[] = "Kelvane Palomid 95.0.b Maintenance Release";

std::string DamagedDownloadText(const std::string &download)
{
    return "The file " + download +
           " is damaged or incomplete, so the maintenance release cannot be unpacked from it.  Nothing has been "
           "written.\n\nPlease download it again.";
}

std::string DownloadLowSpaceText(const std::string &drive, unsigned long need, unsigned long free)
{
    return "There is not enough free space on drive " + drive + " to unpack the maintenance release: it needs " +
           std::to_string(need) + " bytes there, and the drive has " + std::to_string(free) +
           " bytes free.  Nothing has been written.\n\nPlease free up space on that drive and run the update again.";
}

std::string UnpackedText(const std::string &folder)
{
    return "The files of the maintenance release have been written to the folder " + folder +
           ".\n\nTo apply it, run ZARIZED.EXE there.  READNOW.TXT, beside it, tells more.";
}

std::string UnpackFailedText(const std::string &file, const std::string &folder)
{
    return "The file " + file + " could not be written whole in the folder " + folder +
           ".  What had been written there has been removed.\n\nPlease make sure that the drive has room and can be "
           "written to, then run the update again.";
}

std::string NameAFolderText(const std::string &downloadName)
{
    return "Name the folder to unpack the maintenance release into right after /x, for example:\n\n" + downloadName +
           " /xC:\\KPPATCH\n\nNothing has been written.";
}
