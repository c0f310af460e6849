#include "platform/sim/spooler.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <utility>

#include "platform/last_error.h"
#include "platform/sim/pack.h"

namespace zenta::platform::sim {
namespace {

constexpr abi::DWORD kErrorInvalidLevel = 124;
constexpr abi::DWORD kRpcNullRefPointer = 1780;  // RPC_X_NULL_REF_POINTER: a required out pointer is null
constexpr abi::DWORD kPrinterEnumConnections = 0x00000004;

// Handles of every simulated spooler of the process come from one counter, so that a handle of
// one is never taken for a handle of another.
std::uintptr_t next_handle() {
    static std::atomic<std::uintptr_t> counter{0};
    return 0x5A100000u + 8 * ++counter;
}

std::u16string_view text_or_empty(const char16_t* text) {
    return text ? std::u16string_view(text) : std::u16string_view();
}

// Finishes a BOOL call that returns a packed layout.
abi::BOOL deliver(const PackedBuffer& layout, abi::BYTE* buffer, abi::DWORD size, abi::DWORD* needed) {
    *needed = static_cast<abi::DWORD>(layout.size());
    if (layout.size() > 0 && (!buffer || size < layout.size())) {
        set_last_error(kErrorInsufficientBuffer);
        return 0;
    }
    layout.emit(buffer);
    return 1;
}

void pack_printer(PackedBuffer& out, std::size_t at, abi::DWORD level, const Printer& p) {
    if (level == 2) {
        abi::PRINTER_INFO_2W info{};
        info.Attributes = p.attributes;
        info.Priority = p.priority;
        info.DefaultPriority = p.default_priority;
        info.Status = p.status;
        info.cJobs = static_cast<abi::DWORD>(p.jobs.size());
        out.put(at, info);
        using S = abi::PRINTER_INFO_2W;
        out.point_to_text(at + offsetof(S, pServerName), p.server);
        out.point_to_text(at + offsetof(S, pPrinterName), std::u16string_view(p.name));
        out.point_to_text(at + offsetof(S, pShareName), p.share);
        out.point_to_text(at + offsetof(S, pPortName), std::u16string_view(p.port));
        out.point_to_text(at + offsetof(S, pDriverName), std::u16string_view(p.driver));
        out.point_to_text(at + offsetof(S, pComment), p.comment);
        out.point_to_text(at + offsetof(S, pLocation), p.location);
        out.point_to_bytes(at + offsetof(S, pDevMode), p.devmode);
        out.point_to_text(at + offsetof(S, pSepFile), p.sep_file);
        out.point_to_text(at + offsetof(S, pPrintProcessor), std::u16string_view(p.print_processor));
        out.point_to_text(at + offsetof(S, pDatatype), std::u16string_view(p.datatype));
        out.point_to_text(at + offsetof(S, pParameters), p.parameters);
    } else if (level == 4) {
        abi::PRINTER_INFO_4W info{};
        info.Attributes = p.attributes;
        out.put(at, info);
        out.point_to_text(at + offsetof(abi::PRINTER_INFO_4W, pPrinterName), std::u16string_view(p.name));
        out.point_to_text(at + offsetof(abi::PRINTER_INFO_4W, pServerName), p.server);
    } else {
        abi::PRINTER_INFO_5W info{};
        info.Attributes = p.attributes;
        info.DeviceNotSelectedTimeout = 15000;  // the spooler's defaults, in milliseconds
        info.TransmissionRetryTimeout = 45000;
        out.put(at, info);
        out.point_to_text(at + offsetof(abi::PRINTER_INFO_5W, pPrinterName), std::u16string_view(p.name));
        out.point_to_text(at + offsetof(abi::PRINTER_INFO_5W, pPortName), std::u16string_view(p.port));
    }
}

std::size_t printer_struct_size(abi::DWORD level) {
    return level == 2   ? sizeof(abi::PRINTER_INFO_2W)
           : level == 4 ? sizeof(abi::PRINTER_INFO_4W)
                        : sizeof(abi::PRINTER_INFO_5W);
}

// Names in slots of `units` UTF-16 units: cut to fit, NUL-padded (a name that fills its slot
// has no NUL).
void write_names(char16_t* output, std::size_t units, const std::vector<std::u16string_view>& names) {
    for (std::size_t i = 0; i < names.size(); ++i) {
        char16_t slot[64] = {};
        const std::size_t n = std::min(units, names[i].size());
        std::copy_n(names[i].begin(), n, slot);
        std::memcpy(reinterpret_cast<abi::BYTE*>(output) + i * units * sizeof(char16_t), slot,
                    units * sizeof(char16_t));
    }
}

void write_words(char16_t* output, const std::vector<abi::WORD>& words) {
    std::memcpy(output, words.data(), words.size() * sizeof(abi::WORD));
}

}  // namespace

SimulatedSpooler::SimulatedSpooler(std::vector<Printer> printers) {
    for (auto& p : printers) printers_.push_back(std::make_shared<Printer>(std::move(p)));
}

std::shared_ptr<Printer> SimulatedSpooler::find_printer(std::u16string_view name) const {
    for (const auto& p : printers_)
        if (equal_no_case(p->name, name)) return p;
    return nullptr;
}

std::shared_ptr<Printer> SimulatedSpooler::from_handle(abi::HANDLE handle) const {
    const auto it = handles_.find(reinterpret_cast<std::uintptr_t>(handle));
    return it == handles_.end() ? nullptr : it->second;
}

abi::BOOL SimulatedSpooler::OpenPrinterW(const char16_t* printer_name, abi::HANDLE* printer,
                                         const abi::PRINTER_DEFAULTSW* defaults) {
    if (!printer) {
        set_last_error(kRpcNullRefPointer);
        return 0;
    }
    *printer = nullptr;
    std::lock_guard<std::mutex> lock(mutex_);
    const std::u16string_view name = text_or_empty(printer_name);
    std::shared_ptr<Printer> p = name.empty() ? nullptr : find_printer(name);
    if (!p) {
        set_last_error(kErrorInvalidPrinterName);
        return 0;
    }
    if (defaults && (defaults->DesiredAccess & abi::PRINTER_ACCESS_ADMINISTER) && !p->administer) {
        set_last_error(kErrorAccessDenied);
        return 0;
    }
    const std::uintptr_t handle = next_handle();
    handles_.emplace(handle, std::move(p));
    *printer = reinterpret_cast<abi::HANDLE>(handle);
    return 1;
}

abi::BOOL SimulatedSpooler::ClosePrinter(abi::HANDLE printer) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (handles_.erase(reinterpret_cast<std::uintptr_t>(printer)) == 0) {
        set_last_error(kErrorInvalidHandle);
        return 0;
    }
    return 1;
}

