#pragma once
// The printer's input bins mapped onto the trays of the job settings (the options of InputSlot).
//
// Applications name a bin by its number (dmDefaultSource: a DMBIN_* value or the driver's own
// number). The printer reports its bins as numbers and names; a bin is recognised as a tray by its
// name in any built-in language, else by its place among the printer's bins. The list of a printer
// is built once per printer and installable options and kept in a process-wide cache.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "environment/printer.h"
#include "environment/printer_data.h"

namespace zenta::environment {

// Tray codes are InputSlot option indexes: 0 Auto, 1 SubTray, 2 to 10 Tray1 to Tray9, 11 MBT.
inline constexpr unsigned kTrayCount = 12;
inline constexpr unsigned kNoTray = 12;

// DeviceCapabilitiesW indexes of drivers that number their bins their own way; they count only
// when both report exactly twelve bins.
inline constexpr abi::WORD kDriverBinNumbers = 1000;
inline constexpr abi::WORD kDriverBinNames = 1001;

struct BinListEntry {
    std::uint16_t bin_number = 0;  // DMBIN_* or the driver's own number
    std::u16string name;           // at most 24 characters
    std::uint8_t tray_code = kNoTray;
    friend bool operator==(const BinListEntry&, const BinListEntry&) = default;
};

// The tray whose display name, in the current language first and then in every language, is the
// bin name (both compared on their first 24 characters, case-sensitively); kNoTray when none is.
unsigned tray_code_of_bin_name(std::u16string_view bin_name);

// The printer's bins that stand for a tray, in the printer's order. A bin is recognised by its
// name; else the first bin is the automatic tray and, on a printer with exactly twelve bins, a
// later bin is the tray its number is from the second bin's (a distance outside the trays leaves
// the bin out, with no further search); else, on other printers, its place among the twelve names
// of the "printBinNames" value (when it holds exactly twelve). Bins without a tray, and with the
// options given, bins whose tray the paper-feed configuration does not have, are left out. A
// printer that reports no bins, or not as many names as bins, gives an empty list.
std::vector<BinListEntry> build_bin_list(PrinterConnection& printer,
                                         const std::optional<InstallableOptions>& options);

// The bin lists of the printers in use, shared by the whole process under one lock. An entry
// belongs to a printer name and the 40 bytes of an installable options block (options that could
// not be read are 40 zeros and share the entry of a block that is all zeros). At most kCapacity
// entries are kept; the oldest makes room for a new one. An entry whose list came out empty is
// never used again: the next request for that printer builds a new one. Entries are never
// refreshed.
class BinMapCache {
public:
    static constexpr std::size_t kCapacity = 256;
    using Builder = std::function<std::vector<BinListEntry>()>;

    // The tray code of `bin` in the list of (printer name, options), which `build` makes when the
    // cache has no usable entry for it; kNoTray when the list has no such bin. The lock is held
    // while the list is built.
    unsigned tray_code(std::u16string_view printer_name, const std::optional<InstallableOptions>& options,
                       std::uint16_t bin, const Builder& build);

    void clear();
    std::size_t size() const;

private:
    struct Entry {
        std::u16string printer_name;
        InstallableOptions options{};
        std::vector<BinListEntry> bins;
        bool built = false;  // the list was built and holds bins
    };

    mutable std::mutex mutex_;
    std::deque<Entry> entries_;  // oldest first
};

// The cache of this process.
BinMapCache& bin_map_cache();

// The tray code for a DEVMODE's dmDefaultSource: DMBIN_FORMSOURCE is the automatic tray without
// asking the printer; without a printer there is no tray (kNoTray); otherwise the tray of the bin
// in the printer's bin list, or kNoTray for a bin the list does not have.
unsigned tray_code_for_bin(PrinterConnection& printer, const std::optional<InstallableOptions>& options,
                           std::uint16_t default_source);

}  // namespace zenta::environment
