#pragma once
// The printer's PPD as the tab document library reads it: the user interface features with their
// options' invocation code, order dependency and default, the paper dimensions and the plain
// values. The library carries the PPD of the driver package it is built with (ppd/zenta.ppd), so
// that the feature code of its tab sheets is the printer's own.

#include <limits>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zenta::tabdoc {

struct PpdOption {
    std::string keyword;
    std::string invocation;  // the quoted value, line ends as LF
};

struct PpdFeature {
    std::string keyword;  // without the asterisk: "PageSize"
    std::string default_option;
    double order = std::numeric_limits<double>::infinity();  // none: after every other
    std::string section = "AnySetup";
    std::vector<PpdOption> options;

    const PpdOption* option(std::string_view keyword) const;
};

struct Ppd {
    std::vector<PpdFeature> features;  // *OpenUI blocks in file order (JCL blocks left out)
    std::map<std::string, std::string, std::less<>> values;               // "*Key: value" lines, first wins
    std::map<std::string, std::pair<double, double>, std::less<>> paper;  // *PaperDimension

    const PpdFeature* feature(std::string_view keyword) const;
};

// Reads a PPD text; what it cannot make sense of it passes over.
Ppd parse_ppd(std::string_view text);

// The PPD the library was built with, read once.
const Ppd& printer_ppd();

}  // namespace zenta::tabdoc