abi::BOOL SimulatedSpooler::GetPrinterW(abi::HANDLE printer, abi::DWORD level, abi::BYTE* buffer,
                                        abi::DWORD size, abi::DWORD* needed) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto p = from_handle(printer);
    if (!p) {
        set_last_error(kErrorInvalidHandle);
        return 0;
    }
    if (!needed) {
        set_last_error(kRpcNullRefPointer);
        return 0;
    }
    if (level != 2 && level != 4 && level != 5) {
        set_last_error(kErrorInvalidLevel);
        return 0;
    }
    PackedBuffer layout;
    const std::size_t at = layout.reserve(printer_struct_size(level), 8);
    pack_printer(layout, at, level, *p);
    return deliver(layout, buffer, size, needed);
}

abi::DWORD SimulatedSpooler::get_data(abi::HANDLE printer, std::u16string_view key,
                                      const char16_t* value_name, abi::DWORD* type, abi::BYTE* data,
                                      abi::DWORD size, abi::DWORD* needed) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto p = from_handle(printer);
    if (!p) return kErrorInvalidHandle;
    if (!needed) return kRpcNullRefPointer;
    const auto values = p->data.find(key);
    if (values == p->data.end()) return kErrorFileNotFound;
    const auto value = values->second.find(text_or_empty(value_name));
    if (value == values->second.end()) return kErrorFileNotFound;
    const DataValue& v = value->second;
    if (type) *type = v.type;
    *needed = static_cast<abi::DWORD>(v.bytes.size());
    if (v.bytes.empty()) return 0;
    if (!data || size < v.bytes.size()) return kErrorMoreData;
    std::memcpy(data, v.bytes.data(), v.bytes.size());
    return 0;
}

abi::DWORD SimulatedSpooler::GetPrinterDataW(abi::HANDLE printer, const char16_t* value_name,
                                             abi::DWORD* type, abi::BYTE* data, abi::DWORD size,
                                             abi::DWORD* needed) {
    return get_data(printer, kPrinterDriverData, value_name, type, data, size, needed);
}

abi::DWORD SimulatedSpooler::GetPrinterDataExW(abi::HANDLE printer, const char16_t* key_name,
                                               const char16_t* value_name, abi::DWORD* type, abi::BYTE* data,
                                               abi::DWORD size, abi::DWORD* needed) {
    if (!key_name) return kErrorInvalidParameter;
    return get_data(printer, key_name, value_name, type, data, size, needed);
}

