#pragma once
// Environment variables for the tests: set for a while, or read as a count.

#include <optional>
#include <string>

namespace zenta::test {

// Sets a variable; an empty value removes it.
void set_environment(const std::string& name, const std::string& value);

// A variable set for the life of the object, then put back as it was.
class ScopedEnvironment {
public:
    ScopedEnvironment(std::string name, const std::string& value);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

// A positive count from a variable (the length of a long-running test), else the default.
unsigned count_from_environment(const char* name, unsigned fallback);

}  // namespace zenta::test
