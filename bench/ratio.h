#pragma once
// Performance targets stated as ratios: a benchmark against a baseline measured in the same run
// on the same machine, so that the target does not depend on the machine's speed.

#include <string>

namespace zenta::bench {

// Declares that benchmark `name` may take at most `limit` times as long as `baseline`.
struct Ratio {
    Ratio(std::string name, std::string baseline, double limit);
};

}  // namespace zenta::bench
