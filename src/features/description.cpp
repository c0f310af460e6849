#include "features/description.h"

#include "features/feature_table.h"
#include "util/base64.h"
#include "util/hex.h"

namespace zenta::features {

std::string describe_layout(std::uint32_t layout_version) {
    std::string text = "1 " + util::hex_trimmed(layout_version) + ' ' + std::to_string(kRecordSize);
    text.reserve(64 * 1024);
    for (const Feature& f : kFeatures) {
        text += ' ';
        text += f.key;
        for (std::uint32_t n : {f.width, f.count, f.offset, std::uint32_t{f.is_signed}}) {
            text += ':';
            text += std::to_string(n);
        }
        text += ':';
        text += f.kind == Kind::S ? 'S' : f.kind == Kind::R ? 'R' : 'A';
        if (f.kind == Kind::S) {
            for (const OptionEntry& option : f.descriptor->options) {
                text += ':';
                text += option.keyword;
            }
        } else if (f.kind == Kind::R) {
            text += ':';
            text += std::to_string(f.range->scale);
        }
    }
    return text;
}

std::string describe_layout_base64(std::uint32_t layout_version) {
    std::string text = describe_layout(layout_version);
    text.push_back('\0');
    return util::base64_encode({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

}  // namespace zenta::features
