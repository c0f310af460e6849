#include "environment/bin_map.h"

#include <algorithm>

#include "abi/devmode.h"
#include "environment/language_file.h"
#include "environment/languages.h"
#include "environment/text_table.h"
#include "features/feature_table.h"
#include "platform/last_error.h"
#include "util/byte_order.h"

namespace zenta::environment {
namespace {

using features::FeatureId;

// "printBinNames" lists the twelve trays' names in tray order; a thirteenth name already makes the
// list unusable, so no more are taken.
constexpr std::size_t kMostPrintBinNames = kTrayCount + 1;

std::u16string_view first_units(std::u16string_view text, std::size_t units = abi::kBinNameUnits) {
    return text.substr(0, std::min(text.size(), units));
}

// The names of the "printBinNames" value (REG_MULTI_SZ): wide texts, each ending in a NUL, the
// list ending in an empty one or at the end of the value.
std::vector<std::u16string> read_print_bin_names(const PrinterConnection& printer) {
    abi::DWORD type = 0;
    std::size_t needed = 0;
    const abi::DWORD probe = printer.get_bin_names(&type, nullptr, 0, &needed);
    if ((probe != 0 && probe != platform::kErrorMoreData) || needed == 0) return {};
    std::vector<abi::BYTE> bytes(needed, 0);
    if (printer.get_bin_names(&type, bytes.data(), bytes.size(), &needed) != 0) return {};
    bytes.resize(std::min(needed, bytes.size()));

    std::vector<std::u16string> names;
    std::u16string name;
    for (std::size_t at = 0; at + 1 < bytes.size() && names.size() < kMostPrintBinNames; at += 2) {
        const auto unit = static_cast<char16_t>(util::load_le16(bytes.data() + at));
        if (unit != 0) {
            name.push_back(unit);
            continue;
        }
        if (name.empty()) break;
        names.push_back(std::move(name));
        name.clear();
    }
    if (!name.empty() && names.size() < kMostPrintBinNames) names.push_back(std::move(name));
    return names;
}

// The tray a bin's place gives: the first bin is the automatic tray; on a printer with exactly
// twelve bins a later bin is as far from tray 1 as its number is from the second bin's. The
// answer may lie outside the trays (the bin is then left out); nothing when the place says
// nothing.
std::optional<long> tray_of_bin_place(const std::vector<char16_t>& numbers, std::size_t bin) {
    if (bin == 0) return 0;
    if (numbers.size() != kTrayCount) return std::nullopt;
    return static_cast<long>(numbers[bin]) - static_cast<long>(numbers[1]) + 1;
}

// The position of a bin's name in "printBinNames" when that lists exactly the twelve trays.
std::optional<long> tray_in_print_bin_names(const std::vector<std::u16string>& print_bin_names,
                                            std::u16string_view name) {
    if (print_bin_names.size() != kTrayCount) return std::nullopt;
    const auto found = std::find_if(print_bin_names.begin(), print_bin_names.end(),
                                    [&](const std::u16string& n) { return first_units(n) == name; });
    if (found == print_bin_names.end()) return std::nullopt;
    return found - print_bin_names.begin();
}

unsigned tray_in_bin_list(const std::vector<BinListEntry>& bins, std::uint16_t bin) {
    const auto found = std::find_if(bins.begin(), bins.end(),
                                    [bin](const BinListEntry& entry) { return entry.bin_number == bin; });
    return found == bins.end() ? kNoTray : found->tray_code;
}

}  // namespace

unsigned tray_code_of_bin_name(std::u16string_view bin_name) {
    const std::u16string_view name = first_units(bin_name);
    if (name.empty()) return kNoTray;
    const auto& options = features::feature(FeatureId::InputSlot).descriptor->options;
    const auto search = [&](int language) {
        for (unsigned tray = 0; tray < kTrayCount && tray < options.size(); ++tray)
            if (first_units(text(language, options[tray].label)) == name) return tray;
        return kNoTray;
    };
    const int current = current_language();
    unsigned tray = search(current);
    const int languages = language_count();
    for (int language = 0; tray == kNoTray && language < languages; ++language)
        if (language != current) tray = search(language);
    return tray;
}

std::vector<BinListEntry> build_bin_list(PrinterConnection& printer,
                                         const std::optional<InstallableOptions>& options) {
    abi::WORD numbers_index = abi::DC_BINS;
    abi::WORD names_index = abi::DC_BINNAMES;
    if (printer.device_capability(kDriverBinNumbers, nullptr) == static_cast<int>(kTrayCount) &&
        printer.device_capability(kDriverBinNames, nullptr) == static_cast<int>(kTrayCount)) {
        numbers_index = kDriverBinNumbers;
        names_index = kDriverBinNames;
    }

    const int count = printer.device_capability(numbers_index, nullptr);
    if (count < 1 || printer.device_capability(names_index, nullptr) != count) return {};
    const auto bins = static_cast<std::size_t>(count);
    std::vector<char16_t> numbers(bins, 0);
    std::vector<char16_t> names(bins * abi::kBinNameUnits, 0);
    if (printer.device_capability(numbers_index, numbers.data()) != count ||
        printer.device_capability(names_index, names.data()) != count)
        return {};

    std::vector<BinListEntry> list;
    std::optional<std::vector<std::u16string>> print_bin_names;  // read once, when first needed
    for (std::size_t i = 0; i < bins; ++i) {
        std::u16string_view name(names.data() + i * abi::kBinNameUnits, abi::kBinNameUnits);
        name = name.substr(0, std::min(name.find(u'\0'), name.size()));

        std::optional<long> tray;
        if (const unsigned by_name = tray_code_of_bin_name(name); by_name != kNoTray) tray = by_name;
        if (!tray) tray = tray_of_bin_place(numbers, i);
        if (!tray) {
            if (!print_bin_names) print_bin_names = read_print_bin_names(printer);
            tray = tray_in_print_bin_names(*print_bin_names, name);
        }
        if (!tray || *tray < 0 || *tray >= static_cast<long>(kTrayCount)) continue;
        const auto code = static_cast<std::uint8_t>(*tray);
        if (options && !tray_available(code, *options)) continue;
        list.push_back({static_cast<std::uint16_t>(numbers[i]), std::u16string(name), code});
    }
    return list;
}

unsigned BinMapCache::tray_code(std::u16string_view printer_name,
                                const std::optional<InstallableOptions>& options, std::uint16_t bin,
                                const Builder& build) {
    const InstallableOptions block = options.value_or(InstallableOptions{});
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto entry = entries_.rbegin(); entry != entries_.rend(); ++entry) {
        if (entry->built && entry->options == block && entry->printer_name == printer_name)
            return tray_in_bin_list(entry->bins, bin);
    }
    if (entries_.size() >= kCapacity) entries_.pop_front();
    Entry& entry = entries_.emplace_back();
    entry.printer_name = printer_name;
    entry.options = block;
    entry.bins = build();
    entry.built = !entry.bins.empty();
    return tray_in_bin_list(entry.bins, bin);
}

void BinMapCache::clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.clear();
}

std::size_t BinMapCache::size() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return entries_.size();
}

BinMapCache& bin_map_cache() {
    static BinMapCache cache;
    return cache;
}

unsigned tray_code_for_bin(PrinterConnection& printer, const std::optional<InstallableOptions>& options,
                           std::uint16_t default_source) {
    if (default_source == static_cast<std::uint16_t>(abi::DMBIN_FORMSOURCE)) return 0;
    if (!printer) return kNoTray;
    const std::u16string printer_name = printer.printer_name();
    return bin_map_cache().tray_code(printer_name, options, default_source,
                                     [&] { return build_bin_list(printer, options); });
}

}  // namespace zenta::environment
