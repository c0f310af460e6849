#include "plugin/refresh.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "constraints/engine.h"
#include "environment/printer.h"
#include "environment/printer_data.h"
#include "environment/record_defaults.h"
#include "platform/os.h"
#include "platform/spooler.h"
#include "plugin/devmode.h"
#include "plugin/pdev.h"
#include "settings/plugin_devmode.h"
#include "util/base64.h"
#include "util/byte_order.h"

namespace zenta::plugin {
namespace {

using namespace abi;
using settings::FeatureId;
using settings::Record;

constexpr std::size_t kDmSizeOffset = 68;         // DEVMODEW::dmSize
constexpr std::size_t kDmDriverExtraOffset = 70;  // DEVMODEW::dmDriverExtra
constexpr std::size_t kPrivateBlockWord = 114;    // in the private area: where the plug-in block lies
constexpr std::uint16_t kPrivateWithBlockWord = 117;

// The plug-in devmode the DEVOBJ carries, when it passes the acceptance test.
std::uint8_t* plugin_block(const DEVOBJ* devobj) {
    auto* block = devobj ? static_cast<std::uint8_t*>(devobj->pOEMDM) : nullptr;
    if (!block || !settings::is_plugin_devmode(block, util::load_le32(block))) return nullptr;
    return block;
}

// Copies one field when its value differs; true when it did.
bool copy_field(features::ConstRecordBytes from, features::RecordBytes to, FeatureId id) {
    const auto source = features::field_bytes(from, id);
    const auto target = features::field_bytes(to, id);
    if (std::equal(source.begin(), source.end(), target.begin())) return false;
    std::copy(source.begin(), source.end(), target.begin());
    return true;
}

void copy_credentials(features::ConstRecordBytes from, features::RecordBytes to) {
    for (FeatureId id : credential_fields()) copy_field(from, to, id);
}

// The job's parameters text (JOB_INFO_2W level 2), when the spooler has the job and the text
// lies inside what it returned.
std::optional<std::u16string> job_parameters(HANDLE printer, DWORD job_id) {
    platform::Spooler& spooler = platform::spooler();
    DWORD needed = 0;
    spooler.GetJobW(printer, job_id, 2, nullptr, 0, &needed);
    if (needed < sizeof(JOB_INFO_2W)) return std::nullopt;
    std::vector<std::max_align_t> storage((needed + sizeof(std::max_align_t) - 1) / sizeof(std::max_align_t));
    auto* buffer = reinterpret_cast<BYTE*>(storage.data());
    DWORD returned = 0;
    if (!spooler.GetJobW(printer, job_id, 2, buffer, needed, &returned)) return std::nullopt;
    const auto* info = reinterpret_cast<const JOB_INFO_2W*>(buffer);
    const auto* text = reinterpret_cast<const BYTE*>(info->pParameters);
    if (!text || text < buffer || text >= buffer + needed) return std::nullopt;
    const std::size_t units = static_cast<std::size_t>(buffer + needed - text) / sizeof(char16_t);
    std::u16string parameters;
    for (std::size_t i = 0; i < units; ++i) {
        char16_t unit;
        std::memcpy(&unit, text + i * sizeof(char16_t), sizeof unit);
        if (unit == 0) return parameters;
        parameters.push_back(unit);
    }
    return std::nullopt;  // no terminator inside the buffer
}

// The credentials of the spooler job, read into the PDEV's record. Any failure leaves it as is.
void take_job_credentials(HANDLE printer, PluginPdev& pdev) {
    if (!printer) return;
    const std::optional<std::u16string> parameters = job_parameters(printer, pdev.job_id);
    if (!parameters) return;
    std::string narrow;
    narrow.reserve(parameters->size());
    for (char16_t unit : *parameters) {
        if (unit > 0x7F) return;  // outside the Base64 alphabet whatever the narrowing
        narrow.push_back(static_cast<char>(unit));
    }
    const std::optional<std::vector<std::uint8_t>> devmode = util::base64_decode(narrow);
    if (!devmode) return;
    const std::optional<Record> job_record = record_in_devmode(*devmode);
    if (!job_record) return;
    copy_credentials(job_record->view(), pdev.record.view());
}

void refresh(DEVOBJ* devobj) {
    PluginPdev* pdev = pdev_of(devobj);
    std::uint8_t* block = plugin_block(devobj);
    if (!pdev || !block || !pdev->record_captured) return;
    if (pdev->job_id != 0 && pdev->document.page_counter == 0) take_job_credentials(devobj->hPrinter, *pdev);

    const features::RecordBytes target = settings::record_bytes(block);
    const features::ConstRecordBytes source = pdev->record.view();
    copy_credentials(source, target);

    bool copied = copy_field(source, target, FeatureId::NUpCount);
    if (!copied) copied = copy_field(source, target, FeatureId::PageSpecificTrays);
    if (!copied) return;
    const std::span<std::uint8_t> public_devmode = devmode_bytes(devobj->pPublicDM, block);
    if (public_devmode.empty()) return;
    Record written;
    std::copy(target.begin(), target.end(), written.bytes.begin());
    environment::write_driver_option_bytes(devobj->hPrinter, public_devmode, written);
}

// The escape number QUERYESCSUPPORT asks about, read as wide as cjIn says; nothing for other
// widths.
std::optional<std::uint64_t> queried_escape(ULONG cj_in, const void* in) {
    std::array<std::uint8_t, 8> bytes{};
    switch (cj_in) {
        case 1:
        case 2:
        case 4:
        case 8:
            std::memcpy(bytes.data(), in, cj_in);
            break;
        default:
            return std::nullopt;
    }
    std::uint64_t value = 0;
    for (std::size_t i = cj_in; i-- > 0;) value = (value << 8) | bytes[i];
    return value;
}

bool declines_pass_through(HANDLE printer) {
    const auto connection = environment::PrinterConnection::borrow(printer);
    std::array<BYTE, 4> data{};
    DWORD type = 0;
    std::size_t needed = 0;
    if (connection.get_printer_data(u"DeclinePassThroughAndData", &type, data.data(), data.size(), &needed) !=
        0)
        return false;
    return util::load_le32(data.data()) != 0;
}

bool declined_query(ULONG cj_in, const void* in) {
    const std::optional<std::uint64_t> escape = queried_escape(cj_in, in);
    if (!escape) return false;
    if (*escape == POSTSCRIPT_DATA || *escape == POSTSCRIPT_IGNORE) return true;
    return cj_in != 1 && (*escape == POSTSCRIPT_PASSTHROUGH || *escape == POSTSCRIPT_IDENTIFY);
}

// The N-up marker for GET_PS_FEATURESETTING: the plug-in devmode's record, validated and in step
// with the public DEVMODE.
std::uint8_t nup_setting(DEVOBJ* devobj, const std::uint8_t* block) {
    Record record;
    const auto bytes = settings::record_bytes(block);
    std::copy(bytes.begin(), bytes.end(), record.bytes.begin());
    environment::validate(record);
    const std::span<std::uint8_t> public_devmode = devmode_bytes(devobj->pPublicDM, block);
    constraints::apply_devmode(public_devmode, record, devobj->hPrinter);
    return update_nup_marker(public_devmode, &record, pdev_of(devobj));
}

}  // namespace

std::span<const FeatureId> credential_fields() {
    static const std::array<FeatureId, 11> fields = [] {
        std::array<FeatureId, 11> list{
            FeatureId::AccountTrack,
            FeatureId::AccountTrackDepartmentName,
            FeatureId::AccountTrackPassword,
            FeatureId::UserAuthenticationUserName,
            FeatureId::UserAuthenticationPassword,
            FeatureId::OutputMethod,
            FeatureId::OutputMethodFolderName,
            FeatureId::OutputMethodFolderNamePassword,
            FeatureId::OutputMethodUserBoxName,
            FeatureId::WaitModeSecurePrintId,
            FeatureId::WaitModePassword,
        };
        std::sort(list.begin(), list.end(), [](FeatureId a, FeatureId b) {
            return features::feature(a).offset < features::feature(b).offset;
        });
        return list;
    }();
    return fields;
}

std::optional<Record> record_in_devmode(std::span<const std::uint8_t> devmode) {
    if (devmode.size() < kDmDriverExtraOffset + 2) return std::nullopt;
    const std::size_t dm_size = util::load_le16(devmode.data() + kDmSizeOffset);
    const std::uint16_t driver_extra = util::load_le16(devmode.data() + kDmDriverExtraOffset);
    std::size_t at = dm_size;
    if (driver_extra >= kPrivateWithBlockWord) {
        if (dm_size + kPrivateBlockWord + 2 > devmode.size()) return std::nullopt;
        at += util::load_le16(devmode.data() + dm_size + kPrivateBlockWord);
    }
    if (at >= devmode.size()) return std::nullopt;
    const std::uint8_t* block = devmode.data() + at;
    if (!settings::is_plugin_devmode(block, devmode.size() - at)) return std::nullopt;
    Record record;
    const auto bytes = settings::record_bytes(block);
    std::copy(bytes.begin(), bytes.end(), record.bytes.begin());
    return record;
}

void refresh_credentials(DEVOBJ* devobj) noexcept {
    try {
        refresh(devobj);
    } catch (...) {
        // Out of memory on the way: the refresh is left out, the document goes on.
    }
}

std::optional<ULONG> answer_escape(DEVOBJ* devobj, ULONG escape, ULONG cj_in, const void* in, ULONG cj_out,
                                   void* out) noexcept {
    try {
        if (devobj && devobj->hPrinter && escape == QUERYESCSUPPORT && in &&
            declines_pass_through(devobj->hPrinter) && declined_query(cj_in, in))
            return 0;
        if (escape != GET_PS_FEATURESETTING || cj_in != 4 || cj_out != 4 || !in || !out) return std::nullopt;
        if (util::load_le32(static_cast<const std::uint8_t*>(in)) != FEATURESETTING_NUP) return std::nullopt;
        const std::uint8_t* block = plugin_block(devobj);
        if (!block || nup_setting(devobj, block) != 1) return std::nullopt;
        util::store_le32(static_cast<std::uint8_t*>(out), 1);
        return 1;
    } catch (...) {
        return std::nullopt;
    }
}

}  // namespace zenta::plugin
