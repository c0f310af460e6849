#include "environment/text_table.h"

#include <iterator>

#include "environment/language_file.h"
#include "environment/languages.h"

namespace zenta::environment {
namespace {

struct TextRow {
    const char16_t* texts[kTextColumnCount];
    const char16_t* key;
};

// The key is written as an identifier in the data file and kept as text here.
#define ZENTA_TEXT(id, key, en, ja, fr, it, de, es, zh_tw, zh_cn, ko) \
    {{en, ja, fr, it, de, es, zh_tw, zh_cn, ko}, u"" #key},
constexpr TextRow kRows[] = {
#include "environment/text_table.inc"
    {{}, nullptr},  // closes the table: no texts, no key
};
#undef ZENTA_TEXT
static_assert(std::size(kRows) == kTextRowCount, "the text table has one row per label id");

// The label ids of the data file must run 0, 1, 2, ... so that row number = label id.
#define ZENTA_TEXT(id, ...) id,
constexpr int kRowIds[] = {
#include "environment/text_table.inc"
};
#undef ZENTA_TEXT
constexpr bool ids_follow_rows() {
    for (int i = 0; i < static_cast<int>(std::size(kRowIds)); ++i)
        if (kRowIds[i] != i) return false;
    return true;
}
static_assert(ids_follow_rows(), "text table rows are in label id order without gaps");

// Language index -> text column.
constexpr int kColumnOfLanguage[kBuiltInLanguageCount] = {
    0,  // English
    2,  // French
    3,  // Italian
    4,  // German
    5,  // Spanish
    7,  // Chinese (simplified)
    8,  // Korean
    6,  // Chinese (traditional)
    1,  // Japanese
};

std::u16string_view view(const char16_t* text) {
    return text ? std::u16string_view(text) : std::u16string_view(u"");
}

}  // namespace

int text_column_of_language(int language) {
    if (language < 0 || language >= kBuiltInLanguageCount) return 0;
    return kColumnOfLanguage[language];
}

std::u16string_view text_in_column(int column, int label_id) {
    if (column < 0 || column >= kTextColumnCount || label_id < 0 || label_id > kLastLabelId) return u"";
    return view(kRows[label_id].texts[column]);
}

std::u16string_view text(int language, int label_id) {
    // Additional languages are announced by the language file; their texts are those of English.
    if (language < 0 || language >= kBuiltInLanguageCount) additional_language_count();
    return text_in_column(text_column_of_language(language), label_id);
}

std::u16string_view text_key(int label_id) {
    if (label_id < 0 || label_id > kLastLabelId) return u"";
    return view(kRows[label_id].key);
}

int label_id_of_key(std::u16string_view key) {
    if (key.empty()) return -1;
    for (int id = 0; id < kLastLabelId; ++id)
        if (key == kRows[id].key) return id;
    return -1;
}

}  // namespace zenta::environment