abi::BOOL SimulatedSpooler::EnumPrintersW(abi::DWORD flags, const char16_t* /*name*/, abi::DWORD level,
                                          abi::BYTE* buffer, abi::DWORD size, abi::DWORD* needed,
                                          abi::DWORD* returned) {
    if (!needed || !returned) {
        set_last_error(kRpcNullRefPointer);
        return 0;
    }
    *returned = 0;
    if (level != 2 && level != 4 && level != 5) {
        set_last_error(kErrorInvalidLevel);
        return 0;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<const Printer*> listed;
    for (const auto& p : printers_)
        if ((p->local && (flags & abi::PRINTER_ENUM_LOCAL)) ||
            (!p->local && (flags & kPrinterEnumConnections)))
            listed.push_back(p.get());
    PackedBuffer layout;
    const std::size_t struct_size = printer_struct_size(level);
    const std::size_t first = layout.reserve(struct_size * listed.size(), 8);
    for (std::size_t i = 0; i < listed.size(); ++i)
        pack_printer(layout, first + i * struct_size, level, *listed[i]);
    if (!deliver(layout, buffer, size, needed)) return 0;
    *returned = static_cast<abi::DWORD>(listed.size());
    return 1;
}

abi::BOOL SimulatedSpooler::EnumFormsW(abi::HANDLE printer, abi::DWORD level, abi::BYTE* buffer,
                                       abi::DWORD size, abi::DWORD* needed, abi::DWORD* returned) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto p = from_handle(printer);
    if (!p) {
        set_last_error(kErrorInvalidHandle);
        return 0;
    }
    if (!needed || !returned) {
        set_last_error(kRpcNullRefPointer);
        return 0;
    }
    *returned = 0;
    if (level != 1) {
        set_last_error(kErrorInvalidLevel);
        return 0;
    }
    PackedBuffer layout;
    const std::size_t first = layout.add_structs<abi::FORM_INFO_1W>(p->forms.size());
    for (std::size_t i = 0; i < p->forms.size(); ++i) {
        const Form& form = p->forms[i];
        const std::size_t at = first + i * sizeof(abi::FORM_INFO_1W);
        abi::FORM_INFO_1W info{};
        info.Flags = form.flags;
        info.Size = form.size;
        info.ImageableArea = form.imageable_area;
        layout.put(at, info);
        layout.point_to_text(at + offsetof(abi::FORM_INFO_1W, pName), std::u16string_view(form.name));
    }
    if (!deliver(layout, buffer, size, needed)) return 0;
    *returned = static_cast<abi::DWORD>(p->forms.size());
    return 1;
}

int SimulatedSpooler::DeviceCapabilitiesW(const char16_t* device, const char16_t* /*port*/,
                                          abi::WORD capability, char16_t* output,
                                          const abi::DEVMODEW* /*devmode*/) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto p = device ? find_printer(device) : nullptr;
    if (!p) {
        set_last_error(kErrorInvalidPrinterName);
        return -1;
    }
    const auto bin_numbers = [&](const std::vector<Bin>& bins) {
        if (output) {
            std::vector<abi::WORD> numbers;
            for (const auto& b : bins) numbers.push_back(b.number);
            write_words(output, numbers);
        }
        return static_cast<int>(bins.size());
    };
    const auto bin_names = [&](const std::vector<Bin>& bins) {
        if (output) {
            std::vector<std::u16string_view> names;
            for (const auto& b : bins) names.push_back(b.name);
            write_names(output, abi::kBinNameUnits, names);
        }
        return static_cast<int>(bins.size());
    };
    switch (capability) {
        case abi::DC_BINS:
            return bin_numbers(p->bins);
        case abi::DC_BINNAMES:
            return bin_names(p->bins);
        case abi::DC_PAPERS:
            if (output) {
                std::vector<abi::WORD> numbers;
                for (const auto& paper : p->papers) numbers.push_back(paper.number);
                write_words(output, numbers);
            }
            return static_cast<int>(p->papers.size());
        case abi::DC_PAPERNAMES:
            if (output) {
                std::vector<std::u16string_view> names;
                for (const auto& paper : p->papers) names.push_back(paper.name);
                write_names(output, abi::kPaperNameUnits, names);
            }
            return static_cast<int>(p->papers.size());
        case abi::DC_PAPERSIZE:
            if (output) {
                std::vector<abi::LONG> points;
                for (const auto& paper : p->papers) {
                    points.push_back(paper.width);
                    points.push_back(paper.length);
                }
                std::memcpy(output, points.data(), points.size() * sizeof(abi::LONG));
            }
            return static_cast<int>(p->papers.size());
        case 1000:
            if (p->private_bins) return bin_numbers(*p->private_bins);
            break;
        case 1001:
            if (p->private_bins) return bin_names(*p->private_bins);
            break;
        default:
            break;
    }
    set_last_error(kErrorNotSupported);
    return -1;
}

