#include "platform/posix/kernel_objects.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <variant>

#include "platform/last_error.h"
#include "util/utf.h"

extern char** environ;

namespace zenta::platform::posix {
namespace {

constexpr abi::DWORD kErrorNotEnoughMemory = 8;
constexpr abi::DWORD kErrorBadExeFormat = 193;
constexpr abi::DWORD kErrorInvalidAddress = 487;
constexpr abi::DWORD kErrorMappedAlignment = 1132;
constexpr abi::DWORD kErrorSuspendFailed = 0xFFFFFFFFu;

constexpr abi::DWORD kProcessCreateSuspended = 0x00000004;
constexpr abi::DWORD kProcessNewGroup = 0x00000200;
constexpr abi::DWORD kThreadCreateSuspended = 0x00000004;
constexpr abi::DWORD kPageReadonly = 0x02;
constexpr abi::DWORD kPageReadwrite = 0x04;
constexpr abi::DWORD kFileMapWrite = 0x0002;
constexpr abi::DWORD kFileMapRead = 0x0004;
constexpr abi::DWORD kInfinite = 0xFFFFFFFFu;
constexpr abi::DWORD kWaitObject0 = 0;
constexpr abi::DWORD kWaitTimeout = 0x102;
constexpr abi::DWORD kWaitFailed = 0xFFFFFFFFu;
constexpr abi::DWORD kStillActive = 259;

abi::DWORD error_from_errno(int error) {
    switch (error) {
        case ENOENT:
            return kErrorFileNotFound;
        case ENOTDIR:
            return kErrorPathNotFound;
        case EEXIST:
            return kErrorAlreadyExists;
        case EACCES:
        case EPERM:
        case EROFS:
            return kErrorAccessDenied;
        case EBADF:
            return kErrorInvalidHandle;
        case ENOMEM:
        case EAGAIN:
        case EMFILE:
        case ENFILE:
        case ENOSPC:
            return kErrorNotEnoughMemory;
        case ENAMETOOLONG:
            return kErrorFilenameTooLong;
        case ENOEXEC:
            return kErrorBadExeFormat;
        default:
            return kErrorGenFailure;
    }
}

// ---- the objects

struct Section {
    int fd = -1;
    std::uint64_t size = 0;
    bool writable = false;
    std::string name;  // the shared memory object's name while this handle owns it
    ~Section() {
        if (fd >= 0) ::close(fd);
        if (!name.empty()) ::shm_unlink(name.c_str());
    }
};

struct Process {
    pid_t pid = 0;
    int resume_fd = -1;       // our end of the channel a suspended child waits on
    std::mutex resume_mutex;  // guards resume_fd
    std::mutex reap_mutex;    // held by the one waiter that blocks in waitpid
    std::atomic<bool> ended{false};
    std::atomic<int> status{0};

    // Collects the child's end without blocking (or blocking); true once it has ended.
    bool reap(bool block) {
        if (ended.load()) return true;
        int st = 0;
        pid_t r;
        do r = ::waitpid(pid, &st, block ? 0 : WNOHANG);
        while (r < 0 && errno == EINTR);
        if (r == pid) {
            status.store(st);
            ended.store(true);
        } else if (r < 0 && errno == ECHILD) {
            ended.store(true);  // collected elsewhere (SIGCHLD ignored): nothing more to learn
        }
        return ended.load();
    }

    abi::DWORD exit_code() const {
        const int st = status.load();
        if (WIFEXITED(st)) return static_cast<abi::DWORD>(WEXITSTATUS(st));
        if (WIFSIGNALED(st)) return static_cast<abi::DWORD>(128 + WTERMSIG(st));
        return 0;
    }

    ~Process() {
        if (resume_fd >= 0) ::close(resume_fd);  // a child never resumed ends now
        if (!ended.load() && pid > 0) {
            const pid_t child = pid;
            try {
                std::thread([child] {
                    int st = 0;
                    while (::waitpid(child, &st, 0) < 0 && errno == EINTR) {
                    }
                }).detach();
            } catch (...) {
            }
        }
    }
};

// The thread handle CreateProcessW gives beside the process handle.
struct ProcessThread {
    std::shared_ptr<Process> process;
};

struct Thread {
    std::mutex mutex;
    std::condition_variable changed;
    bool suspended = false;
    bool ended = false;
    abi::DWORD exit_code = kStillActive;
};

using Object =
    std::variant<std::shared_ptr<Section>, std::shared_ptr<Process>, ProcessThread, std::shared_ptr<Thread>>;

class ObjectTable {
public:
    abi::HANDLE add(Object object) {
        const std::uintptr_t value = next_handle_value();
        std::lock_guard<std::mutex> lock(mutex_);
        objects_.emplace(value, std::move(object));
        return reinterpret_cast<abi::HANDLE>(value);
    }

