#include "plugin/class_factory.h"

#include <new>

#include "abi/guids.h"
#include "abi/hresult.h"
#include "plugin/module.h"
#include "plugin/render_object.h"

namespace zenta::plugin {

abi::HRESULT IOemCF::QueryInterface(const abi::IID& riid, void** ppv) {
    if (!ppv) return abi::E_POINTER;
    if (riid == abi::IID_IUnknown || riid == abi::IID_IClassFactory) {
        AddRef();
        *ppv = static_cast<abi::IClassFactory*>(this);
        return abi::S_OK;
    }
    *ppv = nullptr;
    return abi::E_NOINTERFACE;
}

abi::ULONG IOemCF::AddRef() { return refs_.add_ref(); }

abi::ULONG IOemCF::Release() {
    const abi::ULONG count = refs_.release();
    if (count == 0) delete this;
    return count;
}

abi::HRESULT IOemCF::CreateInstance(abi::IUnknown* outer, const abi::IID& riid, void** ppv) {
    if (!ppv) return abi::E_POINTER;
    *ppv = nullptr;
    if (outer) return abi::CLASS_E_NOAGGREGATION;
    IOemPS* object = new (std::nothrow) IOemPS();
    if (!object) return abi::E_OUTOFMEMORY;
    // The caller ends up holding the only reference; on failure the object is gone.
    const abi::HRESULT hr = object->QueryInterface(riid, ppv);
    object->Release();
    return hr;
}

abi::HRESULT IOemCF::LockServer(abi::BOOL lock) {
    lock_server(lock != 0);
    return abi::S_OK;
}

}  // namespace zenta::plugin
