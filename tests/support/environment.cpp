#include "support/environment.h"

#include <cstdlib>
#include <utility>

namespace zenta::test {

void set_environment(const std::string& name, const std::string& value) {
#if defined(_WIN32)
    _putenv((name + "=" + value).c_str());
#else
    if (value.empty())
        unsetenv(name.c_str());
    else
        setenv(name.c_str(), value.c_str(), 1);
#endif
}

ScopedEnvironment::ScopedEnvironment(std::string name, const std::string& value) : name_(std::move(name)) {
    if (const char* old = std::getenv(name_.c_str())) old_ = old;
    set_environment(name_, value);
}

ScopedEnvironment::~ScopedEnvironment() { set_environment(name_, old_.value_or("")); }

unsigned count_from_environment(const char* name, unsigned fallback) {
    const char* text = std::getenv(name);
    if (!text || !*text) return fallback;
    const long value = std::strtol(text, nullptr, 10);
    return value > 0 ? static_cast<unsigned>(value) : fallback;
}

}  // namespace zenta::test
