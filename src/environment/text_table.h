#pragma once
// The built-in text table: the display texts of the features and options in the nine built-in
// languages. The plug-in shows none of them; it uses them to recognise names that come from
// outside in any language (paper names of forms, input bin names of the printer) and to pick
// language-dependent defaults.
//
// Row number = label id, 0 to 2712; the last row carries no texts. Each row holds the texts in
// the column order English, Japanese, French, Italian, German, Spanish, Chinese (traditional),
// Chinese (simplified), Korean, and the row's key ("L10N_LBL_PAGESIZE"). The table is constant
// data (text_table.inc); lookups hand out views into it and never copy.

#include <string_view>

namespace zenta::environment {

inline constexpr int kTextRowCount = 2713;
inline constexpr int kLastLabelId = kTextRowCount - 1;
inline constexpr int kTextColumnCount = 9;

// The text column of a built-in language index (English 0, Japanese 1, French 2, Italian 3,
// German 4, Spanish 5, Chinese traditional 6, Chinese simplified 7, Korean 8); every other
// index reads the English column.
int text_column_of_language(int language);

// The text of a label in a language. Never null: a label id outside the table or a text that
// is missing gives the empty text. Languages other than the nine built-in ones read English;
// such a lookup first makes sure the additional language file has been read.
std::u16string_view text(int language, int label_id);

// The text of one column (0 to 8), as stored (no language file involved).
std::u16string_view text_in_column(int column, int label_id);

// The row's key; empty for the closing row and for ids outside the table.
std::u16string_view text_key(int label_id);

// The label id whose key is the given one, or -1.
int label_id_of_key(std::u16string_view key);

}  // namespace zenta::environment
