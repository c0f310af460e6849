#pragma once
// Running the tab document library for one tab sheet and splicing its output into the print
// stream: the rendering process's side of the tab file service.

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "abi/types.h"
#include "settings/page_exceptions.h"
#include "settings/record.h"
#include "tabfile/request_block.h"

namespace zenta::tabfile {

// The tab sheet to produce: the five attribute bytes of its page exception entry (skip flag,
// setting flag, placement, setting value 1, setting value 2) and its 8-bit tab text.
struct TabEntry {
    TabAttributes attributes{};
    std::string text;
};

// The attribute bytes of an entry's setting block, in their order.
TabAttributes tab_attributes_of(const settings::SettingBlock& setting);

// The tab sheet of a page exception entry: its setting block's five bytes and, as its text, the
// setting text, or the entry's own text when the setting text is empty (the tab text rule of
// abi/tab_document.h).
TabEntry tab_entry_of(const settings::PageEntry& entry);

// Where the tab sheet was produced.
enum class TabPath : std::uint8_t {
    None,          // nowhere: the request never reached a worker
    ChildProcess,  // the child process (rundll32 running CreateTabFileExW)
    Thread,        // the fallback thread of this process
};

// The child process is started suspended, at normal priority, in a process group of its own,
// outside this process's job object and with the system's default error mode:
// CREATE_SUSPENDED | NORMAL_PRIORITY_CLASS | CREATE_NEW_PROCESS_GROUP | CREATE_BREAKAWAY_FROM_JOB |
// CREATE_DEFAULT_ERROR_MODE (checked against abi/process.h where it is used).
inline constexpr abi::DWORD kTabChildCreationFlags = 0x05000224;

inline constexpr std::size_t kSectionNameLength = 20;
inline constexpr std::u16string_view kTabFilePrefix = u"TP1";
inline constexpr std::u16string_view kRundllEntry = u",CreateTabFileEx ";

// A fresh section name: 20 upper-case letters, each 'A' + a draw of the process-wide generator
// (started from the clock on first use) modulo 26.
std::u16string make_section_name();

// The child's application and command line: "<system directory>\rundll32.exe", and the
// application in double quotes, a blank, the library's path, ",CreateTabFileEx " and the section
// name.
std::u16string rundll_application(std::u16string_view system_directory);
std::u16string tab_child_command_line(std::u16string_view application, std::u16string_view library_path,
                                      std::u16string_view section_name);

// Writes the bytes into the print stream.
using StreamWriter = std::function<void(std::string_view bytes)>;

// Produces the tab sheet for one tab entry and writes it into the stream. The parent side:
// 1. a tab file is made, empty, under a unique name with prefix "TP1" in the working directory
//    chosen for the printer;
// 2. a tab request block is filled (module handle, printer handle, the printer's name from its
//    description, the tab file path, the document name, the public DEVMODE's words, the record,
//    the job id, the entry), status 1;
// 3. a section of the block's size named by make_section_name() is created on the paging file
//    and mapped, and the block is copied in;
// 4./5. the child (rundll32 with the short path of this library's canonical file, companion
//    kind 2) is started suspended with kTabChildCreationFlags, resumed, and waited for without a
//    time-out; the section is then copied back into the block;
// 6. the section is unmapped and closed;
// 7. when the section could not be created (or the name was taken) or mapped, or the child could
//    not be started, the worker runs on a new thread of this process instead, waited for without
//    a time-out;
// 8. the tab file is waited for (wait_until_ready), extracted (extract_tab_file) and deleted;
// 9. when the extraction gave text, the save block, the no-erase block (print_on_page), the text
//    and the restore block are written, and the result is true; otherwise nothing is written and
//    the result is false.
// The worker's status is not consulted: only the tab file decides. The thread's last error is 0
// on return. `path`, when given, tells where the tab sheet was produced. A null writer fails at
// once.
bool run_tab_document(abi::HANDLE printer, bool print_on_page, std::u16string_view document_name,
                      const TabEntry& entry, const settings::Record& record,
                      std::span<const std::uint8_t> public_devmode, std::uint32_t job_id, void* module,
                      const StreamWriter& write, TabPath* path = nullptr);

}  // namespace zenta::tabfile
