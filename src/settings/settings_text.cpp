#include "settings/settings_text.h"

#include <charconv>
#include <limits>

#include "util/hex.h"

namespace zenta::settings {
namespace {

using features::Feature;

std::string_view trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

template <class Number>
std::optional<Number> parse_number(std::string_view text) {
    Number value{};
    const auto* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || at != end) return std::nullopt;
    return value;
}

std::uint64_t field_maximum(const Feature& f) {
    return f.width >= 4 ? 0xFFFFFFFFull : (1ull << (8 * f.width)) - 1;
}

}  // namespace

std::string format_value(const Record& record, FeatureId id) {
    const Feature& f = features::feature(id);
    switch (f.kind) {
        case Kind::S: {
            const std::uint32_t index = record.raw(id);
            if (index < f.descriptor->option_count())
                return std::string(f.descriptor->options[index].keyword);
            return "#" + std::to_string(index);
        }
        case Kind::R:
            return std::to_string(record.number(id));
        case Kind::A:
            if (f.is_text()) return std::string(record.text(id));
            auto bytes = record.field(id);
            std::size_t used = bytes.size();
            while (used > 0 && bytes[used - 1] == 0) --used;
            return util::hex_upper(bytes.first(used));
    }
    return {};
}

std::string format_settings(const Record& record) {
    std::string text;
    for (std::size_t i = 0; i < features::kFeatureCount; ++i) {
        const auto id = static_cast<FeatureId>(i);
        text += features::kFeatures[i].key;
        text += '=';
        text += format_value(record, id);
        text += '\n';
    }
    return text;
}

std::optional<std::string> store_value(Record& record, FeatureId id, std::string_view value) {
    const Feature& f = features::feature(id);
    const std::string key(f.key);
    switch (f.kind) {
        case Kind::S: {
            if (value.starts_with('#')) {
                const auto index = parse_number<std::uint64_t>(value.substr(1));
                if (!index || *index > field_maximum(f))
                    return key + ": '" + std::string(value) + "' is not an index that fits the field";
                record.set_raw(id, static_cast<std::uint32_t>(*index));
                return std::nullopt;
            }
            const std::int64_t index = f.descriptor->index_of(value);
            if (index < 0) return key + ": no option '" + std::string(value) + "'";
            record.set_raw(id, static_cast<std::uint32_t>(index));
            return std::nullopt;
        }
        case Kind::R: {
            if (f.is_signed) {
                const auto number = parse_number<std::int32_t>(value);
                if (!number) return key + ": '" + std::string(value) + "' is not a signed 32-bit number";
                record.set_raw(id, static_cast<std::uint32_t>(*number));
            } else {
                const auto number = parse_number<std::uint64_t>(value);
                if (!number || *number > field_maximum(f))
                    return key + ": '" + std::string(value) + "' is not a number that fits the field";
                record.set_raw(id, static_cast<std::uint32_t>(*number));
            }
            return std::nullopt;
        }
        case Kind::A: {
            if (f.is_text()) {
                if (value.size() >= f.size())
                    return key + ": the text is longer than " + std::to_string(f.size() - 1) + " bytes";
                if (value.find('\0') != std::string_view::npos) return key + ": the text holds a NUL";
                record.set_text(id, value);
                return std::nullopt;
            }
            const auto bytes = util::parse_hex_bytes(value);
            if (!bytes) return key + ": '" + std::string(value.substr(0, 40)) + "' is not hex";
            if (bytes->size() > f.size()) return key + ": more than " + std::to_string(f.size()) + " bytes";
            auto field = record.field(id);
            std::fill(field.begin(), field.end(), std::uint8_t{0});
            std::copy(bytes->begin(), bytes->end(), field.begin());
            return std::nullopt;
        }
    }
    return std::nullopt;
}

std::optional<std::string> apply_assignment(Record& record, std::string_view assignment) {
    const std::size_t equals = assignment.find('=');
    if (equals == std::string_view::npos) return "'" + std::string(assignment) + "' is not Key=Value";
    const std::string_view key = trim(assignment.substr(0, equals));
    const auto id = features::find_feature(key);
    if (!id) return "unknown key '" + std::string(key) + "'";
    std::string_view value = assignment.substr(equals + 1);
    if (!features::feature(*id).is_text()) value = trim(value);
    if (!value.empty() && value.back() == '\r') value.remove_suffix(1);
    return store_value(record, *id, value);
}

std::optional<std::string> apply_settings(Record& record, std::string_view text) {
    std::size_t line_number = 0;
    while (!text.empty()) {
        ++line_number;
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        const std::string_view content = trim(line);
        if (content.empty() || content.front() == '#') continue;
        if (auto error = apply_assignment(record, line))
            return "line " + std::to_string(line_number) + ": " + *error;
    }
    return std::nullopt;
}

}  // namespace zenta::settings
