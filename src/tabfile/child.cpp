#include "tabfile/child.h"

#include "platform/module.h"
#include "platform/os.h"
#include "tabfile/request_block.h"
#include "tabfile/worker.h"

namespace zenta::tabfile {

void create_tab_file(const char16_t* command_line) {
    if (!command_line) return;
    platform::System& sys = platform::system();
    const abi::HANDLE section = sys.OpenFileMappingW(abi::FILE_MAP_ALL_ACCESS, 0, command_line);
    if (!section) return;
    if (void* view = sys.MapViewOfFile(section, abi::FILE_MAP_ALL_ACCESS, 0, 0, kRequestBlockSize)) {
        const RequestBlock block(static_cast<std::uint8_t*>(view), kRequestBlockSize);
        void* const parent_module = module_handle(block);
        void* const parent_printer = printer_handle(block);
        set_module_handle(block, platform::module_handle());
        set_printer_handle(block, nullptr);
        set_status(block, kStatusPending);

        set_status(block, run_tab_worker(block));

        set_module_handle(block, parent_module);
        set_printer_handle(block, parent_printer);
        sys.UnmapViewOfFile(view);
    }
    sys.CloseHandle(section);
}

}  // namespace zenta::tabfile
