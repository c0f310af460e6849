#include "plugin/module.h"

#include <atomic>

namespace zenta::plugin {
namespace {

std::atomic<std::int32_t> g_server_locks{0};
std::atomic<bool> g_tab_document{false};

}  // namespace

void lock_server(bool lock) {
    if (lock)
        g_server_locks.fetch_add(1);
    else
        g_server_locks.fetch_sub(1);
}
std::int32_t server_locks() { return g_server_locks.load(); }

void mark_tab_document() { g_tab_document.store(true); }
bool tab_document_seen() { return g_tab_document.load(); }

}  // namespace zenta::plugin
