#include "environment/printer.h"

#include <cstdint>
#include <cstring>
#include <limits>
#include <mutex>
#include <utility>

#include "abi/hresult.h"
#include "environment/os_class.h"
#include "platform/last_error.h"
#include "platform/os.h"

namespace zenta::environment {
namespace {

std::mutex g_description_mutex;

abi::HANDLE try_open(const std::u16string& name, abi::DWORD access, abi::DWORD& error) {
    abi::PRINTER_DEFAULTSW defaults{nullptr, nullptr, access};
    abi::HANDLE handle = nullptr;
    const abi::BOOL ok = platform::spooler().OpenPrinterW(name.c_str(), &handle, &defaults);
    error = platform::last_error();
    return ok && handle ? handle : nullptr;
}

// The names of the local printers, in the spooler's order.
std::vector<std::u16string> local_printer_names() {
    platform::Spooler& spooler = platform::spooler();
    const abi::DWORD level = operating_system_class() > 0 ? 4 : 5;
    abi::DWORD needed = 0, returned = 0;
    spooler.EnumPrintersW(abi::PRINTER_ENUM_LOCAL, nullptr, level, nullptr, 0, &needed, &returned);
    if (needed == 0) return {};
    // Zeroed, one byte larger than needed, aligned for the structures.
    std::vector<std::max_align_t> storage((needed + 1 + sizeof(std::max_align_t) - 1) /
                                          sizeof(std::max_align_t));
    auto* buffer = reinterpret_cast<abi::BYTE*>(storage.data());
    if (!spooler.EnumPrintersW(abi::PRINTER_ENUM_LOCAL, nullptr, level, buffer, needed, &needed, &returned))
        return {};
    std::vector<std::u16string> names;
    for (abi::DWORD i = 0; i < returned; ++i) {
        const abi::PWSTR name = level == 4 ? reinterpret_cast<abi::PRINTER_INFO_4W*>(buffer)[i].pPrinterName
                                           : reinterpret_cast<abi::PRINTER_INFO_5W*>(buffer)[i].pPrinterName;
        names.emplace_back(name ? name : u"");
    }
    return names;
}

}  // namespace

PrinterConnection PrinterConnection::open(std::u16string_view name, abi::DWORD access) {
    PrinterConnection connection;
    if (name.empty()) return connection;
    const std::u16string wanted(name);
    abi::DWORD error = 0;
    abi::HANDLE handle = try_open(wanted, access, error);
    if (!handle) {
        for (const std::u16string& candidate : local_printer_names()) {
            if (candidate.size() <= wanted.size() || candidate.compare(0, wanted.size(), wanted) != 0)
                continue;
            handle = try_open(candidate, access, error);
            if (handle) break;
        }
    }
    platform::set_last_error(error);
    connection.handle_ = handle;
    connection.owned_ = handle != nullptr;
    return connection;
}

PrinterConnection PrinterConnection::borrow(abi::HANDLE handle) {
    PrinterConnection connection;
    connection.handle_ = handle;
    return connection;
}

PrinterConnection::PrinterConnection(PrinterConnection&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)),
      owned_(std::exchange(other.owned_, false)),
      description_(std::move(other.description_)),
      description_read_(std::exchange(other.description_read_, false)) {}

PrinterConnection& PrinterConnection::operator=(PrinterConnection&& other) noexcept {
    if (this != &other) {
        close();
        handle_ = std::exchange(other.handle_, nullptr);
        owned_ = std::exchange(other.owned_, false);
        description_ = std::move(other.description_);
        description_read_ = std::exchange(other.description_read_, false);
    }
    return *this;
}

PrinterConnection::~PrinterConnection() { close(); }

void PrinterConnection::close() {
    if (owned_ && handle_) {
        platform::spooler().ClosePrinter(handle_);
        description_.clear();
        handle_ = nullptr;
    }
    owned_ = false;
}

const abi::PRINTER_INFO_2W* PrinterConnection::description() {
    if (!handle_) return nullptr;
    std::lock_guard<std::mutex> lock(g_description_mutex);
    if (!description_read_) {
        description_read_ = true;
        platform::Spooler& spooler = platform::spooler();
        abi::DWORD needed = 0;
        spooler.GetPrinterW(handle_, 2, nullptr, 0, &needed);
        if (needed >= sizeof(abi::PRINTER_INFO_2W)) {
            std::vector<std::max_align_t> storage((needed + sizeof(std::max_align_t) - 1) /
                                                  sizeof(std::max_align_t));
            if (spooler.GetPrinterW(handle_, 2, reinterpret_cast<abi::BYTE*>(storage.data()), needed,
                                    &needed))
                description_ = std::move(storage);
        }
    }
    return description_.empty() ? nullptr
                                : reinterpret_cast<const abi::PRINTER_INFO_2W*>(description_.data());
}

std::u16string PrinterConnection::printer_name() {
    const abi::PRINTER_INFO_2W* info = description();
    return info && info->pPrinterName ? std::u16string(info->pPrinterName) : std::u16string();
}

abi::DWORD PrinterConnection::get_printer_data(const char16_t* value_name, abi::DWORD* type, abi::BYTE* data,
                                               std::size_t size, std::size_t* needed) const {
    if (!handle_) return kErrorInvalidPrinterName;
    if (size > std::numeric_limits<abi::DWORD>::max()) return kErrorIncorrectSize;
    abi::DWORD needed32 = 0;
    const abi::DWORD result = platform::spooler().GetPrinterDataW(handle_, value_name, type, data,
                                                                  static_cast<abi::DWORD>(size), &needed32);
    if (needed) *needed = needed32;
    return result;
}

abi::DWORD PrinterConnection::get_bin_names(abi::DWORD* type, abi::BYTE* data, std::size_t size,
                                            std::size_t* needed) const {
    if (!handle_) return kErrorInvalidPrinterName;
    if (size > std::numeric_limits<abi::DWORD>::max()) return kErrorIncorrectSize;
    abi::DWORD needed32 = 0;
    const abi::DWORD result = platform::spooler().GetPrinterDataExW(
        handle_, u"DsDriver", u"printBinNames", type, data, static_cast<abi::DWORD>(size), &needed32);
    if (needed) *needed = needed32;
    return result;
}

int PrinterConnection::device_capability(abi::WORD capability, char16_t* output) {
    const abi::PRINTER_INFO_2W* info = description();
    const char16_t* device = info && info->pPrinterName ? info->pPrinterName : u"";
    const char16_t* port = info && info->pPortName ? info->pPortName : u"";
    return platform::spooler().DeviceCapabilitiesW(device, port, capability, output, nullptr);
}

bool PrinterConnection::read_value(const char16_t* value_name, Value& value) const {
    std::size_t needed = 0;
    abi::DWORD type = 0;
    abi::DWORD result = get_printer_data(value_name, &type, nullptr, 0, &needed);
    if (result != 0 && result != platform::kErrorMoreData) return false;
    value.bytes.assign(needed, 0);
    result = get_printer_data(value_name, &type, value.bytes.data(), value.bytes.size(), &needed);
    if (result != 0 || needed != value.bytes.size()) return false;
    value.type = type;
    return true;
}

}  // namespace zenta::environment
