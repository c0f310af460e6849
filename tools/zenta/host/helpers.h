#pragma once
// The core driver's helper objects, offered to the plug-in through PublishDriverInterface:
// IPrintCorePS2 (spool writes and PPD attribute queries) and the older IPrintOemDriverPS
// (spool writes). Both are reference-counted COM objects that answer QueryInterface only for
// their own interface and IUnknown, and both work on one Job: what the plug-in writes lands
// in the job's spool buffer, and option invocations are answered from the job's table.

#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "abi/abi.h"

namespace zenta::host {

// One GetOptionAttribute call as the plug-in made it.
struct OptionQuery {
    std::string feature;
    std::string option;
    std::string attribute;
    abi::DWORD buffer_size = 0;  // cbSize of the call (0 with a null buffer: the size query)
    abi::HRESULT result = 0;
};

// What the driver keeps of the print job the plug-in takes part in.
struct Job {
    // The print stream, in order: every byte the plug-in handed to DrvWriteSpoolBuf and, while
    // a document is printed (PrintJob), the core driver's own PostScript around it.
    std::string spool;
    std::size_t spool_writes = 0;  // the plug-in's DrvWriteSpoolBuf calls
    // The PPD's "Invocation" attribute of each (feature keyword, option keyword).
    std::map<std::pair<std::string, std::string>, std::string> invocations = default_invocations();
    std::vector<OptionQuery> option_queries;

    // A few invocations of the printer's PPD for the features the plug-in asks about.
    static std::map<std::pair<std::string, std::string>, std::string> default_invocations();
};

namespace detail {

// Reference counting and interface discovery shared by the helpers. The count starts at 1
// (the creator's reference); the object deletes itself when it reaches 0.
template <class Derived, class Interface, const abi::IID& kIid>
class HelperObject : public Interface {
public:
    abi::HRESULT ZENTA_STDCALL QueryInterface(const abi::IID& riid, void** ppv) override {
        if (!ppv) return abi::E_POINTER;
        if (riid == abi::IID_IUnknown || riid == kIid) {
            *ppv = static_cast<Interface*>(this);
            AddRef();
            return abi::S_OK;
        }
        *ppv = nullptr;
        return abi::E_NOINTERFACE;
    }
    abi::ULONG ZENTA_STDCALL AddRef() override { return refs_.fetch_add(1) + 1; }
    abi::ULONG ZENTA_STDCALL Release() override {
        const abi::ULONG left = refs_.fetch_sub(1) - 1;
        if (left == 0) delete static_cast<Derived*>(this);
        return left;
    }

    // The current reference count (for checks: who holds the helper).
    abi::ULONG references() const { return refs_.load(); }

protected:
    HelperObject() = default;
    ~HelperObject() = default;

private:
    std::atomic<abi::ULONG> refs_{1};
};

}  // namespace detail

// The revised helper. DrvWriteSpoolBuf appends to the job's spool; GetOptionAttribute answers
// "Invocation" from the job's table; every other method answers E_NOTIMPL.
class CoreHelper final : public detail::HelperObject<CoreHelper, abi::IPrintCorePS2, abi::IID_IPrintCorePS2> {
public:
    // A new helper with one reference, owned by the caller; null when out of memory.
    static CoreHelper* create(std::shared_ptr<Job> job);

