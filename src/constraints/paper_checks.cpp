#include "constraints/paper_checks.h"

#include <algorithm>
#include <array>
#include <iterator>

#include "environment/paper_catalogue.h"
#include "features/feature_table.h"
#include "util/once.h"

namespace zenta::constraints {

namespace {

using features::FeatureId;

#include "constraints/paper_lists.inc"

// The features one paper source keeps its paper in.
struct SourceFeatures {
    FeatureId type, weight, color, color_name, prepunched, weight_unit, feed_direction;
};

#define ZENTA_SOURCE(suffix)                                                                         \
    SourceFeatures {                                                                                 \
        FeatureId::MediaType##suffix, FeatureId::MediaWeight##suffix, FeatureId::MediaColor##suffix, \
            FeatureId::CustomMediaColorName##suffix, FeatureId::MediaPrepunched##suffix,             \
            FeatureId::WeightUnit##suffix, FeatureId::FeedDir##suffix                                \
    }

// By source number. Auto has no feed direction of its own: the job's FeedDir stands for it.
constexpr std::array<SourceFeatures, 14> kSources{{
    {FeatureId::MediaTypeAuto, FeatureId::MediaWeightAuto, FeatureId::MediaColorAuto,
     FeatureId::CustomMediaColorNameAuto, FeatureId::MediaPrepunchedAuto, FeatureId::WeightUnitAuto,
     FeatureId::FeedDir},
    ZENTA_SOURCE(SubTray),
    ZENTA_SOURCE(Tray1),
    ZENTA_SOURCE(Tray2),
    ZENTA_SOURCE(Tray3),
    ZENTA_SOURCE(Tray4),
    ZENTA_SOURCE(Tray5),
    ZENTA_SOURCE(Tray6),
    ZENTA_SOURCE(Tray7),
    ZENTA_SOURCE(Tray8),
    ZENTA_SOURCE(Tray9),
    ZENTA_SOURCE(MBT),
    ZENTA_SOURCE(PITray1),
    ZENTA_SOURCE(PITray2),
}};

#undef ZENTA_SOURCE

// InputSlot option -> source number: the options 0 to 11 are the sources of the same number.
constexpr std::array<std::uint8_t, 12> kSourceOfInputSlot{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};

// A selection read by the option table of `like` (the paper profile fields have no table of
// their own but hold the same options): an index outside the table reads as its default.
std::uint32_t selection(const settings::Record& record, FeatureId id, FeatureId like) {
    const features::FeatureDescriptor& d = *features::feature(like).descriptor;
    const std::uint32_t value = record.raw(id);
    return value < d.option_count() ? value : d.default_index;
}
std::uint32_t selection(const settings::Record& record, FeatureId id) { return selection(record, id, id); }

std::string color_name(const settings::Record& record, FeatureId id) {
    const std::string_view text = record.text(id);
    return std::string(text.substr(0, std::min(text.size(), kCustomColorNameLength)));
}

unsigned input_slot_source(const settings::Record& record) {
    return source_of_input_slot(selection(record, FeatureId::InputSlot));
}

bool profile_selected(const settings::Record& record) {
    return record.raw(FeatureId::MainPaperProfileIndex) != 0;
}

const SizeList* size_list(unsigned check) {
    for (const SizeList& list : kSizeLists)
        if (list.check == check) return &list;
    return nullptr;
}

bool wide_paper_path(const Configuration* config) { return !config || (*config)[kWidePaperPathByte] == 1; }

PaperSizeConstraints build_list(const SizeList& list, bool wide) {
    auto records = std::make_shared<std::vector<PdPaperSizeConstraint>>();
    records->reserve(list.records.size() + 1);
    for (const SizeRecord& r : list.records) {
        if (r.path == Path::Wide && !wide) continue;
        if (r.path == Path::Narrow && wide) continue;
        records->push_back(r.record);
    }
    records->push_back(PdPaperSizeConstraint{0, 0, 0, 0, 0, 0});
    return records;
}

// The records of a list for one size id, before the end record.
template <class Visit>
void for_each_record(const std::vector<PdPaperSizeConstraint>& list, std::uint32_t size_id, Visit&& visit) {
    for (const PdPaperSizeConstraint& r : list) {
        if (r.paper_size_id == 0) return;
        if (r.paper_size_id == size_id && visit(r)) return;
    }
}

unsigned set_of_mode(std::uint32_t mode) {
    switch (mode) {
        case 1:
            return 3;
        case 2:
            return 5;
        default:
            return 1;
    }
}

unsigned feed_set_from_list(const SizedPaper& paper, unsigned check, const Configuration* config) {
    const PaperSizeConstraints list = paper_size_constraints(check, config);
    if (!list) return 7;
    unsigned set = 7;
    for_each_record(*list, paper.size_id, [&](const PdPaperSizeConstraint& r) {
        set = set_of_mode(r.mode);
        return true;
    });
    return set;
}

bool custom_fits(const SizedPaper& paper, const PdPaperSizeConstraint& r) {
    const std::uint32_t short_edge = std::min(paper.width, paper.height);
    const std::uint32_t long_edge = std::max(paper.width, paper.height);
    return short_edge >= r.min_width && short_edge <= r.max_width && long_edge >= r.min_height &&
           long_edge <= r.max_height;
}

}  // namespace

PaperAttributes paper_of_source(unsigned source, const settings::Record& record) {
    const SourceFeatures& f = kSources[source >= 1 && source <= 13 ? source : kSourceAuto];
    PaperAttributes paper;
    paper.media_type = selection(record, f.type);
    paper.media_weight = selection(record, f.weight);
    paper.media_color = selection(record, f.color);
    paper.custom_color_name = color_name(record, f.color_name);
    paper.prepunched = static_cast<std::uint8_t>(selection(record, f.prepunched));
    paper.weight_unit = selection(record, f.weight_unit);
    return paper;
}

PaperAttributes paper_of_profile(const settings::Record& record) {
    PaperAttributes paper;
    paper.media_type = selection(record, FeatureId::MainPaperProfileMediaType, FeatureId::MediaTypeAuto);
    paper.media_weight =
        selection(record, FeatureId::MainPaperProfileMediaWeight, FeatureId::MediaWeightAuto);
    paper.media_color = selection(record, FeatureId::MainPaperProfileMediaColor, FeatureId::MediaColorAuto);
    paper.custom_color_name = color_name(record, FeatureId::MainPaperProfileCustomMediaColorName);
    paper.prepunched = static_cast<std::uint8_t>(
        selection(record, FeatureId::MainPaperProfileMediaPrepunched, FeatureId::MediaPrepunchedAuto));
    return paper;
}

unsigned source_of_input_slot(unsigned input_slot) {
    return input_slot < kSourceOfInputSlot.size() ? kSourceOfInputSlot[input_slot] : kSourceAuto;
}

PaperAttributes current_paper(const settings::Record& record, bool from_source) {
    if (!from_source && profile_selected(record)) return paper_of_profile(record);
    return paper_of_source(input_slot_source(record), record);
}

std::span<const MediaCombination> media_list(unsigned number) {
    return number < kMediaListCount ? kMediaLists[number] : std::span<const MediaCombination>{};
}

std::optional<unsigned> media_list_of_check(unsigned check, const Configuration* config) {
    // A configuration byte, or nothing without a configuration.
    const auto byte = [config](std::size_t i) -> std::optional<unsigned> {
        if (!config) return std::nullopt;
        return (*config)[i];
    };
    const auto is = [&](std::size_t i, unsigned lo, unsigned hi) {
        const auto b = byte(i);
        return b && *b >= lo && *b <= hi;
    };
    switch (check) {
        case 0:
        case 2:
        case 7:
        case 27:
        case 38:
        case 39:
            return 1;
        case 1:
            return is(23, 1, 14) ? 2 : 0;
        case 3:
        case 9:
            return 0;
        case 4:
        case 5:
            return 4;
        case 6:
            return 6;
        case 8:
            return 5;
        case 10:
        case 21:
        case 24:
            return is(3, 2, 2) ? 7 : 0;
        case 11:
            return is(3, 2, 2) ? 2 : 0;
        case 12:
        case 13:
        case 14:
        case 35:
        case 37:
        case 43:
            return 9;
        case 15:
        case 16:
        case 17:
        case 29:
        case 40:
            return 10;
        case 18:
        case 19:
            return 11;
        case 20:
            return is(3, 2, 2) ? 8 : 0;
        case 22:
            return is(13, 1, 1) ? 12 : 1;
        case 23:
            return is(13, 1, 1) ? 3 : 1;
        case 25:
            return is(3, 2, 2) ? 3 : 1;
        case 26:
        case 28:
            return 3;
        case 30:
        case 31:
        case 32:
            if (is(10, 1, 4)) return 13;
            if (is(1, 1, 2)) return 14;
            return 0;
        case 33:
        case 34:
            return is(9, 1, 1) ? 15 : 0;
        case 36:
            return 16;
        case 41:
            return 7;
        case 42:
            return 17;
        case 44:
            return 18;
        case 45:
            return 19;
        case 46:
        case 47:
            return is(13, 1, 1) ? 20 : 0;
        default:
            return std::nullopt;
    }
}

bool passes_media_list(const PaperAttributes& paper, std::span<const MediaCombination> list) {
    const std::uint32_t values[4] = {paper.media_type, paper.media_weight, paper.media_color,
                                     paper.prepunched};
    constexpr std::uint32_t kAny[4] = {kUnsetMediaType, kUnsetMediaWeight, kUnsetMediaColor,
                                       kUnsetPrepunched};
    for (const MediaCombination& e : list) {
        const std::uint32_t fields[4] = {e.media_type, e.media_weight, e.media_color, e.prepunched};
        unsigned named = 0, matched = 0;
        for (int i = 0; i < 4; ++i) {
            if (fields[i] == kAny[i]) continue;
            ++named;
            if (values[i] != kAny[i] && values[i] == fields[i]) ++matched;
        }
        if (named == 0) return true;  // the end entry
        if (matched == named) return false;
    }
    return true;
}

bool check_paper(const PaperAttributes& paper, unsigned check, const Configuration* config) {
    if (paper.media_type == kUnsetMediaType && paper.media_weight == kUnsetMediaWeight &&
        paper.media_color == kUnsetMediaColor && paper.prepunched == kUnsetPrepunched)
        return true;
    const std::optional<unsigned> list = media_list_of_check(check, config);
    if (!list) return true;
    return passes_media_list(paper, media_list(*list));
}

unsigned find_source(const settings::Record& record, const Configuration* config) {
    if (!config) return kNoSource;
    for (unsigned source = 0; source <= kSourceMbt; ++source) {
        if (!environment::tray_available(source, *config)) continue;
        if (check_paper(paper_of_source(source, record), 42, config)) return source;
    }
    return kNoSource;
}

PaperSizeConstraints paper_size_constraints(unsigned check, const Configuration* config) {
    const SizeList* list = size_list(check);
    if (!list) return nullptr;
    // Each list in its two paper path variants, built once.
    static std::array<util::Once<PaperSizeConstraints>, std::size(kSizeLists) * 2> cache;
    const bool wide = wide_paper_path(config);
    const std::size_t slot = static_cast<std::size_t>(list - kSizeLists) * 2 + (wide ? 1 : 0);
    return cache[slot].get([&] { return build_list(*list, wide); });
}

std::uint32_t paper_size_id(unsigned page_size_option) {
    if (page_size_option == environment::kCustomPaper) return kCustomSizeId;
    if (page_size_option > environment::kCustomPaper)
        page_size_option = features::feature(FeatureId::PageSize).descriptor->default_index;
    return page_size_option + 1;
}

SizedPaper current_sized_paper(const settings::Record& record) {
    SizedPaper paper;
    const unsigned option = record.raw(FeatureId::PageSize);
    paper.size_id = paper_size_id(option);
    if (paper.size_id == kCustomSizeId) {
        paper.width = record.raw(FeatureId::CustomPageSizeWidth);
        paper.height = record.raw(FeatureId::CustomPageSizeHeight);
    } else if (const auto size = environment::catalogue_size(paper.size_id - 1, 10000)) {
        paper.width = size->width;
        paper.height = size->height;
    }
    const FeatureId direction = profile_selected(record) ? FeatureId::MainPaperProfileFeedDir
                                                         : kSources[input_slot_source(record)].feed_direction;
    paper.feed_direction = selection(record, direction, FeatureId::FeedDir);
    paper.duplex = selection(record, FeatureId::Duplex) == 1;
    return paper;
}

FeedSource feed_source_of(unsigned source) {
    if (source == kSourceMbt) return FeedSource::Bypass;
    if (source == kSourcePITray1 || source == kSourcePITray2) return FeedSource::Inserter;
    return FeedSource::Tray;
}

unsigned feed_direction_bit(unsigned feed_direction) {
    switch (feed_direction) {
        case kFeedLongEdge:
            return 4;
        case kFeedShortEdge:
            return 2;
        default:
            return 1;
    }
}

unsigned feed_direction_set(const SizedPaper& paper, FeedSource source, const Configuration* config) {
    if (paper.size_id == kLetterTabSizeId) return 7;
    switch (source) {
        case FeedSource::Inserter:
        case FeedSource::Profile:
            return feed_direction_bit(paper.feed_direction);
        case FeedSource::Bypass:
            return feed_set_from_list(paper, kFeedDirectionBypass, config);
        case FeedSource::Tray:
            break;
    }
    return feed_set_from_list(paper, kFeedDirectionTrays, config);
}

bool check_paper_size(const SizedPaper& paper, unsigned check, const Configuration* config) {
    const SizeList* kind = size_list(check);
    if (!kind) return true;
    const unsigned direction = feed_direction_bit(paper.feed_direction);
    if (kind->feed_directions) {
        const FeedSource source = check == kFeedDirectionBypass ? FeedSource::Bypass : FeedSource::Tray;
        return (feed_direction_set(paper, source, config) & direction) != 0;
    }

    const PaperSizeConstraints list = paper_size_constraints(check, config);
    const PdPaperSizeConstraint* match = nullptr;
    for_each_record(*list, paper.size_id, [&](const PdPaperSizeConstraint& r) {
        if (paper.size_id == kCustomSizeId && !custom_fits(paper, r)) return false;
        match = &r;
        return true;
    });
    if (!match) return false;
    if (paper.duplex && match->mode == kSimplexOnly) return false;
    if (paper.duplex && match->mode == kDuplexShortEdge && paper.feed_direction == kFeedLongEdge)
        return false;
    // The automatic selection feeds from the trays.
    return (feed_direction_set(paper, FeedSource::Tray, config) & direction) != 0;
}

}  // namespace zenta::constraints
