// The injection dispatcher: what the plug-in writes at each point of the PostScript stream the
// core driver produces (the published PSINJECT_* points), built from the working record of the
// call and written through one output sink.
#pragma once

#include <array>
#include <functional>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "abi/types.h"
#include "settings/record.h"
#include "stream/tab_pages.h"

namespace zenta::stream {

// Where everything the dispatcher writes goes: the driver's spool writer. Empty texts never
// reach it.
class OutputSink {
public:
    virtual ~OutputSink() = default;
    virtual void write(std::string_view bytes) = 0;
};

// The printer's PPD, as the core driver answers for it: the "Invocation" of an option, or none.
class PpdInvocations {
public:
    virtual ~PpdInvocations() = default;
    virtual std::optional<std::string> invocation(std::string_view feature, std::string_view option) = 0;
};

inline constexpr std::size_t kDocumentNameUnits = 512;  // at most 511 units and a terminating zero

// The document in progress on one device context, kept in the plug-in PDEV.
struct DocumentState {
    std::uint64_t page_counter = 0;  // pages set up so far in the current stream
    std::uint8_t stream_flag = 0;    // a spliced tab sheet still owes a restore on this page
    std::array<char16_t, kDocumentNameUnits> document_name{};  // all zero outside a document
    std::uint32_t surface_width = 0;                           // sizlBitmap of the latest StartDoc/StartPage
    std::uint32_t surface_height = 0;
    PageSelection pages;  // the page exception list as the document's pages use it
    // The user the job is printed for, as the job's PJL header named it; the header comments
    // name the same user.
    std::optional<std::string> user_name;

    std::u16string_view name() const;
};

// One Command call, as the plug-in frame hands it over.
struct Injection {
    std::uint32_t index = 0;
    const settings::Record* record = nullptr;   // the working record of the call
    std::uint8_t header_flag = 0;               // byte 20 of the plug-in devmode; 0 without one
    OutputSink* sink = nullptr;                 // null without the driver's write interface or DEVOBJ
    PpdInvocations* ppd = nullptr;              // null without the driver's core interface
    DocumentState* document = nullptr;          // null without the plug-in PDEV
    abi::HANDLE printer = nullptr;              // hPrinter of the DEVOBJ
    void* module = nullptr;                     // the plug-in module, for the job notification library
    const TabSheetMaker* tab_sheets = nullptr;  // makes a tab sheet into the stream; null: none are made
    std::function<void()> tab_document_seen;    // told when a tab entry is looked at
};

// Whether the plug-in takes part in an injection point (the driver does its default at the
// others).
bool handles_injection(std::uint32_t index);

// Writes what the point asks for and keeps the page counter; false for a point the plug-in
// does not take part in.
bool inject(const Injection& call);

// The title of the job: the document name in UTF-8, or none.
std::optional<std::string> job_title(const DocumentState* document);

// The account the calling thread runs as, in UTF-8, or none.
std::optional<std::string> job_user_name();

// The printer's name (pPrinterName of its description), looked up once per printer handle (the
// newest 64 handles are remembered).
std::u16string cached_printer_name(abi::HANDLE printer);

}  // namespace zenta::stream
