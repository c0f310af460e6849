#pragma once
// IOemCF: the class factory of the one class this server makes, the render object.

#include "abi/interfaces.h"
#include "plugin/com_object.h"

namespace zenta::plugin {

class IOemCF final : public abi::IClassFactory {
public:
    abi::HRESULT ZENTA_STDCALL QueryInterface(const abi::IID& riid, void** ppv) override;
    abi::ULONG ZENTA_STDCALL AddRef() override;
    abi::ULONG ZENTA_STDCALL Release() override;
    abi::HRESULT ZENTA_STDCALL CreateInstance(abi::IUnknown* outer, const abi::IID& riid,
                                              void** ppv) override;
    abi::HRESULT ZENTA_STDCALL LockServer(abi::BOOL lock) override;

private:
    ~IOemCF() = default;
    RefCount refs_;
};

}  // namespace zenta::plugin
