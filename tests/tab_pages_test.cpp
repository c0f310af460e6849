// The tab page logic: which entries get a sheet, and the texts around the pages they belong to,
// with a stand-in for the tab file service.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/defaults.h"
#include "stream/tab_pages.h"
#include "stream/tab_texts.h"
#include "util/utf.h"

namespace zenta::stream {
namespace {

settings::PageEntry tab(std::uint16_t page, std::uint8_t placement, const char* text = "Chapter") {
    settings::PageEntry entry;
    entry.kind = 5;
    entry.setting.placement = placement;
    entry.setting.setting_text = text;
    entry.pages = {{page, page}};
    return entry;
}

settings::Record record_with(const settings::PageList& list) {
    settings::Record record = settings::make_default_record({settings::kPaperA4, "Arial"});
    EXPECT_TRUE(settings::store_pages(record, list));
    return record;
}

TEST(TabPages, WhichEntriesGetASheet) {
    settings::PageEntry range = tab(2, 0);
    range.pages = {{2, 3}};
    settings::PageEntry skipped = tab(4, 0);
    skipped.setting.skip = true;
    settings::PageEntry other_placement = tab(5, 2);
    settings::PageEntry paper;
    paper.kind = 3;
    paper.pages = {{6, 6}};
    int seen = 0;
    const auto tabs = qualifying_tabs(
        record_with({tab(1, 0), range, skipped, other_placement, paper, tab(7, 1)}), [&] { ++seen; });
    ASSERT_EQ(tabs.size(), 2u);
    EXPECT_EQ(tabs[0].page, 1u);
    EXPECT_TRUE(tabs[0].printed_on_page);
    EXPECT_EQ(tabs[1].page, 7u);
    EXPECT_FALSE(tabs[1].printed_on_page);
    EXPECT_EQ(seen, 5) << "every tab entry looked at";

    settings::Record shifted = record_with({tab(1, 0)});
    shifted.set_raw(features::FeatureId::TabImageShift, 1);
    EXPECT_TRUE(qualifying_tabs(shifted).empty());
    EXPECT_TRUE(needs_tab_procset(shifted));
    EXPECT_FALSE(needs_tab_procset(record_with({paper})));
}

// The selection kept with a document always follows the record of the call: a new list, a
// setting the selection depends on, or a list that only differs behind its own end.
TEST(TabPages, TheKeptSelectionFollowsTheRecord) {
    const settings::Record one_tab = record_with({tab(1, 0)});
    settings::Record two_tabs = record_with({tab(1, 0), tab(3, 1)});
    settings::Record collated = two_tabs;
    collated.set_raw(features::FeatureId::Collate, 1);
    settings::Record shifted = two_tabs;
    shifted.set_raw(features::FeatureId::TabImageShift, 1);
    settings::Record trailing_bytes = one_tab;
    trailing_bytes.field(features::FeatureId::PageSpecificTrays).back() = 0x55;

    PageSelection kept;
    int seen = 0;
    const auto count = [&](const settings::Record& record) {
        kept.update(record, [&] { ++seen; });
        EXPECT_EQ(kept.selected(), settings::select_pages(record, settings::kSelectTabs));
        return kept.tabs().size();
    };
    EXPECT_EQ(count(one_tab), 1u);
    EXPECT_EQ(count(two_tabs), 2u);
    EXPECT_EQ(count(collated), 0u);
    EXPECT_EQ(count(shifted), 0u);
    EXPECT_EQ(count(two_tabs), 2u);
    EXPECT_EQ(count(trailing_bytes), 1u);
    EXPECT_EQ(count(one_tab), 1u);
    EXPECT_EQ(seen, 6) << "told on every update whose selection holds a tab";
}

TEST(TabPages, TitlesAreCutAt255Units) {
    EXPECT_EQ(tab_title(u"Printed Tab on", 3), u"Printed Tab on 3");
    EXPECT_EQ(tab_title(std::u16string(300, u'x'), 12).size(), 255u);
}

// A document of `pages` pages through the page points, with the sheets a fake service makes.
std::string run_job(const std::vector<QualifyingTab>& tabs, std::uint64_t pages, bool printer,
                    std::vector<std::string>* titles = nullptr) {
    std::string out;
    const Writer write = [&](std::string_view text) { out += text; };
    const TabSheetMaker make = [&](const QualifyingTab& t, bool on_page, std::u16string_view title) {
        if (titles) titles->push_back(util::utf16_to_utf8(title));
        out += on_page ? "[printed " : "[inserted ";
        out += t.entry.setting.setting_text + "]";
        return true;
    };
    std::uint8_t flag = 0;
    write_tab_setup(tabs, write);
    for (std::uint64_t page = 1; page <= pages; ++page) {
        write_tab_page_release(tabs, write);
        write_tab_page_sheets(tabs, page, flag, printer ? &make : nullptr, write);
        write_tab_page_trailer(tabs, flag, write);
    }
    write_tabs_after_document(tabs, pages, flag, printer ? &make : nullptr, write);
    return out;
}

TEST(TabPages, TextsAroundTheSheets) {
    const std::string restore(page_device_restore());
    EXPECT_EQ(run_job({}, 3, true), "") << "a job without tabs writes no tab text";

    std::vector<std::string> titles;
    const auto tabs =
        qualifying_tabs(record_with({tab(1, 0, "A"), tab(1, 1, "B"), tab(3, 1, "C"), tab(12, 0, "D")}));
    const std::string out = run_job(tabs, 10, true, &titles);
    EXPECT_EQ(out.rfind(qxp1tab_definition(true) + std::string(erase_page_wrapper()), 0), 0u);
    // Page 1: the printed tab, then the restore before the inserted one, which restores at once.
    const std::string page1 = std::string(page_save_release()) + "[printed A]" + restore + "[inserted B]" +
                              restore + std::string(end_of_page_setup_callback()) +
                              std::string(qxp_fix_call());
    EXPECT_NE(out.find(page1), std::string::npos);
    EXPECT_NE(out.find("[inserted D]" + restore), std::string::npos) << "a tab past the last page, inserted";
    EXPECT_EQ(titles, (std::vector<std::string>{"Printed Tab on 1", "Inserted Tab before 1",
                                                "Inserted Tab before 3", "Tab after Document 12"}));

    // Without a printer no sheet is made, but the page texts still come.
    const std::string none = run_job(tabs, 2, false);
    EXPECT_EQ(none.find("[printed"), std::string::npos);
    EXPECT_NE(none.find(std::string(end_of_page_setup_callback())), std::string::npos);

    // A printed tab owes its restore at the page trailer.
    const std::string printed = run_job(qualifying_tabs(record_with({tab(2, 0, "P")})), 2, true);
    EXPECT_NE(printed.find("[printed P]" + std::string(end_of_page_setup_callback()) +
                           std::string(qxp_fix_call()) + restore),
              std::string::npos);
    EXPECT_EQ(printed.rfind(qxp1tab_definition(false), 0), 0u) << "the printed tab is on page 2";
}

}  // namespace
}  // namespace zenta::stream
