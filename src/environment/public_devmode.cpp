#include "environment/public_devmode.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "abi/devmode.h"
#include "abi/spooler.h"
#include "features/feature_table.h"
#include "platform/os.h"
#include "settings/record.h"
#include "util/byte_order.h"
#include "util/units.h"
#include "util/utf.h"

namespace zenta::environment {
namespace {

using features::FeatureId;

constexpr std::uint32_t kTenthsOfMillimetre = 10;
constexpr std::uint32_t kMicrometres = 1000;
// The paper number of a DEVMODE that names its paper only by size or name.
constexpr std::uint32_t kNoPaperNumber = 256;
// The driver's custom size counts when the DEVMODE reaches this far.
constexpr std::size_t kCustomSizeEnd = kCustomLengthOffset + 4;

constexpr std::size_t kFormNameBytes = abi::CCHFORMNAME * 2;

// The public part of a DEVMODE held as bytes, read only as far as both the buffer and dmSize go.
class PublicFields {
public:
    explicit PublicFields(std::span<const std::uint8_t> bytes) : bytes_(bytes) {
        if (bytes.size() < offsetof(abi::DEVMODEW, dmFields) + 4) return;
        dm_size_ = util::load_le16(bytes.data() + offsetof(abi::DEVMODEW, dmSize));
        driver_extra_ = util::load_le16(bytes.data() + offsetof(abi::DEVMODEW, dmDriverExtra));
        limit_ = std::min<std::size_t>(bytes.size(), dm_size_);
        if (!inside(offsetof(abi::DEVMODEW, dmFields), 4)) return;
        fields_ = util::load_le32(bytes.data() + offsetof(abi::DEVMODEW, dmFields));
        valid_ = true;
    }

    // Whether the DEVMODE reaches as far as dmFields.
    bool valid() const { return valid_; }

    // A 16-bit field that its flag marks as set and that lies inside the DEVMODE.
    bool given(abi::DWORD flag, std::size_t offset) const {
        return (fields_ & flag) != 0 && inside(offset, 2);
    }
    // A 16-bit field, whether or not its flag is set; 0 when it is not inside the DEVMODE.
    std::int16_t number(std::size_t offset) const {
        return inside(offset, 2) ? static_cast<std::int16_t>(util::load_le16(bytes_.data() + offset)) : 0;
    }

    bool form_name_given() const {
        return (fields_ & abi::DM_FORMNAME) != 0 &&
               inside(offsetof(abi::DEVMODEW, dmFormName), kFormNameBytes);
    }
    // dmFormName up to its NUL (at most 32 characters).
    std::u16string form_name() const {
        std::u16string name;
        const std::uint8_t* at = bytes_.data() + offsetof(abi::DEVMODEW, dmFormName);
        for (std::size_t i = 0; i < abi::CCHFORMNAME; ++i) {
            const auto unit = static_cast<char16_t>(util::load_le16(at + 2 * i));
            if (unit == 0) break;
            name.push_back(unit);
        }
        return name;
    }

    // The custom size the PostScript driver keeps in its private area (micrometres), when the
    // DEVMODE reaches it and both values are set.
    std::optional<PaperSize> driver_custom_size() const {
        if (std::size_t{dm_size_} + driver_extra_ < kCustomSizeEnd || bytes_.size() < kCustomSizeEnd)
            return std::nullopt;
        const PaperSize size{util::load_le32(bytes_.data() + kCustomWidthOffset),
                             util::load_le32(bytes_.data() + kCustomLengthOffset)};
        if (size.width == 0 || size.height == 0) return std::nullopt;
        return size;
    }

private:
    bool inside(std::size_t offset, std::size_t width) const { return offset + width <= limit_; }

