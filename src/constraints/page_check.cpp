// The page exception check: after a setter that can make per-page settings impossible has run,
// the entries of the page exception list give up what the record no longer allows.
//
// The check reads two fields of an entry:
//   entry value 3  the page's print side: 0 as the job, 1 one-sided, 2 two-sided
//   entry value 8  the page's paper source: an InputSlot option (0 to 11); 12 and 13 the job's
// and clears
//   - a print side of its own while the job is imposed (booklet or N-up layout, N-up count,
//     poster printing): imposition decides which side a page lands on;
//   - a paper source that the installed paper-feed configuration does not offer.
// The list is rewritten only when an entry was cleared, so a list that holds nothing to clear
// keeps its bytes, whatever head or unused bytes it carries.

#include <algorithm>

#include "constraints/setters.h"
#include "settings/page_exceptions.h"

namespace zenta::constraints {

namespace {

using enum FeatureId;

constexpr std::uint32_t kLayoutAdhBinding = 1;
constexpr std::uint32_t kLayoutBooklet = 2;
constexpr std::uint32_t kLayout4in1Vertical = 5;
constexpr std::uint32_t kLayoutCutInTwo = 13;
constexpr std::uint32_t kCollateGroup = 1;

constexpr std::uint8_t kPrintSideAsJob = 0;
constexpr std::uint8_t kSourceAsJob = 12;
constexpr std::uint8_t kLastSource = 11;

bool job_is_imposed(const Context& context) {
    const std::uint32_t layout = context.value(Layout);
    return (layout >= kLayoutBooklet && layout <= kLayout4in1Vertical) || context.value(NUpCount) != 0 ||
           context.value(PosterPrint) != 0;
}

bool list_is_empty(const settings::Record& record) {
    const auto area = record.field(PageSpecificTrays);
    return area[0] == 0 && area[1] == 0;
}

}  // namespace

void page_exception_check(Context& context) {
    if (context.on_path(PageSpecificTrays)) return;
    const std::uint32_t layout = context.value(Layout);
    if (layout == kLayoutAdhBinding || layout == kLayoutCutInTwo || context.value(Collate) == kCollateGroup)
        return;
    settings::Record& record = context.record();
    if (list_is_empty(record)) return;

    settings::DecodedPages decoded = settings::decode_pages(record.field(PageSpecificTrays), false);
    if (!decoded.inside) return;  // a list cut off by the end of its area is left as it stands

    const bool imposed = job_is_imposed(context);
    const Configuration* config = context.configuration();
    bool cleared = false;
    for (settings::PageEntry& entry : decoded.entries) {
        if (imposed && entry.value_3 != kPrintSideAsJob) {
            entry.value_3 = kPrintSideAsJob;
            cleared = true;
        }
        if (config && entry.value_8 <= kLastSource && !environment::tray_available(entry.value_8, *config)) {
            entry.value_8 = kSourceAsJob;
            cleared = true;
        }
    }
    if (cleared && settings::store_pages(record, decoded.entries)) context.note(PageSpecificTrays);
}

}  // namespace zenta::constraints
