#include "host/print_job.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <sstream>

#include "constraints/engine.h"
#include "environment/bin_map.h"
#include "environment/languages.h"
#include "environment/paper_catalogue.h"
#include "environment/paper_identification.h"
#include "environment/printer.h"
#include "environment/printer_data.h"
#include "environment/public_devmode.h"
#include "environment/record_defaults.h"
#include "features/families.h"
#include "features/feature_table.h"
#include "settings/plugin_devmode.h"
#include "util/byte_order.h"
#include "util/utf.h"

namespace zenta::host {

using namespace abi;
using features::FeatureId;

namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kCreator = "Zenta core driver stand-in";
// The resolution the driver renders at, and so the units of its GDIINFO.
constexpr double kDotsPerInch = 600;
constexpr double kPointsPerInch = 72;
// Margins beyond this many points are not taken from a PPD.
constexpr double kMaxMargin = 1000;

long dots(double points) { return std::lround(points * kDotsPerInch / kPointsPerInch); }

// A bounding box coordinate: the whole points that hold the value.
std::string number(double value) { return std::to_string(static_cast<long long>(std::ceil(value))); }

// A DSC <text>: as it is when it is plain printable ASCII, else a PostScript string.
std::string dsc_text(std::string_view text) {
    const bool plain =
        !text.empty() && text.front() != '(' && std::all_of(text.begin(), text.end(), [](char c) {
            const auto byte = static_cast<unsigned char>(c);
            return byte >= 0x20 && byte < 0x7F && c != '\\' && c != '(' && c != ')';
        });
    return plain ? std::string(text) : ps_string(text);
}

double order_of(const FeatureChoice& choice) {
    return choice.feature->order ? choice.feature->order->order : std::numeric_limits<double>::infinity();
}

std::string section_of(const FeatureChoice& choice) {
    const std::string section = choice.feature->order ? choice.feature->order->section : "AnySetup";
    return section == "AnySetup" ? "DocumentSetup" : section;
}

// The plug-in's hook of a DDI function, or, when it does not hook it, the driver's own function
// (GDI then calls the driver directly).
template <class Fn>
Fn document_function(const CoreDriver& driver, ULONG index) {
    if (Fn hook = driver.hook_as<Fn>(index)) return hook;
    return from_pfn<Fn>(ddi_function(index));
}

}  // namespace

// ---- the job's DEVMODE

std::optional<settings::Record> devmode_record(const DevmodeBuffer& devmode) {
    const std::uint8_t* block = devmode.plugin_block();
    if (!block || !settings::is_plugin_devmode(block, devmode.plugin_size())) return std::nullopt;
    settings::Record record;
    const auto bytes = settings::record_bytes(block);
    std::copy(bytes.begin(), bytes.end(), record.bytes.begin());
    return record;
}

std::optional<settings::Record> job_settings(const DevmodeBuffer& devmode, HANDLE printer) {
    std::optional<settings::Record> record = devmode_record(devmode);
    if (!record) return std::nullopt;
    environment::validate(*record);
    constraints::apply_devmode(devmode.bytes(), *record, printer);
    return record;
}

bool set_devmode_record(DevmodeBuffer& devmode, const settings::Record& record) {
    if (!devmode.plugin_block() || devmode.plugin_size() < settings::kPluginDevmodeSize) return false;
    settings::write_plugin_devmode(std::span<std::uint8_t, settings::kPluginDevmodeSize>(
                                       devmode.plugin_block(), settings::kPluginDevmodeSize),
                                   record);
    return true;
}

DevmodeBuffer application_devmode(std::u16string_view device_name, const settings::Record& record, HANDLE printer) {
    DevmodeBuffer devmode = DevmodeBuffer::make(device_name, settings::kPluginDevmodeSize);
    set_devmode_record(devmode, record);  // a fresh DEVMODE has room for the block
    set_public_fields(devmode, record, printer);
    return devmode;
}

