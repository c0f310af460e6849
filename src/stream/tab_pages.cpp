#include "stream/tab_pages.h"

#include <algorithm>

#include "stream/tab_texts.h"
#include "util/utf.h"

namespace zenta::stream {
namespace {

using features::FeatureId;

constexpr std::size_t kTitleUnits = 255;

bool qualifies(const settings::PageEntry& entry) {
    return entry.is_tab() && !entry.setting.skip &&
           entry.setting.placement <= settings::kTabInsertedBeforePage && entry.pages.size() == 1 &&
           entry.pages.front().first == entry.pages.front().last && entry.sub_entries.empty();
}

}  // namespace

std::vector<QualifyingTab> qualifying_tabs(const settings::Record& record,
                                           const std::function<void()>& seen) {
    return qualifying_tabs(record, settings::select_pages(record, settings::kSelectTabs), seen);
}

std::vector<QualifyingTab> qualifying_tabs(const settings::Record& record, const settings::PageList& list,
                                           const std::function<void()>& seen) {
    std::vector<QualifyingTab> tabs;
    for (const settings::PageEntry& entry : list) {
        if (!entry.is_tab()) continue;
        if (seen) seen();
        if (!qualifies(entry)) continue;
        tabs.push_back(
            {entry, entry.pages.front().first, entry.setting.placement == settings::kTabPrintedOnPage});
    }
    if (record.raw(FeatureId::TabImageShift) != 0) tabs.clear();
    return tabs;
}

void PageSelection::update(const settings::Record& record, const std::function<void()>& seen) {
    const auto area = record.field(FeatureId::PageSpecificTrays);
    const settings::SelectionInputs inputs = settings::selection_inputs(record);
    const bool same = valid_ && inputs == inputs_ && looked_at_.size() <= area.size() &&
                      std::equal(looked_at_.begin(), looked_at_.end(), area.begin());
    if (!same) {
        valid_ = false;
        settings::DecodedPages decoded = settings::decode_pages(area, inputs.tab_shift);
        looked_at_.assign(area.begin(), area.begin() + static_cast<std::ptrdiff_t>(decoded.looked_at));
        selected_ = settings::finish_selection(
            settings::select_pages_first_stage(std::move(decoded.entries), inputs), settings::kSelectTabs);
        tabs_ = qualifying_tabs(record, selected_);
        has_tab_entry_ = std::any_of(selected_.begin(), selected_.end(),
                                     [](const settings::PageEntry& e) { return e.is_tab(); });
        inputs_ = inputs;
        valid_ = true;
    }
    if (has_tab_entry_ && seen) seen();
}

bool needs_tab_procset(const settings::Record& record) {
    const settings::PageList list = settings::select_pages(record, settings::kSelectTabs);
    return std::any_of(list.begin(), list.end(), [](const settings::PageEntry& e) { return e.is_tab(); });
}

std::u16string tab_title(std::u16string_view text, std::uint32_t page) {
    std::u16string title(text);
    title += u' ';
    title += util::utf8_to_utf16(std::to_string(page));
    if (title.size() > kTitleUnits) title.resize(kTitleUnits);
    return title;
}

void write_tab_setup(const std::vector<QualifyingTab>& tabs, const Writer& write) {
    if (tabs.empty()) return;
    const bool printed_on_first = std::any_of(tabs.begin(), tabs.end(), [](const QualifyingTab& tab) {
        return tab.printed_on_page && tab.page == 1;
    });
    write(qxp1tab_definition(printed_on_first));
    write(erase_page_wrapper());
}

void write_tab_page_release(const std::vector<QualifyingTab>& tabs, const Writer& write) {
    if (!tabs.empty()) write(page_save_release());
}

void write_tab_page_sheets(const std::vector<QualifyingTab>& tabs, std::uint64_t page,
                           std::uint8_t& stream_flag, const TabSheetMaker* make, const Writer& write) {
    if (tabs.empty()) return;
    if (make) {
        for (const QualifyingTab& tab : tabs) {
            if (tab.page != page) continue;
            if (stream_flag) {
                write(page_device_restore());
                stream_flag = 0;
            }
            const std::u16string title =
                tab_title(tab.printed_on_page ? u"Printed Tab on" : u"Inserted Tab before", tab.page);
            const bool made = (*make)(tab, tab.printed_on_page, title);
            if (made && !tab.printed_on_page) write(page_device_restore());
            stream_flag = made && tab.printed_on_page ? 1 : 0;
        }
    }
    write(end_of_page_setup_callback());
}

void write_tab_page_trailer(const std::vector<QualifyingTab>& tabs, std::uint8_t& stream_flag,
                            const Writer& write) {
    if (tabs.empty()) return;
    write(qxp_fix_call());
    if (stream_flag) {
        write(page_device_restore());
        stream_flag = 0;
    }
}

void write_tabs_after_document(const std::vector<QualifyingTab>& tabs, std::uint64_t pages,
                               std::uint8_t& stream_flag, const TabSheetMaker* make, const Writer& write) {
    if (tabs.empty() || !make) return;
    for (const QualifyingTab& tab : tabs) {
        if (tab.page <= pages) continue;
        if (stream_flag) {
            write(page_device_restore());
            stream_flag = 0;
        }
        if ((*make)(tab, false, tab_title(u"Tab after Document", tab.page))) write(page_device_restore());
        stream_flag = 0;
    }
}

}  // namespace zenta::stream
