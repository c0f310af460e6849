// The tab request block as the worker checks it before it acts on it: any bytes as the block
// (zero-filled behind the input), the texts and the record read from an acceptable one.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "tabfile/request_block.h"
#include "tabfile/worker.h"

using namespace zenta;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static std::vector<std::uint8_t> storage(tabfile::kRequestBlockSize);
    std::fill(storage.begin(), storage.end(), std::uint8_t{0});
    std::copy_n(data, std::min(size, storage.size()), storage.begin());
    const tabfile::ConstRequestBlock block(storage.data(), tabfile::kRequestBlockSize);
    (void)tabfile::devmode_words(std::span(data, size));
    (void)tabfile::tab_devmode_word(std::span(data, size));
    if (!tabfile::block_acceptable(block)) return 0;
    (void)tabfile::printer_name(block);
    (void)tabfile::tab_file_path(block);
    (void)tabfile::document_name(block);
    settings::Record record(tabfile::record_bytes(block));
    (void)tabfile::qualifying_tab_entries(record);
    return 0;
}
