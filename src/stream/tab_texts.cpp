#include "stream/tab_texts.h"

namespace zenta::stream {
namespace {

constexpr std::string_view kQxp1TabHead =
    "\r\n"
    "userdict /ZTQVFeatures 2 copy known {pop pop}{100 dict put} ifelse\r\n"
    "ZTQVFeatures /QXP1Tab ";

// The erasepage in force when the wrapper is read is built in by "//erasepage"; a procedure
// there (an earlier wrapper) is run with exec like an operator.
constexpr std::string_view kErasePageWrapper =
    "\r\n"
    "userdict /ZTQVFeatures known not {userdict /ZTQVFeatures 100 dict put} if\r\n"
    "userdict /erasepage {userdict /ZENTANEP known {userdict /ZENTANEP get true eq}{false} ifelse\r\n"
    "{userdict /ZTQVFeatures known {userdict /ZTQVFeatures get dup /QXP1Tab known exch /IsQxDict known\r\n"
    "and}{false} ifelse}{false} ifelse\r\n"
    "{mark userdict /ZTQVFeatures get /IsQxDict get exec cleartomark}{//erasepage exec} ifelse}\r\n"
    "bind put\r\n"
    "ZTQVFeatures /pmx_n known not {ZTQVFeatures /pmx_n null put} if\r\n"
    "ZTQVFeatures /pmx_t known not {ZTQVFeatures /pmx_t null put} if\r\n"
    "ZTQVFeatures /dMN known not {ZTQVFeatures /dMN null put} if\r\n"
    "ZTQVFeatures /dMT known not {ZTQVFeatures /dMT null put} if\r\n"
    "ZTQVFeatures /ZENTAQXPFix {userdict /ZTQVFeatures get\r\n"
    "dup /QXP1Tab known 1 index /IsQxDict known and 1 index /Appl1Dict known and {\r\n"
    "dup /pmx_n 2 copy known {get}{pop pop null} ifelse null eq\r\n"
    "1 index /pmx_t 2 copy known {get}{pop pop null} ifelse null eq and\r\n"
    "1 index /Appl1Dict get dup type /dicttype eq {/pmx known}{pop false} ifelse and}{false} ifelse\r\n"
    "{mark 1 index /IsQxDict get exec counttomark 1 ge {dup true eq}{false} ifelse\r\n"
    "counttomark 1 add 1 roll cleartomark}{false} ifelse\r\n"
    "{dup /Appl1Dict get /pmx get 6 array copy dup matrix defaultmatrix matrix invertmatrix\r\n"
    "matrix concatmatrix 2 index /QXP1Tab get true eq {/pmx_t /dMT}{/pmx_n /dMN} ifelse\r\n"
    "4 index exch 4 -1 roll put exch 2 index 3 1 roll put pop}{pop} ifelse} bind put\r\n";

constexpr std::string_view kPageSaveRelease =
    "\r\n"
    "userdict /pagesave known {userdict /pagesave get}{null}ifelse dup null eq {false}\r\n"
    "{true exch restore}ifelse ZTQVFeatures /ZENTASaveAfterTab 3 -1 roll put\r\n";

constexpr std::string_view kEndOfPageSetupCallback =
    "\r\n"
    "userdict /ZTQVPluginEndPageSetupCallBack {userdict /ZTQVFeatures known {\r\n"
    "ZTQVFeatures /ZENTASaveAfterTab known {ZTQVFeatures /ZENTASaveAfterTab get true eq\r\n"
    "{userdict /pagesave save put} if ZTQVFeatures /ZENTASaveAfterTab undef} if\r\n"
    "ZTQVFeatures dup /Zenta_dV9 known exch /Zenta_V9 known and {ZTQVFeatures /Zenta_V9 get\r\n"
    "ZTQVFeatures /Zenta_dV9 get matrix concatmatrix matrix defaultmatrix matrix concatmatrix\r\n"
    "setmatrix} if} if} bind put\r\n";

// The page matrix that ZENTAQXPFix captured (pmx_n, pmx_t, dMN, dMT) is kept when it was taken
// after the save: it is taken once per job. pmx_t that the restore block computed from dMN is
// put back, unless dMT shows that it was captured.
constexpr std::string_view kPageDeviceRestore =
    "\r\n"
    "userdict /ZENTACPDSAVE known {userdict /setpagedevice undef\r\n"
    "userdict /ZENTASPDSAVE known {userdict /ZENTASPDSAVE get dup /setpagedevice load eq\r\n"
    "{pop}{userdict /setpagedevice 3 -1 roll put} ifelse userdict /ZENTASPDSAVE undef} if\r\n"
    "userdict /ZENTACPDSAVE get userdict /ZENTACPDSAVE undef\r\n"
    "dup length dict 1 index {1 index /PageSize eq {pop pop}{2 index 3 1 roll put} ifelse} forall\r\n"
    "mark exch {setpagedevice} stopped cleartomark\r\n"
    "dup /PageSize known {/PageSize get mark exch 2 dict dup /PageSize 4 -1 roll put\r\n"
    "{setpagedevice} stopped cleartomark}{pop} ifelse userdict /ZENTANEP undef} if\r\n"
    "userdict /ZTQVFeatures known {\r\n"
    "ZTQVFeatures /ZENTA_NB5 known {ZTQVFeatures dup /ZENTA_NB5 get /Zenta_P5 exch put\r\n"
    "ZTQVFeatures /ZENTA_NB5 undef} if\r\n"
    "ZTQVFeatures /ZENTA_NB5P known {ZTQVFeatures /ZENTA_NB5P get ZTQVFeatures /ZENTA_NB5P undef\r\n"
    "ZTQVFeatures /Zenta_P5 known {ZTQVFeatures /Zenta_P5 get exec}{pop} ifelse} if\r\n"
    "ZTQVFeatures /Appl1Dict known {\r\n"
    "ZTQVFeatures /pmx_n known {ZTQVFeatures /pmx_n get}{null} ifelse dup null ne\r\n"
    "{ZTQVFeatures /Appl1Dict get /pmx 3 -1 roll put}{pop\r\n"
    "ZTQVFeatures /dMT known {ZTQVFeatures /dMT get}{null} ifelse dup null ne\r\n"
    "{matrix defaultmatrix matrix concatmatrix ZTQVFeatures /Appl1Dict get /pmx 3 -1 roll put}\r\n"
    "{pop} ifelse} ifelse} if\r\n"
    "userdict /ZENTAQVSAVE known {userdict /ZENTAQVSAVE get {\r\n"
    "1 index dup /pmx_n eq exch dup /dMN eq exch /dMT eq or or\r\n"
    "{ZTQVFeatures 2 index 2 copy known {get null ne}{pop pop false} ifelse}\r\n"
    "{1 index /pmx_t eq {ZTQVFeatures /dMT 2 copy known {get null ne}{pop pop false} ifelse}\r\n"
    "{false} ifelse} ifelse\r\n"
    "{pop pop}{ZTQVFeatures 3 1 roll put} ifelse} forall userdict /ZENTAQVSAVE undef} if\r\n"
    "ZTQVFeatures dup /ZTQVPSname known exch /Zenta_P5 known and\r\n"
    "{ZTQVFeatures begin ZTQVPSname /Zenta_P5 load end exec} if} if\r\n";

constexpr std::string_view kQxpFixCall =
    "\r\n"
    "userdict /ZTQVFeatures known { userdict /ZTQVFeatures get dup /QXP1Tab known\r\n"
    "ZTQVFeatures /ZENTAQXPFix known and {/ZENTAQXPFix get exec} {pop}ifelse }if\r\n";

}  // namespace

std::string qxp1tab_definition(bool page1) {
    std::string out(kQxp1TabHead);
    out += page1 ? "true" : "false";
    out += " put\r\n";
    return out;
}

std::string_view erase_page_wrapper() { return kErasePageWrapper; }
std::string_view page_save_release() { return kPageSaveRelease; }
std::string_view end_of_page_setup_callback() { return kEndOfPageSetupCallback; }
std::string_view page_device_restore() { return kPageDeviceRestore; }
std::string_view qxp_fix_call() { return kQxpFixCall; }

}  // namespace zenta::stream
