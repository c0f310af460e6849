// The feature rules of the PJL job header for the job's destination and its owner: account
// track, the output method (hold, secure print, user box, form), the PDF/VT search directory and
// PDF password, the job comment and the user authentication that closes the header.
//
// No password leaves the plug-in in clear: every password field is written enciphered
// (encipher_password, upper-case hexadecimal) and between double quotes.

#include <cstdint>
#include <iterator>
#include <span>
#include <string>
#include <string_view>

#include "features/feature_table.h"
#include "stream/password_cipher.h"
#include "stream/pjl_rules.h"
#include "util/byte_order.h"

namespace zenta::stream::pjl {
namespace {

constexpr PjlQuoting kAuto = PjlQuoting::Automatic;
constexpr PjlQuoting kQuoted = PjlQuoting::Always;

// The option a selection stands for, as an index: a stored index beyond the table reads as the
// default index, so that these rules agree with every other reader of the field.
std::uint32_t selected(const Record& record, FeatureId id) {
    const features::FeatureDescriptor* descriptor = features::feature(id).descriptor;
    const std::uint32_t index = record.raw(id);
    if (!descriptor || index < descriptor->option_count()) return index;
    return descriptor->default_index;
}

void set_enciphered(std::string& out, std::string_view variable, std::string_view password) {
    append_pjl_set(out, variable, encipher_password(password), kQuoted);
}

}  // namespace

// QVSECTIONNAME, QVSECTIONKEY2: the department and its password, only with account track on.
void account_track(const Record& record, std::string& out) {
    if (selected(record, FeatureId::AccountTrack) == 0) return;
    append_pjl_set(out, "QVSECTIONNAME", record.text(FeatureId::AccountTrackDepartmentName), kQuoted);
    set_enciphered(out, "QVSECTIONKEY2", record.text(FeatureId::AccountTrackPassword));
}

// The output method, by option index: 0 print, 1 hold and print, 2 hold, 3 hold without
// processing, 4 store in a user box and print, 5 store in a user box, 6 secure print, 7 save as
// a form.
//
// Lines, in this order: QVJOBID and HOLDKEY2 (secure print: its id, its password enciphered);
// ZENTAFORMSAVE (always; ON only for the form); HOLD (methods 1 to 3); for the user box methods
// BOXHOLD, then BOXFOLDERNAME, BOXFOLDERPASSWORD and BOXIDNAME (all quoted).
//
// BOXFOLDERPASSWORD: the controller asks for a password only for a box that has one. A box
// password is therefore written enciphered like every other password; a box without one
// (empty text) gives an empty value, "".
void output_method(const Record& record, std::string& out) {
    static constexpr std::string_view kHold[] = {"", "QVHOLDANDPRINT", "QVHOLD", "QVHOLDNORIP", "", "", "",
                                                 ""};
    static constexpr std::string_view kBoxHold[] = {"", "", "", "", "STOREANDPRINT", "STORE", "", ""};
    const std::uint32_t method = selected(record, FeatureId::OutputMethod);
    const bool known = method < std::size(kHold);

    if (method == 6) {
        append_pjl_set(out, "QVJOBID", record.text(FeatureId::WaitModeSecurePrintId), kQuoted);
        set_enciphered(out, "HOLDKEY2", record.text(FeatureId::WaitModePassword));
    }
    append_pjl_set(out, "ZENTAFORMSAVE", on_off(method == 7), kAuto);
    if (known && !kHold[method].empty()) append_pjl_set(out, "HOLD", kHold[method], kAuto);
    if (known && !kBoxHold[method].empty()) {
        append_pjl_set(out, "BOXHOLD", kBoxHold[method], kAuto);
        append_pjl_set(out, "BOXFOLDERNAME", record.text(FeatureId::OutputMethodFolderName), kQuoted);
        const std::string_view password = record.text(FeatureId::OutputMethodFolderNamePassword);
        if (password.empty())
            append_pjl_set(out, "BOXFOLDERPASSWORD", "", kQuoted);
        else
            set_enciphered(out, "BOXFOLDERPASSWORD", password);
        append_pjl_set(out, "BOXIDNAME", record.text(FeatureId::OutputMethodUserBoxName), kQuoted);
    }
}

// EXTFILESEARCHDIR: "/pdfvt/" and the PdfVt2FilePath text, quoted, only while the job asks the
// controller to search that path (UsePdfVt2FilePath on, EXTFILESEARCH=ON). An empty path still
// gives the line: the search then starts at "/pdfvt/" itself.
void pdf_search_dir(const Record& record, std::string& out) {
    if (selected(record, FeatureId::UsePdfVt2FilePath) == 0) return;
    append_pjl_set(out, "EXTFILESEARCHDIR", "/pdfvt/" + std::string(record.text(FeatureId::PdfVt2FilePath)),
                   kQuoted);
}

// PDFPASSWD: the PdfPassword text enciphered, quoted, only with EncryptPdf on (PDFPASSWDRQ=YES).
void pdf_password(const Record& record, std::string& out) {
    if (selected(record, FeatureId::EncryptPdf) == 0) return;
    set_enciphered(out, "PDFPASSWD", record.text(FeatureId::PdfPassword));
}

// JOBCOMMENT: the comment printed with the job information of the colour bar. JobInfo chooses
// where that information goes; when it is off (index 0) nothing is printed and no line is
// written, otherwise the PIComment text follows, quoted (an empty comment gives "").
void job_comment(const Record& record, std::string& out) {
    if (selected(record, FeatureId::JobInfo) == 0) return;
    append_pjl_set(out, "JOBCOMMENT", record.text(FeatureId::PIComment), kQuoted);
}

// User authentication, by the UserAuthentication index: 0 off (no lines), 1 on the device
// itself, 2 on an external server, 3 through a relay server.
//
// Lines, in this order:
//   QVUSERNAME    the UserAuthenticationUserName text, or Public for the public user (quoted)
//   QVUSERKEY2    the UserAuthenticationPassword text enciphered (quoted); none for Public
//   QVCERTSERVTYPE  NUMBER for an external server, NONE otherwise (auto)
//   QVCERTSERVNUM   with NUMBER only: the UserAuthenticationServer number as stored, decimal
//   the flexible content of the relay server's screen, with relay server authentication only.
//
// The flexible content is one input item of the relay server's authentication screen, kept in
// the RelayServerSettings bytes (numbers big-endian):
//   0       content type: 1 STRING, 2 NUMERIC, 3 TOGGLE, 4 DATEANDTIME1, 5 STATICSELECT;
//           any other value: no content, no QVCERTFLEX line
//   1-2     content number on the screen (unsigned)
//   3       toggle: 0 OFF, otherwise ON
//   4-5     year (unsigned); 6 month; 7 day; 8 hour; 9 minute
//   10      time zone hours (signed, -128..127); 11 time zone minutes (unsigned)
//   12-13   number of the chosen item of a static selection (unsigned)
//   14-19   zero
//   20-883  the text of a STRING or NUMERIC content, UTF-8, up to the first zero byte or the end
// and the screen is named by the RelayServerScreenId text. Lines: QVCERTFLEXCONTTYPE (the type
// word), then the value of that type only: QVCERTFLEXSTRING (quoted); QVCERTFLEXNUMERIC (auto);
// QVCERTFLEXTOGGLE (ON/OFF); QVCERTFLEXYEAR, QVCERTFLEXMONTH, QVCERTFLEXDAY, QVCERTFLEXHOUR,
// QVCERTFLEXMINUTE, QVCERTFLEXTIMEZONEHOUR, QVCERTFLEXTIMEZONEMINUTE (decimal, no leading zeros,
// "-" for a negative zone); QVCERTFLEXSELECT (decimal); then QVCERTFLEXCONTID = the screen id
// (quoted) and QVCERTFLEXCONTNUM = the content number (decimal). All numbers use automatic quoting.
void user_authentication(const Record& record, std::string& out) {
    const std::uint32_t method = selected(record, FeatureId::UserAuthentication);
    if (method == 0) return;
    if (selected(record, FeatureId::UserAuthenticationPublic) != 0) {
        append_pjl_set(out, "QVUSERNAME", "Public", kQuoted);
    } else {
        append_pjl_set(out, "QVUSERNAME", record.text(FeatureId::UserAuthenticationUserName), kQuoted);
        set_enciphered(out, "QVUSERKEY2", record.text(FeatureId::UserAuthenticationPassword));
    }
    const bool numbered = method == 2;
    append_pjl_set(out, "QVCERTSERVTYPE", numbered ? "NUMBER" : "NONE", kAuto);
    if (numbered)
        append_pjl_set(out, "QVCERTSERVNUM", std::to_string(record.raw(FeatureId::UserAuthenticationServer)),
                       kAuto);
    if (method != 3) return;

    static constexpr std::string_view kContentTypes[] = {"",       "STRING",       "NUMERIC",
                                                         "TOGGLE", "DATEANDTIME1", "STATICSELECT"};
    const std::span<const std::uint8_t> flex = record.field(FeatureId::RelayServerSettings);
    static_assert(features::feature(FeatureId::RelayServerSettings).size() > 20);
    const std::uint8_t type = flex[0];
    if (type == 0 || type >= std::size(kContentTypes)) return;
    const auto number = [&](std::string_view variable, std::int64_t value) {
        append_pjl_set(out, variable, std::to_string(value), kAuto);
    };
    append_pjl_set(out, "QVCERTFLEXCONTTYPE", kContentTypes[type], kAuto);
    switch (type) {
        case 1:
        case 2: {
            const std::span<const std::uint8_t> bytes = flex.subspan(20);
            std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
            text = text.substr(0, text.find('\0'));
            append_pjl_set(out, type == 1 ? "QVCERTFLEXSTRING" : "QVCERTFLEXNUMERIC", text,
                           type == 1 ? kQuoted : kAuto);
            break;
        }
        case 3:
            append_pjl_set(out, "QVCERTFLEXTOGGLE", on_off(flex[3] != 0), kAuto);
            break;
        case 4:
            number("QVCERTFLEXYEAR", util::load_be16(&flex[4]));
            number("QVCERTFLEXMONTH", flex[6]);
            number("QVCERTFLEXDAY", flex[7]);
            number("QVCERTFLEXHOUR", flex[8]);
            number("QVCERTFLEXMINUTE", flex[9]);
            number("QVCERTFLEXTIMEZONEHOUR", static_cast<std::int8_t>(flex[10]));
            number("QVCERTFLEXTIMEZONEMINUTE", flex[11]);
            break;
        default:
            number("QVCERTFLEXSELECT", util::load_be16(&flex[12]));
            break;
    }
    append_pjl_set(out, "QVCERTFLEXCONTID", record.text(FeatureId::RelayServerScreenId), kQuoted);
    number("QVCERTFLEXCONTNUM", util::load_be16(&flex[1]));
}

}  // namespace zenta::stream::pjl
