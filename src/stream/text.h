// Text primitives of the print stream: PJL SET lines, PostScript hex strings, DSC comment
// lines and blocks, and the statements on the plug-in's feature dictionary.
//
// Everything here appends 8-bit text to a caller's string; every line ends in CR LF.
#pragma once

#include <string>
#include <string_view>

namespace zenta::stream {

// ---------------------------------------------------------------------------------------
// PJL

enum class PjlQuoting { Always, Never, Automatic };

// Always: between double quotes, unchanged (an inner '"' is not escaped). Never: unchanged.
// Automatic: bare when empty, when only ASCII letters and digits, or when '-' followed by
// ASCII digits only ("-" alone included); quoted otherwise.
std::string pjl_value(std::string_view value, PjlQuoting quoting);

// "@PJL SET " variable "=" value CR LF, the value quoted as above. Nothing for an empty
// variable; an empty value still gives a line.
void append_pjl_set(std::string& out, std::string_view variable, std::string_view value, PjlQuoting quoting);

// ---------------------------------------------------------------------------------------
// PostScript and DSC comments

// "<" + two upper-case hexadecimal digits per byte + ">"; "" gives "<>". With bytes_per_line,
// a line break (which the interpreter skips inside a hex string) follows every that many bytes
// but the last, so that long strings keep to short lines.
std::string ps_hex_string(std::string_view bytes, std::size_t bytes_per_line = 0);

// Longest line of a comment block, CR LF not counted.
inline constexpr std::size_t kCommentLineLength = 160;

// A long text as a DSC comment block: "%%" name ": " and as much text as makes the line
// kCommentLineLength long, then "%%+ " lines of up to 156 characters each. The block ends
// with the first line that is not full; a text that fills its last line exactly is followed
// by one empty "%%+ " line, so a reader always sees where it stops. An empty text writes
// nothing.
//
// A name so long that the first line has no room left keeps its whole first line (longer
// than kCommentLineLength) with no text on it; the text then starts on the "%%+ " lines.
void append_comment_block(std::string& out, std::string_view name, std::string_view text);

// "%%ZENTA-" name ": " value CR LF. The value is written as it is when every byte is an
// ASCII letter or digit, otherwise the whole of it as a PostScript hex string. An empty
// value writes nothing.
void append_value_comment(std::string& out, std::string_view name, std::string_view value);

// ---------------------------------------------------------------------------------------
// Feature dictionary statements

// The dictionary in userdict through which the plug-in and the printer's PPD code meet.
inline constexpr std::string_view kFeatureDictionary = "ZTQVFeatures";

// Appends statements on kFeatureDictionary to one text. The first statement actually
// written is preceded by CR LF and the line that creates the dictionary when userdict lacks
// it; one builder writes that line at most once, so use one builder per text.
//
// A statement whose key is empty, or whose key or value (the arguments of a call) begins
// with a NUL byte, is not written and does not create the dictionary.
class Statements {
public:
    explicit Statements(std::string& out) : out_(out) {}
    Statements(const Statements&) = delete;
    Statements& operator=(const Statements&) = delete;

    // ZTQVFeatures /key value put. An empty value removes the key instead.
    void set(std::string_view key, std::string_view value);

    // ZTQVFeatures /key undef
    void remove(std::string_view key);

    // Calls the procedure under key when the printer's PPD code defined it; the arguments
    // (PostScript tokens) are pushed only then.
    void call(std::string_view key, std::string_view arguments = {});

    // One line as it is, CR LF added; it does not create the dictionary. "" gives an empty
    // line.
    void raw(std::string_view text);

    // Whether the creating line has been written.
    bool created() const { return created_; }

private:
    void begin();
    // "ZTQVFeatures /" key
    void name(std::string_view key);

    std::string& out_;
    bool created_ = false;
};

}  // namespace zenta::stream
