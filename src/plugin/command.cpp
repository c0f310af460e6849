#include "plugin/command.h"

#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "abi/hresult.h"
#include "abi/oem.h"
#include "constraints/engine.h"
#include "environment/record_defaults.h"
#include "plugin/devmode.h"
#include "plugin/module.h"
#include "platform/module.h"
#include "plugin/pdev.h"
#include "settings/plugin_devmode.h"
#include "stream/dispatcher.h"
#include "tabfile/parent.h"
#include "util/byte_order.h"

namespace zenta::plugin {
namespace {

using namespace abi;

// Writes through the driver's spool writer: each text from a NUL-terminated copy of its own.
class DriverSink final : public stream::OutputSink {
public:
    DriverSink(IPrintOemDriverPS* driver, DEVOBJ* devobj) : driver_(driver), devobj_(devobj) {}

    void write(std::string_view bytes) override {
        if (bytes.empty() || bytes.size() >= std::numeric_limits<DWORD>::max()) return;
        const std::unique_ptr<char[]> copy(new char[bytes.size() + 1]);
        bytes.copy(copy.get(), bytes.size());
        copy[bytes.size()] = '\0';
        DWORD written = 0;
        driver_->DrvWriteSpoolBuf(devobj_, copy.get(), static_cast<DWORD>(bytes.size()), &written);
    }

private:
    IPrintOemDriverPS* driver_;
    DEVOBJ* devobj_;
};

// The "Invocation" of a PPD option through the driver's core interface: a size query that
// answers E_OUTOFMEMORY with the binary type and the size, then the read into a zeroed buffer
// one byte longer, taken as a NUL-terminated text.
class CoreInvocations final : public stream::PpdInvocations {
public:
    CoreInvocations(IPrintCorePS2* core, DEVOBJ* devobj) : core_(core), devobj_(devobj) {}

    std::optional<std::string> invocation(std::string_view feature, std::string_view option) override {
        const std::string feature_keyword(feature), option_keyword(option);
        DWORD type = 0, needed = 0;
        if (core_->GetOptionAttribute(devobj_, 0, feature_keyword.c_str(), option_keyword.c_str(),
                                      "Invocation", &type, nullptr, 0, &needed) != E_OUTOFMEMORY ||
            type != kADT_BINARY || needed == 0 || needed == std::numeric_limits<DWORD>::max())
            return std::nullopt;
        std::vector<BYTE> buffer(std::size_t{needed} + 1, 0);
        if (core_->GetOptionAttribute(devobj_, 0, feature_keyword.c_str(), option_keyword.c_str(),
                                      "Invocation", &type, buffer.data(), needed + 1, &needed) != S_OK)
            return std::nullopt;
        return std::string(reinterpret_cast<const char*>(buffer.data()));
    }

private:
    IPrintCorePS2* core_;
    DEVOBJ* devobj_;
};

// The settings of this call: the plug-in devmode's record, validated and in step with the
// public DEVMODE, when the DEVOBJ carries a valid block; else the default record. Built where it
// lives, with one copy of the record.
struct WorkingRecord {
    settings::Record record;
    std::uint8_t header_flag = 0;

    WorkingRecord(DEVOBJ* devobj, const PluginPdev* pdev)
        : WorkingRecord(devobj, pdev, devobj ? static_cast<const std::uint8_t*>(devobj->pOEMDM) : nullptr) {}

private:
    static bool valid_block(const std::uint8_t* block) {
        return block && settings::is_plugin_devmode(block, util::load_le32(block));
    }

    WorkingRecord(DEVOBJ* devobj, const PluginPdev* pdev, const std::uint8_t* block)
        : record(valid_block(block) ? settings::record_bytes(block) : environment::default_record().view()),
          header_flag(valid_block(block) ? block[settings::kHeaderFlagOffset] : 0) {
        if (!valid_block(block)) return;
        // A record that needed no repair is, until the sync, the block's own bytes: the engine
        // takes them as its snapshot instead of a copy.
        const bool as_stored = environment::validate(record);
        const std::span<std::uint8_t> public_devmode = devmode_bytes(devobj->pPublicDM, devobj->pOEMDM);
        constraints::apply_devmode(public_devmode, record, devobj->hPrinter,
                                   as_stored ? settings::record_bytes(block).data() : nullptr);
        update_nup_marker(public_devmode, &record, pdev);
    }
};

// A document printed or inserted as a tab sheet marks the process as one that makes tab
// documents.
void tab_job_title_test(const PluginPdev* pdev) {
    if (!pdev || tab_document_seen()) return;
    const std::u16string_view name = pdev->document.name();
    if (name.starts_with(u"Printed Tab on") || name.starts_with(u"Inserted Tab before")) mark_tab_document();
}

}  // namespace

bool run_command(DEVOBJ* devobj, DWORD index, IPrintOemDriverPS* driver, IPrintCorePS2* core) noexcept {
    try {
        PluginPdev* pdev = pdev_of(devobj);
        const WorkingRecord working(devobj, pdev);
        std::optional<DriverSink> sink;
        if (driver && devobj) sink.emplace(driver, devobj);
        std::optional<CoreInvocations> ppd;
        if (core && devobj) ppd.emplace(core, devobj);
        if (index == PSINJECT_COMMENTS) tab_job_title_test(pdev);

        // Tab sheets come from the tab file service, written through the same sink.
        const std::span<const std::uint8_t> public_devmode =
            devobj ? devmode_bytes(devobj->pPublicDM, devobj->pOEMDM) : std::span<std::uint8_t>{};
        void* const module = devobj && devobj->hOEM ? devobj->hOEM : platform::module_handle();
        // Everything a tab sheet needs, behind one pointer, so that the maker stays small.
        struct TabSheetSource {
            DEVOBJ* devobj;
            const PluginPdev* pdev;
            const settings::Record& record;
            std::span<const std::uint8_t> public_devmode;
            void* module;
            std::optional<DriverSink>& sink;
        } source{devobj, pdev, working.record, public_devmode, module, sink};
        const stream::TabSheetMaker tab_sheets = [&source](const stream::QualifyingTab& tab, bool print_on_page,
                                                           std::u16string_view title) {
            if (!source.sink) return false;
            DriverSink& sink = *source.sink;
            return tabfile::run_tab_document(source.devobj->hPrinter, print_on_page, title,
                                             tabfile::tab_entry_of(tab.entry), source.record,
                                             source.public_devmode, source.pdev ? source.pdev->job_id : 0,
                                             source.module, [&sink](std::string_view bytes) { sink.write(bytes); });
        };

        stream::Injection call;
        call.index = index;
        call.tab_sheets = &tab_sheets;
        call.tab_document_seen = [] { mark_tab_document(); };
        call.record = &working.record;
        call.header_flag = working.header_flag;
        call.sink = sink ? &*sink : nullptr;
        call.ppd = ppd ? &*ppd : nullptr;
        call.document = pdev ? &pdev->document : nullptr;
        call.printer = devobj ? devobj->hPrinter : nullptr;
        call.module = platform::module_handle();
        return stream::inject(call);
    } catch (...) {
        return stream::handles_injection(index);
    }
}

}  // namespace zenta::plugin
