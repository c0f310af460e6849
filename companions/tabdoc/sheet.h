#pragma once
// One tab sheet as a PostScript document that follows the Document Structuring Conventions and
// is laid out as the PostScript driver lays out a job, so that the plug-in's tab file service
// can take the parts it keeps out of it:
//
//   %!PS-Adobe-3.0, the header comments      ]
//   %%BeginProlog: the procedure set that    ]  kept: from "%!PS-Adobe-3" to "%%BeginSetup"
//   defines featurebegin and featurecleanup  ]
//   %%BeginSetup
//   userdict /ZentaTabDocument get begin        kept: from "userdict" to the first "featurebegin{"
//   featurebegin{ %%BeginFeature: *Keyword Option, the PPD's invocation, %%EndFeature
//   }featurecleanup, for every setup feature of the PPD in order: among them QWOpCreator,
//   QWOpPPDVersion and PageSize (the tab page), each kept up to the next "featurebegin{"
//   %%EndSetup, %%Page: 1 1, the (empty) page setup
//   1 setlinecap 1 setlinejoin                ]
//   the tab data in ZentaTABdict, the call of ]  kept: from "1 setlinecap 1 setlinejoin" to
//   Zenta_TP1, %%PageTrailer, %%Trailer, end  ]  "%%EOF"
//   %%EOF
//
// The tab data is that of one tab, handled by the next Zenta_TP1 call (the call the document
// makes): TABcount 0, TABpagenumbers [the page count of the job + 1], TABsets [the entry's
// set], the TABsets_* arrays of both layout sets of the record (0: Tab1*, 1: Tab2*), TABtexts,
// TABposnumbers and TABinsertflags of the tab. A sheet printed on its page (placement 0, spliced
// where the stream set userdict /ZENTANEP true) has insert flag 0: Zenta_TP1 draws the text on
// the current page and ends no page. Every other sheet has insert flag 1: Zenta_TP1 draws the
// text on a page of its own and ends it. Without the tab procedures (the document on its own)
// a sheet of its own is a blank tab page.
//
// No text of the document's own (title, tab text, font name) can hold a marker the extraction
// looks for: a "%" inside a string is written as \045, and the title is a string when it needs
// escapes.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ppd.h"
#include "settings/record.h"

namespace zenta::tabdoc {

struct TabSheet {
    std::string title;  // UTF-8
    bool landscape = false;
    unsigned resolution = 0;  // dpi: the PPD's Resolution option "<n>dpi" when it has it
    std::array<std::uint8_t, 5> attributes{};
    std::string text;  // the tab text as the entry holds it (UTF-8)
};

// One layout set of tab stock, in the units the tab procedures take (points and degrees).
struct TabLayout {
    std::string page;  // the tab page name, a PageSize keyword: "QVA4Tab1"
    unsigned tabs = 1;
    double top = 0;
    double bottom = 0;
    double height = 0;
    int orient = 0;         // text rotation in degrees
    bool vertical = false;  // vertical writing: (TB)
    std::string position;   // "Top", "Center", "Bottom"
    double offset = 0;      // the text's offset across the nose
    double font_size = 12;
    bool italic = false;
    bool bold = false;
    double line_spacing = 1;  // a multiple of the font size
    std::string font;         // font name; Helvetica when the record names none
};

// Set 0 from the record's Tab1* settings, any other set from its Tab2* settings. Values outside
// their ranges are clamped; options beyond their tables read as their defaults.
TabLayout tab_layout(const settings::Record& record, unsigned set);

// The text of a tab: UTF-8 made ISO Latin-1 when every character has a Latin-1 code (the tab
// fonts of Latin scripts are re-encoded so), otherwise the bytes as they are (for a UTF-8
// font); one string per line (lines end at LF, a CR before it is dropped).
std::vector<std::string> tab_lines(std::string_view text);

// The whole document.
std::string tab_document(const Ppd& ppd, const TabSheet& sheet, const settings::Record& record);

}  // namespace zenta::tabdoc
