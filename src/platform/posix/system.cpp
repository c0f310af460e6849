// The system services on Linux.
//
// Paths: the Win32-shaped calls take UTF-16 paths; here they are POSIX paths in UTF-8, and a
// backslash counts as a slash, so that a name joined with "\" by code written for Windows
// ("<dir>\<name>") names the same file ("<dir>/<name>"). There are no drive letters.
//
// Files: CreateFileW opens with open(2) and keeps the descriptor in a process-wide handle table,
// as Windows keeps its handles per process. FILE_FLAG_DELETE_ON_CLOSE is honoured by unlinking
// the file when its handle is closed (or when the process ends with it still open); until then
// the name exists, as on Windows. Share modes are not enforced (POSIX has no such locks).
// FILE_ATTRIBUTE_READONLY creates the file without write permission.
//
// Random numbers: the generator of the Microsoft C runtime, so that a start value gives the same
// numbers on both systems: state = state * 214013 + 2531011, rand() = bits 16 to 30 of the
// state (0 to 32767). Like that runtime it keeps its state per thread, starting at 1.
//
// Modules: a module is named by any address inside it (on Windows a module handle is the
// module's load address); dladdr finds its file. The null module is the program
// (/proc/self/exe).
//
// Sections, processes and threads: see kernel_objects.h. Their handles and file handles share
// one numbering, and CloseHandle closes either. Impersonation does nothing: a thread of a Linux
// process always acts with the process's identity.

#include <dlfcn.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/last_error.h"
#include "platform/native.h"
#include "platform/posix/kernel_objects.h"
#include "util/utf.h"

namespace zenta::platform {
namespace {

constexpr abi::DWORD kErrorTooManyOpenFiles = 4;
constexpr abi::DWORD kErrorFileExists = 80;
constexpr abi::DWORD kErrorDiskFull = 112;
constexpr abi::DWORD kErrorModNotFound = 126;
constexpr abi::DWORD kErrorDirectory = 267;

constexpr abi::DWORD kGenericAll = 0x10000000u;
constexpr abi::DWORD kCreateAlways = 2;
constexpr abi::DWORD kOpenAlways = 4;
constexpr abi::DWORD kTruncateExisting = 5;
constexpr abi::DWORD kFileAttributeReadonly = 0x00000001u;
constexpr abi::DWORD kFileAttributeNormal = 0x00000080u;
constexpr abi::DWORD kFileFlagBackupSemantics = 0x02000000u;

std::string to_posix_path(std::u16string_view path) {
    std::string narrow = util::utf16_to_utf8(path);
    for (char& c : narrow)
        if (c == '\\') c = '/';
    return narrow;
}

abi::DWORD error_from_errno(int error, const std::string& path = {}) {
    switch (error) {
        case ENOENT: {
            // A missing folder on the way is "path not found", a missing last part "file not found".
            const auto slash = path.find_last_of('/');
            if (slash != std::string::npos && slash > 0) {
                struct stat st {};
                if (::stat(path.substr(0, slash).c_str(), &st) != 0) return kErrorPathNotFound;
            }
            return kErrorFileNotFound;
        }
        case ENOTDIR:
            return kErrorPathNotFound;
        case EEXIST:
            return kErrorFileExists;
        case EACCES:
        case EPERM:
        case EISDIR:
        case EROFS:
            return kErrorAccessDenied;
        case EBADF:
            return kErrorInvalidHandle;
        case ENAMETOOLONG:
            return kErrorFilenameTooLong;
        case EMFILE:
        case ENFILE:
            return kErrorTooManyOpenFiles;
        case ENOSPC:
            return kErrorDiskFull;
        default:
            return kErrorGenFailure;
    }
}

// The text with its NUL when it fits (returning its length), else the size it needs with its NUL.
abi::DWORD copy_out(std::u16string_view text, char16_t* buffer, abi::DWORD size) {
    if (!buffer || size < text.size() + 1) return static_cast<abi::DWORD>(text.size() + 1);
    std::memcpy(buffer, text.data(), text.size() * sizeof(char16_t));
    buffer[text.size()] = 0;
    return static_cast<abi::DWORD>(text.size());
}

// ---- the process's file handles

struct OpenFile {
    int fd = -1;
    bool readable = false;
    bool delete_on_close = false;
    std::string path;
};

class FileTable {
public:
    ~FileTable() {
        for (auto& [handle, file] : files_) release(file);
    }