void set_public_fields(DevmodeBuffer& devmode, const settings::Record& record, HANDLE printer) {
    DEVMODEW& dm = *devmode.public_part();
    dm.dmOrientation = record.raw(FeatureId::Orientation) == 1 ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
    dm.dmFields |= DM_ORIENTATION;

    // The paper: a catalogue paper by its number (or, without one, by name and size), a custom
    // size as the driver's custom paper.
    const std::uint32_t page_size = record.raw(FeatureId::PageSize);
    std::u16string form;
    dm.dmFields &= ~(DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH | DM_FORMNAME);
    if (const environment::CataloguePaper* paper = environment::catalogue_paper(page_size)) {
        dm.dmPaperSize = static_cast<SHORT>(paper->windows_paper ? paper->windows_paper : 256);
        dm.dmPaperWidth = static_cast<SHORT>(paper->width_um / 100);
        dm.dmPaperLength = static_cast<SHORT>(paper->height_um / 100);
        form =
            util::utf8_to_utf16(environment::paper_display_name(page_size, environment::current_language()));
    } else {
        const std::uint32_t unit = environment::custom_size_unit() / 10;  // to tenths of a millimetre
        dm.dmPaperSize = static_cast<SHORT>(environment::kCustomPaperNumber);
        dm.dmPaperWidth = static_cast<SHORT>(std::min<std::uint32_t>(
            record.raw(FeatureId::CustomPageSizeWidth) / std::max<std::uint32_t>(unit, 1), 0x7FFF));
        dm.dmPaperLength = static_cast<SHORT>(std::min<std::uint32_t>(
            record.raw(FeatureId::CustomPageSizeHeight) / std::max<std::uint32_t>(unit, 1), 0x7FFF));
        form = util::utf8_to_utf16(record.text(FeatureId::PageSizeName));
    }
    std::fill(std::begin(dm.dmFormName), std::end(dm.dmFormName), u'\0');
    std::copy_n(form.begin(), std::min(form.size(), std::size(dm.dmFormName) - 1), dm.dmFormName);
    dm.dmFields |= DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH | DM_FORMNAME;

    const std::uint32_t copies_scale = features::feature(FeatureId::NumCopies).range->scale;
    dm.dmCopies = static_cast<SHORT>(std::clamp<std::uint32_t>(
        record.raw(FeatureId::NumCopies) / std::max<std::uint32_t>(copies_scale, 1), 1, 0x7FFF));
    dm.dmFields |= DM_COPIES;

    const SHORT dpi = record.raw(FeatureId::Resolution) == environment::kResolution600 ? 600 : 1200;
    dm.dmPrintQuality = dpi;
    dm.dmYResolution = dpi;
    dm.dmFields |= DM_PRINTQUALITY | DM_YRESOLUTION;

    // The tray as the printer's bin; a tray the printer has no bin for is left unsaid.
    const std::uint32_t tray = record.raw(FeatureId::InputSlot);
    std::optional<std::uint16_t> bin;
    if (tray == 0) {
        bin = static_cast<std::uint16_t>(DMBIN_AUTO);
    } else if (printer) {
        environment::PrinterConnection connection = environment::PrinterConnection::borrow(printer);
        const auto options = environment::read_installable_options(connection);
        for (const environment::BinListEntry& entry : environment::build_bin_list(connection, options))
            if (entry.tray_code == tray) {
                bin = entry.bin_number;
                break;
            }
    }
    if (bin) {
        dm.dmDefaultSource = static_cast<SHORT>(*bin);
        dm.dmFields |= DM_DEFAULTSOURCE;
    } else {
        dm.dmFields &= ~DM_DEFAULTSOURCE;
    }
}

// ---- the PPD options of the job

std::vector<FeatureChoice> choose_features(const PpdFile& ppd, const settings::Record* record) {
    std::map<std::string_view, std::string_view> named;
    std::vector<features::KeywordPair> pairs;
    if (record) features::collect_keyword_pairs(record->view(), pairs);
    for (const features::KeywordPair& pair : pairs) named.emplace(pair.keyword, pair.option);

    std::vector<FeatureChoice> choices;
    for (const PpdFeature& feature : ppd.features()) {
        if (feature.jcl || feature.keyword == "PageRegion") continue;
        const PpdOption* option = nullptr;
        if (const auto it = named.find(feature.keyword); it != named.end())
            option = ppd.option(feature.keyword, it->second);
        if (!option && !feature.default_option.empty())
            option = ppd.option(feature.keyword, feature.default_option);
        if (!option || option->value.empty()) continue;
        choices.push_back({&feature, option});
    }
    std::stable_sort(choices.begin(), choices.end(), [](const FeatureChoice& a, const FeatureChoice& b) {
        return order_of(a) < order_of(b);
    });
    return choices;
}

