#include "environment/record_defaults.h"

#include "environment/languages.h"
#include "platform/os.h"
#include "util/once.h"

namespace zenta::environment {

std::uint32_t query_default_paper() {
    char16_t setting[8] = {};
    const int n = platform::system().GetLocaleInfoW(platform::kLocaleUserDefault, platform::kLocaleIPaperSize,
                                                    setting, 8);
    return settings::default_paper_for(n > 0 ? setting[0] : u'\0');
}

std::uint32_t default_paper() {
    static util::Once<std::uint32_t> paper;
    return paper.get(query_default_paper);
}

const settings::RecordDefaults& record_defaults() {
    static util::Once<settings::RecordDefaults> defaults;
    return defaults.get([] { return settings::RecordDefaults{default_paper(), default_tab_font_name()}; });
}

const settings::Record& default_record() {
    static util::Once<settings::Record> record;
    return record.get([] { return settings::make_default_record(record_defaults()); });
}

bool validate(settings::Record& record) {
    if (record.version() != default_record().version()) {
        record = default_record();
        return false;
    }
    return settings::validate(record, record_defaults());
}

}  // namespace zenta::environment
