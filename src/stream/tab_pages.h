// The tab page logic of the print stream: which tab entries of the page exception list get a tab
// sheet, and what is written around the pages they belong to. The sheets themselves come from the
// tab file service; this code decides when, with which title, and restores the page afterwards.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/page_exceptions.h"
#include "settings/record.h"

namespace zenta::stream {

// A tab entry that gets a tab sheet: a tab kind, not skipped, printed on its page or inserted
// before it, for exactly one page, without sub-entries.
struct QualifyingTab {
    settings::PageEntry entry;
    std::uint32_t page = 0;
    bool printed_on_page = false;  // placement 0; else inserted before the page
};

// The job's qualifying tabs in list order: none when TabImageShift is on. Every tab-kind entry
// looked at calls `seen` (the process learns that it makes tab documents).
std::vector<QualifyingTab> qualifying_tabs(const settings::Record& record,
                                           const std::function<void()>& seen = {});
// The same from the list already selected for tab handling.
std::vector<QualifyingTab> qualifying_tabs(const settings::Record& record, const settings::PageList& selected,
                                           const std::function<void()>& seen = {});

// The page exception list as the pages of one document use it: the tab selection and its
// qualifying tabs. The page setup and the page
// trailer of every page need them; decoding the list each time would cost a page with a long
// list more than everything else the page writes. The selection is kept with the bytes the
// decoder looked at and the settings it depends on, and made again whenever any of them differs
// in the record of the call, so that it always is what the record says.
class PageSelection {
public:
    // Brings the selection in line with the record. `seen` is told when the selection holds a
    // tab-kind entry (the process learns that it makes tab documents).
    void update(const settings::Record& record, const std::function<void()>& seen = {});

    const settings::PageList& selected() const { return selected_; }
    const std::vector<QualifyingTab>& tabs() const { return tabs_; }

private:
    bool valid_ = false;
    settings::SelectionInputs inputs_;
    std::vector<std::uint8_t> looked_at_;  // the start of the area the decoder read
    settings::PageList selected_;
    std::vector<QualifyingTab> tabs_;
    bool has_tab_entry_ = false;
};

// Whether the job setup carries the tab procedure set: the tab selection holds a tab-kind entry.
bool needs_tab_procset(const settings::Record& record);

// One tab sheet into the stream: true when it was written.
using TabSheetMaker =
    std::function<bool(const QualifyingTab& tab, bool print_on_page, std::u16string_view title)>;
using Writer = std::function<void(std::string_view)>;

// The tab page texts of one call; all write nothing when `tabs` is empty.
void write_tab_setup(const std::vector<QualifyingTab>& tabs, const Writer& write);
void write_tab_page_release(const std::vector<QualifyingTab>& tabs, const Writer& write);
// The sheets of page `page` (when a maker is given) and the end-of-page-setup callback.
void write_tab_page_sheets(const std::vector<QualifyingTab>& tabs, std::uint64_t page,
                           std::uint8_t& stream_flag, const TabSheetMaker* make, const Writer& write);
void write_tab_page_trailer(const std::vector<QualifyingTab>& tabs, std::uint8_t& stream_flag,
                            const Writer& write);
// The sheets of the tabs past the last page.
void write_tabs_after_document(const std::vector<QualifyingTab>& tabs, std::uint64_t pages,
                               std::uint8_t& stream_flag, const TabSheetMaker* make, const Writer& write);

// "%s %u" of the title text and the page, at most 255 units.
std::u16string tab_title(std::u16string_view text, std::uint32_t page);

}  // namespace zenta::stream