    template <class T>
    std::shared_ptr<T> find(abi::HANDLE handle) {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto it = objects_.find(reinterpret_cast<std::uintptr_t>(handle));
        if (it == objects_.end()) return nullptr;
        if (auto* p = std::get_if<std::shared_ptr<T>>(&it->second)) return *p;
        return nullptr;
    }

    // The process behind a process handle or a process's thread handle.
    std::shared_ptr<Process> find_process(abi::HANDLE handle, bool* thread_handle = nullptr) {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto it = objects_.find(reinterpret_cast<std::uintptr_t>(handle));
        if (it == objects_.end()) return nullptr;
        if (auto* p = std::get_if<std::shared_ptr<Process>>(&it->second)) {
            if (thread_handle) *thread_handle = false;
            return *p;
        }
        if (auto* t = std::get_if<ProcessThread>(&it->second)) {
            if (thread_handle) *thread_handle = true;
            return t->process;
        }
        return nullptr;
    }

    bool remove(abi::HANDLE handle) {
        Object removed;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            const auto it = objects_.find(reinterpret_cast<std::uintptr_t>(handle));
            if (it == objects_.end()) return false;
            removed = std::move(it->second);
            objects_.erase(it);
        }
        return true;  // the object goes (outside the lock) when its last holder lets go
    }

private:
    std::mutex mutex_;
    std::map<std::uintptr_t, Object> objects_;
};

ObjectTable& objects() {
    static ObjectTable* table = new ObjectTable;  // lives to the very end of the process
    return *table;
}

// Mapped views and their lengths, for UnmapViewOfFile.
std::mutex g_views_mutex;
std::map<const void*, std::size_t>& views() {
    static auto* map = new std::map<const void*, std::size_t>;
    return *map;
}

std::string shm_name(std::u16string_view name) {
    std::string narrow = util::utf16_to_utf8(name);
    for (char& c : narrow)
        if (c == '/' || c == '\\') c = '_';
    return "/" + narrow;
}

void write_all(int fd, const void* data, std::size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        p += n;
        size -= static_cast<std::size_t>(n);
    }
}

}  // namespace

std::uintptr_t next_handle_value() {
    static std::atomic<std::uintptr_t> counter{0x1000};
    return counter.fetch_add(4) + 4;
}

// ---- sections

abi::HANDLE create_section(abi::DWORD protect, std::uint64_t size, const char16_t* name) {
    if ((protect != kPageReadwrite && protect != kPageReadonly) || size == 0) {
        set_last_error(kErrorInvalidParameter);
        return nullptr;
    }
    auto section = std::make_shared<Section>();
    section->writable = protect == kPageReadwrite;
    std::string object_name;
    if (name && *name) {
        object_name = shm_name(name);
    } else {
        static std::atomic<unsigned> counter{0};
        object_name = "/zenta-section-" + std::to_string(::getpid()) + "-" + std::to_string(++counter);
    }
    int fd = ::shm_open(object_name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0 && errno == EEXIST && name && *name) {
        // The name is taken: the existing section, as Windows opens it, with error 183.
        fd = ::shm_open(object_name.c_str(), (section->writable ? O_RDWR : O_RDONLY) | O_CLOEXEC, 0);
        if (fd < 0) {
            set_last_error(error_from_errno(errno));
            return nullptr;
        }
        struct stat st {};
        ::fstat(fd, &st);
        section->fd = fd;
        section->size = static_cast<std::uint64_t>(st.st_size);
        const abi::HANDLE handle = objects().add(std::move(section));
        set_last_error(kErrorAlreadyExists);
        return handle;
    }
    if (fd < 0) {
        set_last_error(error_from_errno(errno));
        return nullptr;
    }
    section->fd = fd;
    section->name = object_name;
    if (::ftruncate(fd, static_cast<off_t>(size)) != 0) {
        set_last_error(error_from_errno(errno));
        return nullptr;  // the section goes with its last reference: the name is removed
    }
    section->size = size;
    if (!(name && *name)) {
        ::shm_unlink(object_name.c_str());
        section->name.clear();
    }
    const abi::HANDLE handle = objects().add(std::move(section));
    set_last_error(0);
    return handle;
}

