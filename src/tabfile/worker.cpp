#include "tabfile/worker.h"

#include <cstring>
#include <memory>
#include <string>

#include "abi/devmode.h"
#include "abi/tab_document.h"
#include "environment/companions.h"
#include "environment/printer.h"
#include "environment/tab_document.h"
#include "platform/os.h"
#include "util/byte_order.h"

namespace zenta::tabfile {
namespace {

static_assert(abi::kTabDocumentRecordSize == kRecordBytes);

constexpr std::size_t kDmSizeOffset = offsetof(abi::DEVMODEW, dmSize);
constexpr std::size_t kDmDriverExtraOffset = offsetof(abi::DEVMODEW, dmDriverExtra);
constexpr std::size_t kDevmodeWordOffset = 114;  // in the driver-private area
constexpr std::size_t kDevmodeWordNeedsExtra = 116;

// The printer's default DEVMODE as bytes, from its description.
std::span<const std::uint8_t> default_devmode(environment::PrinterConnection& printer) {
    const abi::PRINTER_INFO_2W* description = printer.description();
    if (!description || !description->pDevMode) return {};
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(description->pDevMode);
    const std::size_t size =
        description->pDevMode->dmSize + std::size_t{description->pDevMode->dmDriverExtra};
    return {bytes, size};
}

// The calls of steps 5 and 6, with the thread impersonating itself.
std::uint32_t call_tab_document(RequestBlock block, const abi::TabDocumentEntry& entry) {
    const platform::Library library =
        environment::load_companion(module_handle(block), environment::Companion::TabDocumentLibrary);
    const auto create =
        reinterpret_cast<abi::CreateTabDocumentFn>(library.symbol(abi::kCreateTabDocumentName));
    if (!create) return kWorkerFailure;

    void* const printer = printer_handle(block);
    const std::u16string name = printer_name(block);
    environment::PrinterConnection connection = printer ? environment::PrinterConnection::borrow(printer)
                                                        : environment::PrinterConnection::open(name);
    const std::uint16_t devmode_word = connection ? tab_devmode_word(default_devmode(connection)) : 0;

    // The texts are handed over where they lie in the block; each ends in a NUL inside its field
    // (the block was accepted).
    const auto wide_at = [&block](std::size_t offset) {
        return reinterpret_cast<const char16_t*>(block.data() + offset);
    };
    const abi::BOOL result =
        create(printer, wide_at(kPrinterNameOffset), wide_at(kTabFilePathOffset),
               wide_at(kDocumentNameOffset), job_id(block), orientation(block), print_quality(block),
               y_resolution(block), scale(block), abi::kTabDocumentEntrySize, &entry,
               abi::kTabDocumentRecordSize, block.data() + kRecordOffset, devmode_word);
    return (static_cast<std::uint32_t>(result) & 0xFF) != 0 ? kWorkerSuccess : kWorkerFailure;
}

}  // namespace

bool qualifying_tab_entry(const settings::PageEntry& entry) {
    return entry.is_tab() && !entry.setting.skip &&
           (entry.setting.placement == settings::kTabPrintedOnPage ||
            entry.setting.placement == settings::kTabInsertedBeforePage) &&
           entry.pages.size() == 1 && entry.pages.front().first == entry.pages.front().last &&
           entry.sub_entries.empty();
}

settings::PageList qualifying_tab_entries(const settings::Record& record) {
    settings::PageList tabs;
    if (record.raw(settings::FeatureId::TabImageShift) != 0) return tabs;
    for (settings::PageEntry& entry : settings::select_pages(record, settings::kSelectTabs)) {
        if (entry.is_tab()) environment::mark_tab_document();
        if (qualifying_tab_entry(entry)) tabs.push_back(std::move(entry));
    }
    return tabs;
}

std::uint16_t tab_devmode_word(std::span<const std::uint8_t> devmode) {
    if (devmode.size() < kDmDriverExtraOffset + 2) return 0;
    const std::size_t public_size = util::load_le16(devmode.data() + kDmSizeOffset);
    const std::size_t extra = util::load_le16(devmode.data() + kDmDriverExtraOffset);
    if (extra <= kDevmodeWordNeedsExtra) return 0;
    const std::size_t at = public_size + kDevmodeWordOffset;
    if (at + 2 > devmode.size()) return 0;
    return util::load_le16(devmode.data() + at);
}

std::uint32_t run_tab_worker(RequestBlock block) {
    if (!block_acceptable(block)) return kWorkerFailure;

    settings::Record record;
    const auto stored = record_bytes(ConstRequestBlock(block));
    std::memcpy(record.data(), stored.data(), stored.size());
    if (qualifying_tab_entries(record).empty()) return kWorkerFailure;

    // The packed entry points at a copy of the text of its own.
    const std::string text = tab_text(block);
    const auto text_copy = std::make_unique<char[]>(text.size() + 1);
    std::memcpy(text_copy.get(), text.c_str(), text.size() + 1);
    abi::TabDocumentEntry entry{};
    const TabAttributes attributes = tab_attributes(block);
    std::memcpy(entry.attributes, attributes.data(), attributes.size());
    entry.text = text_copy.get();

    platform::System& sys = platform::system();
    sys.ImpersonateSelf(abi::kSecurityImpersonation);
    std::uint32_t result = kWorkerFailure;
    try {
        result = call_tab_document(block, entry);
    } catch (...) {
        result = kWorkerFailure;
    }
    sys.RevertToSelf();
    return result;
}

abi::DWORD ZENTA_STDCALL tab_worker_thread(void* block) {
    if (!block) return kWorkerFailure;
    try {
        return run_tab_worker(RequestBlock(static_cast<std::uint8_t*>(block), kRequestBlockSize));
    } catch (...) {
        return kWorkerFailure;
    }
}

}  // namespace zenta::tabfile