    abi::HRESULT ZENTA_STDCALL DrvWriteSpoolBuf(abi::DEVOBJ* pdevobj, abi::PVOID pBuffer, abi::DWORD cbSize,
                                                abi::DWORD* pdwResult) override;
    abi::HRESULT ZENTA_STDCALL GetOptions(abi::DEVOBJ* pdevobj, abi::DWORD dwFlags,
                                          abi::PCSTR pmszFeaturesRequested, abi::DWORD cbIn,
                                          abi::PSTR pmszFeatureOptionBuf, abi::DWORD cbSize,
                                          abi::PDWORD pcbNeeded) override;
    abi::HRESULT ZENTA_STDCALL GetGlobalAttribute(abi::DEVOBJ* pdevobj, abi::DWORD dwFlags,
                                                  abi::PCSTR pszAttribute, abi::PDWORD pdwDataType,
                                                  abi::PBYTE pbData, abi::DWORD cbSize,
                                                  abi::PDWORD pcbNeeded) override;
    abi::HRESULT ZENTA_STDCALL GetFeatureAttribute(abi::DEVOBJ* pdevobj, abi::DWORD dwFlags,
                                                   abi::PCSTR pszFeatureKeyword, abi::PCSTR pszAttribute,
                                                   abi::PDWORD pdwDataType, abi::PBYTE pbData,
                                                   abi::DWORD cbSize, abi::PDWORD pcbNeeded) override;
    // Known (feature, option) with attribute "Invocation" and flags 0: *pdwDataType 7
    // (kADT_BINARY) and *pcbNeeded the length; the bytes with S_OK when the buffer holds them,
    // else E_OUTOFMEMORY (the size query). Anything unknown or a null argument: E_INVALIDARG.
    abi::HRESULT ZENTA_STDCALL GetOptionAttribute(abi::DEVOBJ* pdevobj, abi::DWORD dwFlags,
                                                  abi::PCSTR pszFeatureKeyword, abi::PCSTR pszOptionKeyword,
                                                  abi::PCSTR pszAttribute, abi::PDWORD pdwDataType,
                                                  abi::PBYTE pbData, abi::DWORD cbSize,
                                                  abi::PDWORD pcbNeeded) override;
    abi::HRESULT ZENTA_STDCALL EnumFeatures(abi::DEVOBJ* pdevobj, abi::DWORD dwFlags,
                                            abi::PSTR pmszFeatureList, abi::DWORD cbSize,
                                            abi::PDWORD pcbNeeded) override;
    abi::HRESULT ZENTA_STDCALL EnumOptions(abi::DEVOBJ* pdevobj, abi::DWORD dwFlags,
                                           abi::PCSTR pszFeatureKeyword, abi::PSTR pmszOptionList,
                                           abi::DWORD cbSize, abi::PDWORD pcbNeeded) override;

    Job& job() const { return *job_; }

private:
    friend class detail::HelperObject<CoreHelper, abi::IPrintCorePS2, abi::IID_IPrintCorePS2>;
    explicit CoreHelper(std::shared_ptr<Job> job) : job_(std::move(job)) {}
    ~CoreHelper() = default;

    std::shared_ptr<Job> job_;
};

// The original helper: DrvWriteSpoolBuf appends to the job's spool; DrvGetDriverSetting
// answers E_NOTIMPL.
class DriverHelper final
    : public detail::HelperObject<DriverHelper, abi::IPrintOemDriverPS, abi::IID_IPrintOemDriverPS> {
public:
    static DriverHelper* create(std::shared_ptr<Job> job);

    abi::HRESULT ZENTA_STDCALL DrvGetDriverSetting(abi::PVOID pdriverobj, abi::PCSTR Feature,
                                                   abi::PVOID pOutput, abi::DWORD cbSize,
                                                   abi::PDWORD pcbNeeded,
                                                   abi::PDWORD pdwOptionsReturned) override;
    abi::HRESULT ZENTA_STDCALL DrvWriteSpoolBuf(abi::DEVOBJ* pdevobj, abi::PVOID pBuffer, abi::DWORD cbSize,
                                                abi::DWORD* pdwResult) override;

    Job& job() const { return *job_; }

private:
    friend class detail::HelperObject<DriverHelper, abi::IPrintOemDriverPS, abi::IID_IPrintOemDriverPS>;
    explicit DriverHelper(std::shared_ptr<Job> job) : job_(std::move(job)) {}
    ~DriverHelper() = default;

    std::shared_ptr<Job> job_;
};

}  // namespace zenta::host