abi::HANDLE open_section(abi::DWORD access, const char16_t* name) {
    if (!name || !*name) {
        set_last_error(kErrorInvalidParameter);
        return nullptr;
    }
    const bool writable = access & kFileMapWrite;
    const int fd = ::shm_open(shm_name(name).c_str(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC, 0);
    if (fd < 0) {
        set_last_error(error_from_errno(errno));
        return nullptr;
    }
    auto section = std::make_shared<Section>();
    section->fd = fd;
    section->writable = writable;
    struct stat st {};
    ::fstat(fd, &st);
    section->size = static_cast<std::uint64_t>(st.st_size);
    return objects().add(std::move(section));
}

void* map_view(abi::HANDLE handle, abi::DWORD access, std::uint64_t offset, std::size_t size) {
    const auto section = objects().find<Section>(handle);
    if (!section) {
        set_last_error(kErrorInvalidHandle);
        return nullptr;
    }
    const bool write = access & kFileMapWrite;
    if (!(access & (kFileMapWrite | kFileMapRead))) {
        set_last_error(kErrorInvalidParameter);
        return nullptr;
    }
    if (write && !section->writable) {
        set_last_error(kErrorAccessDenied);
        return nullptr;
    }
    if (offset % static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE)) != 0) {
        set_last_error(kErrorMappedAlignment);
        return nullptr;
    }
    if (offset >= section->size || (size != 0 && size > section->size - offset)) {
        set_last_error(kErrorAccessDenied);
        return nullptr;
    }
    const std::size_t length = size != 0 ? size : static_cast<std::size_t>(section->size - offset);
    void* view = ::mmap(nullptr, length, PROT_READ | (write ? PROT_WRITE : 0), MAP_SHARED, section->fd,
                        static_cast<off_t>(offset));
    if (view == MAP_FAILED) {
        set_last_error(error_from_errno(errno));
        return nullptr;
    }
    std::lock_guard<std::mutex> lock(g_views_mutex);
    views()[view] = length;
    return view;
}

abi::BOOL unmap_view(const void* view) {
    std::size_t length = 0;
    {
        std::lock_guard<std::mutex> lock(g_views_mutex);
        const auto it = views().find(view);
        if (it == views().end()) {
            set_last_error(kErrorInvalidAddress);
            return 0;
        }
        length = it->second;
        views().erase(it);
    }
    ::munmap(const_cast<void*>(view), length);
    return 1;
}

// ---- processes

