#pragma once
// Process-wide state of the plug-in library: plain values, zero at load. The library does no
// work of its own when it is loaded beyond remembering its module handle.

#include <cstdint>

namespace zenta::plugin {

// LockServer(TRUE) calls minus LockServer(FALSE) calls; changed only by interlocked steps.
void lock_server(bool lock);
std::int32_t server_locks();

// Set once a tab document was seen in this process (a document printed or inserted as a tab
// sheet, or the tab file service at work); never cleared. The library then lingers a little
// before it answers that it may be unloaded, so the tab file child can finish with it. The
// flag itself is environment/tab_document.h's, where the layers below the frame reach it.
void mark_tab_document();
bool tab_document_seen();

}  // namespace zenta::plugin
