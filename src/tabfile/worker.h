#pragma once
// The tab document worker: runs the tab document library for the tab request in a block and
// reports whether it did. It runs in the tab file child process (CreateTabFileExW) or, when
// that cannot be started, on a thread of the rendering process.

#include <cstdint>
#include <optional>
#include <span>

#include "abi/types.h"
#include "settings/page_exceptions.h"
#include "settings/record.h"
#include "tabfile/request_block.h"

namespace zenta::tabfile {

inline constexpr std::uint32_t kWorkerSuccess = 0;
inline constexpr std::uint32_t kWorkerFailure = 1;

// Whether a page exception entry asks for a tab sheet that is printed: kind 5 to 7, skip flag 0,
// placement 0 (printed on the page) or 1 (inserted before it), exactly one page range of one
// page, and no sub-entries.
bool qualifying_tab_entry(const settings::PageEntry& entry);

// The tab's page of a qualifying entry.
inline std::uint32_t tab_page(const settings::PageEntry& entry) { return entry.pages.front().first; }

// The record's tab sheets: the qualifying entries of its tab selection (settings::select_pages,
// kSelectTabs), in list order. A record whose `TabImageShift` is not 0 has none (its entries are
// not looked at). Every entry of kind 5 to 7 looked at, qualifying or not, marks the process's
// tab-document flag (environment/tab_document.h).
settings::PageList qualifying_tab_entries(const settings::Record& record);

// The word argument 14 of CreateTabDocument takes from a DEVMODE given as its bytes (public part,
// then the driver-private area): the 16-bit word at byte 114 of the driver-private area (counted
// from dmSize) when dmDriverExtra exceeds 116, else 0. Bytes too short for what they announce
// give 0.
std::uint16_t tab_devmode_word(std::span<const std::uint8_t> devmode);

// The worker, for a block in this process's memory:
// 1. the block must be acceptable (block_acceptable), else 1;
// 2. its record must hold a qualifying tab entry (qualifying_tab_entries), else 1;
// 3. the attribute bytes and the tab text go into a packed tab entry with a heap copy of the text;
// 4. the thread impersonates the process's own identity (ImpersonateSelf);
// 5. the tab document library (companion kind 4 of the block's module) and its CreateTabDocument
//    are looked up; missing: 1;
// 6. with the block's printer handle, or, when that is 0, a connection opened by the block's
//    printer name, CreateTabDocument is called (abi/tab_document.h); 0 when the low byte of its
//    result is non-zero, else 1; a connection opened here is closed;
// 7. the library is freed and the thread reverts to itself (RevertToSelf).
std::uint32_t run_tab_worker(RequestBlock block);

// The worker as a thread procedure (CreateThread): the parameter is the block's first byte; the
// result is the thread's exit code.
abi::DWORD ZENTA_STDCALL tab_worker_thread(void* block);

}  // namespace zenta::tabfile
