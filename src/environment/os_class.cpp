#include "environment/os_class.h"

#include "platform/os.h"
#include "util/once.h"

namespace zenta::environment {

int compute_operating_system_class() {
    platform::System& sys = platform::system();
    if (sys.VerifyVersionAtLeast(6, 2, 0)) return 6;
    if (sys.VerifyVersionAtLeast(6, 1, 0)) return 5;
    if (sys.VerifyVersionAtLeast(6, 0, 0)) return 4;
    if (sys.VerifyVersionAtLeast(5, 1, 0)) return 3;

    abi::DWORD platform_id = 0, major = 0, minor = 0;
    if (!sys.GetVersionExW(&platform_id, &major, &minor)) return 7;
    if (platform_id < 2) return 0;
    if (platform_id > 2) return 7;
    if (major < 5) return 1;
    if (major == 5) return minor == 0 ? 2 : 3;
    if (major == 6 && minor <= 2) return static_cast<int>(4 + minor);
    return 7;
}

int operating_system_class() {
    static util::Once<int> cached;
    return cached.get(compute_operating_system_class);
}

}  // namespace zenta::environment