abi::BOOL create_process(const std::string& program, const std::vector<std::string>& arguments,
                         abi::DWORD creation_flags, abi::PROCESS_INFORMATION* information) {
    if (information) *information = {};
    struct stat st {};
    if (program.empty() || ::stat(program.c_str(), &st) != 0) {
        set_last_error(program.empty() ? kErrorFileNotFound : error_from_errno(errno));
        return 0;
    }
    if (!S_ISREG(st.st_mode) || ::access(program.c_str(), X_OK) != 0) {
        set_last_error(kErrorAccessDenied);
        return 0;
    }
    const bool suspended = creation_flags & kProcessCreateSuspended;
    const bool new_group = creation_flags & kProcessNewGroup;

    // Everything the child needs is made before the fork: after it, the child only makes calls
    // that are safe in a copy of a process with other threads.
    std::vector<char*> argv;
    argv.reserve(arguments.size() + 2);
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    if (argv.empty()) argv.push_back(const_cast<char*>(program.c_str()));
    argv.push_back(nullptr);

    int resume[2] = {-1, -1};
    int failure[2] = {-1, -1};
    // The resume channel is a socket pair, so that resuming a child that has died meanwhile
    // cannot raise SIGPIPE here (MSG_NOSIGNAL).
    if ((suspended && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, resume) != 0) ||
        (!suspended && ::pipe2(failure, O_CLOEXEC) != 0)) {
        set_last_error(error_from_errno(errno));
        for (int fd : {resume[0], resume[1]})
            if (fd >= 0) ::close(fd);
        return 0;
    }
    const pid_t pid = ::fork();
    if (pid < 0) {
        const int error = errno;
        for (int fd : {resume[0], resume[1], failure[0], failure[1]})
            if (fd >= 0) ::close(fd);
        set_last_error(error_from_errno(error));
        return 0;
    }
    if (pid == 0) {
        if (new_group) ::setpgid(0, 0);
        if (suspended) {
            ::close(resume[1]);
            char go = 0;
            ssize_t n;
            do n = ::read(resume[0], &go, 1);
            while (n < 0 && errno == EINTR);
            if (n != 1) ::_exit(1);  // never resumed
            ::close(resume[0]);
        } else {
            ::close(failure[0]);
        }
        ::execve(program.c_str(), argv.data(), environ);
        const int error = errno;
        if (failure[1] >= 0) write_all(failure[1], &error, sizeof error);
        ::_exit(127);
    }

    auto process = std::make_shared<Process>();
    process->pid = pid;
    if (suspended) {
        ::close(resume[0]);
        process->resume_fd = resume[1];
    } else {
        ::close(failure[1]);
        int error = 0;
        ssize_t n;
        do n = ::read(failure[0], &error, sizeof error);
        while (n < 0 && errno == EINTR);
        ::close(failure[0]);
        if (n == static_cast<ssize_t>(sizeof error)) {
            process->reap(true);
            set_last_error(error_from_errno(error));
            return 0;
        }
    }
    const abi::HANDLE process_handle = objects().add(process);
    const abi::HANDLE thread_handle = objects().add(ProcessThread{process});
    if (information) {
        information->hProcess = process_handle;
        information->hThread = thread_handle;
        information->dwProcessId = static_cast<abi::DWORD>(pid);
        information->dwThreadId = static_cast<abi::DWORD>(pid);
    }
    set_last_error(0);
    return 1;
}

abi::DWORD resume_thread(abi::HANDLE handle) {
    bool thread_handle = false;
    if (const auto process = objects().find_process(handle, &thread_handle); process && thread_handle) {
        std::lock_guard<std::mutex> lock(process->resume_mutex);
        if (process->resume_fd < 0) return 0;
        const char go = 1;
        ssize_t n;
        do n = ::send(process->resume_fd, &go, 1, MSG_NOSIGNAL);
        while (n < 0 && errno == EINTR);
        ::close(process->resume_fd);
        process->resume_fd = -1;
        return 1;
    }
    if (const auto thread = objects().find<Thread>(handle)) {
        std::lock_guard<std::mutex> lock(thread->mutex);
        if (!thread->suspended) return 0;
        thread->suspended = false;
        thread->changed.notify_all();
        return 1;
    }
    set_last_error(kErrorInvalidHandle);
    return kErrorSuspendFailed;
}

abi::DWORD wait_for_object(abi::HANDLE handle, abi::DWORD milliseconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    if (const auto process = objects().find_process(handle)) {
        if (milliseconds == kInfinite) {
            std::lock_guard<std::mutex> lock(process->reap_mutex);
            process->reap(true);
            return kWaitObject0;
        }
        for (;;) {
            if (process->ended.load()) return kWaitObject0;
            {
                std::unique_lock<std::mutex> lock(process->reap_mutex, std::try_to_lock);
                if (lock.owns_lock() && process->reap(false)) return kWaitObject0;
            }
            const auto now = std::chrono::steady_clock::now();
            if (now >= deadline) return kWaitTimeout;
            std::this_thread::sleep_for(
                std::min<std::chrono::steady_clock::duration>(deadline - now, std::chrono::milliseconds(2)));
        }
    }
    if (const auto thread = objects().find<Thread>(handle)) {
        std::unique_lock<std::mutex> lock(thread->mutex);
        if (milliseconds == kInfinite) {
            thread->changed.wait(lock, [&] { return thread->ended; });
            return kWaitObject0;
        }
        return thread->changed.wait_until(lock, deadline, [&] { return thread->ended; }) ? kWaitObject0
                                                                                         : kWaitTimeout;
    }
    set_last_error(kErrorInvalidHandle);
    return kWaitFailed;
}

