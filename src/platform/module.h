#pragma once
// The module (DLL or shared object) this code is part of: files that belong with the plug-in
// are found beside it.

namespace zenta::platform {

// Remembers the handle the system gave the module when the process attached.
void set_module_handle(void* handle);

// The module's handle for GetModuleFileNameW. Where the system gave none (Linux), an address
// inside the module, which names it just as well.
void* module_handle();

}  // namespace zenta::platform
