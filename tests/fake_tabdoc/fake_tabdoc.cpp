// A stand-in tab document library for the tests of the tab file service: its CreateTabDocument
// writes a small DSC document holding the six stretches the extraction keeps, with the
// arguments it was given written into the kept part as comments, so that a test can see what
// arrived. Those comments hold only what is the same whichever way the call came (child
// process or thread of the rendering process); where the call ran is appended, one line per
// call, to the file named by the environment variable ZENTA_FAKE_TABDOC_LOG when it is set:
//
//   pid=<process id> printer=<null|handle> file=<tab file path>
//
// Tab texts with a meaning here: "FAIL" writes nothing and answers 0; "BROKEN" writes a
// document without its "%%BeginFeature: *QWOpCreator" stretch and answers 1.
//
// The test copies this library beside a copy of the plug-in library under the name of the
// plug-in's tab document companion (zenta.dll, libzenta.so).

#include <cstdio>
#include <cstdlib>
#include <string>
#include <type_traits>

#include "abi/tab_document.h"

#if defined(_WIN32)
#include <process.h>
#define FAKE_TABDOC_EXPORT __declspec(dllexport)
#else
#include <unistd.h>
#define FAKE_TABDOC_EXPORT __attribute__((visibility("default")))
#endif

namespace {

using zenta::abi::TabDocumentEntry;

std::string utf8(const char16_t* text) {
    std::string out;
    if (!text) return out;
    for (const char16_t* p = text; *p; ++p) {
        std::uint32_t c = *p;
        if (c >= 0xD800 && c <= 0xDBFF && p[1] >= 0xDC00 && p[1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<std::uint32_t>(p[1]) - 0xDC00);
            ++p;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::FILE* open_file(const char16_t* path, const char* mode) {
#if defined(_WIN32)
    const std::wstring wide_mode(mode, mode + std::char_traits<char>::length(mode));
    return _wfopen(reinterpret_cast<const wchar_t*>(path), wide_mode.c_str());
#else
    std::string narrow = utf8(path);
    for (char& c : narrow)
        if (c == '\\') c = '/';
    return std::fopen(narrow.c_str(), mode);
#endif
}

std::string hex(const std::uint8_t* bytes, std::size_t count) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    for (std::size_t i = 0; i < count; ++i) {
        out += kDigits[bytes[i] >> 4];
        out += kDigits[bytes[i] & 0xF];
    }
    return out;
}

void log_call(zenta::abi::HANDLE printer, const char16_t* tab_file_path) {
    const char* log = std::getenv("ZENTA_FAKE_TABDOC_LOG");
    if (!log || !*log) return;
    if (std::FILE* f = std::fopen(log, "ab")) {
#if defined(_WIN32)
        const long pid = static_cast<long>(_getpid());
#else
        const long pid = static_cast<long>(::getpid());
#endif
        std::fprintf(f, "pid=%ld printer=%s file=%s\n", pid, printer ? "handle" : "null",
                     utf8(tab_file_path).c_str());
        std::fclose(f);
    }
}

}  // namespace

extern "C" FAKE_TABDOC_EXPORT zenta::abi::BOOL ZENTA_STDCALL
CreateTabDocument(zenta::abi::HANDLE printer, const char16_t* printer_name, const char16_t* tab_file_path,
                  const char16_t* document_name, zenta::abi::DWORD job_id, zenta::abi::WORD orientation,
                  zenta::abi::WORD print_quality, zenta::abi::WORD y_resolution, zenta::abi::WORD scale,
                  zenta::abi::DWORD entry_size, const TabDocumentEntry* entry, zenta::abi::DWORD record_size,
                  const std::uint8_t* record, zenta::abi::WORD devmode_word) {
    log_call(printer, tab_file_path);
    const std::string text = entry && entry->text ? entry->text : "";
    if (text == "FAIL") return 0;
    std::FILE* f = open_file(tab_file_path, "wb");
    if (!f) return 0;
    const bool broken = text == "BROKEN";
    std::string doc;
    doc += "%!PS-Adobe-3.0\r\n";
    doc += "%%Title: " + utf8(document_name) + "\r\n";
    doc += "%%Creator: fake tab document library\r\n";
    doc += "%%EndComments\r\n";
    doc += "%%BeginProlog\r\n%%EndProlog\r\n";
    doc += "%%BeginSetup\r\n";
    doc += "% dropped by the extraction\r\n";
    doc += "userdict begin\r\n";
    doc += "%%ZentaFake-Printer: " + utf8(printer_name) + "\r\n";
    doc += "%%ZentaFake-Document: " + utf8(document_name) + "\r\n";
    doc += "%%ZentaFake-Job: " + std::to_string(job_id) + "\r\n";
    doc += "%%ZentaFake-Devmode: " + std::to_string(orientation) + " " + std::to_string(print_quality) + " " +
           std::to_string(y_resolution) + " " + std::to_string(scale) + "\r\n";
    doc += "%%ZentaFake-Entry: " + std::to_string(entry_size) + " " +
           (entry ? hex(entry->attributes, 5) : "") + " (" + text + ")\r\n";
    doc +=
        "%%ZentaFake-Record: " + std::to_string(record_size) + " " + (record ? hex(record, 9) : "") + "\r\n";
    doc += "%%ZentaFake-DevmodeWord: " + std::to_string(devmode_word) + "\r\n";
    doc += "end\r\n";
    if (!broken) {
        doc += "featurebegin{\r\n%%BeginFeature: *QWOpCreator Fake\r\n%%EndFeature\r\n} featurecleanup\r\n";
    }
    doc += "featurebegin{\r\n%%BeginFeature: *QWOpPPDVersion 1\r\n%%EndFeature\r\n} featurecleanup\r\n";
    doc += "featurebegin{\r\n%%BeginFeature: *PageSize QVA4Tab1\r\n%%EndFeature\r\n} featurecleanup\r\n";
    doc += "featurebegin{\r\n%%BeginFeature: *Resolution 600dpi\r\n%%EndFeature\r\n} featurecleanup\r\n";
    doc += "%%EndSetup\r\n%%Page: 1 1\r\n";
    doc += "1 setlinecap 1 setlinejoin\r\nshowpage\r\n%%Trailer\r\n%%EOF\r\n";
    const bool written = std::fwrite(doc.data(), 1, doc.size(), f) == doc.size();
    return std::fclose(f) == 0 && written ? 1 : 0;
}

static_assert(std::is_same_v<decltype(&CreateTabDocument), zenta::abi::CreateTabDocumentFn>);