abi::BOOL SimulatedSpooler::GetJobW(abi::HANDLE printer, abi::DWORD job_id, abi::DWORD level,
                                    abi::BYTE* buffer, abi::DWORD size, abi::DWORD* needed) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto p = from_handle(printer);
    if (!p) {
        set_last_error(kErrorInvalidHandle);
        return 0;
    }
    if (!needed) {
        set_last_error(kRpcNullRefPointer);
        return 0;
    }
    const auto job =
        std::find_if(p->jobs.begin(), p->jobs.end(), [&](const Job& j) { return j.id == job_id; });
    if (job == p->jobs.end()) {
        set_last_error(kErrorInvalidParameter);
        return 0;
    }
    if (level != 2) {
        set_last_error(kErrorInvalidLevel);
        return 0;
    }
    using S = abi::JOB_INFO_2W;
    PackedBuffer layout;
    const std::size_t at = layout.add_structs<S>(1);
    S info{};
    info.JobId = job->id;
    info.Status = job->status;
    info.Priority = job->priority;
    info.Position = static_cast<abi::DWORD>(job - p->jobs.begin()) + 1;
    info.TotalPages = job->total_pages;
    info.Size = job->size;
    info.Submitted = job->submitted;
    info.PagesPrinted = job->pages_printed;
    layout.put(at, info);
    layout.point_to_text(at + offsetof(S, pPrinterName), std::u16string_view(p->name));
    layout.point_to_text(at + offsetof(S, pMachineName), std::u16string_view(job->machine));
    layout.point_to_text(at + offsetof(S, pUserName), std::u16string_view(job->user));
    layout.point_to_text(at + offsetof(S, pDocument), std::u16string_view(job->document));
    layout.point_to_text(at + offsetof(S, pNotifyName),
                         std::u16string_view(job->notify_name.empty() ? job->user : job->notify_name));
    layout.point_to_text(at + offsetof(S, pDatatype), std::u16string_view(job->datatype));
    layout.point_to_text(at + offsetof(S, pPrintProcessor), std::u16string_view(job->print_processor));
    if (!job->parameters.empty())
        layout.point_to_text(at + offsetof(S, pParameters), std::u16string_view(job->parameters));
    layout.point_to_text(at + offsetof(S, pDriverName), std::u16string_view(p->driver));
    layout.point_to_bytes(at + offsetof(S, pDevMode), p->devmode);
    layout.point_to_text(at + offsetof(S, pStatus), job->status_text);
    return deliver(layout, buffer, size, needed);
}

// ---- changes

bool SimulatedSpooler::add_printer(Printer printer) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (printer.name.empty() || find_printer(printer.name)) return false;
    printers_.push_back(std::make_shared<Printer>(std::move(printer)));
    return true;
}

bool SimulatedSpooler::remove_printer(std::u16string_view name) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = std::find_if(printers_.begin(), printers_.end(),
                                 [&](const auto& p) { return equal_no_case(p->name, name); });
    if (it == printers_.end()) return false;
    printers_.erase(it);
    return true;
}

bool SimulatedSpooler::set_printer_data(std::u16string_view printer, std::u16string_view key,
                                        std::u16string_view value_name, DataValue value) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto p = find_printer(printer);
    if (!p || key.empty()) return false;
    auto& values = p->data[std::u16string(key)];
    const auto it = values.find(value_name);
    if (it != values.end())
        it->second = std::move(value);
    else
        values.emplace(std::u16string(value_name), std::move(value));
    return true;
}

bool SimulatedSpooler::add_form(std::u16string_view printer, Form form) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto p = find_printer(printer);
    if (!p || form.name.empty()) return false;
    for (const auto& f : p->forms)
        if (equal_no_case(f.name, form.name)) return false;
    p->forms.push_back(std::move(form));
    return true;
}

bool SimulatedSpooler::add_job(std::u16string_view printer, Job job) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto p = find_printer(printer);
    if (!p || job.id == 0) return false;
    for (const auto& j : p->jobs)
        if (j.id == job.id) return false;
    p->jobs.push_back(std::move(job));
    return true;
}

std::vector<std::u16string> SimulatedSpooler::printer_names() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::u16string> names;
    for (const auto& p : printers_) names.push_back(p->name);
    return names;
}

std::size_t SimulatedSpooler::open_handles() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return handles_.size();
}

}  // namespace zenta::platform::sim
