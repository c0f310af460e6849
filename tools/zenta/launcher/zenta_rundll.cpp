// zenta_rundll: plays the part of Windows' rundll32.exe on Linux.
//
//   zenta_rundll LIBRARY,ENTRY [ARGUMENTS...]
//
// Loads the shared library LIBRARY and calls its exported ENTRY in the form rundll32 calls a
// wide entry: ENTRYW(window, instance, arguments, show), with the window null, the instance the
// library's handle, the arguments (the rest of the command line, its words joined by one blank)
// as UTF-16 text and show 1 (SW_SHOWNORMAL). An entry that exists only without the W is called
// the same way with the arguments as 8-bit text. A backslash in LIBRARY counts as a slash.
//
// The system services start this program in place of "<system directory>\rundll32.exe", so that
// code written for rundll32 runs unchanged; the plug-in's tab file child is one. As rundll32's
// command line is split at blanks, a library whose path holds a blank arrives in several words:
// the library is then the longest run of words, joined by blanks, up to a comma that names an
// existing file.
//
// Exit status: 0 when the entry was called, 1 when the library or the entry was not found or
// the command line is not of that form (with a message on standard error).

#include <dlfcn.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <string>

namespace {

// What rundll32 passes as the window and instance handles, and the entry's shapes.
struct Window;
using WideEntry = void (*)(Window* window, void* instance, char16_t* arguments, int show);
using NarrowEntry = void (*)(Window* window, void* instance, char* arguments, int show);
constexpr int kShowNormal = 1;

std::u16string utf8_to_utf16(const std::string& text) {
    std::u16string out;
    for (std::size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        std::uint32_t code = 0xFFFD;
        std::size_t length = 1;
        if (b < 0x80) {
            code = b;
        } else if ((b >> 5) == 0x6) {
            length = 2, code = b & 0x1F;
        } else if ((b >> 4) == 0xE) {
            length = 3, code = b & 0x0F;
        } else if ((b >> 3) == 0x1E) {
            length = 4, code = b & 0x07;
        }
        if (length > 1) {
            bool good = i + length <= text.size();
            for (std::size_t k = 1; good && k < length; ++k) {
                const auto c = static_cast<unsigned char>(text[i + k]);
                if ((c >> 6) != 0x2) good = false;
                code = (code << 6) | (c & 0x3F);
            }
            if (!good) code = 0xFFFD, length = 1;
        }
        i += length;
        if (code >= 0x10000) {
            code -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (code >> 10));
            out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
        } else {
            out += static_cast<char16_t>(code);
        }
    }
    return out;
}

bool is_file(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

int main(int argc, char** argv) {
    std::string original;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) original += ' ';
        original += argv[i];
    }
    // The same text with each backslash a slash, for the library's path (same positions).
    std::string line = original;
    for (char& c : line)
        if (c == '\\') c = '/';

    // LIBRARY,ENTRY: the first comma whose left side names a file; failing that, the first comma.
    std::size_t comma = std::string::npos;
    for (std::size_t at = line.find(','); at != std::string::npos; at = line.find(',', at + 1)) {
        if (comma == std::string::npos) comma = at;
        if (is_file(line.substr(0, at))) {
            comma = at;
            break;
        }
    }
    if (comma == std::string::npos || comma == 0) {
        std::fprintf(stderr, "zenta_rundll: usage: zenta_rundll LIBRARY,ENTRY [ARGUMENTS...]\n");
        return 1;
    }
    const std::string library = line.substr(0, comma);
    const std::size_t entry_end = line.find(' ', comma + 1);
    const std::string entry =
        line.substr(comma + 1, entry_end == std::string::npos ? std::string::npos : entry_end - comma - 1);
    // The arguments go on as the command line held them.
    std::string arguments = entry_end == std::string::npos ? std::string() : original.substr(entry_end + 1);
    if (entry.empty()) {
        std::fprintf(stderr, "zenta_rundll: no entry named after the comma\n");
        return 1;
    }

    void* handle = ::dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        std::fprintf(stderr, "zenta_rundll: %s\n", ::dlerror());
        return 1;
    }
    int status = 0;
    if (auto* wide = reinterpret_cast<WideEntry>(::dlsym(handle, (entry + "W").c_str()))) {
        std::u16string text = utf8_to_utf16(arguments);
        wide(nullptr, handle, text.data(), kShowNormal);
    } else if (auto* narrow = reinterpret_cast<NarrowEntry>(::dlsym(handle, entry.c_str()))) {
        narrow(nullptr, handle, arguments.data(), kShowNormal);
    } else {
        std::fprintf(stderr, "zenta_rundll: %s has no entry %s\n", library.c_str(), entry.c_str());
        status = 1;
    }
    ::dlclose(handle);
    return status;
}
