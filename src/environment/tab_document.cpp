#include "environment/tab_document.h"

#include <atomic>

namespace zenta::environment {
namespace {
std::atomic<bool> g_tab_document{false};
}  // namespace

void mark_tab_document() { g_tab_document.store(true); }
bool tab_document_seen() { return g_tab_document.load(); }

}  // namespace zenta::environment
