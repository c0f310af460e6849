#pragma once
// A document to print, as the core driver's stand-in takes it: the code of a PostScript file
// that follows the Document Structuring Conventions, taken apart into the sections the driver
// writes its own stream in (prolog, document setup, pages, trailer). The structure comments of
// the document (its header, %%Page, %%BeginPageSetup, %%PageTrailer, %%Trailer, %%EOF and the
// like) are left out: the driver writes its own. Everything else is kept byte for byte.
//
// Three sources: a DSC PostScript file, a PDF (made into DSC PostScript by Ghostscript's
// ps2write first) and the built-in test document.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zenta::host {

struct DscPage {
    std::string setup;    // the code between the page's %%BeginPageSetup and %%EndPageSetup
    std::string content;  // the rest of the page's code
};

struct DscDocument {
    std::string prolog;  // the code before the setup, without the header comments
    std::string setup;   // the code of %%BeginSetup to %%EndSetup, and what precedes the first page
    std::vector<DscPage> pages;
    // A document whose pages are made as the driver reaches them instead of kept (the built-in
    // test document, which may run to many thousands of pages): `pages` is then empty.
    std::size_t made_pages = 0;
    std::function<DscPage(std::size_t index)> make_page;

    std::size_t page_count() const { return make_page ? made_pages : pages.size(); }
    DscPage page(std::size_t index) const { return make_page ? make_page(index) : pages[index]; }
    std::string trailer;  // the code after %%Trailer
    // The resources named by %%DocumentNeededResources and %%DocumentSuppliedResources (header
    // or trailer, continuation lines included), one resource per entry ("font Helvetica").
    std::vector<std::string> needed_resources;
    std::vector<std::string> supplied_resources;
};

// A DSC PostScript text taken apart. Nothing, with `error` set, when it is not DSC PostScript
// (no "%!PS-Adobe-" first line) or has no page. Every section ends with a line end.
std::optional<DscDocument> parse_dsc(std::string_view text, std::string& error);

// Whether a file's first bytes are those of a PDF ("%PDF-" within the first 1024 bytes).
bool looks_like_pdf(std::string_view bytes);

// A document file (path in UTF-8): a PDF is made into DSC PostScript by Ghostscript first.
// Nothing, with `error` saying why, when the file cannot be read, Ghostscript cannot convert
// it, or the PostScript is not DSC.
std::optional<DscDocument> read_document(const std::string& path, std::string& error);

// What each page of the test document names.
struct TestPageText {
    std::string paper;  // "A4, 210 x 297 mm"
    bool landscape = false;
};

// The built-in test document: `pages` pages, each showing "Page n of N", the paper and the
// orientation in large text inside a frame, on whatever page size the printer has set.
DscDocument test_document(unsigned pages, const TestPageText& text);

// A text as a PostScript string literal: "(" ... ")", with "\", "(", ")" and every byte
// outside printable ASCII escaped (octal).
std::string ps_string(std::string_view text);

}  // namespace zenta::host
