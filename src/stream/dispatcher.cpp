#include "stream/dispatcher.h"

#include <array>
#include <charconv>
#include <deque>
#include <mutex>
#include <vector>

#include "abi/oem.h"
#include "environment/job.h"
#include "environment/printer.h"
#include "features/families.h"
#include "platform/os.h"
#include "stream/job_setup.h"
#include "stream/pjl_header.h"
#include "stream/tab_pages.h"
#include "stream/text.h"
#include "util/utf.h"

namespace zenta::stream {
namespace {

using features::FeatureId;

constexpr std::string_view kUniversalExit = "\x1B%-12345X";

// ---- what the plug-in knows of the job ---------------------------------------------------------

JobIdentity identity(const Injection& call, std::optional<std::string> job_id) {
    std::optional<std::string> user = job_user_name();
    if (call.document) call.document->user_name = user;
    return {job_title(call.document), std::move(user), std::move(job_id)};
}

// The driver job identifier, made (with its notification) only for a job on a printer.
std::optional<std::string> job_identifier(const Injection& call) {
    if (!call.printer) return std::nullopt;
    std::string id = environment::notify_job(call.module, cached_printer_name(call.printer));
    if (id.empty()) return std::nullopt;
    return id;
}

// ---- the texts ----------------------------------------------------------------------------------

// "%%ZENTA-BitmapSize: " width " " height, or nothing without the plug-in PDEV.
void append_bitmap_size_comment(std::string& out, const DocumentState* document) {
    if (!document) return;
    std::array<char, 16> number;
    const auto append_number = [&](std::uint32_t value) {
        const auto end = std::to_chars(number.data(), number.data() + number.size(), value).ptr;
        out.append(number.data(), end);
    };
    out += "%%ZENTA-BitmapSize: ";
    append_number(document->surface_width);
    out += ' ';
    append_number(document->surface_height);
    out += "\r\n";
}

// Room for a page setup without tab sheets, so that its text is built in one allocation.
constexpr std::size_t kPageSetupBytes = 1024;

// The PPD code of the output method and its secure-print texts, as the printer's PPD gives it,
// collected in a procedure the printer's own code runs.
std::string invocation_block(const settings::Record& record, PpdInvocations& ppd) {
    const std::uint8_t* const addresses[] = {
        record.field(FeatureId::OutputMethod).data(),
        record.field(FeatureId::WaitModeSecurePrintId).data(),
        record.field(FeatureId::WaitModePassword).data(),
    };
    const features::FieldFilter filter{addresses};
    std::vector<features::KeywordPair> pairs;
    features::collect_keyword_pairs(record.view(), pairs, &filter);

    std::string invocations;
    for (const features::KeywordPair& pair : pairs) {
        if (pair.keyword.empty() || pair.option.empty()) continue;
        const std::optional<std::string> code = ppd.invocation(pair.keyword, pair.option);
        if (!code || code->empty()) continue;
        invocations += *code;
        invocations += "\r\n";
    }
    if (invocations.empty()) return {};
    return "ZTQVFeatures /ZTQVPlugInSettings {\r\n" + invocations + "} bind executeonly put\r\n";
}

void write(const Injection& call, std::string_view text) {
    if (call.sink && !text.empty()) call.sink->write(text);
}

void reset_page_state(DocumentState* document) {
    if (!document) return;
    document->page_counter = 0;
    document->stream_flag = 0;
    document->user_name.reset();
}

}  // namespace

std::u16string_view DocumentState::name() const {
    const std::u16string_view all(document_name.data(), document_name.size());
    return all.substr(0, all.find(u'\0'));
}

std::optional<std::string> job_title(const DocumentState* document) {
    if (!document || document->name().empty()) return std::nullopt;
    return util::utf16_to_utf8(document->name());
}

std::optional<std::string> job_user_name() {
    char16_t buffer[257] = {};
    abi::DWORD size = 257;
    if (!platform::system().GetUserNameW(buffer, &size)) return std::nullopt;
    const std::u16string_view name(buffer, std::char_traits<char16_t>::length(buffer));
    if (name.empty()) return std::nullopt;
    return util::utf16_to_utf8(name);
}

std::u16string cached_printer_name(abi::HANDLE printer) {
    // A spooler process prints for many handles over its life: the newest few are kept.
    constexpr std::size_t kKept = 64;
    static std::mutex mutex;
    static std::deque<std::pair<abi::HANDLE, std::u16string>> names;
    std::lock_guard<std::mutex> lock(mutex);
    for (const auto& [handle, name] : names)
        if (handle == printer) return name;
    if (names.size() == kKept) names.pop_front();
    environment::PrinterConnection connection = environment::PrinterConnection::borrow(printer);
    return names.emplace_back(printer, connection.printer_name()).second;
}

bool handles_injection(std::uint32_t index) {
    switch (index) {
        case abi::PSINJECT_BEGINSTREAM:
        case abi::PSINJECT_PSADOBE:
        case abi::PSINJECT_COMMENTS:
        case abi::PSINJECT_BEGINSETUP:
        case abi::PSINJECT_ENDSETUP:
        case abi::PSINJECT_TRAILER:
        case abi::PSINJECT_ENDSTREAM:
        case abi::PSINJECT_BEGINPAGESETUP:
        case abi::PSINJECT_PAGETRAILER:
            return true;
        default:
            return false;
    }
}

bool inject(const Injection& call) {
    if (!handles_injection(call.index)) return false;
    static const settings::Record kNoRecord{};
    const settings::Record& record = call.record ? *call.record : kNoRecord;
    DocumentState* document = call.document;
    // The page exception list selected for tab handling and its tab entries, brought in line
    // with the record when a point needs them (kept with the document across its pages); no tab
    // sheets are made without a printer.
    PageSelection unkept;
    PageSelection& selection = document ? document->pages : unkept;
    bool selection_updated = false;
    const auto pages = [&]() -> const PageSelection& {
        if (!selection_updated) selection.update(record, call.tab_document_seen);
        selection_updated = true;
        return selection;
    };
    const auto tabs = [&]() -> const std::vector<QualifyingTab>& { return pages().tabs(); };
    const TabSheetMaker* sheets = call.printer && call.tab_sheets ? call.tab_sheets : nullptr;
    const Writer writer = [&](std::string_view text) { write(call, text); };

    switch (call.index) {
        case abi::PSINJECT_BEGINSTREAM:
        case abi::PSINJECT_ENDSTREAM:
            // The stream is framed by the UEL whenever it carries a PJL job header, which it
            // always does: the header's STRINGCODESET line is there whatever the record says.
            // The header itself is written once, after the PostScript header comment.
            reset_page_state(document);
            write(call, call.index == abi::PSINJECT_BEGINSTREAM ? std::string(kUniversalExit) + "@PJL\r\n"
                                                                : std::string(kUniversalExit));
            break;

        case abi::PSINJECT_PSADOBE: {
            if (!call.sink) break;
            const std::string header = pjl_job_header(record, identity(call, job_identifier(call)));
            write(call, header);
            if (!header.empty()) write(call, "@PJL ENTER LANGUAGE = POSTSCRIPT\r\n");
            break;
        }

        case abi::PSINJECT_COMMENTS: {
            if (!call.sink) break;
            write(call, job_settings_comments(record));
            if (!document) break;
            std::string comments;
            if (const auto title = job_title(document)) append_value_comment(comments, "TitleEx", *title);
            const std::optional<std::string> user =
                document->user_name ? document->user_name : job_user_name();
            if (user) append_value_comment(comments, "ForEx", *user);
            write(call, comments);
            break;
        }

        case abi::PSINJECT_BEGINSETUP:
            if (!call.sink) break;
            write_tab_setup(tabs(), writer);
            {
                std::string text;
                append_bitmap_size_comment(text, document);
                text += job_setup(record);
                write(call, text);
            }
            if (call.ppd && document && document->page_counter == 0 && call.header_flag == 0)
                write(call, invocation_block(record, *call.ppd));
            break;

        case abi::PSINJECT_ENDSETUP:
            write(call, end_of_setup());
            break;

        case abi::PSINJECT_TRAILER:
            if (!document) break;
            write(call, document_trailer());
            write_tabs_after_document(tabs(), document->page_counter, document->stream_flag, sheets, writer);
            break;

        case abi::PSINJECT_BEGINPAGESETUP:
            if (!document) break;
            ++document->page_counter;
            if (!call.sink) break;
            write_tab_page_release(tabs(), writer);
            {
                std::string text;
                text.reserve(kPageSetupBytes);
                append_bitmap_size_comment(text, document);
                append_page_setup(text, record, document->page_counter, pages());
                write(call, text);
            }
            write_tab_page_sheets(tabs(), document->page_counter, document->stream_flag, sheets, writer);
            break;

        case abi::PSINJECT_PAGETRAILER:
            if (!document) break;
            write_tab_page_trailer(tabs(), document->stream_flag, writer);
            write(call, page_trailer());
            break;
    }
    return true;
}

}  // namespace zenta::stream
