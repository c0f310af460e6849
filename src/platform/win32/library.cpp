#include "platform/library.h"

#include <windows.h>

#include <utility>
#include <vector>

#include "platform/win32/wide.h"

namespace zenta::platform {

Library Library::open(std::u16string_view path) {
    Library library;
    const std::wstring wide = win32::to_wide(path);
    library.handle_ = ::LoadLibraryW(wide.c_str());
    if (!library.handle_)
        library.error_ = "LoadLibraryW failed with error " + std::to_string(::GetLastError());
    return library;
}

Library::Library(Library&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)), error_(std::move(other.error_)) {}

Library& Library::operator=(Library&& other) noexcept {
    if (this != &other) {
        if (handle_) ::FreeLibrary(static_cast<HMODULE>(handle_));
        handle_ = std::exchange(other.handle_, nullptr);
        error_ = std::move(other.error_);
    }
    return *this;
}

Library::~Library() {
    if (handle_) ::FreeLibrary(static_cast<HMODULE>(handle_));
}

void* Library::symbol(const char* name) const {
    return handle_ ? reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(handle_), name)) : nullptr;
}

std::u16string executable_path() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return {};
        if (n < buffer.size()) return win32::from_wide(std::wstring_view(buffer.data(), n));
        buffer.resize(buffer.size() * 2);
    }
}

std::u16string library_file_name(std::u16string_view base_name) {
    return std::u16string(base_name) + u".dll";
}

}  // namespace zenta::platform
