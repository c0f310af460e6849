#pragma once
// Declarations of the library's exports. On Windows the module definition file names them; on
// other systems they are the only symbols the shared object makes visible.

#include "abi/guids.h"
#include "abi/types.h"

#if defined(_WIN32)
#define ZENTA_EXPORT
#else
#define ZENTA_EXPORT __attribute__((visibility("default")))
#endif

extern "C" {
zenta::abi::HRESULT ZENTA_STDCALL DllGetClassObject(const zenta::abi::CLSID& rclsid,
                                                    const zenta::abi::IID& riid, void** ppv);
zenta::abi::HRESULT ZENTA_STDCALL DllCanUnloadNow();
void ZENTA_STDCALL CreateTabFileExW(zenta::abi::HWND hwnd, zenta::abi::HINSTANCE hinst,
                                    zenta::abi::PWSTR command_line, int show);
}
