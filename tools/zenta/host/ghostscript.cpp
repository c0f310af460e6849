#include "host/ghostscript.h"

#include <cerrno>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <system_error>
#include <thread>

#include "util/utf.h"

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace zenta::host {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kUel = "\x1B%-12345X";
constexpr const char* kOutputFile = "ghostscript-output.txt";

fs::path path_from_utf8(const std::string& text) {
#ifdef _WIN32
    return fs::path(util::utf8_to_utf16(text));
#else
    return fs::path(text);
#endif
}

std::string path_to_utf8(const fs::path& path) {
#ifdef _WIN32
    return util::utf16_to_utf8(path.u16string());
#else
    return path.string();
#endif
}

bool read_whole(const fs::path& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    text = std::move(bytes).str();
    return !in.bad();
}

bool write_whole(const fs::path& path, std::string_view text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    return static_cast<bool>(out.flush());
}

#ifdef _WIN32

std::wstring wide(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }
std::wstring wide_from_utf8(const std::string& text) { return wide(util::utf8_to_utf16(text)); }
std::string utf8_from_wide(const std::wstring& text) {
    return util::utf16_to_utf8(std::u16string(text.begin(), text.end()));
}

bool under_wine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::optional<std::wstring> search_path(const wchar_t* name) {
    wchar_t found[MAX_PATH];
    const DWORD length = SearchPathW(nullptr, name, nullptr, MAX_PATH, found, nullptr);
    if (length == 0 || length >= MAX_PATH) return std::nullopt;
    return std::wstring(found, length);
}

bool is_file(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// One argument of a command line as the C runtime splits it again.
void append_argument(std::wstring& line, const std::wstring& argument) {
    if (!line.empty()) line += L' ';
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) {
        line += argument;
        return;
    }
    line += L'"';
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        if (c == L'"')
            line.append(backslashes * 2 + 1, L'\\');
        else
            line.append(backslashes, L'\\');
        backslashes = 0;
        line += c;
    }
    line.append(backslashes * 2, L'\\');
    line += L'"';
}

#else

std::optional<std::string> search_path(const std::string& name) {
    if (name.find('/') != std::string::npos) {
        if (access(name.c_str(), X_OK) == 0) return name;
        return std::nullopt;
    }
    const char* path = std::getenv("PATH");
    std::istringstream dirs(path ? path : "/usr/local/bin:/usr/bin:/bin");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        const std::string candidate = (dir.empty() ? "." : dir) + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return std::nullopt;
}

#endif

}  // namespace

// ---- TemporaryDirectory

TemporaryDirectory::TemporaryDirectory() {
    std::error_code ec;
    const fs::path base = fs::temp_directory_path(ec);
    if (ec) {
        error_ = "no temporary directory: " + ec.message();
        return;
    }
    std::random_device random;
    std::mt19937_64 numbers(
        (std::uint64_t{random()} << 32) ^ random() ^
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path candidate = base / ("zenta-" + std::to_string(numbers() % 1000000000000ULL));
        if (fs::create_directory(candidate, ec)) {
            path_ = candidate;
            return;
        }
    }
    error_ = "cannot make a directory in '" + path_to_utf8(base) + "'" + (ec ? ": " + ec.message() : "");
}

TemporaryDirectory::~TemporaryDirectory() {
    if (path_.empty()) return;
    std::error_code ec;
    fs::remove_all(path_, ec);
}

// ---- finding and running Ghostscript