    abi::HANDLE add(OpenFile file) {
        const std::uintptr_t value = posix::next_handle_value();
        std::lock_guard<std::mutex> lock(mutex_);
        files_.emplace(value, std::move(file));
        return reinterpret_cast<abi::HANDLE>(value);
    }

    bool find(abi::HANDLE handle, OpenFile& out) {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto it = files_.find(reinterpret_cast<std::uintptr_t>(handle));
        if (it == files_.end()) return false;
        out = it->second;
        return true;
    }

    bool close(abi::HANDLE handle) {
        OpenFile file;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            const auto it = files_.find(reinterpret_cast<std::uintptr_t>(handle));
            if (it == files_.end()) return false;
            file = std::move(it->second);
            files_.erase(it);
        }
        release(file);
        return true;
    }

private:
    static void release(const OpenFile& file) {
        ::close(file.fd);
        if (file.delete_on_close) ::unlink(file.path.c_str());
    }

    std::mutex mutex_;
    std::map<std::uintptr_t, OpenFile> files_;
};

FileTable& files() {
    static FileTable table;
    return table;
}

thread_local std::uint32_t t_random_state = 1;

class PosixSystem final : public System {
public:
    void GetSystemTime(abi::SYSTEMTIME* time) override {
        timespec now{};
        ::clock_gettime(CLOCK_REALTIME, &now);
        std::tm tm{};
        const time_t seconds = now.tv_sec;
        ::gmtime_r(&seconds, &tm);
        time->wYear = static_cast<abi::WORD>(tm.tm_year + 1900);
        time->wMonth = static_cast<abi::WORD>(tm.tm_mon + 1);
        time->wDayOfWeek = static_cast<abi::WORD>(tm.tm_wday);
        time->wDay = static_cast<abi::WORD>(tm.tm_mday);
        time->wHour = static_cast<abi::WORD>(tm.tm_hour);
        time->wMinute = static_cast<abi::WORD>(tm.tm_min);
        time->wSecond = static_cast<abi::WORD>(tm.tm_sec > 59 ? 59 : tm.tm_sec);
        time->wMilliseconds = static_cast<abi::WORD>(now.tv_nsec / 1000000);
    }

    abi::DWORD GetTickCount() override {
        timespec now{};
        ::clock_gettime(CLOCK_MONOTONIC, &now);
        return static_cast<abi::DWORD>(static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                                       static_cast<std::uint64_t>(now.tv_nsec) / 1000000u);
    }

    void Sleep(abi::DWORD milliseconds) override {
        if (milliseconds == 0)
            std::this_thread::yield();
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }

    void srand(unsigned start) override { t_random_state = start; }
    int rand() override {
        t_random_state = t_random_state * 214013u + 2531011u;
        return static_cast<int>((t_random_state >> 16) & 0x7FFF);
    }

    bool VerifyVersionAtLeast(abi::DWORD, abi::DWORD, abi::WORD) override { return false; }
    bool GetVersionExW(abi::DWORD*, abi::DWORD*, abi::DWORD*) override { return false; }

    abi::DWORD GetModuleFileNameW(void* module, char16_t* buffer, abi::DWORD size) override {
        std::string path;
        if (module) {
            Dl_info info{};
            if (!::dladdr(module, &info)) {
                set_last_error(kErrorModNotFound);
                return 0;
            }
            if (info.dli_fname && std::strchr(info.dli_fname, '/')) {
                char resolved[PATH_MAX];
                path = ::realpath(info.dli_fname, resolved) ? resolved : info.dli_fname;
            }
        }
        if (path.empty()) {
            char exe[PATH_MAX];
            const ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe);
            if (n <= 0) {
                set_last_error(kErrorModNotFound);
                return 0;
            }
            path.assign(exe, static_cast<std::size_t>(n));
        }
        const std::u16string wide = util::utf8_to_utf16(path);
        // As Windows does: a name that does not fit is cut to size - 1 units and a NUL, the
        // result is the size, and the last error 122.
        if (size == 0 || !buffer) {
            set_last_error(kErrorInsufficientBuffer);
            return 0;
        }
        if (wide.size() < size) return copy_out(wide, buffer, size);
        std::memcpy(buffer, wide.data(), (size - 1) * sizeof(char16_t));
        buffer[size - 1] = 0;
        set_last_error(kErrorInsufficientBuffer);
        return size;
    }

    // Linux has no short names to expand: an existing path comes back unchanged.
    abi::DWORD GetLongPathNameW(const char16_t* path, char16_t* buffer, abi::DWORD size) override {
        if (!path) {
            set_last_error(kErrorInvalidParameter);
            return 0;
        }
        const std::u16string text(path);
        const std::string posix = to_posix_path(text);
        struct stat st {};
        if (::stat(posix.c_str(), &st) != 0) {
            set_last_error(error_from_errno(errno, posix));
            return 0;
        }
        return copy_out(text, buffer, size);
    }

