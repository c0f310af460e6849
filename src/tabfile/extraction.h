#pragma once
// The extraction of a tab file: the tab document library prints one tab sheet through the
// PostScript driver into a file (a DSC document), and only six stretches of it go into the print
// stream of the job it belongs to, in this order:
//
//   a  "%!PS-Adobe-3" up to "%%BeginSetup"                  (header comments and prolog)
//   b  "userdict" up to "featurebegin{", then "featurebegin{" CR LF
//   c  "%%BeginFeature: *QWOpCreator" up to "featurebegin{", then "featurebegin{" CR LF
//   d  "%%BeginFeature: *QWOpPPDVersion" up to "featurebegin{", then "featurebegin{" CR LF
//   e  "%%BeginFeature: *PageSize" up to "featurebegin{"; when the file has none (from the
//      position where e starts), "%%BeginFeature: *PageRegion" up to "featurebegin{" instead
//   f  "1 setlinecap 1 setlinejoin" up to "%%EOF"                (the page itself)
//
// Each stretch starts with its start marker and stops before its end marker; the next one is
// searched from that end marker on. All six must be there, else the file gives nothing.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zenta::tabfile {

// Bytes read one piece after another, with the position movable back to any earlier place.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Up to `size` bytes at the current position, moving it on; 0 at the end (or on a failure).
    // A source may give fewer bytes than asked even before its end.
    virtual std::size_t read(void* buffer, std::size_t size) = 0;
    // Bytes from the start to the current position.
    virtual std::uint64_t position() const = 0;
    // Moves to a place; false (the position unchanged) when the source cannot go there.
    virtual bool seek(std::uint64_t position) = 0;
};

// The working buffer of a section copy: the larger of 4095 bytes and, for each marker, twice its
// length and 1024.
std::size_t section_buffer_size(std::string_view start_marker, std::string_view end_marker);

// Copies one stretch from the source's position: nothing before the start marker; from the start
// marker (itself included) every byte up to the end marker (not included) is appended to `text`,
// and the source is left at the start of the end marker. The source is read in pieces of the
// working buffer's size, the last bytes of each window (as many as the marker sought is long) kept
// in front of the next piece, so that markers split between reads are found. The end marker is
// looked for after the start marker. True when both markers were found; a missing end marker
// still leaves the bytes copied so far in `text`.
bool copy_section(ByteSource& source, std::string_view start_marker, std::string_view end_marker,
                  std::string& text);

// The six stretches of a tab file, or none when one of them is missing.
std::optional<std::string> extract_stretches(ByteSource& source);

// Opens the tab file (read, no sharing, existing only, sequential scan, deleted when closed; when
// that open fails, again without the deletion), extracts it and closes it. None when the file
// cannot be opened or lacks a stretch.
std::optional<std::string> extract_tab_file(const std::u16string& path);

}  // namespace zenta::tabfile