abi::BOOL exit_code_of_process(abi::HANDLE handle, abi::DWORD* exit_code) {
    bool thread_handle = false;
    const auto process = objects().find_process(handle, &thread_handle);
    if (!process || thread_handle) {
        set_last_error(kErrorInvalidHandle);
        return 0;
    }
    if (!exit_code) {
        set_last_error(kErrorInvalidParameter);
        return 0;
    }
    {
        std::unique_lock<std::mutex> lock(process->reap_mutex, std::try_to_lock);
        if (lock.owns_lock()) process->reap(false);
    }
    *exit_code = process->ended.load() ? process->exit_code() : kStillActive;
    return 1;
}

// ---- threads

abi::HANDLE create_thread(abi::THREAD_START_ROUTINE start, void* parameter, abi::DWORD creation_flags,
                          abi::DWORD* thread_id) {
    if (!start) {
        set_last_error(kErrorInvalidParameter);
        return nullptr;
    }
    static std::atomic<abi::DWORD> next_id{0x100};
    auto thread = std::make_shared<Thread>();
    thread->suspended = creation_flags & kThreadCreateSuspended;
    try {
        std::thread([thread, start, parameter] {
            {
                std::unique_lock<std::mutex> lock(thread->mutex);
                thread->changed.wait(lock, [&] { return !thread->suspended; });
            }
            const abi::DWORD code = start(parameter);
            std::lock_guard<std::mutex> lock(thread->mutex);
            thread->exit_code = code;
            thread->ended = true;
            thread->changed.notify_all();
        }).detach();
    } catch (...) {
        set_last_error(kErrorNotEnoughMemory);
        return nullptr;
    }
    if (thread_id) *thread_id = next_id.fetch_add(4);
    return objects().add(std::move(thread));
}

abi::BOOL exit_code_of_thread(abi::HANDLE handle, abi::DWORD* exit_code) {
    const auto thread = objects().find<Thread>(handle);
    if (!thread) {
        set_last_error(kErrorInvalidHandle);
        return 0;
    }
    if (!exit_code) {
        set_last_error(kErrorInvalidParameter);
        return 0;
    }
    std::lock_guard<std::mutex> lock(thread->mutex);
    *exit_code = thread->exit_code;
    return 1;
}

bool close_object(abi::HANDLE handle) { return objects().remove(handle); }

// ---- command lines

std::vector<std::u16string> split_command_line(std::u16string_view line) {
    std::vector<std::u16string> arguments;
    std::size_t i = 0;
    const auto blank = [](char16_t c) { return c == u' ' || c == u'\t'; };

    // The program: quotes group, backslashes are literal.
    while (i < line.size() && blank(line[i])) ++i;
    if (i >= line.size()) return arguments;
    {
        std::u16string program;
        bool quoted = false;
        for (; i < line.size(); ++i) {
            const char16_t c = line[i];
            if (c == u'"') {
                quoted = !quoted;
            } else if (blank(c) && !quoted) {
                break;
            } else {
                program += c;
            }
        }
        arguments.push_back(std::move(program));
    }

    for (;;) {
        while (i < line.size() && blank(line[i])) ++i;
        if (i >= line.size()) break;
        std::u16string argument;
        bool quoted = false;
        while (i < line.size()) {
            const char16_t c = line[i];
            if (c == u'\\') {
                std::size_t count = 0;
                while (i < line.size() && line[i] == u'\\') ++count, ++i;
                if (i < line.size() && line[i] == u'"') {
                    argument.append(count / 2, u'\\');
                    if (count % 2) {
                        argument += u'"';
                        ++i;
                    }
                } else {
                    argument.append(count, u'\\');
                }
                continue;
            }
            if (c == u'"') {
                if (quoted && i + 1 < line.size() && line[i + 1] == u'"') {
                    argument += u'"';
                    i += 2;
                    continue;
                }
                quoted = !quoted;
                ++i;
                continue;
            }
            if (blank(c) && !quoted) break;
            argument += c;
            ++i;
        }
        arguments.push_back(std::move(argument));
    }
    return arguments;
}

}  // namespace zenta::platform::posix
