#pragma once
// The tab request block: everything the tab document worker needs to produce one tab sheet, in
// one fixed binary layout of 193480 bytes. The rendering process fills it and places it in a named
// shared memory section; the child process (or the fallback thread) reads it, runs the worker and
// stores the result in it. Numbers are little-endian, wide texts UTF-16 with a NUL, the tab text
// 8-bit with a NUL; no padding beyond the fields below.
//
//   offset  width   content
//        0      8   module handle of the DLL in the process that runs the worker
//        8      8   printer handle of the parent (0 while the child process works)
//       16   8194   printer name, 4097 wide characters
//     8210 131074   tab file path (the tab document's output file), 65537 wide characters
//   139284   8194   document name of the tab job, 4097 wide characters
//   147478      2   orientation      (dmOrientation with DM_ORIENTATION, else 1)
//   147480      2   print quality    (dmPrintQuality with DM_PRINTQUALITY, else 0)
//   147482      2   y resolution     (dmYResolution with DM_YRESOLUTION, else 0)
//   147484      2   scale            (dmScale with DM_SCALE, else 0xFFFF)
//   147486  27774   the job settings record
//   175260      4   spooler job identifier
//   175264      5   the tab entry's attribute bytes (skip byte first, placement byte third)
//   175269  18203   tab text
//   193472      4   status: 1 until the worker has run, then 0 success or 1 failure
//   193476      4   reserved, zero
//
// Texts longer than their field keep their first characters and a NUL in the field's last cell.
// Reading a text stops at its first NUL or at the end of its field, whichever comes first, so a
// block from outside is never read past its fields.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "settings/record.h"

