#include "stream/pjl_header.h"

#include <algorithm>
#include <iterator>
#include <vector>

#include "features/families.h"
#include "stream/text.h"
#include "util/once.h"
#include "util/utf.h"

namespace zenta::stream {
namespace {

using features::FeatureId;

// The variables the controller takes from rules that read several fields or write several
// lines: the walk leaves their features out, whatever PJL mode the option data gives them.
// A name ending in '*' stands for every variable it begins.
constexpr std::string_view kRuleVariables[] = {
    // orientation, output paper, bleed
    "ORIENTATION", "OUTPUTPAPER", "OUTPUTPAPERSIZEWIDTH", "OUTPUTPAPERSIZEHEIGHT", "FULLBLEED",
    // finishing
    "FINISH", "STAPLEPITCH", "STITCH", "STITCHNUM", "PUNCH", "PUNCHNUM", "FOLDING", "COPIESOFFSET",
    "SHEETSOFFSET", "JOBOFFSET", "SLIT", "SLITPOSITION1", "SLITPOSITION2", "BODYSLITPOSITIONOFFSET", "CREASE",
    "CREASELINE", "CREASEPOSITION", "TRIMMINGPROFILEID", "COVERTRIMMINGPROFILEID",
    // main paper profile
    "MEDIATYPE", "MEDIAWEIGHT", "MEDIACOLOR", "MEDIAPREPUNCHED", "PAPERPROFILEID", "FAVORITESPECIALID",
    "MEDIAWEIGHTUNIT", "MEDIACOLORNAME",
    // image shift, banner page, perfect binding, overlays
    "IMAGESHIFT", "IMAGESHIFTINFO", "HIGHPRECISIONIMAGESHIFTINFO", "HEADERPAGE", "HEADERPAGETRAY",
    "PERFECTBINDPAPERSIZE", "PERFECTBINDTRAY", "PERFECTBINDMEDIACOLORNAME", "PERFECTBINDPAPERPROFILEID",
    "ZENTAOVERLAYALL", "ZENTAOVERLAYPAGE", "ZENTAOVERLAYPAGEREPEAT", "ZENTAPREPENDJOB", "ZENTAAPPENDJOB",
    "COLORVALIDATION", "CHAPTERMODE", "CHAPTER",
    // covers and page-specific sheets
    "PERPAGESET*", "PPS*", "QVINDEXINFO1", "QVINDEXINFO2",
    // colour
    "TWOCLRMAPPING*", "CBCOLORPATCH*", "CBJOB*", "CBSW*", "DSTPROFILEMODE", "USDSTPROFILE",
    "REPLACECOLORMODE2", "REPLACECOLORTABLE", "PRIORITYSPOTCOLORMODE", "PRIORITYSPOTCOLORTABLENAME",
    "COLORMANAGEMENT", "RGBDLPROFILE*", "USSRCPROFILE", "CMYKDLPROFILE*", "USSIMPROFILE", "PUREBLACKMODE",
    "BLACKOVERPRINTMODE", "NEUGRAYRGB", "NEUGRAYCMYK", "COMPOSITEOVERPRINT", "SPOTCOLORMODE2",
    "USERGBEMBEDDEDPROFILE", "USECMYKEMBEDDEDPROFILE", "RGBSIMULATION", "USEPDFXOUTPUTINTENT", "TONECURVE1",
    "TONECURVE2", "SCREEN1", "SCREEN2",
    // trim box, stamps, numbering, mail, copy guard
    "TRIMBOX*", "BLEEDBOXWIDTH", "PRINTTRIMBOX", "DTSTP*", "PAGESTAMP", "PSTP*", "NUMBERING*", "SENDEMAIL*",
    "JIMON*",
    // copies, imposition numbers, tab shift
    "COPIES", "QTY", "PAGELOOP", "SCALE", "FITTOPAPER", "OVERLAPWIDTH", "OVERLAPHEIGHT",
    "PERPAGESETPAGEREPEAT", "TABIMAGESHIFT*",
    // output method, accounts, PDF, comment, user authentication
    "QVJOBID", "HOLDKEY2", "ZENTAFORMSAVE", "HOLD", "BOXHOLD", "BOXFOLDERNAME", "BOXFOLDERPASSWORD",
    "BOXIDNAME", "QVSECTIONNAME", "QVSECTIONKEY2", "EXTFILESEARCHDIR", "PDFPASSWD", "JOBCOMMENT",
    "QVUSERNAME", "QVUSERKEY2", "QVCERT*"};

}  // namespace

bool written_by_rule(std::string_view variable) {
    return std::any_of(std::begin(kRuleVariables), std::end(kRuleVariables), [&](std::string_view name) {
        if (name.ends_with('*')) return variable.starts_with(name.substr(0, name.size() - 1));
        return variable == name;
    });
}

namespace {

// The PJL variables of the feature list that the walk writes, sorted, found once.
bool walked(std::string_view variable) {
    static util::Once<std::vector<std::string_view>> once;
    const std::vector<std::string_view>& variables = once.get([] {
        std::vector<std::string_view> list;
        for (const features::Feature& f : features::kFeatures)
            if (f.descriptor && !f.descriptor->pjl_variable.empty() && !written_by_rule(f.descriptor->pjl_variable))
                list.push_back(f.descriptor->pjl_variable);
        std::sort(list.begin(), list.end());
        return list;
    });
    return std::binary_search(variables.begin(), variables.end(), variable);
}

}  // namespace

std::string pjl_job_header(const settings::Record& record, const JobIdentity& job) {
    std::string out;
    if (job.job_id && !job.job_id->empty())
        append_pjl_set(out, "DRIVERJOBID", *job.job_id, PjlQuoting::Always);
    append_pjl_set(out, "STRINGCODESET", "UTF8", PjlQuoting::Automatic);
    append_pjl_set(out, "QVCOETYPE", "2", PjlQuoting::Automatic);
    if (job.user_name) append_pjl_set(out, "USERNAME", *job.user_name, PjlQuoting::Always);
    const std::string_view file_name = record.text(FeatureId::FileName);
    const std::optional<std::string_view> job_name = !file_name.empty()
                                                         ? std::optional<std::string_view>(file_name)
                                                     : job.title ? std::optional<std::string_view>(*job.title)
                                                                 : std::nullopt;
    if (job_name)
        append_pjl_set(out, "JOBNAME", util::utf8_prefix(*job_name, kJobNameBytes), PjlQuoting::Always);

    std::vector<features::PjlPair> pairs;
    features::collect_pjl_pairs(record.view(), pairs);
    for (const features::PjlPair& pair : pairs)
        if (walked(pair.variable))
            append_pjl_set(out, pair.variable, pair.value, PjlQuoting::Automatic);
    return out;
}

}  // namespace zenta::stream
