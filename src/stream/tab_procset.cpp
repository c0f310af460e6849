#include "stream/tab_procset.h"

#include <array>
#include <span>

#include "environment/job.h"
#include "platform/os.h"
#include "util/eexec.h"
#include "util/hex.h"
#include "util/once.h"

namespace zenta::stream {
namespace {

constexpr std::string_view kSource =
#include "stream/tab_procset.inc"
    ;

constexpr std::string_view kLeadInTable = "GHIJKLMNOPQRSTUVWXYZ_GHIJKLMNOPQRSTUVWXYZ__";
static_assert(kLeadInTable.size() == kTabLeadInTableSize);

constexpr bool is_white(char c) noexcept { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
constexpr bool is_line_end(char c) noexcept { return c == '\r' || c == '\n'; }

// The text without its comments; line ends stay.
std::string strip_comments(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '%') {
            while (i < text.size() && !is_line_end(text[i])) ++i;
        } else if (c == '(') {
            // A string up to its matching ')', backslash escapes included.
            int depth = 0;
            do {
                const char s = text[i];
                out += s;
                ++i;
                if (s == '\\') {
                    if (i < text.size()) out += text[i++];
                } else if (s == '(') {
                    ++depth;
                } else if (s == ')') {
                    --depth;
                }
            } while (depth > 0 && i < text.size());
        } else if (c == '<' && i + 1 < text.size() && text[i + 1] == '~') {
            // An ASCII base-85 string, whose digits include '%'.
            const std::size_t end = text.find("~>", i + 2);
            const std::size_t stop = end == std::string_view::npos ? text.size() : end + 2;
            out.append(text.substr(i, stop - i));
            i = stop;
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

// Lines of kTabProcsetLineLength characters joined by LF.
void append_cut(std::string& out, std::string_view text) {
    for (std::size_t at = 0; at < text.size(); at += kTabProcsetLineLength) {
        if (at != 0) out += '\n';
        out.append(text.substr(at, kTabProcsetLineLength));
    }
}

std::string hex_string(std::string_view bytes) {
    return "<" + util::hex_upper({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()}) + ">";
}

}  // namespace

std::string_view tab_procset_source() { return kSource; }

std::string compact_procset(std::string_view text) {
    const std::string bare = strip_comments(text);
    std::string out;
    out.reserve(bare.size());
    bool pending_space = false;
    for (const char c : bare) {
        if (is_white(c)) {
            pending_space = !out.empty();
            continue;
        }
        if (pending_space) out += ' ';
        pending_space = false;
        out += c;
    }
    return out;
}

std::string tab_procset_text() { return compact_procset(kSource); }

std::uint8_t tab_lead_in_byte(unsigned draw) {
    const char c = kLeadInTable[draw % kLeadInTable.size()];
    return c >= 'A' && c <= 'F' ? 0 : static_cast<std::uint8_t>(c);
}

std::string tab_procset_block(std::uint8_t lead_in_first) {
    const std::array<uint8_t, 4> lead_in{lead_in_first, 0x46, 0x01, 0x30};
    const std::string cipher = util::eexec_encrypt(tab_procset_text(), lead_in);
    std::string out;
    append_cut(out, hex_string(cipher));
    out += "\r\n";
    append_cut(out, hex_string(kTabProcsetLoader) + " cvx exec");
    out += "\r\n";
    return out;
}

const std::string& tab_procset_delivery() {
    static util::Once<std::string> delivery;
    return delivery.get([] {
        environment::start_random_once();
        const int draw = platform::system().rand();
        return tab_procset_block(tab_lead_in_byte(static_cast<unsigned>(draw)));
    });
}

}  // namespace zenta::stream
