// The call into the tab document library: the library of the driver package that sits beside
// the plug-in under the package's base name (zenta.dll beside zenta_ps.dll; libzenta.so beside
// libzenta_ps.so) and writes one tab sheet as a PostScript document into a file. The tab file
// worker loads it and calls CreateTabDocument once per tab sheet.
//
// The tab entry. Its five attribute bytes are the first five items of the setting block of a tab
// entry of the page exception list, in the order the list holds them:
//
//   byte 0  skip flag        a tab entry with the flag set gets no sheet (never passed)
//   byte 1  setting flag     the tab stock, that is the layout set the sheet uses: 0 the Tab1*
//                            settings of the record, any other value the Tab2* settings
//   byte 2  placement        0 the tab text is printed on the nose of its document page, 1 the
//                            sheet is inserted before the page (see below)
//   byte 3  setting value 1  the tab's position in the bank, 0 the first (top) position; a
//                            position at or past the bank's number of tabs starts a new bank
//                            (position modulo the number of tabs)
//   byte 4  setting value 2  not read
//
// followed by the address of the tab text, narrow and NUL-terminated (UTF-8, as texts of the
// record are). The tab text of an entry is its setting text (the text of the setting block); an
// entry whose setting text is empty uses the entry's own text (which decodes to the built-in
// "Tab" when it is missing). Every sub-entry of a tab has a setting block of its own, and so its
// own tab text; the entry text is the one it shares with its parent. A line feed in the text
// starts a new line on the tab.
//
// The record is the job settings record (27774 bytes). The library takes from it the two layout
// sets of tab stock: set 0 from the Tab1* settings and set 1 from the Tab2* settings (page size,
// number of tabs, space above and below, tab height, font name, size, bold, italic, line
// spacing, orientation, position and text offset); the sheet uses the set of byte 1.
//
// Printed or inserted: the document is one tab sheet either way. Whether it is a page of its
// own is decided where the stream is: a sheet spliced into a page that the caller marked with
// the no-erase block (userdict /ZENTANEP true) and whose entry says placement 0 draws its text
// on that page and ends no page; any other sheet (an inserted tab, a tab after the document,
// or the document printed on its own) is a page of its own.
#pragma once

#include <cstddef>

#include "abi/types.h"

namespace zenta::abi {

// The exported name.
inline constexpr char kCreateTabDocumentName[] = "CreateTabDocument";

// Packed as the worker passes it: the five attribute bytes, then the text's address.
#pragma pack(push, 1)
struct TabDocumentEntry {
    BYTE attributes[5];
    const char* text;
};
#pragma pack(pop)

inline constexpr DWORD kTabDocumentEntrySize = 13;
static_assert(sizeof(TabDocumentEntry) == kTabDocumentEntrySize);
static_assert(offsetof(TabDocumentEntry, text) == 5);

// The attribute bytes by position.
inline constexpr std::size_t kTabAttributeSkip = 0;
inline constexpr std::size_t kTabAttributeStock = 1;
inline constexpr std::size_t kTabAttributePlacement = 2;
inline constexpr std::size_t kTabAttributePosition = 3;
inline constexpr std::size_t kTabAttributeReserved = 4;

inline constexpr DWORD kTabDocumentRecordSize = 27774;

// CreateTabDocument(printer, printer name, tab file, document name, job id, orientation,
// print quality, y resolution, scale, 13, entry, 27774, record, devmode word): the tab file is
// an existing (normally empty) file that the library overwrites; the document name is the
// sheet's title. Orientation 2 is landscape, anything else portrait. A print quality or y
// resolution of 600 or 1200 picks that resolution of the PPD, 0 (or another value) its default.
// The printer handle (null in the child process), the printer name, the job id, the scale and
// the devmode word are accepted and not needed. The result is non-zero in its low byte when
// the file was written; a null or unreadable argument, a size other than 13 or 27774, or a
// file that cannot be written gives 0.
//
// Calling convention: WINAPI (__stdcall), which on x86-64 is the one convention there is.
using CreateTabDocumentFn = BOOL(ZENTA_STDCALL*)(HANDLE printer, PCWSTR printer_name, PCWSTR tab_file,
                                                 PCWSTR document_name, DWORD job_id, WORD orientation,
                                                 WORD print_quality, WORD y_resolution, WORD scale,
                                                 DWORD entry_size, const TabDocumentEntry* entry,
                                                 DWORD record_size, const BYTE* record, WORD devmode_word);

}  // namespace zenta::abi