JobPaper job_paper(const PpdFile& ppd, const settings::Record* record) {
    JobPaper paper;
    paper.landscape = record && record->raw(FeatureId::Orientation) == 1;
    const PpdOption* option = nullptr;
    for (const FeatureChoice& choice : choose_features(ppd, record))
        if (choice.feature->keyword == "PageSize") option = choice.option;
    if (!option) {
        paper.keyword = paper.name = "A4";
        return paper;
    }
    paper.keyword = option->keyword;
    paper.name = option->translation.empty() ? option->keyword : option->translation;
    if (const auto size = ppd.paper_dimension(option->keyword)) paper.size = *size;
    return paper;
}

TestPageText test_page_text(const JobPaper& paper) {
    const auto millimetres = [](double points) { return std::to_string(std::lround(points * 25.4 / 72)); };
    return {
        paper.name + ", " + millimetres(paper.size.width) + " x " + millimetres(paper.size.height) + " mm",
        paper.landscape};
}

// ---- PrintJob

PrintJob::PrintJob(CoreDriver& driver, PpdFile ppd, DscDocument document)
    : driver_(driver), ppd_(std::move(ppd)), document_(std::move(document)) {}

PrintJob::~PrintJob() {
    Device& device = driver_.device();
    if (device.document_driver() == this) device.set_document_driver(nullptr);
    // The DEVMODE goes with the job: the DEVOBJ no longer points into it.
    if (devmode_ && device.devobj()->pOEMDM == devmode_->plugin_block()) {
        device.devobj()->pPublicDM = nullptr;
        device.devobj()->pOEMDM = nullptr;
    }
}

bool PrintJob::fail(std::string what) {
    error_ = std::move(what);
    return false;
}

void PrintJob::write(std::string_view text) { driver_.job().spool.append(text); }

void PrintJob::line(std::string_view text) {
    write(text);
    write(kCrLf);
}

bool PrintJob::inject(DWORD index) {
    InjectionCall call;
    call.index = index;
    call.begin = spool().size();
    call.result = ERROR_NOT_SUPPORTED;
    const auto start = std::chrono::steady_clock::now();
    call.hr = driver_.command(index, &call.result);
    const auto took = std::chrono::steady_clock::now() - start;
    (in_page_ ? command_time_.pages : command_time_.job) += took;
    if (in_page_) command_time_.each_page.back() += took;
    ++command_time_.calls;
    call.end = spool().size();
    if (!sink_) injections_.push_back(call);
    return succeeded(call.hr) && call.result != ERROR_NOT_SUPPORTED;
}

std::chrono::nanoseconds CommandTime::median_page() const {
    if (each_page.empty()) return {};
    std::vector<std::chrono::nanoseconds> sorted = each_page;
    const auto middle = sorted.begin() + static_cast<std::ptrdiff_t>(sorted.size() / 2);
    std::nth_element(sorted.begin(), middle, sorted.end());
    return *middle;
}

void PrintJob::flush() {
    if (!sink_) return;
    std::string& spool = driver_.job().spool;
    if (!spool.empty()) sink_(spool);
    spool.clear();
    driver_.device().clear_ddi_calls();
}

void PrintJob::replaceable(DWORD index, std::string_view text) {
    if (!inject(index)) line(text);
}

void PrintJob::features(std::string_view section) {
    for (const FeatureChoice& choice : choices_) {
        if (section_of(choice) != section) continue;
        line("[{");
        line("%%BeginFeature: *" + choice.feature->keyword + " " + choice.option->keyword);
        write(choice.option->value);
        if (!choice.option->value.ends_with('\n')) write(kCrLf);
        line("%%EndFeature");
        line("} stopped cleartomark");
    }
}

void PrintJob::resources(std::string_view comment, const std::vector<std::string>& list) {
    std::string text(comment);
    text += ":";
    for (std::size_t i = 0; i < list.size(); ++i) text += (i == 0 ? " " : "\r\n%%+ ") + list[i];
    line(text);
}

