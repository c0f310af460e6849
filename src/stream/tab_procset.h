// The tab printing procedure set as the job setup delivers it: the readable PostScript of
// stream/tab_procset.ps (compiled in), compacted, encrypted with eexec and written as two hex
// strings, the procedure set and its loader.
//
// On the printer the loader writes the encrypted bytes to a file named Zenta_file, runs that
// file through eexec (which decrypts it and defines userdict /ZentaTABdict) and deletes it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zenta::stream {

// What the loader string holds; " cvx exec" follows it in the stream.
inline constexpr std::string_view kTabProcsetLoader =
    "(Zenta_file) dup (w) file dup 4 -1 roll writestring closefile dup (r) file dup eexec closefile "
    "deletefile";

// Longest line of the delivered block, its CR LF not counted.
inline constexpr std::size_t kTabProcsetLineLength = 100;

// The procedure set as written in the source tree, comments and indentation included.
std::string_view tab_procset_source();

// PostScript with its comments taken out (a '%' outside a string up to the line end; strings
// "( )" nest and know backslash escapes, "<~ ~>" strings are skipped whole), then every run of
// space, tab, CR and LF made one space, and none left at either end. Comments go first: once
// the line ends are gone a comment would swallow the rest of the text.
std::string compact_procset(std::string_view text);

// The compacted procedure set, the plain text that the delivered block encrypts.
std::string tab_procset_text();

// The first lead-in byte for a draw of the random generator: entry draw % 43 of a fixed table
// of upper-case letters and underscores, 0 for a hexadecimal letter. The table holds none: it
// is "GHIJKLMNOPQRSTUVWXYZ_" twice and "_" once more, so every byte it gives is neither a
// hexadecimal digit nor white space, which keeps eexec reading the file as binary.
inline constexpr std::size_t kTabLeadInTableSize = 43;
std::uint8_t tab_lead_in_byte(unsigned draw);

// The delivered block: the compacted text encrypted behind the lead-in bytes lead_in_first,
// 0x46, 0x01, 0x30, as one hex string and CR LF, then the loader as a hex string followed by
// " cvx exec". Each of the two is cut into lines of kTabProcsetLineLength characters joined by
// LF; the block ends with CR LF.
std::string tab_procset_block(std::uint8_t lead_in_first);

// The block of this process: made once, with a lead-in byte drawn once from the process-wide
// random generator.
const std::string& tab_procset_delivery();

}  // namespace zenta::stream
