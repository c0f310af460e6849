#include "platform/module.h"

namespace zenta::platform {
namespace {
void* g_module_handle = nullptr;
}  // namespace

void set_module_handle(void* handle) { g_module_handle = handle; }

void* module_handle() {
    if (g_module_handle) return g_module_handle;
    return reinterpret_cast<void*>(&module_handle);
}

}  // namespace zenta::platform