namespace zenta::tabfile {

inline constexpr std::size_t kRequestBlockSize = 193480;

using RequestBlock = std::span<std::uint8_t, kRequestBlockSize>;
using ConstRequestBlock = std::span<const std::uint8_t, kRequestBlockSize>;

// ---- layout

inline constexpr std::size_t kModuleHandleOffset = 0;
inline constexpr std::size_t kPrinterHandleOffset = 8;
inline constexpr std::size_t kPrinterNameOffset = 16;
inline constexpr std::size_t kPrinterNameUnits = 4097;
inline constexpr std::size_t kTabFilePathOffset = 8210;
inline constexpr std::size_t kTabFilePathUnits = 65537;
inline constexpr std::size_t kDocumentNameOffset = 139284;
inline constexpr std::size_t kDocumentNameUnits = 4097;
inline constexpr std::size_t kOrientationOffset = 147478;
inline constexpr std::size_t kPrintQualityOffset = 147480;
inline constexpr std::size_t kYResolutionOffset = 147482;
inline constexpr std::size_t kScaleOffset = 147484;
inline constexpr std::size_t kRecordOffset = 147486;
inline constexpr std::size_t kRecordBytes = settings::Record::kSize;
inline constexpr std::size_t kJobIdOffset = 175260;
inline constexpr std::size_t kAttributesOffset = 175264;
inline constexpr std::size_t kTabAttributeCount = 5;
inline constexpr std::size_t kTabTextOffset = 175269;
inline constexpr std::size_t kTabTextBytes = 18203;
inline constexpr std::size_t kStatusOffset = 193472;
inline constexpr std::size_t kReservedOffset = 193476;

// The last character cell of each wide text: the worker takes a block only when all three are 0.
inline constexpr std::size_t kPrinterNameLastCell = kPrinterNameOffset + 2 * (kPrinterNameUnits - 1);
inline constexpr std::size_t kTabFilePathLastCell = kTabFilePathOffset + 2 * (kTabFilePathUnits - 1);
inline constexpr std::size_t kDocumentNameLastCell = kDocumentNameOffset + 2 * (kDocumentNameUnits - 1);

static_assert(kPrinterHandleOffset == kModuleHandleOffset + 8);
static_assert(kPrinterNameOffset == kPrinterHandleOffset + 8);
static_assert(kTabFilePathOffset == kPrinterNameOffset + 2 * kPrinterNameUnits);
static_assert(kDocumentNameOffset == kTabFilePathOffset + 2 * kTabFilePathUnits);
static_assert(kOrientationOffset == kDocumentNameOffset + 2 * kDocumentNameUnits);
static_assert(kPrintQualityOffset == kOrientationOffset + 2);
static_assert(kYResolutionOffset == kPrintQualityOffset + 2);
static_assert(kScaleOffset == kYResolutionOffset + 2);
static_assert(kRecordOffset == kScaleOffset + 2);
static_assert(kRecordBytes == 27774);
static_assert(kJobIdOffset == kRecordOffset + kRecordBytes);
static_assert(kAttributesOffset == kJobIdOffset + 4);
static_assert(kTabTextOffset == kAttributesOffset + kTabAttributeCount);
static_assert(kStatusOffset == kTabTextOffset + kTabTextBytes);
static_assert(kReservedOffset == kStatusOffset + 4);
static_assert(kRequestBlockSize == kReservedOffset + 4);
static_assert(kPrinterNameLastCell == 8208 && kTabFilePathLastCell == 139282 &&
              kDocumentNameLastCell == 147476);
// The wide texts start on even offsets, so a block at an aligned address holds aligned UTF-16.
static_assert(kPrinterNameOffset % 2 == 0 && kTabFilePathOffset % 2 == 0 && kDocumentNameOffset % 2 == 0);

// Status values.
inline constexpr std::uint32_t kStatusSuccess = 0;
inline constexpr std::uint32_t kStatusFailure = 1;
inline constexpr std::uint32_t kStatusPending = 1;  // before the worker has run

using TabAttributes = std::array<std::uint8_t, kTabAttributeCount>;

// ---- fields

// Handles are kept as 64-bit numbers, whatever the width of a pointer in the process.
void* module_handle(ConstRequestBlock block);
void set_module_handle(RequestBlock block, void* module);
void* printer_handle(ConstRequestBlock block);
void set_printer_handle(RequestBlock block, void* printer);

std::u16string printer_name(ConstRequestBlock block);
void set_printer_name(RequestBlock block, std::u16string_view name);
std::u16string tab_file_path(ConstRequestBlock block);
void set_tab_file_path(RequestBlock block, std::u16string_view path);
std::u16string document_name(ConstRequestBlock block);
void set_document_name(RequestBlock block, std::u16string_view name);

std::uint16_t orientation(ConstRequestBlock block);
std::uint16_t print_quality(ConstRequestBlock block);
std::uint16_t y_resolution(ConstRequestBlock block);
std::uint16_t scale(ConstRequestBlock block);

// The four words of the public DEVMODE that travel with a tab request.
struct DevmodeWords {
    std::uint16_t orientation = 1;
    std::uint16_t print_quality = 0;
    std::uint16_t y_resolution = 0;
    std::uint16_t scale = 0xFFFF;
    friend bool operator==(const DevmodeWords&, const DevmodeWords&) = default;
};
void set_devmode_words(RequestBlock block, const DevmodeWords& words);

// The words of a public DEVMODE given as its bytes (public part, then any private bytes). A word
// counts only when its dmFields flag is set and it lies inside both the bytes and dmSize; any other
// word keeps its default, and bytes too short to hold dmFields give the defaults.
DevmodeWords devmode_words(std::span<const std::uint8_t> public_devmode);

std::span<std::uint8_t, kRecordBytes> record_bytes(RequestBlock block);
std::span<const std::uint8_t, kRecordBytes> record_bytes(ConstRequestBlock block);

std::uint32_t job_id(ConstRequestBlock block);
void set_job_id(RequestBlock block, std::uint32_t id);

TabAttributes tab_attributes(ConstRequestBlock block);
void set_tab_attributes(RequestBlock block, const TabAttributes& attributes);

// The tab text: 8-bit (UTF-8 for the user's texts). A text that does not fit is cut between UTF-8
// sequences when it is well-formed, else at the field's size; a zero byte inside ends it.
std::string tab_text(ConstRequestBlock block);
void set_tab_text(RequestBlock block, std::string_view text);

std::uint32_t status(ConstRequestBlock block);
void set_status(RequestBlock block, std::uint32_t value);

// The worker's check of a block from outside: a non-null module handle and a NUL in the last cell
// of the printer name, the tab file path and the document name.
bool block_acceptable(ConstRequestBlock block);

// ---- filling

// What the rendering process puts into a request for one tab sheet.
struct TabRequest {
    void* module = nullptr;   // this DLL's module handle
    void* printer = nullptr;  // the driver's printer handle
    std::u16string_view printer_name;
    std::u16string_view tab_file_path;
    std::u16string_view document_name;
    std::span<const std::uint8_t> public_devmode;  // the driver's public DEVMODE as bytes; may be empty
    const settings::Record* record = nullptr;      // none leaves the record area zero
    std::uint32_t job_id = 0;
    TabAttributes attributes{};
    std::string_view tab_text;
};

// Zero-fills the block and writes the request into it, with the status 1 (pending).
void fill_request_block(RequestBlock block, const TabRequest& request);

}  // namespace zenta::tabfile
