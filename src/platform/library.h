#pragma once
// A loaded program library (DLL or shared object).

#include <string>
#include <string_view>

namespace zenta::platform {

class Library {
public:
    Library() = default;
    // Loads the library at this path; an empty Library when it cannot be loaded, with the
    // reason in error().
    static Library open(std::u16string_view path);

    Library(Library&& other) noexcept;
    Library& operator=(Library&& other) noexcept;
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;
    ~Library();

    explicit operator bool() const { return handle_ != nullptr; }
    // The address of an exported function, or null.
    void* symbol(const char* name) const;
    // Why the last open failed, as the system said it.
    const std::string& error() const { return error_; }

private:
    void* handle_ = nullptr;
    std::string error_;
};

// The full path of the running program.
std::u16string executable_path();

// The file name a library of this base name has on this system: "name.dll" on Windows,
// "libname.so" elsewhere.
std::u16string library_file_name(std::u16string_view base_name);

}  // namespace zenta::platform
