// Checks a download build and unpacks it with the extractor's own code, as
// "/x" does, but without its closing message: unpack_bench DOWNLOAD FOLDER.
// Without arguments it exits at once, for Wine's idle resident set.
#include <windows.h>

#include "extractor/extractor.h"

int main(int argc, char **argv)
{
    if (argc != 3)
        return 2;
    ModuleInstance = GetModuleHandleA(nullptr);
    Download download;
    int ok = OpenDownload(&download, argv[1]) && CheckDownload(&download, nullptr) &&
             UnpackFiles(&download, argv[2], nullptr);
    CloseDownload(&download);
    return ok ? 0 : 1;
}
