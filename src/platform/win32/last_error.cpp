#include "platform/last_error.h"

#include <windows.h>

namespace zenta::platform {

void set_last_error(std::uint32_t code) { ::SetLastError(code); }
std::uint32_t last_error() { return ::GetLastError(); }

}  // namespace zenta::platform
