#pragma once
// The kernel objects of the Linux system services beyond files: shared memory sections,
// processes and threads, each behind a handle of the process-wide handle numbering that files
// use too. Every function answers as the Win32 call it serves (results, last error).
//
// Sections: a named section is the POSIX shared memory object "/<name>" (a slash or backslash
// inside the name becomes "_"); the handle that created it removes the name when it is closed,
// so the name lives as long as its creator's handle, while views stay usable until unmapped.
// An unnamed section has no name from the start.
//
// Processes: the child is forked and runs the program with execv. A suspended child waits,
// before it runs the program, until ResumeThread is called on its thread handle (or ends at
// once with exit code 1 when every handle to it is closed first). A program that cannot be
// run is reported by CreateProcessW (2, 3, 5) when the check before starting finds it; one
// that fails later ends the child with exit code 127. A child ended by a signal gives the exit
// code 128 + the signal number. A child whose handles are all closed before it ended is still
// waited for (by a thread of its own), so that it leaves no zombie behind.
//
// Threads: a std::thread that calls the start routine; its result is the exit code.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "abi/process.h"
#include "abi/types.h"

namespace zenta::platform::posix {

// The next handle value of the process (files and kernel objects share one numbering).
std::uintptr_t next_handle_value();

abi::HANDLE create_section(abi::DWORD protect, std::uint64_t size, const char16_t* name);
abi::HANDLE open_section(abi::DWORD access, const char16_t* name);
void* map_view(abi::HANDLE section, abi::DWORD access, std::uint64_t offset, std::size_t size);
abi::BOOL unmap_view(const void* view);

// The program is a POSIX path; the arguments are the program's argv, the first included.
abi::BOOL create_process(const std::string& program, const std::vector<std::string>& arguments,
                         abi::DWORD creation_flags, abi::PROCESS_INFORMATION* information);
abi::DWORD resume_thread(abi::HANDLE thread);
abi::DWORD wait_for_object(abi::HANDLE object, abi::DWORD milliseconds);
abi::BOOL exit_code_of_process(abi::HANDLE process, abi::DWORD* exit_code);

abi::HANDLE create_thread(abi::THREAD_START_ROUTINE start, void* parameter, abi::DWORD creation_flags,
                          abi::DWORD* thread_id);
abi::BOOL exit_code_of_thread(abi::HANDLE thread, abi::DWORD* exit_code);

// Closes a kernel object handle; false (nothing done) when the handle is none of them.
bool close_object(abi::HANDLE handle);

// A command line split into arguments as the Microsoft C runtime splits it: blanks and tabs
// separate arguments; a double quote starts or ends a quoted stretch in which blanks are kept;
// 2n backslashes before a double quote give n backslashes and the quote acts, 2n + 1 give n and
// a literal quote; other backslashes are literal; "" inside a quoted stretch is a literal
// quote. The first argument (the program) ends at the first blank outside quotes and takes
// its backslashes literally.
std::vector<std::u16string> split_command_line(std::u16string_view command_line);

}  // namespace zenta::platform::posix
