// The DLL's entry point, called by the runtime's own start-up code. Process attach only
// remembers the instance handle; nothing else of the plug-in's state is set up at load.

#if defined(_WIN32)

#include "abi/types.h"
#include "platform/module.h"

namespace {
constexpr zenta::abi::DWORD kProcessAttach = 1;
}

extern "C" zenta::abi::BOOL ZENTA_STDCALL DllMain(void* instance, zenta::abi::DWORD reason, void*) {
    if (reason == kProcessAttach) zenta::platform::set_module_handle(instance);
    return 1;
}

#endif