void PrintJob::set_paper_geometry() {
    GDIINFO& gdi = driver_.device().gdi_info();
    long width = dots(paper_.size.width), height = dots(paper_.size.height);
    if (paper_.landscape) std::swap(width, height);
    // *HWMargins: left, bottom, right and top, in points.
    double left = 0, bottom = 0, right = 0, top = 0;
    if (const auto margins = ppd_.value("HWMargins")) {
        std::istringstream in(*margins);
        const auto usable = [](double margin) { return margin >= 0 && margin <= kMaxMargin; };
        if (!(in >> left >> bottom >> right >> top) || !usable(left) || !usable(bottom) || !usable(right) ||
            !usable(top))
            left = bottom = right = top = 0;
    }
    if (paper_.landscape) {
        const double l = left, b = bottom, r = right, t = top;
        left = b, bottom = r, right = t, top = l;
    }
    const long horizontal = std::max(1L, width - dots(left) - dots(right));
    const long vertical = std::max(1L, height - dots(top) - dots(bottom));
    gdi.szlPhysSize = {static_cast<LONG>(width), static_cast<LONG>(height)};
    gdi.ptlPhysOffset = {static_cast<LONG>(dots(left)), static_cast<LONG>(dots(top))};
    gdi.ulHorzRes = static_cast<ULONG>(horizontal);
    gdi.ulVertRes = static_cast<ULONG>(vertical);
    gdi.ulHorzSize = static_cast<ULONG>(std::lround(horizontal * 25.4 / kDotsPerInch));
    gdi.ulVertSize = static_cast<ULONG>(std::lround(vertical * 25.4 / kDotsPerInch));
}

bool PrintJob::print(const DevmodeBuffer& devmode, HANDLE printer, std::u16string_view document_name,
                     DWORD job_id) {
    if (started_) return fail("a driver prints one job");
    started_ = true;
    if (!driver_.load()) return fail(driver_.error());

    devmode_ = devmode;
    record_ = job_settings(*devmode_, printer);
    choices_ = choose_features(ppd_, record_ ? &*record_ : nullptr);
    paper_ = job_paper(ppd_, record_ ? &*record_ : nullptr);

    Job& job = driver_.job();
    job.spool.clear();
    job.spool_writes = 0;
    job.option_queries.clear();
    job.invocations = ppd_.invocations();

    Device& device = driver_.device();
    const std::u16string printer_name = environment::PrinterConnection::borrow(printer).printer_name();
    if (!printer_name.empty()) device.set_printer_name(printer_name);
    DEVOBJ* devobj = device.devobj();
    devobj->hPrinter = printer;
    devobj->pPublicDM = devmode_->public_part();
    devobj->pOEMDM = devmode_->plugin_block();
    // The page geometry is the driver's until EnablePDEV adjusts it; a second document on a
    // device whose PDEV is enabled keeps what EnablePDEV made of it, as a device context does.
    if (!devobj->pdevOEM) set_paper_geometry();
    if (driver_.hooks().empty() && !driver_.enable_driver()) return fail(driver_.error());
    if (!driver_.enable_pdev()) return fail(driver_.error());

    // The DDI calls go through the plug-in's hooks.
    const auto start_doc = document_function<PFN_DrvStartDoc>(driver_, INDEX_DrvStartDoc);
    const auto start_page = document_function<PFN_DrvStartPage>(driver_, INDEX_DrvStartPage);
    const auto send_page = document_function<PFN_DrvSendPage>(driver_, INDEX_DrvSendPage);
    const auto end_doc = document_function<PFN_DrvEndDoc>(driver_, INDEX_DrvEndDoc);
    if (!start_doc || !start_page || !send_page || !end_doc)
        return fail("the driver lacks a document function");

    device.set_document_driver(this);
    SURFOBJ* surface = device.surface();
    std::u16string name(document_name);
    bool ok = start_doc(surface, name.data(), job_id) != 0;
    if (!ok && error_.empty()) error_ = "DrvStartDoc failed";
    flush();
    for (std::size_t i = 0; ok && i < document_.page_count(); ++i) {
        current_page_ = document_.page(i);
        in_page_ = true;
        command_time_.each_page.emplace_back();
        if (!start_page(surface)) {
            ok = false;
            if (error_.empty()) error_ = "DrvStartPage failed on page " + std::to_string(i + 1);
            break;
        }
        // The page's drawing, as the application made it.
        write(current_page_.content);
        if (!send_page(surface)) {
            ok = false;
            if (error_.empty()) error_ = "DrvSendPage failed on page " + std::to_string(i + 1);
        }
        in_page_ = false;
        flush();
    }
    in_page_ = false;
    if (end_doc(surface, 0) == 0 && ok) {
        ok = false;
        if (error_.empty()) error_ = "DrvEndDoc failed";
    }
    flush();
    device.set_document_driver(nullptr);
    return ok;
}

// ---- the driver's own DDI functions

