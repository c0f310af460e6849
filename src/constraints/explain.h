#pragma once
// Why the constraint engine changed what it changed, in words: one line per changed field, in
// change order, naming the rule's reason and the feature whose setting caused it, so that a
// chain of rules reads from top to bottom:
//
//     NTo1: False -> True
//     Staple: 1StapleLeft -> None  because NTo1 True: reverse order output is not stapled

#include <string>
#include <vector>

#include "constraints/context.h"

namespace zenta::constraints {

std::vector<std::string> explain_changes(const settings::Record& before, const settings::Record& after,
                                         const ChangedList& changed, const Firings& firings);

}  // namespace zenta::constraints
