#include "host/helpers.h"

#include <cstring>
#include <new>
#include <string_view>

namespace zenta::host {

using namespace abi;

namespace {

// Appends a plug-in's spool write to the job. A null buffer with a non-zero length, or no
// device object, is refused. Nothing escapes to the plug-in: a failed allocation answers
// E_OUTOFMEMORY.
HRESULT write_spool(Job& job, DEVOBJ* pdevobj, PVOID buffer, DWORD size, DWORD* written) noexcept {
    if (written) *written = 0;
    if (!pdevobj || (!buffer && size != 0)) return E_INVALIDARG;
    try {
        job.spool.append(static_cast<const char*>(buffer), size);
        ++job.spool_writes;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    if (written) *written = size;
    return S_OK;
}

}  // namespace

std::map<std::pair<std::string, std::string>, std::string> Job::default_invocations() {
    return {
        {{"QWOutputMethod", "Print"}, "userdict /ZentaOutputMethod (Print) put"},
        {{"QWOutputMethod", "HoldPrint"}, "userdict /ZentaOutputMethod (HoldPrint) put"},
        {{"QWOutputMethod", "Hold"}, "userdict /ZentaOutputMethod (Hold) put"},
    };
}

// ---- IPrintCorePS2

CoreHelper* CoreHelper::create(std::shared_ptr<Job> job) {
    return job ? new (std::nothrow) CoreHelper(std::move(job)) : nullptr;
}

HRESULT CoreHelper::DrvWriteSpoolBuf(DEVOBJ* pdevobj, PVOID pBuffer, DWORD cbSize, DWORD* pdwResult) {
    return write_spool(*job_, pdevobj, pBuffer, cbSize, pdwResult);
}

HRESULT CoreHelper::GetOptions(DEVOBJ*, DWORD, PCSTR, DWORD, PSTR, DWORD, PDWORD) { return E_NOTIMPL; }

HRESULT CoreHelper::GetGlobalAttribute(DEVOBJ*, DWORD, PCSTR, PDWORD, PBYTE, DWORD, PDWORD) {
    return E_NOTIMPL;
}

HRESULT CoreHelper::GetFeatureAttribute(DEVOBJ*, DWORD, PCSTR, PCSTR, PDWORD, PBYTE, DWORD, PDWORD) {
    return E_NOTIMPL;
}

HRESULT CoreHelper::GetOptionAttribute(DEVOBJ* pdevobj, DWORD dwFlags, PCSTR pszFeatureKeyword,
                                       PCSTR pszOptionKeyword, PCSTR pszAttribute, PDWORD pdwDataType,
                                       PBYTE pbData, DWORD cbSize, PDWORD pcbNeeded) {
    try {
        if (!pszFeatureKeyword || !pszOptionKeyword || !pszAttribute) return E_INVALIDARG;
        OptionQuery& query = job_->option_queries.emplace_back(OptionQuery{
            pszFeatureKeyword, pszOptionKeyword, pszAttribute, pbData ? cbSize : 0, E_INVALIDARG});
        if (!pdevobj || dwFlags != 0 || !pdwDataType || !pcbNeeded) return query.result;
        if (std::string_view(pszAttribute) != "Invocation") return query.result;
        const auto it = job_->invocations.find({query.feature, query.option});
        if (it == job_->invocations.end()) return query.result;

        const std::string& bytes = it->second;
        *pdwDataType = kADT_BINARY;
        *pcbNeeded = static_cast<DWORD>(bytes.size());
        if (!pbData || cbSize < bytes.size()) return query.result = E_OUTOFMEMORY;
        std::memcpy(pbData, bytes.data(), bytes.size());
        return query.result = S_OK;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

HRESULT CoreHelper::EnumFeatures(DEVOBJ*, DWORD, PSTR, DWORD, PDWORD) { return E_NOTIMPL; }

HRESULT CoreHelper::EnumOptions(DEVOBJ*, DWORD, PCSTR, PSTR, DWORD, PDWORD) { return E_NOTIMPL; }

// ---- IPrintOemDriverPS

DriverHelper* DriverHelper::create(std::shared_ptr<Job> job) {
    return job ? new (std::nothrow) DriverHelper(std::move(job)) : nullptr;
}

HRESULT DriverHelper::DrvGetDriverSetting(PVOID, PCSTR, PVOID, DWORD, PDWORD, PDWORD) { return E_NOTIMPL; }

HRESULT DriverHelper::DrvWriteSpoolBuf(DEVOBJ* pdevobj, PVOID pBuffer, DWORD cbSize, DWORD* pdwResult) {
    return write_spool(*job_, pdevobj, pBuffer, cbSize, pdwResult);
}

}  // namespace zenta::host
