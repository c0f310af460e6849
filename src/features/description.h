#pragma once
// The job settings description: the record layout as text, so that a party that knows
// nothing of this build can read a record, and a record of an older layout can be carried
// into this one feature by feature.
//
//   1 <version in hex> <record size> <entry> <entry> ...
//   entry: Key:width:count:offset:signed:kind, then ":keyword" per option for selections, or
//   ":scale" for ranges.

#include <cstdint>
#include <string>

namespace zenta::features {

// The description of the current layout (without a terminating NUL).
std::string describe_layout(std::uint32_t layout_version);

// The form in which the description travels: Base64 of the text with its terminating NUL.
std::string describe_layout_base64(std::uint32_t layout_version);

}  // namespace zenta::features
