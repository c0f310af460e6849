#include "plugin/module.h"

#include <atomic>

#include "environment/tab_document.h"

namespace zenta::plugin {
namespace {

std::atomic<std::int32_t> g_server_locks{0};

}  // namespace

void lock_server(bool lock) {
    if (lock)
        g_server_locks.fetch_add(1);
    else
        g_server_locks.fetch_sub(1);
}
std::int32_t server_locks() { return g_server_locks.load(); }

void mark_tab_document() { environment::mark_tab_document(); }
bool tab_document_seen() { return environment::tab_document_seen(); }

}  // namespace zenta::plugin
