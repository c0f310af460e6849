#pragma once
// Files and printers the verbs work on: whole files as bytes, record files (the record's 27774
// bytes and nothing else), and the printer a verb is pointed at.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "environment/printer.h"
#include "platform/sim/services.h"
#include "settings/record.h"

namespace zenta::tool {

bool read_file(const std::string& path, std::vector<std::uint8_t>& bytes);
bool write_file(const std::string& path, std::span<const std::uint8_t> bytes);

// Writes the bytes beside the target first and renames that file at the end, so that the
// target is whole or not there at all (an existing target stays as it was on failure).
bool replace_file(const std::string& path, std::span<const std::uint8_t> bytes);

// Both print what went wrong, naming the verb, on failure.
bool read_record(std::string_view verb, const std::string& path, settings::Record& record);
bool write_record(std::string_view verb, const std::string& path, const settings::Record& record);

// The program's peak resident memory so far, in KiB, where the system tells it.
std::optional<std::uint64_t> peak_resident_kib();

// The first local printer of the spooler in use, for a verb where none was named.
std::u16string first_local_printer();

// A printer a verb works with: the printer of a profile file (its spooler simulated for as long
// as the session lives), or a printer of the system by name, or the first local one, or, when
// the system has none, the built-in printer (simulated as a profile is).
class PrinterSession {
public:
    // False, after printing why, when the profile cannot be loaded or the printer not opened.
    bool open(std::string_view verb, const std::string& profile_path, const std::string& printer_name = {});
    // The same with a profile already in memory.
    bool open(std::string_view verb, platform::sim::Profile profile, const std::string& printer_name = {});
    environment::PrinterConnection& printer() { return printer_; }

private:
    bool open_printer(std::string_view verb, const std::string& printer_name);

    std::optional<platform::sim::SimulatedServices> simulated_;
    environment::PrinterConnection printer_;
};

}  // namespace zenta::tool
