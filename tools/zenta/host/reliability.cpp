#include "host/reliability.h"

#include <filesystem>
#include <fstream>
#include <new>
#include <system_error>

#include "stream/tab_procset.h"

namespace zenta::host {

using namespace abi;

// ---- FailingSpoolWriter

FailingSpoolWriter* FailingSpoolWriter::create() { return new (std::nothrow) FailingSpoolWriter(); }

HRESULT FailingSpoolWriter::DrvGetDriverSetting(PVOID, PCSTR, PVOID, DWORD, PDWORD, PDWORD) { return E_NOTIMPL; }

HRESULT FailingSpoolWriter::DrvWriteSpoolBuf(DEVOBJ* pdevobj, PVOID pBuffer, DWORD cbSize, DWORD* pdwResult) {
    if (pdwResult) *pdwResult = 0;
    ++writes_;
    if (failed(failure_)) {
        ++failed_writes_;
        return failure_;
    }
    if (!pdevobj || (!pBuffer && cbSize != 0)) return E_INVALIDARG;
    try {
        spool_.append(static_cast<const char*>(pBuffer), cbSize);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    if (pdwResult) *pdwResult = cbSize;
    return S_OK;
}

void FailingSpoolWriter::clear() {
    spool_.clear();
    writes_ = 0;
    failed_writes_ = 0;
}

// ---- masking

namespace {

constexpr std::string_view kJobIdentifierLine = "@PJL SET DRIVERJOBID=\"";

void mask(std::string& text, std::size_t at, std::size_t length) {
    for (std::size_t i = at; i < at + length && i < text.size(); ++i) text[i] = '*';
}

// The delivered tab procedure set is the encrypted block (a hex string cut into lines joined by
// LF), CR LF, and the loader, which is the same for every lead-in byte; so is the encrypted
// block's length.
struct ProcsetShape {
    std::size_t cipher_length = 0;
    std::string loader;
};

const ProcsetShape& procset_shape() {
    static const ProcsetShape shape = [] {
        const std::string block = stream::tab_procset_block('G');
        const std::size_t cut = block.find("\r\n");
        return ProcsetShape{cut, block.substr(cut + 2)};
    }();
    return shape;
}

}  // namespace

std::string mask_job_variables(std::string_view stream) {
    std::string out(stream);
    for (std::size_t at = out.find(kJobIdentifierLine); at != std::string::npos;
         at = out.find(kJobIdentifierLine, at + 1)) {
        const std::size_t value = at + kJobIdentifierLine.size();
        const std::size_t end = out.find('"', value);
        if (end != std::string::npos) mask(out, value, end - value);
    }
    const ProcsetShape& shape = procset_shape();
    for (std::size_t at = out.find(shape.loader); at != std::string::npos; at = out.find(shape.loader, at + 1)) {
        const std::size_t cipher_end = at - 2;  // before its CR LF
        if (at >= 2 + shape.cipher_length) mask(out, cipher_end - shape.cipher_length, shape.cipher_length);
    }
    return out;
}

std::vector<std::string> job_identifiers(std::string_view stream) {
    std::vector<std::string> ids;
    for (std::size_t at = stream.find(kJobIdentifierLine); at != std::string_view::npos;
         at = stream.find(kJobIdentifierLine, at + 1)) {
        const std::size_t value = at + kJobIdentifierLine.size();
        const std::size_t end = stream.find('"', value);
        if (end != std::string_view::npos) ids.emplace_back(stream.substr(value, end - value));
    }
    return ids;
}

std::size_t occurrences(std::string_view text, std::string_view part) {
    if (part.empty()) return 0;
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string_view::npos; at = text.find(part, at + part.size()))
        ++count;
    return count;
}

// ---- what the process holds

std::optional<std::size_t> open_descriptors() {
#if defined(__linux__)
    std::error_code ec;
    std::size_t count = 0;
    for (std::filesystem::directory_iterator it("/proc/self/fd", ec), end; !ec && it != end; it.increment(ec))
        ++count;
    if (ec) return std::nullopt;
    return count > 0 ? count - 1 : 0;  // the directory being read is one of them
#else
    return std::nullopt;
#endif
}

std::optional<std::vector<long>> child_processes() {
#if defined(__linux__)
    std::error_code ec;
    std::vector<long> children;
    bool readable = false;
    for (std::filesystem::directory_iterator it("/proc/self/task", ec), end; !ec && it != end; it.increment(ec)) {
        std::ifstream in(it->path() / "children");
        if (!in) continue;
        readable = true;
        for (long pid = 0; in >> pid;) children.push_back(pid);
    }
    if (ec || !readable) return std::nullopt;
    return children;
#else
    return std::nullopt;
#endif
}

}  // namespace zenta::host
