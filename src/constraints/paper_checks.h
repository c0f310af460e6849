#pragma once
// Paper compatibility checks: whether the paper of a paper source may be used for a purpose.
//
// Media checks. A paper is described by its media attributes (type, weight, color, custom color
// name, prepunched, weight unit), read from the record for one paper source or for the selected
// paper profile. A check number (0 to 47) and the printer configuration select a list of
// forbidden media combinations; the paper is allowed when no entry of the list matches it. An
// entry field equal to the field's unset value means "any"; a paper field that is unset never
// matches a field that an entry names.
//
// Size checks. The second kind of check works on PdPaperSizeConstraint lists, kept as constant
// data in paper_lists.inc and built per configuration (each list ends with a record of size id 0).
//
// Size ids: PageSize option i (0 to 25, A3 ... QVLetterTab) has size id i + 1, so that no paper
// shares the id 0 that ends a list; the custom page size (PageSize 26) has id 28. A stored
// PageSize beyond the custom value reads as the feature's default option, as everywhere else.
//
// The printer model the lists describe (lengths in the record's unit, 1/10000 mm):
// - The paper trays feed sheets whose leading edge is 95 to 297 mm wide and that are 139.7 to
//   431.8 mm long in the feed direction. The wide paper path (configuration byte 32 = 1) takes
//   leading edges up to 330.2 mm and lengths up to 487.7 mm: SRA3, TabloidExtra and 13x19 are
//   fed only with it. Without a configuration the wide path is taken as present, so that the
//   engine never takes a paper size away from a printer it does not know.
// - The manual bypass (MBT) takes leading edges up to 330.2 mm and lengths from 100 mm on.
// - The duplex path turns sheets whose leading edge is at least 139.7 mm and that are at least
//   182 mm long in the feed direction. Hence Postcard, A6, B6 and ISOB6 are simplex only, and
//   A5, ISOB5 and Statement are duplexed only when fed short edge first. Tab stock is printed
//   on its face only.
// - Tab stock is loaded the way its tabs need, whatever the tray; the letter tab (size id 26)
//   always has every feed direction and the A4 tabs are in no feed direction list.
//
// Size check lists (89: sizes the automatic source selection can feed, the PageSize setter;
// 105: sizes the automatic selection can feed while it must also match the media, the media
// setters of every source; the postcard-class papers and tab stock are loaded in the bypass or as
// they are and are never matched by media). A size that is not listed is not fed. Modes:
//   0  simplex and duplex, in any feed direction the trays allow;
//   1  simplex only;
//   2  duplex only when fed short edge first (or in the direction the printer chooses).
// The custom size (id 28) may stand in several records: the first whose limits hold the sheet
// decides. Its limits are for the sheet's short edge (min/max width) and long edge (min/max
// height), whichever way the width and height were entered: the printer turns custom sheets as
// they fit.
//
// Feed direction lists (118: the paper trays, 119: the manual bypass). The feed direction set is
// a bit set: 1 the printer's choice (Auto), 2 short edge first (ShortEdge), 4 long edge first
// (LongEdge). A size that is not listed can be fed every way (7); mode 1 = short edge first only
// (3), mode 2 = long edge first only (5), any other mode = the printer's choice only (1). Sheets
// longer than the widest leading edge feed short edge first only; in the trays, sheets shorter
// than 139.7 mm on their short edge also feed short edge first only. Sheets from the
// post-inserter trays and sheets of a paper profile keep the direction they were defined with.
//
// A size check (check_paper_size) passes when the check number has no list; otherwise the paper's
// size must be listed (for the custom size: within a record's limits), a mode 1 size must not be
// duplexed, a mode 2 size must not be duplexed long edge first, and the paper's feed direction
// must lie in the feed direction set of the trays. For the numbers 118 and 119 themselves the
// check asks only whether the paper's feed direction lies in that list's set.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "environment/printer_data.h"
#include "settings/record.h"

namespace zenta::constraints {

// The printer configuration the engine receives: the installable options block; absent = nullptr.
using Configuration = environment::InstallableOptions;

// The media attributes of one paper. Every unset value is the option count of its feature, so it
// is never a stored option.
struct PaperAttributes {
    std::uint32_t media_type = 8, media_weight = 13, media_color = 14;
    std::string custom_color_name;  // up to 20 characters
    std::uint8_t prepunched = 2;
    std::uint32_t weight_unit = 11;

