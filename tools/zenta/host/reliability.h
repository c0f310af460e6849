#pragma once
// What the reliability checks of the plug-in need beyond the core-driver stand-in: a spool
// writer that fails on demand, the per-job parts of a print stream masked so that two prints of
// one job compare byte for byte, and what the process holds (open descriptors, child processes).

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "abi/abi.h"
#include "host/helpers.h"

namespace zenta::host {

// The driver's IPrintOemDriverPS as a driver whose spool cannot take more bytes (disk full, the
// spooler gone): while a failure is set, DrvWriteSpoolBuf answers it, writes nothing and reports
// 0 bytes written; otherwise the bytes are appended to spool(). Every call is counted.
class FailingSpoolWriter final
    : public detail::HelperObject<FailingSpoolWriter, abi::IPrintOemDriverPS, abi::IID_IPrintOemDriverPS> {
public:
    // A new writer with one reference, owned by the caller; null when out of memory.
    static FailingSpoolWriter* create();

    abi::HRESULT ZENTA_STDCALL DrvGetDriverSetting(abi::PVOID pdriverobj, abi::PCSTR Feature, abi::PVOID pOutput,
                                                   abi::DWORD cbSize, abi::PDWORD pcbNeeded,
                                                   abi::PDWORD pdwOptionsReturned) override;
    abi::HRESULT ZENTA_STDCALL DrvWriteSpoolBuf(abi::DEVOBJ* pdevobj, abi::PVOID pBuffer, abi::DWORD cbSize,
                                                abi::DWORD* pdwResult) override;

    // Writes from now on fail with `failure` (an error HRESULT), or succeed again with S_OK.
    void fail_with(abi::HRESULT failure) { failure_ = failure; }

    const std::string& spool() const { return spool_; }
    std::size_t writes() const { return writes_; }
    std::size_t failed_writes() const { return failed_writes_; }
    // Empties the spool and the counts.
    void clear();

private:
    friend class detail::HelperObject<FailingSpoolWriter, abi::IPrintOemDriverPS, abi::IID_IPrintOemDriverPS>;
    FailingSpoolWriter() = default;
    ~FailingSpoolWriter() = default;

    abi::HRESULT failure_ = abi::S_OK;
    std::string spool_;
    std::size_t writes_ = 0;
    std::size_t failed_writes_ = 0;
};

// The stream with what differs between two prints of the same job made the same everywhere:
// the driver job identifier (the value of "@PJL SET DRIVERJOBID=", random bytes and the clock)
// and the encrypted block of the tab procedure set (its first lead-in byte is drawn once per
// loaded plug-in), each replaced by '*' characters of the same length.
std::string mask_job_variables(std::string_view stream);

// The driver job identifiers of a stream, in order.
std::vector<std::string> job_identifiers(std::string_view stream);

// How often `part` occurs in `text` (non-overlapping).
std::size_t occurrences(std::string_view text, std::string_view part);

// The number of open file descriptors of this process, where the system tells it (Linux:
// /proc/self/fd); nothing elsewhere.
std::optional<std::size_t> open_descriptors();

// The process ids of this process's children that are alive or not yet waited for, where the
// system tells them (Linux: /proc/self/task/*/children); nothing elsewhere.
std::optional<std::vector<long>> child_processes();

}  // namespace zenta::host
