#pragma once
// Ghostscript, as the tool and the tests use it: to make a PDF into DSC PostScript (ps2write)
// and to run a print job's PostScript and report whether the interpreter found an error, as
// scripts/ps-check.sh does.
//
// Which Ghostscript: the program named by the environment variable ZENTA_GS when it is set;
// else "gs" on the search path; on Windows "gswin64c.exe", "gswin32c.exe" or "gs.exe" on the
// search path and, under Wine, the host system's own gs (/usr/bin/gs, /usr/local/bin/gs),
// which Wine starts as a program of its own system. Ghostscript always runs inside a
// directory of its own (-dSAFER), on files named relative to it, so no path has to be
// translated between the two systems.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zenta::host {

// A fresh, empty directory under the system's temporary directory, removed with everything
// in it when the object goes. `path()` is empty when none could be made (see error()).
class TemporaryDirectory {
public:
    TemporaryDirectory();
    ~TemporaryDirectory();
    TemporaryDirectory(const TemporaryDirectory&) = delete;
    TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;

    const std::filesystem::path& path() const { return path_; }
    explicit operator bool() const { return !path_.empty(); }
    const std::string& error() const { return error_; }

private:
    std::filesystem::path path_;
    std::string error_;
};

struct GhostscriptRun {
    bool started = false;  // false: `error` says why Ghostscript did not run
    int exit_code = -1;
    std::string output;  // standard output and standard error together
    std::string error;
};

// The longest a Ghostscript run may take before it is stopped, in seconds.
inline constexpr unsigned kGhostscriptTimeout = 600;

// Where Ghostscript is, or nothing with `error` saying that it was not found.
std::optional<std::string> find_ghostscript(std::string& error);

// Runs Ghostscript with these arguments (after the program name) inside `directory`.
GhostscriptRun run_ghostscript(const std::vector<std::string>& arguments,
                               const std::filesystem::path& directory);

// The PostScript of a print job, as the check script takes it out: every UEL removed, then
// everything before the first line that begins with "%!", then every line that begins with
// "@PJL". Empty when no line begins with "%!".
std::string job_postscript(std::string_view job);

struct JobCheck {
    bool ok = false;
    std::string message;  // why not: Ghostscript's error line and the one after it, or why it did not run
    std::string output;   // what Ghostscript printed
};

// Runs a print job's PostScript through Ghostscript on the nullpage device (-dSAFER, allowed
// to write only the file Zenta_file of its private directory) and reports whether Ghostscript
// found no error (exit status 0 and no "Error:" in its output). `trace` first sets
// userdict /ZentaTrace to true, so that the printer procedures print their trace lines.
JobCheck check_job(std::string_view job, bool trace = false);

// A PDF file (path in UTF-8) made into DSC PostScript by Ghostscript's ps2write, leaving the
// page size to the printer (-dSetPageSize=false). Nothing, with `error` set, when Ghostscript
// is missing or fails.
std::optional<std::string> pdf_to_postscript(const std::string& pdf_path, std::string& error);

}  // namespace zenta::host
