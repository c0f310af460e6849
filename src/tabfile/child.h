#pragma once
// The tab file child: what the library's CreateTabFileExW export does when rundll32 (on Linux
// the launcher that plays it) runs it in a process of its own for the rendering process.

namespace zenta::tabfile {

// The command line is the name of the section that holds the tab request block:
// 1. open the section by that name (all access, not inherited); none: return;
// 2. map the whole block; keep the block's module and printer handles aside, put this
//    process's module handle (the library's) and a null printer handle in their place, and
//    the status 1;
// 3. run the worker and store its result as the status;
// 4. put the kept handles back, unmap the block and close the section.
// Nothing is reported back beyond the status in the block.
void create_tab_file(const char16_t* command_line);

}  // namespace zenta::tabfile
