#pragma once
// The printer's PPD file as the core driver reads it: the features of its *OpenUI blocks with
// their options, invocations, defaults and order dependencies, and every other statement that
// names an option (*PaperDimension, *ImageableArea, ...) or none (*LanguageLevel, *ColorDevice).
//
// A statement is "*Keyword[ Option[/Translation]]: value". A value in double quotes may run over
// several lines; its line ends are kept as CR LF, the line end of the print stream, and the
// "*End" line that follows it is skipped. Other values are the rest of the line, trimmed.
// "*%" lines are comments. Texts are kept as the file's bytes (the PPD's own encoding); hex
// substrings (<41 42>) of translation strings are decoded.

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zenta::host {

struct PpdOption {
    std::string keyword;      // the option keyword
    std::string translation;  // the text after "/", or empty
    std::string value;        // a quoted value without its quotes, else the text after the colon
};

// Where a feature's code goes (*OrderDependency): its order and section ("AnySetup",
// "DocumentSetup", "PageSetup", "Prolog", "ExitServer" or "JCLSetup").
struct PpdOrder {
    double order = 0;
    std::string section;
};

// One *OpenUI (or *JCLOpenUI) block.
struct PpdFeature {
    std::string keyword;         // without the "*"
    std::string translation;     // the UI text after "/", or empty
    std::string type;            // PickOne, PickMany or Boolean
    bool jcl = false;            // a *JCLOpenUI block
    std::string default_option;  // *Default<keyword>, or empty
    std::optional<PpdOrder> order;
    std::vector<PpdOption> options;  // in file order
};

// Width and height in points.
struct PpdPaperDimension {
    double width = 0;
    double height = 0;
};

class PpdFile {
public:
    // The most a PPD file may hold: a larger file is refused rather than read.
    static constexpr std::size_t kMaxSize = 16u << 20;

    // A PPD from its text. Nothing, with `error` naming the line and the fault, when the text is
    // not a PPD ("*PPD-Adobe" first), when a quoted value does not end, when a UI block is
    // opened inside another, closed without being opened or never closed, or when a feature
    // has two UI blocks.
    static std::optional<PpdFile> parse(std::string_view text, std::string& error);
    // A PPD from a file (path in UTF-8). The error names the file.
    static std::optional<PpdFile> read(const std::string& path, std::string& error);

    // The UI features, in the order of their blocks.
    const std::vector<PpdFeature>& features() const { return features_; }
    const PpdFeature* feature(std::string_view keyword) const;
    // An option of any main keyword, UI feature or not ("PaperDimension", "A4").
    const PpdOption* option(std::string_view keyword, std::string_view option) const;
    // The value of a statement without an option ("LanguageLevel"), the first one when there
    // are several; nothing when the file has none.
    std::optional<std::string> value(std::string_view keyword) const;
    // *Default<keyword>, or empty.
    std::string default_option(std::string_view keyword) const;
    // The *PaperDimension of a page size option; nothing when it is missing or not two
    // positive numbers.
    std::optional<PpdPaperDimension> paper_dimension(std::string_view option) const;
    // (feature keyword, option keyword) -> invocation, for every option of every UI feature.
    std::map<std::pair<std::string, std::string>, std::string> invocations() const;

private:
    std::vector<PpdFeature> features_;
    // Main keyword -> its statements with an option, in file order.
    std::map<std::string, std::vector<PpdOption>, std::less<>> options_;
    // Main keyword -> the value of its first statement without an option.
    std::map<std::string, std::string, std::less<>> values_;
    std::map<std::string, std::string, std::less<>> defaults_;
};

// The printer's own PPD: zenta.ppd beside the running program, or ppd/zenta.ppd one or two
// folders above it (the source tree of a build), else the source tree's as the build knew it
// (ZENTA_SOURCE_PPD). In UTF-8; empty when none of them exists.
std::string default_ppd_path();

}  // namespace zenta::host