    friend bool operator==(const PaperAttributes&, const PaperAttributes&) = default;
};

inline constexpr std::uint32_t kUnsetMediaType = 8;
inline constexpr std::uint32_t kUnsetMediaWeight = 13;
inline constexpr std::uint32_t kUnsetMediaColor = 14;
inline constexpr std::uint32_t kUnsetPrepunched = 2;
inline constexpr std::size_t kCustomColorNameLength = 20;

// Paper sources: 0 Auto, 1 SubTray, 2 to 10 Tray1 to Tray9, 11 MBT (these are also the InputSlot
// options), 12 PITray1, 13 PITray2. The search for a usable source answers kNoSource when none is.
inline constexpr unsigned kSourceAuto = 0;
inline constexpr unsigned kSourceMbt = 11;
inline constexpr unsigned kSourcePITray1 = 12;
inline constexpr unsigned kSourcePITray2 = 13;
inline constexpr unsigned kNoSource = 12;

// The paper of a source; any number outside 1 to 13 reads the Auto group. A stored index outside
// its option table reads as the feature's default option.
PaperAttributes paper_of_source(unsigned source, const settings::Record&);
// The paper of the selected paper profile (MainPaperProfile*; the profile has no weight unit).
PaperAttributes paper_of_profile(const settings::Record&);
// The source an InputSlot option feeds from (an unknown option feeds from Auto).
unsigned source_of_input_slot(unsigned input_slot);
// The paper of the selected profile when MainPaperProfileIndex is not 0 and the caller does not
// ask for the source; otherwise the paper of the source InputSlot designates.
PaperAttributes current_paper(const settings::Record&, bool from_source = false);

// One entry of a forbidden-combination list: media type, media weight, media color, prepunched.
struct MediaCombination {
    std::uint32_t media_type, media_weight, media_color, prepunched;
};
inline constexpr MediaCombination kListEnd{kUnsetMediaType, kUnsetMediaWeight, kUnsetMediaColor,
                                           kUnsetPrepunched};
inline constexpr unsigned kMediaListCount = 21;   // L0 to L20
inline constexpr unsigned kMediaCheckCount = 48;  // checks 0 to 47

// The built-in list L<number>, entries up to and with the end entry; empty for other numbers.
std::span<const MediaCombination> media_list(unsigned number);
// The number of the list a check selects under the configuration; nothing for unknown checks.
std::optional<unsigned> media_list_of_check(unsigned check, const Configuration* config);
// Whether no entry before the end entry of the list matches the paper.
bool passes_media_list(const PaperAttributes&, std::span<const MediaCombination> list);
// The media check: true when the paper is allowed.
bool check_paper(const PaperAttributes&, unsigned check, const Configuration* config);
// The first source 0 to 11 that the configuration offers and whose paper passes check 42;
// kNoSource when none does or without a configuration.
unsigned find_source(const settings::Record&, const Configuration* config);

struct PdPaperSizeConstraint {
    std::uint32_t paper_size_id, mode, min_width, max_width, min_height, max_height;
    friend bool operator==(const PdPaperSizeConstraint&, const PdPaperSizeConstraint&) = default;
};
// Shared and immutable; ends with a record of size id 0.
using PaperSizeConstraints = std::shared_ptr<const std::vector<PdPaperSizeConstraint>>;

inline constexpr unsigned kSizeCheckAutoSelection = 89;
inline constexpr unsigned kSizeCheckAutoMedia = 105;
inline constexpr unsigned kFeedDirectionTrays = 118;
inline constexpr unsigned kFeedDirectionBypass = 119;
inline constexpr std::size_t kWidePaperPathByte = 32;

// The list for a check number under the configuration; null when the number has none.
PaperSizeConstraints paper_size_constraints(unsigned check, const Configuration* config);

inline constexpr std::uint32_t kLetterTabSizeId = 26;
inline constexpr std::uint32_t kCustomSizeId = 28;
std::uint32_t paper_size_id(unsigned page_size_option);

// Feed directions as stored in FeedDir and the FeedDir features of the sources.
inline constexpr unsigned kFeedAuto = 0;
inline constexpr unsigned kFeedLongEdge = 1;
inline constexpr unsigned kFeedShortEdge = 2;

struct SizedPaper {
    std::uint32_t size_id = 0;
    unsigned feed_direction = kFeedAuto;
    std::uint32_t width = 0, height = 0;  // record units, 1/10000 mm
    bool duplex = false;
    friend bool operator==(const SizedPaper&, const SizedPaper&) = default;
};
// The current paper's size: PageSize (catalogue size or CustomPageSizeWidth/Height), the feed
// direction of the selected profile or of the InputSlot source (FeedDir for Auto), and Duplex.
SizedPaper current_sized_paper(const settings::Record&);
bool check_paper_size(const SizedPaper&, unsigned check, const Configuration* config);

// How a source feeds, as far as the feed direction goes.
enum class FeedSource : std::uint8_t {
    Tray,      // Auto, SubTray, Tray1 to Tray9: list 118
    Bypass,    // MBT: list 119
    Inserter,  // PITray1, PITray2: the paper's own direction
    Profile,   // a paper profile: the paper's own direction
};
FeedSource feed_source_of(unsigned source);
// The bit of a feed direction in a feed direction set: 4 LongEdge, 2 ShortEdge, 1 otherwise.
unsigned feed_direction_bit(unsigned feed_direction);
unsigned feed_direction_set(const SizedPaper&, FeedSource, const Configuration* config);

}  // namespace zenta::constraints
