// Rules still being written: they write nothing yet.
#include "stream/pjl_rules.h"

namespace zenta::stream::pjl {

void cover_sets(const Record&, std::string&) {}
void index_info(const Record&, std::string&) {}

}  // namespace zenta::stream::pjl
