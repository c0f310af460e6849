// The tab document library: zenta.dll / libzenta.so beside the render plug-in, exporting
// CreateTabDocument. The plug-in's tab file worker calls it once per tab sheet with the entry
// of the page exception list and the job's settings record; it writes the tab sheet as a DSC
// PostScript document into the file the worker names (see sheet.h for the document and
// abi/tab_document.h for the call).

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <type_traits>

#include "abi/tab_document.h"
#include "ppd.h"
#include "settings/record.h"
#include "sheet.h"
#include "util/utf.h"

#if defined(_WIN32)
#include <process.h>
#define ZENTA_TABDOC_EXPORT
#else
#include <unistd.h>
#define ZENTA_TABDOC_EXPORT __attribute__((visibility("default")))
#endif

namespace zenta::tabdoc {
namespace {

// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string utf8(const char16_t* text) { return util::utf16_to_utf8(text); }

std::FILE* open_for_writing(const char16_t* path) {
#if defined(_WIN32)
    return _wfopen(reinterpret_cast<const wchar_t*>(path), L"wb");
#else
    return std::fopen(utf8(path).c_str(), "wb");
#endif
}

// Each sheet made is noted, with the number of the process that made it, in the file named by
// ZENTA_TAB_LOG when that is set: one decimal process id a line. A tool that prints through the
// plug-in learns from it whether the sheets came from a child process or from its own.
void note_sheet() {
#if defined(_WIN32)
    const wchar_t* named = _wgetenv(L"ZENTA_TAB_LOG");
    std::FILE* log = named && *named ? _wfopen(named, L"ab") : nullptr;
    const long process = _getpid();
#else
    const char* named = std::getenv("ZENTA_TAB_LOG");
    std::FILE* log = named && *named ? std::fopen(named, "ab") : nullptr;
    const long process = getpid();
#endif
    if (!log) return;
    std::fprintf(log, "%ld\n", process);
    std::fclose(log);
}

bool write_whole(const char16_t* path, const std::string& text) {
    std::FILE* file = open_for_writing(path);
    if (!file) return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    const bool closed = std::fclose(file) == 0;
    return written && closed;
}

abi::BOOL create(const char16_t* tab_file, const char16_t* document_name, abi::WORD orientation,
                 abi::WORD print_quality, abi::WORD y_resolution, abi::DWORD entry_size,
                 const abi::TabDocumentEntry* entry, abi::DWORD record_size, const abi::BYTE* record_bytes) {
    if (!tab_file || !*tab_file || !entry || !record_bytes || entry_size != abi::kTabDocumentEntrySize ||
        record_size != abi::kTabDocumentRecordSize)
        return 0;
    TabSheet sheet;
    if (document_name) sheet.title = utf8(document_name);
    sheet.landscape = orientation == 2;
    for (const abi::WORD dpi : {print_quality, y_resolution}) {
        if (sheet.resolution == 0 && (dpi == 600 || dpi == 1200)) sheet.resolution = dpi;
    }
    for (std::size_t i = 0; i < sheet.attributes.size(); ++i) sheet.attributes[i] = entry->attributes[i];
    if (entry->text) sheet.text = entry->text;
    settings::Record record;
    std::copy(record_bytes, record_bytes + settings::Record::kSize, record.bytes.begin());
    if (!write_whole(tab_file, tab_document(printer_ppd(), sheet, record))) return 0;
    note_sheet();
    return 1;
}

}  // namespace
}  // namespace zenta::tabdoc

extern "C" ZENTA_TABDOC_EXPORT zenta::abi::BOOL ZENTA_STDCALL CreateTabDocument(
    zenta::abi::HANDLE /*printer*/, zenta::abi::PCWSTR /*printer_name*/, zenta::abi::PCWSTR tab_file,
    zenta::abi::PCWSTR document_name, zenta::abi::DWORD /*job_id*/, zenta::abi::WORD orientation,
    zenta::abi::WORD print_quality, zenta::abi::WORD y_resolution, zenta::abi::WORD /*scale*/,
    zenta::abi::DWORD entry_size, const zenta::abi::TabDocumentEntry* entry, zenta::abi::DWORD record_size,
    const zenta::abi::BYTE* record, zenta::abi::WORD /*devmode_word*/) {
    try {
        return zenta::tabdoc::create(tab_file, document_name, orientation, print_quality, y_resolution,
                                     entry_size, entry, record_size, record);
    } catch (...) {
        return 0;
    }
}

// The export has exactly the type the worker calls it through.
static_assert(std::is_same_v<decltype(&CreateTabDocument), zenta::abi::CreateTabDocumentFn>);
