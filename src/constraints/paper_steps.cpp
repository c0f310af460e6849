// The paper steps of the setters.
//
// The common pass runs after every paper and media setter has stored its value. It
//   1. keeps the selected paper profile's size in step with the page size (when a profile is in
//      use): MainPaperProfileSize holds the PageSize option, MainPaperProfileWidth/Height the
//      size in the record's unit;
//   2. moves InputSlot off a source whose paper cannot take a finishing the job uses (for example
//      heavy stock in a stapled job): to the first source that can feed the job, else to Auto,
//      where the printer chooses;
//   3. switches the printer's automatic adjustments off for papers its sensors cannot read
//      (envelopes, embossed and prepunched sheets).
// Every write is a direct store, guarded by the target not being on the path.
//
// The paper source check runs at the end of the PageSize, InputSlot and every media setter while
// InputSlot is Auto: when the automatic source cannot feed the current paper the way round the
// job needs, the sheet is turned and the binding edge moves with it (computed_binding).

#include <array>

#include "constraints/paper_checks.h"
#include "constraints/setters.h"
#include "environment/paper_catalogue.h"

namespace zenta::constraints {

namespace {

using enum FeatureId;

constexpr std::uint32_t kRecordUnit = 10000;  // CustomPageSizeWidth: ten-thousandths of a millimetre

// A finishing the job uses, and the paper check its paper must pass.
struct FinishingUse {
    FeatureId feature;
    std::int32_t in_use_value;  // -1: any option but the first
    unsigned check;
};

constexpr std::array kFinishing{
    FinishingUse{Duplex, -1, 26},           // heavy stock and envelopes are not turned over
    FinishingUse{Staple, -1, 23},           // the stapler's weight limit depends on its model
    FinishingUse{Punch, -1, 12},            // prepunched paper is not punched again
    FinishingUse{Fold, -1, 15},             // the folder takes up to Thick4
    FinishingUse{Layout, 2, 18},            // saddle-stitched booklets take up to Thick2
    FinishingUse{Stitch, -1, 18},           //
    FinishingUse{SquareFold, -1, 19},       //
    FinishingUse{Crease, -1, 6},            // creasing is for heavy stock
    FinishingUse{Trim, -1, 41},             //
    FinishingUse{Slit, -1, 36},             //
    FinishingUse{PerfectBindMode, -1, 33},  //
    FinishingUse{OffsetCopies, -1, 2},      // envelopes are not offset
    FinishingUse{OffsetPages, -1, 2},       //
};

// Papers the automatic adjustments cannot read: envelopes, embossed and prepunched sheets.
constexpr unsigned kSensorCheck = 44;

bool in_use(const Context& context, const FinishingUse& use) {
    const std::uint32_t v = context.value(use.feature);
    return use.in_use_value < 0 ? v != 0 : v == static_cast<std::uint32_t>(use.in_use_value);
}

void store_if_free(Context& context, FeatureId id, std::uint32_t value) {
    if (!context.on_path(id) && context.value(id) != value) context.store(id, value);
}

void follow_page_size_in_profile(Context& context) {
    if (context.value(MainPaperProfileIndex) == 0) return;
    const std::uint32_t page_size = context.value(PageSize);
    std::uint32_t width = context.value(CustomPageSizeWidth);
    std::uint32_t height = context.value(CustomPageSizeHeight);
    if (auto size = environment::catalogue_size(page_size, kRecordUnit)) {
        width = size->width;
        height = size->height;
    }
    store_if_free(context, MainPaperProfileSize, page_size);
    store_if_free(context, MainPaperProfileWidth, width);
    store_if_free(context, MainPaperProfileHeight, height);
}

void leave_unusable_source(Context& context) {
    const std::uint32_t slot = context.value(InputSlot);
    if (slot == 0 || context.on_path(InputSlot)) return;
    const PaperAttributes paper = current_paper(context.record());
    bool usable = true;
    for (const FinishingUse& use : kFinishing)
        if (in_use(context, use) && !check_paper(paper, use.check, context.configuration())) usable = false;
    if (usable) return;
    const unsigned found = find_source(context.record(), context.configuration());
    store_if_free(context, InputSlot, found < kNoSource && found != slot ? found : 0);
}

void adjustments_for_paper(Context& context) {
    if (check_paper(current_paper(context.record()), kSensorCheck, context.configuration())) return;
    store_if_free(context, AutoImageAdjustment, 0);
    store_if_free(context, AutoDuplexAdjustment, 0);
}

constexpr std::uint32_t kBindingLeft = 0;
constexpr std::uint32_t kBindingRight = 1;
constexpr std::uint32_t kBindingTop = 2;
constexpr std::uint32_t kLayoutBooklet = 2;
constexpr std::uint32_t kStapleLeft = 1;
constexpr std::uint32_t kStapleRight = 2;

// The binding edge after the sheet is turned a quarter: a booklet binds at its fold and keeps
// its edge; a corner staple and reverse N-up order keep the side they name; any other job
// moves a side binding to the top and a top binding to the left.
std::uint32_t computed_binding(std::uint32_t binding, std::uint32_t staple, std::uint32_t n_up,
                               std::uint32_t layout) {
    if (layout == kLayoutBooklet) return binding;
    const bool reverse_n_up = n_up >= 2 && n_up % 2 == 0;  // 2Reverse, 4Reverse, ... 16Reverse
    if (staple == kStapleRight || reverse_n_up) return kBindingRight;
    if (staple == kStapleLeft) return kBindingLeft;
    return binding == kBindingTop ? kBindingLeft : kBindingTop;
}

}  // namespace

void common_pass(Context& context) {
    follow_page_size_in_profile(context);
    leave_unusable_source(context);
    adjustments_for_paper(context);
}

void paper_source_check(Context& context, unsigned check) {
    if (context.value(InputSlot) != 0) return;
    if (check_paper_size(current_sized_paper(context.record()), check, context.configuration())) return;
    if (context.on_path(Binding)) return;
    const std::uint32_t binding = computed_binding(context.value(Binding), context.value(Staple),
                                                   context.value(NUpCount), context.value(Layout));
    if (binding != context.value(Binding)) set_feature(context, Binding, binding);
}

}  // namespace zenta::constraints