namespace {

// A Ghostscript program, and whether it is one of the host system under Wine (started through
// the host's shell, since Wine gives no handle to wait on for such a program).
struct Program {
    std::string path;
    bool host_system = false;
};

std::optional<Program> locate(std::string& error) {
#ifdef _WIN32
    if (const wchar_t* named = _wgetenv(L"ZENTA_GS"); named && *named) {
        if (is_file(named)) return Program{utf8_from_wide(named)};
        if (auto found = search_path(named)) return Program{utf8_from_wide(*found)};
        error = "ZENTA_GS names '" + utf8_from_wide(named) + "', which is not a program";
        return std::nullopt;
    }
    for (const wchar_t* name : {L"gswin64c.exe", L"gswin32c.exe", L"gs.exe"})
        if (auto found = search_path(name)) return Program{utf8_from_wide(*found)};
    if (under_wine() && is_file(L"Z:\\bin\\sh"))
        for (const char* unix_gs : {"/usr/bin/gs", "/usr/local/bin/gs", "/bin/gs"}) {
            std::wstring windows_path = L"Z:" + wide_from_utf8(unix_gs);
            std::replace(windows_path.begin(), windows_path.end(), L'/', L'\\');
            if (is_file(windows_path)) return Program{unix_gs, true};
        }
    error = under_wine() ? "Ghostscript not found (no gswin64c.exe on the path and no gs in /usr/bin or "
                           "/usr/local/bin of the host system)"
                         : "Ghostscript not found (no gswin64c.exe, gswin32c.exe or gs.exe on the path)";
    return std::nullopt;
#else
    const char* named = std::getenv("ZENTA_GS");
    const std::string name = named && *named ? named : "gs";
    if (auto found = search_path(name)) return Program{*found};
    error = named && *named ? "ZENTA_GS names '" + name + "', which is not a program"
                            : "Ghostscript (gs) not found on the path";
    return std::nullopt;
#endif
}

#ifdef _WIN32

// A word for the host's shell, in single quotes.
std::string shell_word(const std::string& word) {
    std::string quoted = "'";
    for (const char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

bool start_process(const std::wstring& program, std::wstring line, const fs::path& directory, HANDLE output,
                   HANDLE input, PROCESS_INFORMATION& process) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (output && input) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = input;
        startup.hStdOutput = output;
        startup.hStdError = output;
    }
    const std::wstring directory_path = directory.wstring();
    return CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, output != nullptr, CREATE_NO_WINDOW,
                          nullptr, directory_path.c_str(), &startup, &process) != 0;
}

