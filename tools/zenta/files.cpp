#include "files.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <system_error>
#include <iostream>
#include <iterator>

#include "abi/spooler.h"
#include "platform/os.h"
#include "platform/sim/profile.h"
#include "util/utf.h"

namespace zenta::tool {

bool read_file(const std::string& path, std::vector<std::uint8_t>& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool write_file(const std::string& path, std::span<const std::uint8_t> bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out.flush());
}

bool replace_file(const std::string& target, std::span<const std::uint8_t> bytes) {
    namespace fs = std::filesystem;
    const fs::path path(util::utf8_to_utf16(target));
    std::random_device random;
    fs::path temporary = path;
    temporary += ".part-" + std::to_string(random() % 1000000);
    bool ok = false;
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        ok = static_cast<bool>(out.flush());
    }
    std::error_code ec;
    if (ok) {
        fs::rename(temporary, path, ec);
        if (ec && fs::exists(path) && !fs::is_directory(path)) {
            // Where a rename does not replace a file, the old one goes first.
            fs::remove(path, ec);
            fs::rename(temporary, path, ec);
        }
        ok = !ec;
    }
    if (!ok) fs::remove(temporary, ec);
    return ok;
}

bool read_record(std::string_view verb, const std::string& path, settings::Record& record) {
    std::vector<std::uint8_t> bytes;
    if (!read_file(path, bytes)) {
        std::cerr << "zenta: " << verb << ": cannot read '" << path << "'\n";
        return false;
    }
    if (bytes.size() != settings::Record::kSize) {
        std::cerr << "zenta: " << verb << ": '" << path << "' holds " << bytes.size() << " bytes, not a "
                  << settings::Record::kSize << "-byte record\n";
        return false;
    }
    std::copy(bytes.begin(), bytes.end(), record.bytes.begin());
    return true;
}

bool write_record(std::string_view verb, const std::string& path, const settings::Record& record) {
    if (write_file(path, record.bytes)) return true;
    std::cerr << "zenta: " << verb << ": cannot write '" << path << "'\n";
    return false;
}

std::u16string first_local_printer() {
    platform::Spooler& spooler = platform::spooler();
    abi::DWORD needed = 0, returned = 0;
    spooler.EnumPrintersW(abi::PRINTER_ENUM_LOCAL, nullptr, 4, nullptr, 0, &needed, &returned);
    if (needed == 0) return {};
    std::vector<std::max_align_t> storage(needed / sizeof(std::max_align_t) + 1);
    auto* buffer = reinterpret_cast<abi::BYTE*>(storage.data());
    if (!spooler.EnumPrintersW(abi::PRINTER_ENUM_LOCAL, nullptr, 4, buffer, needed, &needed, &returned) ||
        returned == 0)
        return {};
    const auto* info = reinterpret_cast<const abi::PRINTER_INFO_4W*>(buffer);
    return info->pPrinterName ? info->pPrinterName : u"";
}

bool PrinterSession::open(std::string_view verb, const std::string& profile_path,
                          const std::string& printer_name) {
    if (!profile_path.empty()) {
        std::string error;
        auto profile = platform::sim::load_profile(profile_path, error);
        if (!profile) {
            std::cerr << "zenta: " << verb << ": " << error << '\n';
            return false;
        }
        return open(verb, std::move(*profile), printer_name);
    }
    return open_printer(verb, printer_name);
}

bool PrinterSession::open(std::string_view verb, platform::sim::Profile profile, const std::string& printer_name) {
    simulated_.emplace(std::move(profile));
    return open_printer(verb, printer_name);
}

bool PrinterSession::open_printer(std::string_view verb, const std::string& printer_name) {
    std::u16string name = printer_name.empty() ? first_local_printer() : util::utf8_to_utf16(printer_name);
    if (name.empty() && printer_name.empty() && !simulated_) {
        // A system without printers (a fresh Windows installation, say): the built-in printer
        // stands in, as it does on Linux, and the user is told once.
        simulated_.emplace(platform::sim::default_profile());
        name = first_local_printer();
        static bool told = false;
        if (!told && !name.empty())
            std::cerr << "zenta: the system has no printer; using the built-in printer '"
                      << util::utf16_to_utf8(name) << "'\n";
        told = true;
    }
    if (name.empty()) {
        std::cerr << "zenta: " << verb << ": no printer\n";
        return false;
    }
    printer_ = environment::PrinterConnection::open(name);
    if (!printer_) {
        std::cerr << "zenta: " << verb << ": cannot open printer '" << util::utf16_to_utf8(name) << "'\n";
        return false;
    }
    return true;
}

}  // namespace zenta::tool