bool PrintJob::start_doc(SURFOBJ*, const char16_t* document_name, DWORD) {
    title_ = document_name ? util::utf16_to_utf8(document_name) : std::string();
    const std::string width = number(paper_.size.width), height = number(paper_.size.height);
    const std::string orientation = paper_.landscape ? "Landscape" : "Portrait";

    inject(PSINJECT_BEGINSTREAM);
    inject(PSINJECT_PSADOBE);
    line("%!PS-Adobe-3.0");
    if (!title_.empty()) line("%%Title: " + dsc_text(title_));
    line("%%Creator: " + std::string(kCreator));
    if (const auto level = ppd_.value("LanguageLevel"); level && !level->empty())
        line("%%LanguageLevel: " + *level);
    replaceable(PSINJECT_BOUNDINGBOX, "%%BoundingBox: 0 0 " + width + " " + height);
    replaceable(PSINJECT_DOCUMENTPROCESSCOLORSATEND, "%%DocumentProcessColors: (atend)");
    line("%%DocumentNeededResources: (atend)");
    line("%%DocumentSuppliedResources: (atend)");
    replaceable(PSINJECT_PAGESATEND, "%%Pages: (atend)");
    replaceable(PSINJECT_PAGEORDER, "%%PageOrder: Ascend");
    replaceable(PSINJECT_ORIENTATION, "%%Orientation: " + orientation);
    inject(PSINJECT_COMMENTS);
    line("%%EndComments");

    line("%%BeginDefaults");
    inject(PSINJECT_BEGINDEFAULTS);
    line("%%PageOrientation: " + orientation);
    inject(PSINJECT_ENDDEFAULTS);
    line("%%EndDefaults");

    line("%%BeginProlog");
    inject(PSINJECT_BEGINPROLOG);
    features("Prolog");
    line("userdict /showpage {} put");
    write(document_.prolog);
    line("userdict /showpage undef");
    inject(PSINJECT_ENDPROLOG);
    line("%%EndProlog");

    line("%%BeginSetup");
    inject(PSINJECT_BEGINSETUP);
    features("DocumentSetup");
    write(document_.setup);
    inject(PSINJECT_ENDSETUP);
    line("%%EndSetup");
    return true;
}

bool PrintJob::start_page(SURFOBJ*) {
    if (page_ >= document_.page_count()) return fail("DrvStartPage beyond the document's last page");
    const std::string n = std::to_string(++page_);
    replaceable(PSINJECT_PAGENUMBER, "%%Page: " + n + " " + n);
    replaceable(PSINJECT_PAGEBBOX,
                "%%PageBoundingBox: 0 0 " + number(paper_.size.width) + " " + number(paper_.size.height));
    inject(PSINJECT_ENDPAGECOMMENTS);
    line("%%EndPageComments");
    line("%%BeginPageSetup");
    inject(PSINJECT_BEGINPAGESETUP);
    inject(PSINJECT_VMSAVE);
    line("userdict /pagesave save put");
    line("userdict /showpage {} put");
    features("PageSetup");
    write(current_page_.setup);
    inject(PSINJECT_ENDPAGESETUP);
    line("%%EndPageSetup");
    return true;
}

bool PrintJob::send_page(SURFOBJ*) {
    line("userdict /showpage undef");
    inject(PSINJECT_SHOWPAGE);
    line("showpage");
    line("userdict /pagesave get restore");
    inject(PSINJECT_VMRESTORE);
    line("%%PageTrailer");
    inject(PSINJECT_PAGETRAILER);
    return true;
}

bool PrintJob::end_doc(SURFOBJ*, FLONG) {
    line("%%Trailer");
    inject(PSINJECT_TRAILER);
    replaceable(PSINJECT_PAGES, "%%Pages: " + std::to_string(page_));
    resources("%%DocumentNeededResources", document_.needed_resources);
    inject(PSINJECT_DOCNEEDEDRES);
    resources("%%DocumentSuppliedResources", document_.supplied_resources);
    inject(PSINJECT_DOCSUPPLIEDRES);
    const bool color = ppd_.value("ColorDevice").value_or("False") == "True";
    replaceable(PSINJECT_DOCUMENTPROCESSCOLORS, color ? "%%DocumentProcessColors: Cyan Magenta Yellow Black"
                                                      : "%%DocumentProcessColors: Black");
    write(document_.trailer);
    line("%%EOF");
    inject(PSINJECT_EOF);
    inject(PSINJECT_ENDSTREAM);
    return true;
}

}  // namespace zenta::host
