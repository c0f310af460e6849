// The job notification library. The plug-in calls BdcSetNotifyPrint with the driver job
// identifier it writes into each job's PJL header and the printer's name. This library keeps a
// job log for the administrator: one line per job,
//
//   2026-12-05T21:40:07Z<TAB>ACDE48A1B2C312052140070123<TAB>Zenta Production Printer
//
// (UTC time, identifier, printer), appended to
//   - the file named by the environment variable ZENTA_JOB_LOG, when it is set;
//   - otherwise, on Windows, %ProgramData%\Zenta\jobs.log; elsewhere /var/log/zenta/jobs.log.
// The log is written only when its folder exists: an administrator who wants the log creates
// the folder (and gives the printing users write access to it). A missing folder, a file that
// cannot be opened or a failed write only skip the line; printing never depends on it.

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#if defined(_WIN32)
#include <windows.h>
#define ZENTA_NOTIFY_EXPORT
#else
#define ZENTA_NOTIFY_EXPORT __attribute__((visibility("default")))
#endif

namespace {

#if defined(_WIN32)
std::FILE* open_log() {
    std::wstring path;
    if (const wchar_t* named = _wgetenv(L"ZENTA_JOB_LOG"); named && *named) {
        path = named;
    } else {
        const wchar_t* data = _wgetenv(L"ProgramData");
        if (!data || !*data) return nullptr;
        path = std::wstring(data) + L"\\Zenta\\jobs.log";
    }
    return _wfopen(path.c_str(), L"ab");
}
#else
std::FILE* open_log() {
    const char* named = std::getenv("ZENTA_JOB_LOG");
    return std::fopen(named && *named ? named : "/var/log/zenta/jobs.log", "ab");
}
#endif

// Keeps a log line to one line: control characters of a printer name become spaces.
std::string one_line(const char* text) {
    std::string line = text ? text : "";
    for (char& c : line)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    return line;
}

}  // namespace

extern "C" ZENTA_NOTIFY_EXPORT int BdcSetNotifyPrint(const char* job_identifier, const char* printer_name) {
    std::FILE* log = open_log();
    if (!log) return 0;
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
#if defined(_WIN32)
    gmtime_s(&utc, &now);
#else
    gmtime_r(&now, &utc);
#endif
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", &utc);
    const std::string line =
        std::string(stamp) + '\t' + one_line(job_identifier) + '\t' + one_line(printer_name) + '\n';
    const bool written = std::fwrite(line.data(), 1, line.size(), log) == line.size();
    const bool closed = std::fclose(log) == 0;
    return written && closed ? 1 : 0;
}
