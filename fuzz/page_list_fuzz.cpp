// The page exception list: any bytes as the area, decoded, selected for both uses and written
// back; what was read is written again and reads the same.
#include <cstddef>
#include <cstdint>
#include <span>

#include "settings/page_exceptions.h"

using namespace zenta::settings;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> area(data, size);
    for (const bool tab_shift : {false, true}) {
        const DecodedPages decoded = decode_pages(area, tab_shift);
        const auto stream = encode_page_stream(decoded.entries);
        if (stream && decode_pages(*stream, tab_shift).entries != decoded.entries) __builtin_trap();
        if (announces_no_entries(area) && !decoded.entries.empty()) __builtin_trap();
    }
    Record record;
    const auto field = record.field(FeatureId::PageSpecificTrays);
    std::copy_n(data, std::min(size, field.size()), field.begin());
    for (const unsigned mode : {kSelectOutputPages, kSelectTabs}) (void)select_pages(record, mode);
    return 0;
}
