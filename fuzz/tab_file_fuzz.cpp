// A tab file as the tab document library leaves it: the six stretches extracted, read in pieces
// of any size, and the sheet's text made of them.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

#include "tabfile/extraction.h"
#include "tabfile/tab_blocks.h"

using namespace zenta;

namespace {

// The input as a file read in pieces whose size the first byte chooses.
class MemorySource final : public tabfile::ByteSource {
public:
    MemorySource(std::span<const std::uint8_t> bytes, std::size_t piece) : bytes_(bytes), piece_(piece) {}
    std::size_t read(void* buffer, std::size_t size) override {
        const std::size_t n = std::min({size, piece_, bytes_.size() - position_});
        std::memcpy(buffer, bytes_.data() + position_, n);
        position_ += n;
        return n;
    }
    std::uint64_t position() const override { return position_; }
    bool seek(std::uint64_t position) override {
        if (position > bytes_.size()) return false;
        position_ = static_cast<std::size_t>(position);
        return true;
    }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t piece_;
    std::size_t position_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    MemorySource source(std::span(data + 1, size - 1), 1 + data[0] * 64u);
    if (const auto text = tabfile::extract_stretches(source)) {
        (void)tabfile::tab_sheet_text(*text, true);
        (void)tabfile::tab_sheet_text(*text, false);
    }
    return 0;
}
