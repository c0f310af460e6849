// The Windows standard paper numbers DMPAPER_LETTER (1) to DMPAPER_PENV_10_ROTATED (118) with the
// sizes Windows gives them, as its built-in forms of the same numbers carry them (EnumFormsW),
// in micrometres. The two reserved numbers 48 and 49 have no size.

#include <array>

#include "environment/paper_catalogue.h"

namespace zenta::environment {
namespace {

struct StandardPaper {
    std::uint32_t width_um;
    std::uint32_t height_um;
};

inline constexpr unsigned kFirstStandardPaper = 1;
inline constexpr unsigned kLastStandardPaper = 118;

// Row n - 1 is paper number n.
constexpr std::array<StandardPaper, kLastStandardPaper> kStandardPapers{{
    {215900, 279400},   // 1 Letter
    {215900, 279400},   // 2 Letter Small
    {279400, 431800},   // 3 Tabloid
    {431800, 279400},   // 4 Ledger
    {215900, 355600},   // 5 Legal
    {139700, 215900},   // 6 Statement
    {184150, 266700},   // 7 Executive
    {297000, 420000},   // 8 A3
    {210000, 297000},   // 9 A4
    {210000, 297000},   // 10 A4 Small
    {148000, 210000},   // 11 A5
    {257000, 364000},   // 12 B4 (JIS)
    {182000, 257000},   // 13 B5 (JIS)
    {215900, 330200},   // 14 Folio
    {215000, 275000},   // 15 Quarto
    {254000, 355600},   // 16 10x14
    {279400, 431800},   // 17 11x17
    {215900, 279400},   // 18 Note
    {98425, 225425},    // 19 Envelope #9
    {104775, 241300},   // 20 Envelope #10
    {114300, 263525},   // 21 Envelope #11
    {120650, 279400},   // 22 Envelope #12
    {127000, 292100},   // 23 Envelope #14
    {431800, 558800},   // 24 C size sheet
    {558800, 863600},   // 25 D size sheet
    {863600, 1117600},  // 26 E size sheet
    {110000, 220000},   // 27 Envelope DL
    {162000, 229000},   // 28 Envelope C5
    {324000, 458000},   // 29 Envelope C3
    {229000, 324000},   // 30 Envelope C4
    {114000, 162000},   // 31 Envelope C6
    {114000, 229000},   // 32 Envelope C65
    {250000, 353000},   // 33 Envelope B4
    {176000, 250000},   // 34 Envelope B5
    {176000, 125000},   // 35 Envelope B6
    {110000, 230000},   // 36 Envelope (Italy)
    {98425, 190500},    // 37 Envelope Monarch
    {92075, 165100},    // 38 6 3/4 Envelope
    {377825, 279400},   // 39 US Std Fanfold
    {215900, 304800},   // 40 German Std Fanfold
    {215900, 330200},   // 41 German Legal Fanfold
    {250000, 353000},   // 42 B4 (ISO)
    {100000, 148000},   // 43 Japanese Postcard
    {228600, 279400},   // 44 9x11
    {254000, 279400},   // 45 10x11
    {381000, 279400},   // 46 15x11
    {220000, 220000},   // 47 Envelope Invite
    {0, 0},             // 48 reserved
    {0, 0},             // 49 reserved
    {241300, 304800},   // 50 Letter Extra
    {241300, 381000},   // 51 Legal Extra
    {304800, 457200},   // 52 Tabloid Extra
    {235458, 322326},   // 53 A4 Extra
    {215900, 279400},   // 54 Letter Transverse
    {210000, 297000},   // 55 A4 Transverse
    {241300, 304800},   // 56 Letter Extra Transverse
    {227000, 356000},   // 57 Super A
    {305000, 487000},   // 58 Super B
    {215900, 322326},   // 59 Letter Plus
    {210000, 330000},   // 60 A4 Plus
    {148000, 210000},   // 61 A5 Transverse
    {182000, 257000},   // 62 B5 (JIS) Transverse
    {322000, 445000},   // 63 A3 Extra
    {174000, 235000},   // 64 A5 Extra
    {201000, 276000},   // 65 B5 (ISO) Extra
    {420000, 594000},   // 66 A2
    {297000, 420000},   // 67 A3 Transverse
    {322000, 445000},   // 68 A3 Extra Transverse
    {200000, 148000},   // 69 Japanese Double Postcard
    {105000, 148000},   // 70 A6
    {240000, 332000},   // 71 Japanese Envelope Kaku #2
    {216000, 277000},   // 72 Japanese Envelope Kaku #3
    {120000, 235000},   // 73 Japanese Envelope Chou #3
    {90000, 205000},    // 74 Japanese Envelope Chou #4
    {279400, 215900},   // 75 Letter Rotated
    {420000, 297000},   // 76 A3 Rotated
    {297000, 210000},   // 77 A4 Rotated
    {210000, 148000},   // 78 A5 Rotated
    {364000, 257000},   // 79 B4 (JIS) Rotated
    {257000, 182000},   // 80 B5 (JIS) Rotated
    {148000, 100000},   // 81 Japanese Postcard Rotated
    {148000, 200000},   // 82 Double Japanese Postcard Rotated
    {148000, 105000},   // 83 A6 Rotated
    {332000, 240000},   // 84 Japanese Envelope Kaku #2 Rotated
    {277000, 216000},   // 85 Japanese Envelope Kaku #3 Rotated
    {235000, 120000},   // 86 Japanese Envelope Chou #3 Rotated
    {205000, 90000},    // 87 Japanese Envelope Chou #4 Rotated
    {128000, 182000},   // 88 B6 (JIS)
    {182000, 128000},   // 89 B6 (JIS) Rotated
    {304932, 279521},   // 90 12x11
    {105000, 235000},   // 91 Japanese Envelope You #4
    {235000, 105000},   // 92 Japanese Envelope You #4 Rotated
    {188000, 260000},   // 93 PRC 16K
    {130000, 184000},   // 94 PRC 32K
    {140000, 203000},   // 95 PRC 32K(Big)
    {102000, 165000},   // 96 PRC Envelope #1
    {102000, 176000},   // 97 PRC Envelope #2
    {125000, 176000},   // 98 PRC Envelope #3
    {110000, 208000},   // 99 PRC Envelope #4
    {110000, 220000},   // 100 PRC Envelope #5
    {120000, 230000},   // 101 PRC Envelope #6
    {160000, 230000},   // 102 PRC Envelope #7
    {120000, 309000},   // 103 PRC Envelope #8
    {229000, 324000},   // 104 PRC Envelope #9
    {324000, 458000},   // 105 PRC Envelope #10
    {260000, 188000},   // 106 PRC 16K Rotated
    {184000, 130000},   // 107 PRC 32K Rotated
    {203000, 140000},   // 108 PRC 32K(Big) Rotated
    {165000, 102000},   // 109 PRC Envelope #1 Rotated
    {176000, 102000},   // 110 PRC Envelope #2 Rotated
    {176000, 125000},   // 111 PRC Envelope #3 Rotated
    {208000, 110000},   // 112 PRC Envelope #4 Rotated
    {220000, 110000},   // 113 PRC Envelope #5 Rotated
    {230000, 120000},   // 114 PRC Envelope #6 Rotated
    {230000, 160000},   // 115 PRC Envelope #7 Rotated
    {309000, 120000},   // 116 PRC Envelope #8 Rotated
    {324000, 229000},   // 117 PRC Envelope #9 Rotated
    {458000, 324000},   // 118 PRC Envelope #10 Rotated
}};

static_assert(kStandardPapers[0].width_um == 215900 && kStandardPapers[8].height_um == 297000);
static_assert(kStandardPapers[47].width_um == 0 && kStandardPapers[48].height_um == 0);

}  // namespace

std::optional<PaperSize> standard_paper_size(unsigned windows_paper) {
    if (windows_paper < kFirstStandardPaper || windows_paper > kLastStandardPaper) return std::nullopt;
    const StandardPaper& paper = kStandardPapers[windows_paper - kFirstStandardPaper];
    return PaperSize{paper.width_um, paper.height_um};
}

}  // namespace zenta::environment