// A program of the host system under Wine: the host's shell runs it in the directory (Wine
// starts it there) with its output in the output file, then leaves its exit status in a file
// of its own, which is waited for.
void run_host_program(const Program& program, const std::vector<std::string>& arguments,
                      const fs::path& directory, GhostscriptRun& run, bool& timed_out) {
    const fs::path status_path = directory / "ghostscript-status.txt";
    std::string script =
        is_file(L"Z:\\usr\\bin\\timeout")
            ? "timeout -k 5 " + std::to_string(kGhostscriptTimeout) + " " + shell_word(program.path)
            : shell_word(program.path);
    for (const std::string& argument : arguments) script += " " + shell_word(argument);
    script += std::string(" </dev/null >") + kOutputFile + " 2>&1; echo $? >ghostscript-status.tmp; " +
              "mv ghostscript-status.tmp ghostscript-status.txt";
    std::wstring line;
    append_argument(line, L"/bin/sh");
    append_argument(line, L"-c");
    append_argument(line, wide_from_utf8(script));
    PROCESS_INFORMATION process{};
    if (!start_process(L"Z:\\bin\\sh", line, directory, nullptr, nullptr, process)) {
        run.error = "cannot start the host system's Ghostscript '" + program.path + "' (error " +
                    std::to_string(GetLastError()) + ")";
        return;
    }
    if (process.hThread) CloseHandle(process.hThread);
    if (process.hProcess) CloseHandle(process.hProcess);
    run.started = true;
    const auto start = std::chrono::steady_clock::now();
    const auto limit = std::chrono::seconds(kGhostscriptTimeout + 30);
    std::string status;
    while (!read_whole(status_path, status) || status.empty()) {
        if (std::chrono::steady_clock::now() - start > limit) {
            timed_out = true;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    run.exit_code = std::atoi(status.c_str());
    if (run.exit_code == 124 || run.exit_code == 137) timed_out = true;
}

#endif

}  // namespace

std::optional<std::string> find_ghostscript(std::string& error) {
    std::optional<Program> program = locate(error);
    if (!program) return std::nullopt;
    return program->path;
}

GhostscriptRun run_ghostscript(const std::vector<std::string>& arguments, const fs::path& directory) {
    GhostscriptRun run;
    const std::optional<Program> program = locate(run.error);
    if (!program) return run;
    const fs::path output_path = directory / kOutputFile;
    bool timed_out = false;

#ifdef _WIN32
    if (program->host_system) {
        run_host_program(*program, arguments, directory, run, timed_out);
        if (!run.started) return run;
    } else {
        std::wstring line;
        append_argument(line, wide_from_utf8(program->path));
        for (const std::string& argument : arguments) append_argument(line, wide_from_utf8(argument));
        SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        HANDLE output = CreateFileW(output_path.wstring().c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        HANDLE input = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (output == INVALID_HANDLE_VALUE || input == INVALID_HANDLE_VALUE) {
            if (output != INVALID_HANDLE_VALUE) CloseHandle(output);
            if (input != INVALID_HANDLE_VALUE) CloseHandle(input);
            run.error = "cannot make Ghostscript's output file in '" + path_to_utf8(directory) + "'";
            return run;
        }
        PROCESS_INFORMATION process{};
        const bool created =
            start_process(wide_from_utf8(program->path), line, directory, output, input, process);
        const DWORD create_error = created ? 0 : GetLastError();
        CloseHandle(output);
        CloseHandle(input);
        if (!created || !process.hProcess) {
            run.error = "cannot start Ghostscript '" + program->path + "' (error " +
                        std::to_string(create_error) + ")";
            return run;
        }
        run.started = true;
        if (WaitForSingleObject(process.hProcess, static_cast<DWORD>(kGhostscriptTimeout) * 1000) !=
            WAIT_OBJECT_0) {
            TerminateProcess(process.hProcess, 1);
            WaitForSingleObject(process.hProcess, INFINITE);
            timed_out = true;
        }
        DWORD code = 1;
        GetExitCodeProcess(process.hProcess, &code);
        run.exit_code = static_cast<int>(code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
#else
    // Everything the child needs is made before fork: it only changes directory, redirects and
    // runs the program.
    const auto timeout = std::chrono::seconds(kGhostscriptTimeout);
    std::vector<std::string> words{program->path};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    const std::string dir = directory.string();
    const std::string out = output_path.string();
    const pid_t child = fork();
    if (child < 0) {
        run.error = "cannot start Ghostscript (fork failed)";
        return run;
    }
    if (child == 0) {
        const int out_fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int in_fd = open("/dev/null", O_RDONLY);
        if (chdir(dir.c_str()) != 0 || out_fd < 0 || in_fd < 0) _exit(126);
        dup2(in_fd, 0);
        dup2(out_fd, 1);
        dup2(out_fd, 2);
        execv(argv[0], argv.data());
        _exit(127);
    }
    run.started = true;
    const auto start = std::chrono::steady_clock::now();
    int status = 0;
    for (;;) {
        const pid_t done = waitpid(child, &status, WNOHANG);
        if (done == child) break;
        if (done < 0 && errno != EINTR) {
            status = -1;
            break;
        }
        if (std::chrono::steady_clock::now() - start > timeout) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            timed_out = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    run.exit_code = status >= 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (run.exit_code == 126 || run.exit_code == 127) {
        read_whole(output_path, run.output);
        if (run.output.empty()) {
            run.started = false;
            run.error = "cannot start Ghostscript '" + program->path + "'";
            return run;
        }
    }
#endif
    read_whole(output_path, run.output);
    if (timed_out) {
        run.exit_code = -1;
        run.output +=
            "\nError: Ghostscript was stopped after " + std::to_string(kGhostscriptTimeout) + " seconds\n";
    }
    return run;
}

// ---- print jobs

std::string job_postscript(std::string_view job) {
    std::string text;
    text.reserve(job.size());
    for (std::size_t at = 0; at < job.size();) {
        const std::size_t uel = job.find(kUel, at);
        text.append(job.substr(at, uel == std::string_view::npos ? std::string_view::npos : uel - at));
        if (uel == std::string_view::npos) break;
        at = uel + kUel.size();
    }
    std::size_t start = text.starts_with("%!") ? 0 : text.find("\n%!");
    if (start == std::string::npos) return {};
    if (start != 0) ++start;
    std::string postscript;
    postscript.reserve(text.size() - start);
    for (std::size_t at = start; at < text.size();) {
        std::size_t end = text.find('\n', at);
        end = end == std::string::npos ? text.size() : end + 1;
        if (!std::string_view(text).substr(at, end - at).starts_with("@PJL"))
            postscript.append(text, at, end - at);
        at = end;
    }
    return postscript;
}

namespace {

// Ghostscript's error line and the one after it, else the end of its output.
std::string error_lines(const std::string& output) {
    std::istringstream in(output);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (lines[i].find("Error:") != std::string::npos)
            return lines[i] + (i + 1 < lines.size() ? "\n" + lines[i + 1] : "");
    std::string tail;
    for (std::size_t i = lines.size() > 5 ? lines.size() - 5 : 0; i < lines.size(); ++i)
        tail += (tail.empty() ? "" : "\n") + lines[i];
    return tail;
}

bool failed(const GhostscriptRun& run) {
    return run.exit_code != 0 || run.output.find("Error:") != std::string::npos;
}

}  // namespace

JobCheck check_job(std::string_view job, bool trace) {
    JobCheck check;
    const std::string postscript = job_postscript(job);
    if (postscript.empty()) {
        check.message = "no PostScript in the job (no line begins with %!)";
        return check;
    }
    TemporaryDirectory dir;
    if (!dir) {
        check.message = dir.error();
        return check;
    }
    if (!write_whole(dir.path() / "job.ps", postscript)) {
        check.message = "cannot write the job into '" + path_to_utf8(dir.path()) + "'";
        return check;
    }
    std::vector<std::string> arguments{
        "-q", "-dNOPAUSE", "-dBATCH", "-dSAFER", "--permit-file-all=Zenta_file", "-sDEVICE=nullpage"};
    if (trace) arguments.insert(arguments.end(), {"-c", "userdict /ZentaTrace true put"});
    arguments.insert(arguments.end(), {"-f", "job.ps"});
    const GhostscriptRun run = run_ghostscript(arguments, dir.path());
    check.output = run.output;
    if (!run.started) {
        check.message = run.error;
        return check;
    }
    if (failed(run)) {
        check.message = "Ghostscript reported an error (exit status " + std::to_string(run.exit_code) +
                        "):\n" + error_lines(run.output);
        return check;
    }
    check.ok = true;
    return check;
}

std::optional<std::string> pdf_to_postscript(const std::string& pdf_path, std::string& error) {
    TemporaryDirectory dir;
    if (!dir) {
        error = dir.error();
        return std::nullopt;
    }
    std::error_code ec;
    fs::copy_file(path_from_utf8(pdf_path), dir.path() / "document.pdf", ec);
    if (ec) {
        error = "cannot copy it for Ghostscript: " + ec.message();
        return std::nullopt;
    }
    const GhostscriptRun run =
        run_ghostscript({"-q", "-dNOPAUSE", "-dBATCH", "-dSAFER", "-sDEVICE=ps2write", "-dSetPageSize=false",
                         "-sOutputFile=document.ps", "document.pdf"},
                        dir.path());
    if (!run.started) {
        error = "the PDF cannot be converted: " + run.error;
        return std::nullopt;
    }
    std::string postscript;
    if (failed(run) || !read_whole(dir.path() / "document.ps", postscript) || postscript.empty()) {
        error = "Ghostscript could not convert the PDF (exit status " + std::to_string(run.exit_code) +
                "):\n" + error_lines(run.output);
        return std::nullopt;
    }
    return postscript;
}

}  // namespace zenta::host
