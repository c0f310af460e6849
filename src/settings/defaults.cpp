#include "settings/defaults.h"

#include "features/families.h"
#include "settings/layout_version.h"

namespace zenta::settings {
namespace {

using features::FeatureId;

// Rounds half away from zero: scale x millimetres, given in tenths of a millimetre.
constexpr std::uint32_t scaled_tenths(std::uint32_t scale, std::uint32_t tenths_of_mm) {
    return static_cast<std::uint32_t>((std::uint64_t{scale} * tenths_of_mm + 5) / 10);
}

features::FieldDefaults field_defaults(const RecordDefaults& defaults) {
    return {defaults.paper, inch_locale(defaults.paper) ? kPaperLetter : kPaperA4, defaults.tab_font};
}

}  // namespace

std::uint32_t default_paper_for(char16_t setting) {
    switch (setting) {
        case u'1':
            return kPaperLetter;
        case u'5':
            return kPaperLegal;
        case u'8':
            return kPaperA3;
        case u'9':
            return kPaperA4;
        default:
            return kPaperA4;
    }
}

Record make_default_record(const RecordDefaults& defaults) {
    Record record;
    record.set_head(layout_version());
    features::write_defaults(record.view(), field_defaults(defaults));

    // Nothing stored yet: no form, no prepended or appended job.
    record.set<FeatureId::JobForm>(0xFFFFFFFFu);
    record.set<FeatureId::Prepend>(0xFFFFFFFFu);
    record.set<FeatureId::Append>(0xFFFFFFFFu);
    record.set<FeatureId::JobFormPageCount>(0);
    record.set<FeatureId::PrependPageCount>(0);
    record.set<FeatureId::AppendPageCount>(0);

    // What depends on the locale's paper: inch or metric tab paper, tab height, trim line paper
    // and the custom sizes of perfect binding and the trim line.
    const bool inch = inch_locale(defaults.paper);
    record.set<FeatureId::PageSize>(defaults.paper);
    record.set<FeatureId::Tab1PageSize>(inch ? 2 : 0);
    record.set<FeatureId::Tab2PageSize>(inch ? 2 : 0);
    const auto height = [&](FeatureId id) {
        return scaled_tenths(features::feature(id).range->scale, inch ? 343 : 403);
    };
    record.set_raw(FeatureId::Tab1Height, height(FeatureId::Tab1Height));
    record.set_raw(FeatureId::Tab2Height, height(FeatureId::Tab2Height));
    record.set<FeatureId::TrimLineSize>(inch ? kPaperLetter : kPaperA4);
    for (FeatureId id : {FeatureId::PerfectBindCustomPageSizeWidth, FeatureId::TrimLineCustomPageSizeWidth})
        record.set_raw(id, scaled_tenths(features::feature(id).range->scale, inch ? 2159 : 2100));
    for (FeatureId id : {FeatureId::PerfectBindCustomPageSizeHeight, FeatureId::TrimLineCustomPageSizeHeight})
        record.set_raw(id, scaled_tenths(features::feature(id).range->scale, inch ? 2794 : 2970));
    record.set<FeatureId::Tab1FontName>(defaults.tab_font);
    record.set<FeatureId::Tab2FontName>(defaults.tab_font);
    return record;
}

bool validate(Record& record, const RecordDefaults& defaults) {
    if (record.version() != layout_version()) {
        record = make_default_record(defaults);
        return false;
    }
    return features::validate_fields(record.view(), field_defaults(defaults));
}

}  // namespace zenta::settings
