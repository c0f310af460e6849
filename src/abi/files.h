// File flags of CreateFileW beyond those the system seam names itself, as the published
// headers (winbase.h, fileapi.h) define them.
#pragma once

#include "abi/types.h"

namespace zenta::abi {

#ifndef FILE_FLAG_SEQUENTIAL_SCAN
// The file is read from start to end: the system may read ahead.
inline constexpr DWORD FILE_FLAG_SEQUENTIAL_SCAN = 0x08000000;
#endif

}  // namespace zenta::abi
