#include "environment/paper_identification.h"

#include <algorithm>
#include <array>
#include <vector>

#include "environment/language_file.h"
#include "environment/languages.h"
#include "environment/text_table.h"
#include "features/feature_table.h"
#include "util/once.h"
#include "util/units.h"
#include "util/utf.h"

namespace zenta::environment {
namespace {

using features::FeatureId;

constexpr std::uint32_t kMicrometres = 1000;

// Paper numbers that name a catalogue option directly, and whose size Windows gives. 118 (the last
// standard number, DMPAPER_PENV_10_ROTATED) is left out: no option carries it, and its size is
// never used to recognise a paper.
constexpr std::uint32_t kFirstNumberedPaper = 1;
constexpr std::uint32_t kLastNumberedPaper = 117;

constexpr std::uint32_t kCustomSizeUnit =
    std::max(features::feature(FeatureId::CustomPageSizeWidth).range->scale,
             features::feature(FeatureId::CustomPageSizeHeight).range->scale);

std::uint32_t distance(std::uint32_t a, std::uint32_t b) { return a > b ? a - b : b - a; }

// A size brought to a finer unit, with what one step of its own unit is there.
struct FineSize {
    PaperSize size;
    std::uint32_t unit;
    std::uint32_t one_step;
};

FineSize refine(const PaperSize& size, std::uint32_t unit) {
    const std::uint32_t fine = std::max(unit, kCustomSizeUnit);
    return {{util::rescale(size.width, unit, fine), util::rescale(size.height, unit, fine)},
            fine,
            util::rescale(1, unit, fine)};
}

bool same_size(unsigned option, const FineSize& wanted) {
    const auto size = catalogue_size(option, wanted.unit);
    return size && *size == wanted.size;
}

// "Nearly" is at most one step of the unit the size came in, in each direction.
bool nearly_same_size(unsigned option, const FineSize& wanted) {
    const auto size = catalogue_size(option, wanted.unit);
    return size && distance(size->width, wanted.size.width) <= wanted.one_step &&
           distance(size->height, wanted.size.height) <= wanted.one_step;
}

// The first option accepted by `accept` whose display name equals `name`: every option in the
// current language first, then in each other language in turn. kCustomPaper when none.
template <class Accept>
unsigned find_by_name(const std::string& name, Accept&& accept) {
    if (name.empty()) return kCustomPaper;
    const auto search = [&](int language) {
        for (unsigned option = 0; option < kCataloguePaperCount; ++option)
            if (accept(option) && paper_display_name(option, language) == name) return option;
        return static_cast<unsigned>(kCustomPaper);
    };
    const int current = current_language();
    unsigned found = search(current);
    const int languages = language_count();
    for (int language = 0; found == kCustomPaper && language < languages; ++language)
        if (language != current) found = search(language);
    return found;
}

}  // namespace

std::uint32_t custom_size_unit() { return kCustomSizeUnit; }

std::string_view paper_display_name(unsigned option, int language) {
    using Names = std::array<std::array<std::string, kBuiltInLanguageCount>, kCataloguePaperCount>;
    static util::Once<Names> once;
    const Names& names = once.get([] {
        Names made;
        const auto& options = features::feature(FeatureId::PageSize).descriptor->options;
        for (std::size_t option = 0; option < made.size() && option < options.size(); ++option)
            for (int language = 0; language < kBuiltInLanguageCount; ++language)
                made[option][language] = util::utf16_to_utf8(
                    text_in_column(text_column_of_language(language), options[option].label));
        return made;
    });
    if (option >= names.size()) return {};
    return names[option][language >= 0 && language < kBuiltInLanguageCount ? language : language::kEnglish];
}

unsigned identify_paper(std::uint32_t paper_number, std::u16string_view wide_name, std::uint32_t width,
                        std::uint32_t length, std::uint32_t unit) {
    const std::string name = util::utf16_to_utf8(wide_name);
    const bool numbered = paper_number >= kFirstNumberedPaper && paper_number <= kLastNumberedPaper;
    if (numbered) {
        for (const CataloguePaper& paper : paper_catalogue())
            if (paper.windows_paper == paper_number) return paper.option;
    }

    const PaperSize given{width, length};
    PaperSize size = given;
    std::uint32_t size_unit = unit == 0 ? 1 : unit;

    // A name that names an option of the given size.
    FineSize wanted = refine(size, size_unit);
    const unsigned named =
        find_by_name(name, [&](unsigned option) { return nearly_same_size(option, wanted); });
    if (named != kCustomPaper) return named;

    // A standard number stands for the size Windows gives it, whatever size came with it.
    if (numbered) {
        const auto standard = standard_paper_size(paper_number);
        if (standard && (standard->width != 0 || standard->height != 0)) {
            size = *standard;
            size_unit = kMicrometres;
            wanted = refine(size, size_unit);
        }
    }

    std::vector<unsigned> candidates;
    for (unsigned option = 0; option < kCataloguePaperCount; ++option)
        if (same_size(option, wanted)) candidates.push_back(option);
    if (candidates.empty()) {
        for (unsigned option = 0; option < kCataloguePaperCount; ++option)
            if (nearly_same_size(option, wanted)) candidates.push_back(option);
    }

    if (!candidates.empty()) {
        // Several options share a size (9x11 and the letter tab paper): the name decides, and a
        // name that is none of them makes the paper a custom one of that size.
        if (name.empty()) return candidates.front();
        return find_by_name(name, [&](unsigned option) {
            return std::find(candidates.begin(), candidates.end(), option) != candidates.end();
        });
    }

    // No option has that size, so a name alone only counts when the caller gave no size (a size
    // the paper number stands for is not the caller's).
    if (given.width == 0 && given.height == 0) return find_by_name(name, [](unsigned) { return true; });
    return kCustomPaper;
}

}  // namespace zenta::environment
