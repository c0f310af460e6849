#include "tabfile/extraction.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "abi/files.h"
#include "platform/os.h"

namespace zenta::tabfile {
namespace {

constexpr std::size_t kSmallestBuffer = 4095;
constexpr std::size_t kBufferSlack = 1024;

constexpr std::string_view kFeatureBegin = "featurebegin{";
constexpr std::string_view kFeatureBeginLine = "featurebegin{\r\n";

// The tab file through its handle. The system seam reads forward only, so every byte read is kept
// and a move back is served from what was kept (a tab file is one sheet, small enough to hold).
class FileSource final : public ByteSource {
public:
    explicit FileSource(abi::HANDLE file) : file_(file) {}

    std::size_t read(void* buffer, std::size_t size) override {
        if (position_ == kept_.size() && !fetch(size)) return 0;
        const std::size_t n = std::min(size, kept_.size() - position_);
        std::memcpy(buffer, kept_.data() + position_, n);
        position_ += n;
        return n;
    }

    std::uint64_t position() const override { return position_; }

    bool seek(std::uint64_t position) override {
        while (position > kept_.size())
            if (!fetch(static_cast<std::size_t>(position - kept_.size()))) return false;
        position_ = static_cast<std::size_t>(position);
        return true;
    }

private:
    // Reads up to `size` more bytes from the file onto the kept ones; false at the end of the file.
    bool fetch(std::size_t size) {
        if (at_end_) return false;
        const abi::DWORD want = static_cast<abi::DWORD>(std::min<std::size_t>(size, 0x7FFFFFFF));
        const std::size_t before = kept_.size();
        kept_.resize(before + want);
        abi::DWORD got = 0;
        const bool ok = platform::system().ReadFile(file_, kept_.data() + before, want, &got) != 0;
        kept_.resize(before + (ok ? std::min(got, want) : 0));
        if (!ok || got == 0) at_end_ = true;
        return kept_.size() > before;
    }

    abi::HANDLE file_;
    std::vector<char> kept_;
    std::size_t position_ = 0;
    bool at_end_ = false;
};

}  // namespace

std::size_t section_buffer_size(std::string_view start_marker, std::string_view end_marker) {
    return std::max(
        {kSmallestBuffer, 2 * start_marker.size() + kBufferSlack, 2 * end_marker.size() + kBufferSlack});
}

bool copy_section(ByteSource& source, std::string_view start_marker, std::string_view end_marker,
                  std::string& text) {
    if (start_marker.empty() || end_marker.empty()) return false;
    std::vector<char> buffer(section_buffer_size(start_marker, end_marker));
    std::uint64_t base = source.position();  // the source position of buffer[0]
    std::size_t used = 0;                    // bytes in the buffer
    std::size_t search_from = 0;             // where the end marker may begin in the buffer
    bool copying = false;

    // Moves the last `keep` bytes of the window to the front.
    const auto keep_tail = [&](std::size_t keep) {
        keep = std::min(keep, used);
        std::memmove(buffer.data(), buffer.data() + (used - keep), keep);
        base += used - keep;
        search_from -= std::min(search_from, used - keep);
        used = keep;
    };

    for (;;) {
        const std::size_t n = source.read(buffer.data() + used, buffer.size() - used);
        const bool at_end = n == 0;
        used += std::min(n, buffer.size() - used);
        std::string_view window(buffer.data(), used);

        if (!copying) {
            const std::size_t start = window.find(start_marker);
            if (start == std::string_view::npos) {
                if (at_end) return false;
                // A start marker cut by the end of this piece is completed by the next one.
                keep_tail(start_marker.size());
                continue;
            }
            copying = true;
            used -= start;
            std::memmove(buffer.data(), buffer.data() + start, used);
            base += start;
            search_from = start_marker.size();
            window = std::string_view(buffer.data(), used);
        }

        const std::size_t end =
            search_from <= used ? window.find(end_marker, search_from) : std::string_view::npos;
        if (end != std::string_view::npos) {
            text.append(buffer.data(), end);
            return source.seek(base + end);
        }
        if (at_end) {
            text.append(buffer.data(), used);
            return false;
        }
        const std::size_t keep = std::min(end_marker.size(), used);
        text.append(buffer.data(), used - keep);
        keep_tail(keep);
    }
}

std::optional<std::string> extract_stretches(ByteSource& source) {
    std::string text;
    if (!copy_section(source, "%!PS-Adobe-3", "%%BeginSetup", text)) return std::nullopt;
    if (!copy_section(source, "userdict", kFeatureBegin, text)) return std::nullopt;
    text += kFeatureBeginLine;
    if (!copy_section(source, "%%BeginFeature: *QWOpCreator", kFeatureBegin, text)) return std::nullopt;
    text += kFeatureBeginLine;
    if (!copy_section(source, "%%BeginFeature: *QWOpPPDVersion", kFeatureBegin, text)) return std::nullopt;
    text += kFeatureBeginLine;

    // The page size feature, or else the page region feature, both searched from here.
    const std::uint64_t mark = source.position();
    const std::size_t length = text.size();
    if (!copy_section(source, "%%BeginFeature: *PageSize", kFeatureBegin, text)) {
        text.resize(length);
        if (!source.seek(mark)) return std::nullopt;
        if (!copy_section(source, "%%BeginFeature: *PageRegion", kFeatureBegin, text)) return std::nullopt;
    }

    if (!copy_section(source, "1 setlinecap 1 setlinejoin", "%%EOF", text)) return std::nullopt;
    return text;
}

std::optional<std::string> extract_tab_file(const std::u16string& path) {
    platform::System& sys = platform::system();
    constexpr abi::DWORD kNoSharing = 0;
    abi::HANDLE file =
        sys.CreateFileW(path.c_str(), platform::kGenericRead, kNoSharing, platform::kOpenExisting,
                        abi::FILE_FLAG_SEQUENTIAL_SCAN | platform::kFileFlagDeleteOnClose);
    if (file == platform::kInvalidHandleValue)
        file = sys.CreateFileW(path.c_str(), platform::kGenericRead, kNoSharing, platform::kOpenExisting,
                               abi::FILE_FLAG_SEQUENTIAL_SCAN);
    if (file == platform::kInvalidHandleValue || file == nullptr) return std::nullopt;
    std::optional<std::string> text;
    {
        FileSource source(file);
        text = extract_stretches(source);
    }
    sys.CloseHandle(file);
    return text;
}

}  // namespace zenta::tabfile
