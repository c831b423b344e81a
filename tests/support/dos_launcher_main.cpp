// DOSLAUNCH.EXE: stands in, in the test prefix, for Wine's DOS launcher,
// which Wine starts for every .pif. It records what it was asked to start and
// ends at once, so a patch run can end as it would on Windows 95.
// Wine starts it as: winevdm.exe --app-name "C:\dir\PATCH.PIF" "C:\dir\PATCH.PIF" [args]
// The record goes to the file that ZARIZED_LAUNCH_LOG names (nothing is
// recorded without it), one "key=value" line each:
//   command line, current directory, pif (the --app-name path), and the PIF's
//   program, startup directory, parameters and enhanced-mode parameters fields
//   as they were when it was started; "end" closes each record.
#include <windows.h>

#include <stdio.h>

#include <string>

namespace {

std::string AppName(const std::string &line)
{
    const std::string flag = "--app-name ";
    size_t at = line.find(flag);
    if (at == std::string::npos)
        return "";
    at += flag.size();
    if (at < line.size() && line[at] == '"') {
        size_t end = line.find('"', at + 1);
        return line.substr(at + 1, end == std::string::npos ? std::string::npos : end - at - 1);
    }
    return line.substr(at, line.find(' ', at) - at);
}

// A PIF text field: its bytes up to the first NUL or the field's end.
std::string PifField(const std::string &pif, size_t offset, size_t width)
{
    if (offset >= pif.size())
        return "";
    std::string field = pif.substr(offset, width);
    return field.substr(0, field.find('\0'));
}

std::string ReadWholeFile(const std::string &path, bool *ok)
{
    std::string bytes;
    *ok = false;
    FILE *f = fopen(path.c_str(), "rb");
    if (!f)
        return bytes;
    char block[4096];
    size_t n;
    while ((n = fread(block, 1, sizeof(block), f)) > 0)
        bytes.append(block, n);
    fclose(f);
    *ok = true;
    return bytes;
}

}  // namespace

int main()
{
    char logPath[MAX_PATH];
    if (!GetEnvironmentVariableA("ZARIZED_LAUNCH_LOG", logPath, sizeof(logPath)))
        return 0;
    std::string line = GetCommandLineA();
    char cwd[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof(cwd), cwd);
    std::string pifPath = AppName(line);
    bool readable = false;
    std::string pif = ReadWholeFile(pifPath, &readable);

    FILE *log = fopen(logPath, "ab");
    if (!log)
        return 1;
    fprintf(log, "command line=%s\n", line.c_str());
    fprintf(log, "current directory=%s\n", cwd);
    fprintf(log, "pif=%s\n", pifPath.c_str());
    fprintf(log, "pif readable=%s\n", readable ? "yes" : "no");
    fprintf(log, "program=%s\n", PifField(pif, 0x24, 63).c_str());
    fprintf(log, "startup directory=%s\n", PifField(pif, 0x65, 64).c_str());
    fprintf(log, "parameters=%s\n", PifField(pif, 0xA5, 64).c_str());
    fprintf(log, "enhanced parameters=%s\n", PifField(pif, 0x1C5, 64).c_str());
    fprintf(log, "end\n");  // the record is whole: the starter does not wait for this program
    fclose(log);
    return 0;
}
