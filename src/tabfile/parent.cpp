#include "tabfile/parent.h"

#include <cstring>
#include <optional>
#include <vector>

#include "abi/process.h"
#include "environment/companions.h"
#include "environment/job.h"
#include "environment/printer.h"
#include "platform/last_error.h"
#include "platform/os.h"
#include "tabfile/extraction.h"
#include "tabfile/ready_wait.h"
#include "tabfile/tab_blocks.h"
#include "tabfile/worker.h"

namespace zenta::tabfile {
namespace {

static_assert(kTabChildCreationFlags ==
              (abi::CREATE_SUSPENDED | abi::NORMAL_PRIORITY_CLASS | abi::CREATE_NEW_PROCESS_GROUP |
               abi::CREATE_BREAKAWAY_FROM_JOB | abi::CREATE_DEFAULT_ERROR_MODE));

// A draw of the process-wide generator, which takes its start value from the clock once.
int draw() {
    environment::start_random_once();
    return platform::system().rand();
}

std::u16string system_directory() {
    std::vector<char16_t> buffer(abi::kMaxPath, 0);
    const abi::UINT n =
        platform::system().GetSystemDirectoryW(buffer.data(), static_cast<abi::UINT>(buffer.size()));
    return n > 0 && n < buffer.size() ? std::u16string(buffer.data(), n) : std::u16string();
}

// The short form of a path; the path itself when it has none.
std::u16string short_path(const std::u16string& path) {
    platform::System& sys = platform::system();
    const abi::DWORD needed = sys.GetShortPathNameW(path.c_str(), nullptr, 0);
    if (needed == 0) return path;
    std::vector<char16_t> buffer(needed, 0);
    const abi::DWORD n = sys.GetShortPathNameW(path.c_str(), buffer.data(), needed);
    if (n == 0 || n >= needed) return path;
    return std::u16string(buffer.data(), n);
}

// Step 1: the tab file, made empty under a unique name in the working directory. Neither the
// directory choice nor the name is checked: an unusable path fails later, at the library or at
// the extraction.
std::u16string make_tab_file(abi::HANDLE printer) {
    const std::u16string directory = environment::choose_working_directory(printer).value_or(u"");
    const std::u16string prefix(kTabFilePrefix);
    std::vector<char16_t> buffer(abi::kMaxPath, 0);
    platform::system().GetTempFileNameW(directory.c_str(), prefix.c_str(), 0, buffer.data());
    return std::u16string(buffer.data());
}

// Steps 3 to 6: the block through the child process. False when the section could not be
// created or mapped or the child not started (the block is then as it was).
bool run_in_child(RequestBlock block, void* module) {
    platform::System& sys = platform::system();
    const std::u16string name = make_section_name();
    const abi::HANDLE section =
        sys.CreateFileMappingW(platform::kInvalidHandleValue, abi::PAGE_READWRITE, 0,
                               static_cast<abi::DWORD>(kRequestBlockSize), name.c_str());
    if (!section) return false;
    if (platform::last_error() == abi::ERROR_ALREADY_EXISTS) {  // another request's section
        sys.CloseHandle(section);
        return false;
    }
    void* view = sys.MapViewOfFile(section, abi::FILE_MAP_ALL_ACCESS, 0, 0, kRequestBlockSize);
    if (!view) {
        sys.CloseHandle(section);
        return false;
    }
    std::memcpy(view, block.data(), kRequestBlockSize);

    bool started = false;
    if (const auto library = environment::companion_file_name(module, environment::Companion::RenderPlugin)) {
        const std::u16string application = rundll_application(system_directory());
        std::u16string command_line = tab_child_command_line(application, short_path(*library), name);
        abi::PROCESS_INFORMATION process{};
        if (sys.CreateProcessW(application.c_str(), command_line.data(), 0, kTabChildCreationFlags,
                               &process)) {
            started = true;
            sys.ResumeThread(process.hThread);
            sys.WaitForSingleObject(process.hProcess, abi::INFINITE);
            sys.CloseHandle(process.hThread);
            sys.CloseHandle(process.hProcess);
            std::memcpy(block.data(), view, kRequestBlockSize);
        }
    }
    sys.UnmapViewOfFile(view);
    sys.CloseHandle(section);
    return started;
}

// Step 7: the worker on a thread of this process.
void run_in_thread(RequestBlock block) {
    platform::System& sys = platform::system();
    abi::DWORD thread_id = 0;
    const abi::HANDLE thread = sys.CreateThread(0, &tab_worker_thread, block.data(), 0, &thread_id);
    if (!thread) return;
    sys.WaitForSingleObject(thread, abi::INFINITE);
    abi::DWORD exit_code = 0;
    sys.GetExitCodeThread(thread, &exit_code);  // the worker's result; only the tab file decides
    sys.CloseHandle(thread);
}

bool produce_and_write(abi::HANDLE printer, bool print_on_page, std::u16string_view document_name,
                       const TabEntry& entry, const settings::Record& record,
                       std::span<const std::uint8_t> public_devmode, std::uint32_t job_id, void* module,
                       const StreamWriter& write, TabPath& path) {
    const std::u16string tab_file = make_tab_file(printer);

    std::vector<std::uint8_t> storage(kRequestBlockSize);
    const RequestBlock block(storage.data(), kRequestBlockSize);
    const std::u16string printer_name =
        printer ? environment::PrinterConnection::borrow(printer).printer_name() : std::u16string();
    TabRequest request;
    request.module = module;
    request.printer = printer;
    request.printer_name = printer_name;
    request.tab_file_path = tab_file;
    request.document_name = document_name;
    request.public_devmode = public_devmode;
    request.record = &record;
    request.job_id = job_id;
    request.attributes = entry.attributes;
    request.tab_text = entry.text;
    fill_request_block(block, request);

    if (run_in_child(block, module)) {
        path = TabPath::ChildProcess;
    } else {
        path = TabPath::Thread;
        run_in_thread(block);
    }

    wait_until_ready(tab_file);
    const std::optional<std::string> extracted = extract_tab_file(tab_file);
    platform::system().DeleteFileW(tab_file.c_str());
    if (!extracted) return false;
    write(tab_sheet_text(*extracted, print_on_page));
    return true;
}

}  // namespace

TabAttributes tab_attributes_of(const settings::SettingBlock& setting) {
    return {static_cast<std::uint8_t>(setting.skip ? 1 : 0),
            static_cast<std::uint8_t>(setting.setting_flag ? 1 : 0), setting.placement,
            setting.setting_value_1, setting.setting_value_2};
}

TabEntry tab_entry_of(const settings::PageEntry& entry) {
    return TabEntry{tab_attributes_of(entry.setting),
                    entry.setting.setting_text.empty() ? entry.text : entry.setting.setting_text};
}

std::u16string make_section_name() {
    std::u16string name;
    for (std::size_t i = 0; i < kSectionNameLength; ++i) name += static_cast<char16_t>(u'A' + draw() % 26);
    return name;
}

std::u16string rundll_application(std::u16string_view system_directory) {
    return std::u16string(system_directory) + u"\\rundll32.exe";
}

std::u16string tab_child_command_line(std::u16string_view application, std::u16string_view library_path,
                                      std::u16string_view section_name) {
    std::u16string line;
    line += u'"';
    line += application;
    line += u"\" ";
    line += library_path;
    line += kRundllEntry;
    line += section_name;
    return line;
}

bool run_tab_document(abi::HANDLE printer, bool print_on_page, std::u16string_view document_name,
                      const TabEntry& entry, const settings::Record& record,
                      std::span<const std::uint8_t> public_devmode, std::uint32_t job_id, void* module,
                      const StreamWriter& write, TabPath* path) {
    TabPath used = TabPath::None;
    bool written = false;
    if (write) {
        try {
            written = produce_and_write(printer, print_on_page, document_name, entry, record, public_devmode,
                                        job_id, module, write, used);
        } catch (...) {
            written = false;
        }
    }
    if (path) *path = used;
    platform::set_last_error(0);
    return written;
}

}  // namespace zenta::tabfile
