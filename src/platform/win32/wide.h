#pragma once
// Windows' wchar_t is UTF-16 like char16_t: the portable texts cross the Win32 boundary here.

#include <string>
#include <string_view>

namespace zenta::platform::win32 {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide characters are UTF-16 units");

inline std::wstring to_wide(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }
inline std::u16string from_wide(std::wstring_view text) { return std::u16string(text.begin(), text.end()); }

}  // namespace zenta::platform::win32
