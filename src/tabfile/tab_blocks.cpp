#include "tabfile/tab_blocks.h"

namespace zenta::tabfile {
namespace {

constexpr std::string_view kTabSaveBlock =
    "\r\n"
    "userdict /ZENTAQVSAVE ZTQVFeatures length dict put\r\n"
    "ZTQVFeatures {userdict /ZENTAQVSAVE get 3 -2 roll put} forall\r\n"
    "userdict /ZENTAUDSAVE undef userdict /ZENTADISAVE undef userdict /ZENTASDSAVE\r\n"
    "undef userdict /ZENTACPDSAVE undef userdict /ZENTACPDSAVE 100 dict put\r\n"
    "currentpagedevice {userdict /ZENTACPDSAVE get 3 -2 roll put} forall userdict\r\n"
    "/ZENTAUDSAVE 100 dict put /LH {1 //showpage exec pop} executeonly def userdict\r\n"
    "{exch dup /ZENTAUDSAVE eq not {userdict /ZENTAUDSAVE get 3 -2 roll exch put}{pop\r\n"
    "pop} ifelse} forall userdict /ZENTADISAVE countdictstack array dictstack put\r\n"
    "userdict /ZENTADISAVE get aload pop countdictstack -3 roll pop pop pop\r\n"
    "countdictstack 3 sub array astore userdict /ZENTADISAVE 3 -1 roll put\r\n"
    "countdictstack 3 sub {end} repeat userdict /ZTQVFeatures get /QXP1Tab get\r\n"
    "userdict /ZTQVFeatures get /QXP1Tab undef count array astore userdict\r\n"
    "/ZENTASDSAVE 3 -1 roll put userdict {type /savetype eq {dup userdict exch undef}\r\n"
    "if pop} forall\r\n";

constexpr std::string_view kNoEraseBlock =
    "\r\n"
    "userdict /ZENTANEP true put userdict /showpage {} put\r\n";

constexpr std::string_view kTabRestoreBlock =
    "\r\n"
    "clear userdict {type /savetype eq {dup userdict exch undef} if pop} forall\r\n"
    "userdict /ZENTASDSAVE known { userdict /ZENTASDSAVE get aload pop userdict\r\n"
    "/ZENTASDSAVE undef } if userdict /ZENTADISAVE known { countdictstack 3 sub {end}\r\n"
    "repeat userdict /ZENTADISAVE get 0 1 2 index length 1 sub {1 index exch get\r\n"
    "begin} for pop userdict /ZENTADISAVE undef } if userdict /ZENTAUDSAVE known {\r\n"
    "userdict /ZENTANEP known {userdict /ZENTANEP get}{null} ifelse userdict { pop\r\n"
    "userdict exch dup /ZENTAUDSAVE eq {pop pop}{undef} ifelse } forall userdict\r\n"
    "/ZENTAUDSAVE get { exch dup /ZENTAUDSAVE eq {pop pop} {userdict 3 -2 roll exch\r\n"
    "put} ifelse } forall userdict /ZENTAUDSAVE undef dup null eq not {userdict\r\n"
    "/ZENTANEP 3 -1 roll put}{pop} ifelse } if userdict /ZTQVFeatures get /QXP1Tab 3\r\n"
    "-1 roll put userdict /ZENTACPDSAVE known { userdict /ZENTASPDSAVE /setpagedevice\r\n"
    "load put userdict begin /setpagedevice { userdict /ZENTACPDSAVE known { {userdict\r\n"
    "/ZENTACPDSAVE get 3 -2 roll put} forall } if } def end ZTQVFeatures dup /Zenta_P5\r\n"
    "get /ZENTA_NB5 exch put ZTQVFeatures /Zenta_P5 { initmatrix ZTQVFeatures /ZENTA_NB5\r\n"
    "get ZTQVFeatures /Zenta_P5 3 -1 roll put ZTQVFeatures /ZENTA_NB5 undef ZTQVFeatures\r\n"
    "/ZENTA_NB5P 3 -1 roll put } put } if ZTQVFeatures /pmx_t known { ZTQVFeatures\r\n"
    "/pmx_t get null ne { ZTQVFeatures /Appl1Dict get /pmx ZTQVFeatures /pmx_t get put}{\r\n"
    "ZTQVFeatures /dMN get null ne { ZTQVFeatures /dMN get matrix defaultmatrix matrix\r\n"
    "concatmatrix ZTQVFeatures /pmx_t 3 -1 roll put ZTQVFeatures /Appl1Dict get /pmx\r\n"
    "ZTQVFeatures /pmx_t get put }if }ifelse } if\r\n"
    "ZTQVFeatures /Zenta_dV9 userdict /ZENTAQVSAVE get /Zenta_dV9_tab 2 copy known\r\n"
    "{get} {pop pop [1 0 0 1 0 0]}\r\n"
    "ifelse put\r\n"
    "ZentaTABdict /Zenta_TP2 get exec\r\n";

}  // namespace

std::string_view tab_save_block() { return kTabSaveBlock; }
std::string_view no_erase_block() { return kNoEraseBlock; }
std::string_view tab_restore_block() { return kTabRestoreBlock; }

std::string tab_sheet_text(std::string_view extracted, bool printed_on_page) {
    std::string text;
    text.reserve(kTabSaveBlock.size() + kNoEraseBlock.size() + extracted.size() + kTabRestoreBlock.size());
    text += kTabSaveBlock;
    if (printed_on_page) text += kNoEraseBlock;
    text += extracted;
    text += kTabRestoreBlock;
    return text;
}

}  // namespace zenta::tabfile
