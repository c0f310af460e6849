#pragma once
// The operating system class: a small number that orders the Windows releases the plug-in tells
// apart. 1 and 2: before Windows XP; 3: Windows XP (5.1); 4: Vista (6.0); 5: Windows 7 (6.1);
// 6: Windows 8 (6.2) and later; 0 and 7: platforms the plug-in does not know (0 below the NT
// platform, 7 anything it cannot place).

namespace zenta::environment {

// Asked of the system once, then cached for the process.
int operating_system_class();

// The same, asked anew (for tests of the decision itself).
int compute_operating_system_class();

}  // namespace zenta::environment
