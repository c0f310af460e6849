// Built into its own shared library: one thread-local value per process, whichever module
// sets or reads it.

#include "platform/last_error.h"

namespace zenta::platform {
namespace {
thread_local std::uint32_t t_last_error = 0;
}  // namespace

void set_last_error(std::uint32_t code) { t_last_error = code; }
std::uint32_t last_error() { return t_last_error; }

}  // namespace zenta::platform