    abi::DWORD GetTempPathW(abi::DWORD size, char16_t* buffer) override {
        const char* tmpdir = std::getenv("TMPDIR");
        std::string dir = tmpdir && *tmpdir ? tmpdir : "/tmp";
        if (dir.back() != '/') dir += '/';
        return copy_out(util::utf8_to_utf16(dir), buffer, size);
    }

    abi::UINT GetSystemDirectoryW(char16_t*, abi::UINT) override {
        set_last_error(kErrorNotSupported);
        return 0;
    }

    abi::DWORD GetFileAttributesW(const char16_t* path) override {
        if (!path) {
            set_last_error(kErrorInvalidParameter);
            return kInvalidFileAttributes;
        }
        const std::string posix = to_posix_path(path);
        struct stat st {};
        if (::stat(posix.c_str(), &st) != 0) {
            set_last_error(error_from_errno(errno, posix));
            return kInvalidFileAttributes;
        }
        if (S_ISDIR(st.st_mode)) return kFileAttributeDirectory;
        return (st.st_mode & S_IWUSR) ? kFileAttributeNormal : kFileAttributeReadonly;
    }

    abi::HANDLE CreateFileW(const char16_t* path, abi::DWORD access, abi::DWORD /*share*/,
                            abi::DWORD creation, abi::DWORD flags_and_attributes) override {
        if (!path) {
            set_last_error(kErrorInvalidParameter);
            return kInvalidHandleValue;
        }
        const bool read = access & (kGenericRead | kGenericAll);
        const bool write = access & (kGenericWrite | kGenericAll);
        int flags = O_CLOEXEC | (read && write ? O_RDWR : write ? O_WRONLY : O_RDONLY);
        switch (creation) {
            case kCreateNew:
                flags |= O_CREAT | O_EXCL;
                break;
            case kCreateAlways:
                flags |= O_CREAT | O_TRUNC;
                break;
            case kOpenExisting:
                break;
            case kOpenAlways:
                flags |= O_CREAT;
                break;
            case kTruncateExisting:
                flags |= O_TRUNC;
                break;
            default:
                set_last_error(kErrorInvalidParameter);
                return kInvalidHandleValue;
        }
        const std::string posix = to_posix_path(path);
        struct stat before {};
        const bool existed = ::stat(posix.c_str(), &before) == 0;
        const mode_t mode = (flags_and_attributes & kFileAttributeReadonly) ? 0444 : 0666;
        const int fd = ::open(posix.c_str(), flags, mode);
        if (fd < 0) {
            set_last_error(error_from_errno(errno, posix));
            return kInvalidHandleValue;
        }
        struct stat st {};
        if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode) &&
            !(flags_and_attributes & kFileFlagBackupSemantics)) {
            ::close(fd);
            set_last_error(kErrorAccessDenied);
            return kInvalidHandleValue;
        }
        OpenFile file;
        file.fd = fd;
        file.readable = read;
        file.delete_on_close = flags_and_attributes & kFileFlagDeleteOnClose;
        file.path = posix;
        const abi::HANDLE handle = files().add(std::move(file));
        set_last_error(existed && (creation == kCreateAlways || creation == kOpenAlways) ? kErrorAlreadyExists
                                                                                         : 0);
        return handle;
    }

    abi::BOOL GetFileSizeEx(abi::HANDLE handle, std::int64_t* size) override {
        OpenFile file;
        if (!files().find(handle, file)) {
            set_last_error(kErrorInvalidHandle);
            return 0;
        }
        struct stat st {};
        if (!size || ::fstat(file.fd, &st) != 0) {
            set_last_error(size ? error_from_errno(errno) : kErrorInvalidParameter);
            return 0;
        }
        *size = static_cast<std::int64_t>(st.st_size);
        return 1;
    }

    abi::BOOL ReadFile(abi::HANDLE handle, void* buffer, abi::DWORD size, abi::DWORD* read) override {
        if (read) *read = 0;
        OpenFile file;
        if (!files().find(handle, file)) {
            set_last_error(kErrorInvalidHandle);
            return 0;
        }
        if (!file.readable) {
            set_last_error(kErrorAccessDenied);
            return 0;
        }
        if (size && !buffer) {
            set_last_error(kErrorInvalidParameter);
            return 0;
        }
        abi::DWORD total = 0;
        while (total < size) {
            const ssize_t n = ::read(file.fd, static_cast<char*>(buffer) + total, size - total);
            if (n < 0) {
                if (errno == EINTR) continue;
                set_last_error(error_from_errno(errno));
                if (read) *read = total;
                return 0;
            }
            if (n == 0) break;  // end of file: success with what was read
            total += static_cast<abi::DWORD>(n);
        }
        if (read) *read = total;
        return 1;
    }

    abi::BOOL CloseHandle(abi::HANDLE handle) override {
        if (!files().close(handle) && !posix::close_object(handle)) {
            set_last_error(kErrorInvalidHandle);
            return 0;
        }
        return 1;
    }

    abi::BOOL DeleteFileW(const char16_t* path) override {
        if (!path) {
            set_last_error(kErrorInvalidParameter);
            return 0;
        }
        const std::string posix = to_posix_path(path);
        struct stat st {};
        if (::stat(posix.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
            set_last_error(kErrorAccessDenied);
            return 0;
        }
        if (::unlink(posix.c_str()) != 0) {
            set_last_error(error_from_errno(errno, posix));
            return 0;
        }
        return 1;
    }

    abi::UINT GetTempFileNameW(const char16_t* path, const char16_t* prefix, abi::UINT unique,
                               char16_t* buffer) override {
        if (!path || !buffer) {
            set_last_error(kErrorInvalidParameter);
            return 0;
        }
        std::u16string folder(path);
        if (!folder.empty() && folder.back() != u'/' && folder.back() != u'\\') folder += u'/';
        std::u16string stem = folder;
        if (prefix)
            for (int i = 0; i < 3 && prefix[i]; ++i) stem += prefix[i];
        // Room for four hexadecimal digits, ".tmp" and the NUL.
        if (stem.size() + 4 + 4 + 1 > abi::kMaxPath) {
            set_last_error(kErrorFilenameTooLong);
            return 0;
        }
        const auto name_for = [&stem](abi::UINT number) {
            static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
            std::u16string digits;
            do {
                digits.insert(digits.begin(), kDigits[number & 0xF]);
                number >>= 4;
            } while (number);
            return stem + digits + u".tmp";
        };
        if (unique != 0) {
            const abi::UINT number = unique & 0xFFFF;
            copy_out(name_for(number), buffer, static_cast<abi::DWORD>(abi::kMaxPath));
            return number;
        }
        struct stat st {};
        const std::string posix_folder = to_posix_path(folder.empty() ? u"." : folder);
        if (::stat(posix_folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
            set_last_error(kErrorDirectory);
            return 0;
        }
        abi::UINT number = GetTickCount() & 0xFFFF;
        for (int attempt = 0; attempt < 0x10000; ++attempt, number = (number + 1) & 0xFFFF) {
            if (number == 0) number = 1;
            const std::u16string name = name_for(number);
            const std::string posix = to_posix_path(name);
            const int fd = ::open(posix.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd >= 0) {
                ::close(fd);
                copy_out(name, buffer, static_cast<abi::DWORD>(abi::kMaxPath));
                return number;
            }
            if (errno != EEXIST) {
                set_last_error(error_from_errno(errno, posix));
                return 0;
            }
        }
        set_last_error(kErrorFileExists);
        return 0;
    }

    // Linux has no short names: an existing path comes back unchanged.
    abi::DWORD GetShortPathNameW(const char16_t* path, char16_t* buffer, abi::DWORD size) override {
        return GetLongPathNameW(path, buffer, size);
    }

    abi::HANDLE CreateFileMappingW(abi::HANDLE file, abi::DWORD protect, abi::DWORD size_high,
                                   abi::DWORD size_low, const char16_t* name) override {
        if (file != kInvalidHandleValue) {  // only sections backed by the paging file
            set_last_error(kErrorNotSupported);
            return nullptr;
        }
        return posix::create_section(protect, (std::uint64_t{size_high} << 32) | size_low, name);
    }
    abi::HANDLE OpenFileMappingW(abi::DWORD access, abi::BOOL, const char16_t* name) override {
        return posix::open_section(access, name);
    }
    void* MapViewOfFile(abi::HANDLE mapping, abi::DWORD access, abi::DWORD offset_high, abi::DWORD offset_low,
                        std::size_t size) override {
        return posix::map_view(mapping, access, (std::uint64_t{offset_high} << 32) | offset_low, size);
    }
    abi::BOOL UnmapViewOfFile(const void* view) override { return posix::unmap_view(view); }

    abi::BOOL CreateProcessW(const char16_t* application, char16_t* command_line, abi::BOOL,
                             abi::DWORD creation_flags, abi::PROCESS_INFORMATION* information) override {
        if (information) *information = {};
        std::vector<std::u16string> arguments = posix::split_command_line(
            command_line ? std::u16string_view(command_line) : std::u16string_view());
        std::u16string program = application ? std::u16string(application) : std::u16string();
        if (program.empty() && !arguments.empty()) program = arguments.front();
        if (program.empty()) {
            set_last_error(kErrorInvalidParameter);
            return 0;
        }
        if (arguments.empty()) arguments.push_back(program);
        std::vector<std::string> argv;
        for (const std::u16string& argument : arguments) argv.push_back(util::utf16_to_utf8(argument));
        return posix::create_process(to_posix_path(program), argv, creation_flags, information);
    }
    abi::DWORD ResumeThread(abi::HANDLE thread) override { return posix::resume_thread(thread); }
    abi::DWORD WaitForSingleObject(abi::HANDLE object, abi::DWORD milliseconds) override {
        return posix::wait_for_object(object, milliseconds);
    }
    abi::BOOL GetExitCodeProcess(abi::HANDLE process, abi::DWORD* exit_code) override {
        return posix::exit_code_of_process(process, exit_code);
    }
    // The stack is the system's default whatever size is asked for.
    abi::HANDLE CreateThread(std::size_t, abi::THREAD_START_ROUTINE start, void* parameter,
                             abi::DWORD creation_flags, abi::DWORD* thread_id) override {
        return posix::create_thread(start, parameter, creation_flags, thread_id);
    }
    abi::BOOL GetExitCodeThread(abi::HANDLE thread, abi::DWORD* exit_code) override {
        return posix::exit_code_of_thread(thread, exit_code);
    }

    abi::BOOL ImpersonateSelf(int) override { return 1; }
    abi::BOOL RevertToSelf() override { return 1; }

    abi::LONG RegOpenKeyExW(HKEY, const char16_t*, abi::DWORD, abi::DWORD, HKEY* result) override {
        if (result) *result = nullptr;
        return static_cast<abi::LONG>(kErrorFileNotFound);
    }
    abi::LONG RegQueryValueExW(HKEY key, const char16_t*, abi::DWORD*, abi::BYTE*, abi::DWORD*) override {
        return key == kHkeyCurrentUser || key == kHkeyLocalMachine
                   ? static_cast<abi::LONG>(kErrorFileNotFound)
                   : static_cast<abi::LONG>(kErrorInvalidHandle);
    }
    abi::LONG RegCloseKey(HKEY key) override {
        return key == kHkeyCurrentUser || key == kHkeyLocalMachine
                   ? 0
                   : static_cast<abi::LONG>(kErrorInvalidHandle);
    }

    abi::WORD GetUserDefaultLangID() override { return 0x0409; }
    abi::WORD GetUserDefaultUILanguage() override { return 0x0409; }
    LocaleNameToLcidFn LocaleNameToLCID() override { return nullptr; }
    int GetLocaleInfoW(abi::DWORD, abi::DWORD, char16_t*, int) override {
        set_last_error(kErrorInvalidFlags);
        return 0;
    }

    abi::BOOL GetUserNameW(char16_t* buffer, abi::DWORD* size) override {
        if (!size) {
            set_last_error(kErrorInvalidParameter);
            return 0;
        }
        std::string name;
        std::vector<char> scratch(16384);
        passwd entry{};
        passwd* found = nullptr;
        if (::getpwuid_r(::geteuid(), &entry, scratch.data(), scratch.size(), &found) == 0 && found &&
            found->pw_name)
            name = found->pw_name;
        if (name.empty())
            for (const char* variable : {"USER", "LOGNAME"})
                if (const char* value = std::getenv(variable); value && *value && name.empty()) name = value;
        if (name.empty()) name = std::to_string(::geteuid());
        const std::u16string wide = util::utf8_to_utf16(name);
        const auto needed = static_cast<abi::DWORD>(wide.size() + 1);
        if (!buffer || *size < needed) {
            *size = needed;
            set_last_error(kErrorInsufficientBuffer);
            return 0;
        }
        std::memcpy(buffer, wide.c_str(), needed * sizeof(char16_t));
        *size = needed;
        return 1;
    }
};

}  // namespace

std::unique_ptr<Spooler> make_native_spooler() { return nullptr; }
std::unique_ptr<System> make_native_system() { return std::make_unique<PosixSystem>(); }

}  // namespace zenta::platform