    std::span<const std::uint8_t> bytes_;
    std::uint16_t dm_size_ = 0;
    std::uint16_t driver_extra_ = 0;
    std::size_t limit_ = 0;
    abi::DWORD fields_ = 0;
    bool valid_ = false;
};

struct Form {
    std::u16string name;
    std::uint32_t width_um = 0;
    std::uint32_t height_um = 0;
};

// The printer's forms (EnumFormsW level 1), in the spooler's order; none without a printer.
std::vector<Form> printer_forms(abi::HANDLE printer) {
    std::vector<Form> forms;
    if (!printer) return forms;
    platform::Spooler& spooler = platform::spooler();
    abi::DWORD needed = 0, returned = 0;
    spooler.EnumFormsW(printer, 1, nullptr, 0, &needed, &returned);
    if (needed == 0) return forms;
    std::vector<std::max_align_t> storage((needed + sizeof(std::max_align_t) - 1) / sizeof(std::max_align_t));
    auto* buffer = reinterpret_cast<abi::BYTE*>(storage.data());
    if (!spooler.EnumFormsW(printer, 1, buffer, needed, &needed, &returned)) return forms;
    returned = std::min<abi::DWORD>(returned, needed / sizeof(abi::FORM_INFO_1W));
    const auto* info = reinterpret_cast<const abi::FORM_INFO_1W*>(buffer);
    for (abi::DWORD i = 0; i < returned; ++i) {
        forms.push_back({info[i].pName ? std::u16string(info[i].pName) : std::u16string(),
                         static_cast<std::uint32_t>(std::max<abi::LONG>(info[i].Size.cx, 0)),
                         static_cast<std::uint32_t>(std::max<abi::LONG>(info[i].Size.cy, 0))});
    }
    return forms;
}

// The form a DEVMODE names: the one at position dmPaperSize - 1 when it carries that name, else
// the first form of that name.
const Form* named_form(const std::vector<Form>& forms, std::uint32_t paper_number, std::u16string_view name) {
    if (paper_number >= 1 && paper_number <= forms.size() && forms[paper_number - 1].name == name)
        return &forms[paper_number - 1];
    const auto found =
        std::find_if(forms.begin(), forms.end(), [&](const Form& form) { return form.name == name; });
    return found == forms.end() ? nullptr : &*found;
}

std::uint32_t to_tenths(std::uint32_t micrometres) {
    return util::rescale(micrometres, kMicrometres, kTenthsOfMillimetre);
}

std::uint32_t non_negative(std::int16_t value) { return value < 0 ? 0u : static_cast<std::uint32_t>(value); }

// Step by step, the paper a DEVMODE asks for: a catalogue paper, or a custom one with its size.
void add_paper(const PublicFields& dm, abi::HANDLE printer, PublicSettingsRequest& request) {
    const bool number_given = dm.given(abi::DM_PAPERSIZE, offsetof(abi::DEVMODEW, dmPaperSize));
    const bool size_given = dm.given(abi::DM_PAPERWIDTH, offsetof(abi::DEVMODEW, dmPaperWidth)) &&
                            dm.given(abi::DM_PAPERLENGTH, offsetof(abi::DEVMODEW, dmPaperLength));
    if (!number_given && !size_given) return;

    std::uint32_t width = non_negative(dm.number(offsetof(abi::DEVMODEW, dmPaperWidth)));
    std::uint32_t length = non_negative(dm.number(offsetof(abi::DEVMODEW, dmPaperLength)));
    std::uint32_t unit = kTenthsOfMillimetre;  // of width and length
    const bool form_name_given = dm.form_name_given();
    const std::u16string form_name = form_name_given ? dm.form_name() : std::u16string();
    std::string paper_name = util::utf16_to_utf8(form_name);
    const std::uint32_t paper_number =
        number_given ? static_cast<std::uint16_t>(dm.number(offsetof(abi::DEVMODEW, dmPaperSize)))
                     : kNoPaperNumber;

    unsigned option = identify_paper(paper_number, form_name, size_given ? width : 0, size_given ? length : 0,
                                     kTenthsOfMillimetre);
    if (option == kCustomPaper && !size_given) {
        if (form_name_given && !form_name.empty()) {
            // A form of the spooler by that name gives the size.
            const std::vector<Form> forms = printer_forms(printer);
            if (const Form* form = named_form(forms, paper_number, form_name)) {
                width = to_tenths(form->width_um);
                length = to_tenths(form->height_um);
                option = identify_paper(paper_number, form_name, width, length, kTenthsOfMillimetre);
            }
        } else if (const auto custom = dm.driver_custom_size();
                   number_given && paper_number == kCustomPaperNumber && custom) {
            width = to_tenths(custom->width);
            length = to_tenths(custom->height);
        } else {
            // A paper number of the printer's own forms counts their forms from 1.
            const std::vector<Form> forms = printer_forms(printer);
            if (paper_number >= 1 && paper_number <= forms.size()) {
                const Form& form = forms[paper_number - 1];
                paper_name = util::utf16_to_utf8(form.name);
                width = to_tenths(form.width_um);
                length = to_tenths(form.height_um);
                if (number_given)
                    option = identify_paper(paper_number, form.name, width, length, kTenthsOfMillimetre);
            }
        }
    }

    if (option == kCustomPaper && (width == 0 || length == 0)) {
        // A paper of no size is no paper: a standard number gives the size Windows publishes
        // for it (Executive, say, printed as a custom paper); without one the DEVMODE names no
        // paper the printer could print on, and the record keeps its own.
        const auto standard = number_given ? standard_paper_size(paper_number) : std::nullopt;
        if (!standard || standard->width == 0 || standard->height == 0) return;
        width = standard->width;
        length = standard->height;
        unit = kMicrometres;
    }

    request.paper_name = std::move(paper_name);
    request.page_size = static_cast<std::uint8_t>(option);
    if (option != kCustomPaper) {
        request.page_size_type = kStandardForm;
        request.width = 0;
        request.length = 0;
        return;
    }
    request.width =
        util::rescale(width, unit, features::feature(FeatureId::CustomPageSizeWidth).range->scale);
    request.length =
        util::rescale(length, unit, features::feature(FeatureId::CustomPageSizeHeight).range->scale);
    const std::vector<CustomPaper> papers =
        printer ? read_custom_papers(PrinterConnection::borrow(printer)) : std::vector<CustomPaper>{};
    request.page_size_type =
        custom_paper_kind(papers, *request.paper_name, number_given && paper_number == kCustomPaperNumber);
}

}  // namespace

std::uint8_t custom_paper_kind(const std::vector<CustomPaper>& papers, const std::string& name,
                               bool custom_paper_number) {
    const auto found = std::find_if(papers.begin(), papers.end(),
                                    [&](const CustomPaper& paper) { return paper.name == name; });
    if (found == papers.end()) return kStandardForm;
    if (found->kind_flag == 1) return kUserDefinedForm;
    return custom_paper_number ? kCustomPageSize : kStandardForm;
}

DevmodeChangeSet build_change_set(std::span<const std::uint8_t> devmode, const settings::Record& record,
                                  abi::HANDLE printer) {
    DevmodeChangeSet result;
    const PublicFields dm(devmode);
    if (!dm.valid()) return result;

    PrinterConnection connection = PrinterConnection::borrow(printer);
    if (connection) result.configuration = read_installable_options(connection);
    PublicSettingsRequest& request = result.request;

    if (dm.given(abi::DM_ORIENTATION, offsetof(abi::DEVMODEW, dmOrientation)))
        request.orientation =
            dm.number(offsetof(abi::DEVMODEW, dmOrientation)) == abi::DMORIENT_LANDSCAPE ? 1 : 0;

    if (dm.given(abi::DM_DEFAULTSOURCE, offsetof(abi::DEVMODEW, dmDefaultSource))) {
        const auto bin = static_cast<std::uint16_t>(dm.number(offsetof(abi::DEVMODEW, dmDefaultSource)));
        const unsigned tray = bin == static_cast<std::uint16_t>(abi::DMBIN_AUTO)
                                  ? 0
                                  : tray_code_for_bin(connection, result.configuration, bin);
        if (tray != kNoTray) request.input_slot = static_cast<std::uint8_t>(tray);
    }

    add_paper(dm, printer, request);

    // Only exactly 600 by 600 dpi is the lower resolution; anything else, including a DEVMODE that
    // names none, prints at 1200.
    std::int32_t x = 0, y = 0;
    if (dm.given(abi::DM_PRINTQUALITY, offsetof(abi::DEVMODEW, dmPrintQuality))) {
        x = dm.number(offsetof(abi::DEVMODEW, dmPrintQuality));
        y = dm.given(abi::DM_YRESOLUTION, offsetof(abi::DEVMODEW, dmYResolution))
                ? dm.number(offsetof(abi::DEVMODEW, dmYResolution))
                : x;
    }
    request.resolution = x == 600 && y == 600 ? kResolution600 : kResolution1200;

    if (dm.given(abi::DM_COPIES, offsetof(abi::DEVMODEW, dmCopies))) {
        const std::uint64_t copies =
            std::uint64_t{non_negative(dm.number(offsetof(abi::DEVMODEW, dmCopies)))} *
            features::feature(FeatureId::NumCopies).range->scale;
        request.copies = static_cast<std::uint16_t>(std::min<std::uint64_t>(copies, 0xFFFF));
    }

    const auto differs = [&](const std::optional<std::uint8_t>& given, FeatureId id) {
        return given && *given != record.raw(id);
    };
    result.changed = differs(request.orientation, FeatureId::Orientation) ||
                     differs(request.input_slot, FeatureId::InputSlot) ||
                     differs(request.page_size, FeatureId::PageSize) ||
                     differs(request.resolution, FeatureId::Resolution);
    return result;
}

}  // namespace zenta::environment
