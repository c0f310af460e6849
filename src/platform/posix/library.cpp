#include "platform/library.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <utility>

#include "util/utf.h"

namespace zenta::platform {

Library Library::open(std::u16string_view path) {
    Library library;
    const std::string narrow = util::utf16_to_utf8(path);
    library.handle_ = ::dlopen(narrow.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library.handle_) {
        const char* reason = ::dlerror();
        library.error_ = reason ? reason : "cannot load " + narrow;
    }
    return library;
}

Library::Library(Library&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)), error_(std::move(other.error_)) {}

Library& Library::operator=(Library&& other) noexcept {
    if (this != &other) {
        if (handle_) ::dlclose(handle_);
        handle_ = std::exchange(other.handle_, nullptr);
        error_ = std::move(other.error_);
    }
    return *this;
}

Library::~Library() {
    if (handle_) ::dlclose(handle_);
}

void* Library::symbol(const char* name) const { return handle_ ? ::dlsym(handle_, name) : nullptr; }

std::u16string executable_path() {
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer);
    return n > 0 ? util::utf8_to_utf16(std::string_view(buffer, static_cast<std::size_t>(n)))
                 : std::u16string();
}

std::u16string library_file_name(std::u16string_view base_name) {
    return u"lib" + std::u16string(base_name) + u".so";
}

}  // namespace zenta::platform
