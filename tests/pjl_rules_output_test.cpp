// The PJL rules of the output method, account track, PDF path, job comment and user
// authentication: whole output per record, byte for byte. An expected output is written as its
// lines "VAR=value", each ended by '|' (for "@PJL SET VAR=value" CR LF); "{text}" in it stands for
// encipher_password(text), whose own known answers are tested with the cipher.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "settings/defaults.h"
#include "settings/settings_text.h"
#include "stream/password_cipher.h"
#include "stream/pjl_rules.h"

namespace zenta {
namespace {

using namespace stream::pjl;

std::string expand(std::string_view lines) {
    std::string out;
    for (std::size_t start = 0, end; (end = lines.find('|', start)) != std::string_view::npos;
         start = end + 1) {
        std::string_view line = lines.substr(start, end - start);
        out += "@PJL SET ";
        for (std::size_t open; (open = line.find('{')) != std::string_view::npos;) {
            const std::size_t close = line.find('}', open);
            out += line.substr(0, open);
            out += stream::encipher_password(line.substr(open + 1, close - open - 1));
            line.remove_prefix(close + 1);
        }
        out += line;
        out += "\r\n";
    }
    return out;
}

// RelayServerSettings as hex: the 20 head bytes given (the rest zero), then the text.
std::string flex(std::vector<unsigned> head, std::string_view text = {}) {
    head.resize(20);
    std::string hex = "RelayServerSettings=";
    char digits[3];
    for (unsigned byte : head) std::snprintf(digits, sizeof digits, "%02X", byte), hex += digits;
    for (unsigned char c : text) std::snprintf(digits, sizeof digits, "%02X", c), hex += digits;
    return hex;
}

struct Row {
    const char* name;
    Rule rule;
    std::vector<std::string> set;  // "Key=Value" as the settings text writes it
    std::string expected;
};

const std::string kUser = "UserAuthenticationUserName=Jane Doe",
                  kUserPw = "UserAuthenticationPassword=pw-user";
const std::string kRelay = "UserAuthentication=RelayServer", kFull(864, 'A');
const std::string kHead = "QVUSERNAME=\"Jane Doe\"|QVUSERKEY2=\"{pw-user}\"|";

// clang-format off
const std::vector<Row> kRows = {
    {"account off", account_track, {"AccountTrackDepartmentName=Sales", "AccountTrackPassword=pw-acct"}, ""},
    {"account index out of range", account_track, {"AccountTrack=#5", "AccountTrackPassword=pw-acct"}, ""},
    {"account on", account_track,
     {"AccountTrack=True", "AccountTrackDepartmentName=Sales 1", "AccountTrackPassword=pw-acct"},
     "QVSECTIONNAME=\"Sales 1\"|QVSECTIONKEY2=\"{pw-acct}\"|"},
    {"account on, empty texts", account_track, {"AccountTrack=True"}, "QVSECTIONNAME=\"\"|QVSECTIONKEY2=\"{}\"|"},
    {"print", output_method, {"WaitModePassword=pw-hold"}, "ZENTAFORMSAVE=OFF|"},
    {"hold and print", output_method, {"OutputMethod=HoldPrint"}, "ZENTAFORMSAVE=OFF|HOLD=QVHOLDANDPRINT|"},
    {"hold", output_method,
     {"OutputMethod=Hold", "WaitModeSecurePrintId=77", "WaitModePassword=pw-hold", "OutputMethodFolderName=B"},
     "ZENTAFORMSAVE=OFF|HOLD=QVHOLD|"},
    {"hold without processing", output_method, {"OutputMethod=HoldNoRip"}, "ZENTAFORMSAVE=OFF|HOLD=QVHOLDNORIP|"},
    {"store in box and print", output_method,
     {"OutputMethod=SaveInUBAndP", "OutputMethodFolderName=Box 12", "OutputMethodFolderNamePassword=pw-box",
      "OutputMethodUserBoxName=Team"},
     "ZENTAFORMSAVE=OFF|BOXHOLD=STOREANDPRINT|BOXFOLDERNAME=\"Box 12\"|BOXFOLDERPASSWORD=\"{pw-box}\"|"
     "BOXIDNAME=\"Team\"|"},
    {"store in box without password", output_method, {"OutputMethod=SaveInUB", "OutputMethodFolderName=7"},
     "ZENTAFORMSAVE=OFF|BOXHOLD=STORE|BOXFOLDERNAME=\"7\"|BOXFOLDERPASSWORD=\"\"|BOXIDNAME=\"\"|"},
    {"secure print", output_method,
     {"OutputMethod=Secure", "WaitModeSecurePrintId=1234", "WaitModePassword=pw-hold",
      "OutputMethodFolderNamePassword=pw-box"},
     "QVJOBID=\"1234\"|HOLDKEY2=\"{pw-hold}\"|ZENTAFORMSAVE=OFF|"},
    {"form", output_method, {"OutputMethod=Form"}, "ZENTAFORMSAVE=ON|"},
    {"method out of range", output_method, {"OutputMethod=#9"}, "ZENTAFORMSAVE=OFF|"},
    {"pdf path off", pdf_search_dir, {"PdfVt2FilePath=jobs"}, ""},
    {"pdf path", pdf_search_dir, {"UsePdfVt2FilePath=True", "PdfVt2FilePath=jobs/a b"},
     "EXTFILESEARCHDIR=\"/pdfvt/jobs/a b\"|"},
    {"pdf path empty", pdf_search_dir, {"UsePdfVt2FilePath=True"}, "EXTFILESEARCHDIR=\"/pdfvt/\"|"},
    {"pdf password off", pdf_password, {"PdfPassword=pw-pdf"}, ""},
    {"pdf password", pdf_password, {"EncryptPdf=True", "PdfPassword=pw-pdf"}, "PDFPASSWD=\"{pw-pdf}\"|"},
    {"comment, job info off", job_comment, {"PIComment=Proof"}, ""},
    {"comment", job_comment, {"JobInfo=Top", "PIComment=Proof"}, "JOBCOMMENT=\"Proof\"|"},
    {"empty comment", job_comment, {"JobInfo=ControllerDefault"}, "JOBCOMMENT=\"\"|"},
    {"authentication off", user_authentication, {kUser, kUserPw}, ""},
    {"on the device", user_authentication, {"UserAuthentication=MainBody", kUser, kUserPw},
     kHead + "QVCERTSERVTYPE=NONE|"},
    {"external server", user_authentication,
     {"UserAuthentication=ExternalServer", "UserAuthenticationServer=#3", kUser, kUserPw, flex({1})},
     kHead + "QVCERTSERVTYPE=NUMBER|QVCERTSERVNUM=3|"},
    {"public user", user_authentication,
     {"UserAuthentication=ExternalServer", "UserAuthenticationPublic=True", kUser, kUserPw},
     "QVUSERNAME=\"Public\"|QVCERTSERVTYPE=NUMBER|QVCERTSERVNUM=0|"},
    {"relay, string", user_authentication,
     {kRelay, kUser, kUserPw, "RelayServerScreenId=SCR-01", flex({1, 0, 2}, "Project X")},
     kHead + "QVCERTSERVTYPE=NONE|QVCERTFLEXCONTTYPE=STRING|QVCERTFLEXSTRING=\"Project X\"|"
             "QVCERTFLEXCONTID=\"SCR-01\"|QVCERTFLEXCONTNUM=2|"},
    {"relay, string without a zero byte", user_authentication, {kRelay, flex({1}, kFull)},
     "QVUSERNAME=\"\"|QVUSERKEY2=\"{}\"|QVCERTSERVTYPE=NONE|QVCERTFLEXCONTTYPE=STRING|QVCERTFLEXSTRING=\"" +
         kFull + "\"|QVCERTFLEXCONTID=\"\"|QVCERTFLEXCONTNUM=0|"},
    {"relay, numeric", user_authentication, {kRelay, kUser, kUserPw, flex({2, 1, 4}, "0042")},
     kHead + "QVCERTSERVTYPE=NONE|QVCERTFLEXCONTTYPE=NUMERIC|QVCERTFLEXNUMERIC=0042|QVCERTFLEXCONTID=\"\"|"
             "QVCERTFLEXCONTNUM=260|"},
    {"relay, toggle, public", user_authentication,
     {kRelay, "UserAuthenticationPublic=True", kUserPw, flex({3, 0, 1, 1}, "x")},
     "QVUSERNAME=\"Public\"|QVCERTSERVTYPE=NONE|QVCERTFLEXCONTTYPE=TOGGLE|QVCERTFLEXTOGGLE=ON|"
     "QVCERTFLEXCONTID=\"\"|QVCERTFLEXCONTNUM=1|"},
    {"relay, date and time", user_authentication,
     {kRelay, kUser, kUserPw, "RelayServerScreenId=7", flex({4, 0, 9, 0, 0x07, 0xE8, 3, 15, 9, 5, 0xFB, 30})},
     kHead + "QVCERTSERVTYPE=NONE|QVCERTFLEXCONTTYPE=DATEANDTIME1|QVCERTFLEXYEAR=2024|QVCERTFLEXMONTH=3|"
             "QVCERTFLEXDAY=15|QVCERTFLEXHOUR=9|QVCERTFLEXMINUTE=5|QVCERTFLEXTIMEZONEHOUR=-5|"
             "QVCERTFLEXTIMEZONEMINUTE=30|QVCERTFLEXCONTID=\"7\"|QVCERTFLEXCONTNUM=9|"},
    {"relay, static select", user_authentication,
     {kRelay, kUser, kUserPw, flex({5, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 1, 2}, "x")},
     kHead + "QVCERTSERVTYPE=NONE|QVCERTFLEXCONTTYPE=STATICSELECT|QVCERTFLEXSELECT=258|QVCERTFLEXCONTID=\"\"|"
             "QVCERTFLEXCONTNUM=1|"},
    {"relay, unknown content type", user_authentication, {kRelay, kUser, kUserPw, flex({6, 0, 1}, "x")},
     kHead + "QVCERTSERVTYPE=NONE|"},
};
// clang-format on

TEST(PjlRulesOutput, WholeOutputPerRecord) {
    for (const Row& row : kRows) {
        settings::Record record = settings::make_default_record({settings::kPaperA4, "Arial"});
        for (const std::string& assignment : row.set)
            ASSERT_FALSE(settings::apply_assignment(record, assignment)) << row.name << ": " << assignment;
        std::string out;
        row.rule(record, out);
        EXPECT_EQ(out, expand(row.expected)) << row.name;
        // No password of the record is ever written in clear.
        for (const std::string& assignment : row.set) {
            if (assignment.find("Password=") != std::string::npos) {
                EXPECT_EQ(out.find(assignment.substr(assignment.find('=') + 1)), std::string::npos)
                    << row.name;
            }
        }
    }
}

}  // namespace
}  // namespace zenta
