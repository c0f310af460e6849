#include "plugin/devmode.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <new>
#include <type_traits>

#include "constraints/engine.h"
#include "environment/devmode_migration.h"
#include "environment/printer.h"
#include "environment/printer_data.h"
#include "environment/record_defaults.h"
#include "settings/plugin_devmode.h"
#include "util/byte_order.h"

namespace zenta::plugin {

namespace {

using abi::DEVMODEW;
using abi::OEMDMPARAM;
using settings::kPluginDevmodeSize;
using settings::Record;
using Block = std::array<std::uint8_t, kPluginDevmodeSize>;

// ---- What may be touched ------------------------------------------------------------------

std::size_t claimed_extent(const DEVMODEW* dm) {
    return dm ? std::size_t{dm->dmSize} + dm->dmDriverExtra : 0;
}

bool lies_inside(const void* place, const DEVMODEW* dm, std::size_t extent) {
    const auto* p = static_cast<const std::uint8_t*>(place);
    const auto* begin = reinterpret_cast<const std::uint8_t*>(dm);
    return dm && p >= begin && p < begin + extent;
}

// The bytes of a block, bounded by its claim and by the DEVMODE it lies in.
std::size_t block_bytes(const void* block, const DEVMODEW* dm, std::size_t claim) {
    const std::size_t extent = claimed_extent(dm);
    if (!lies_inside(block, dm, extent)) return claim;
    const auto* begin = reinterpret_cast<const std::uint8_t*>(dm);
    return std::min(claim,
                    static_cast<std::size_t>(begin + extent - static_cast<const std::uint8_t*>(block)));
}

// The size word of an incoming block, when it can be read at all.
std::size_t incoming_size(const OEMDMPARAM& p) {
    if (!p.pOEMDMIn || block_bytes(p.pOEMDMIn, p.pPublicDMIn, sizeof(abi::DWORD)) < sizeof(abi::DWORD))
        return 0;
    const std::size_t claim = util::load_le32(static_cast<const std::uint8_t*>(p.pOEMDMIn));
    return block_bytes(p.pOEMDMIn, p.pPublicDMIn, claim);
}

std::size_t output_bytes(const OEMDMPARAM& p) {
    return block_bytes(p.pOEMDMOut, p.pPublicDMOut, p.cbBufSize);
}

// ---- The steps ----------------------------------------------------------------------------

struct Call {
    OEMDMPARAM& p;
    const PluginPdev* pdev;
    std::span<std::uint8_t> public_out = devmode_bytes(p.pPublicDMOut, p.pOEMDMOut);

    void write_driver_options(const Record& record) {
        if (!public_out.empty()) environment::write_driver_option_bytes(p.hPrinter, public_out, record);
    }

    void apply_printer_duplex(Record& record) {
        std::optional<bool> duplex;
        if (p.hPrinter)
            duplex = environment::default_duplex(environment::PrinterConnection::borrow(p.hPrinter));
        if (constraints::apply_default_duplex(record, duplex)) write_driver_options(record);
    }

    // `unchanged` (optional): the record's bytes as they are now, somewhere the sync leaves alone.
    void sync(Record& record, const std::uint8_t* unchanged = nullptr) {
        if (public_out.empty()) return;
        if (constraints::apply_devmode(public_out, record, p.hPrinter, unchanged)) write_driver_options(record);
    }

    // The incoming block's record, when nothing this call writes before the output reaches it:
    // the engine can take it as its snapshot.
    const std::uint8_t* untouched_input_record() const {
        const auto* in = static_cast<const std::uint8_t*>(p.pOEMDMIn) + settings::kRecordOffset;
        const auto* out = static_cast<const std::uint8_t*>(p.pOEMDMOut);
        const auto apart = [in](const std::uint8_t* begin, std::size_t size) {
            const auto a = reinterpret_cast<std::uintptr_t>(in), b = reinterpret_cast<std::uintptr_t>(begin);
            return a + Record::kSize <= b || b + size <= a;
        };
        return apart(public_out.data(), public_out.size()) && apart(out, kPluginDevmodeSize) ? in : nullptr;
    }

    // Writes the finished block, as far as the output reaches.
    void finish(const Block& block, const Record& record) {
        auto* out = static_cast<std::uint8_t*>(p.pOEMDMOut);
        const std::size_t size = std::min<std::size_t>(output_bytes(p), kPluginDevmodeSize);
        const std::size_t head = std::min(size, settings::kRecordOffset);
        std::memcpy(out, block.data(), head);
        if (size > head) std::memcpy(out + head, record.data(), size - head);
    }
};

void fresh_header(Block& block) {
    std::span<std::uint8_t, kPluginDevmodeSize> whole(block);
    settings::write_plugin_devmode(whole, environment::default_record());
}

bool make_default(OEMDMPARAM& p, const PluginPdev* pdev) {
    if (!p.pOEMDMOut || p.cbBufSize < kPluginDevmodeSize || output_bytes(p) < kPluginDevmodeSize)
        return false;
    Call call{p, pdev};
    Block block;
    fresh_header(block);
    Record record = environment::default_record();
    call.apply_printer_duplex(record);
    call.finish(block, record);
    return true;
}

// The incoming block copied as it stands, when it is a plug-in devmode of this layout.
bool copy_valid_input(const OEMDMPARAM& p, Block& block, Record& record) {
    const auto* in = static_cast<const std::uint8_t*>(p.pOEMDMIn);
    if (!settings::is_plugin_devmode(in, incoming_size(p))) return false;
    std::memcpy(block.data(), in, settings::kRecordOffset);
    std::memcpy(record.data(), in + settings::kRecordOffset, Record::kSize);
    return true;
}

// A fresh block into which the settings of a block of another layout are carried, when the
// output already holds a block of the full size.
bool rebuild_and_import(Call& call, Block& block, Record& record) {
    const OEMDMPARAM& p = call.p;
    if (output_bytes(p) < sizeof(abi::DWORD)) return false;
    if (util::load_le32(static_cast<const std::uint8_t*>(p.pOEMDMOut)) < kPluginDevmodeSize) return false;
    fresh_header(block);
    record = environment::default_record();
    const std::span<const std::uint8_t> in(static_cast<const std::uint8_t*>(p.pOEMDMIn), incoming_size(p));
    environment::migrate_plugin_devmode(record, p.hPrinter, in);
    call.sync(record);
    return true;
}

bool convert(OEMDMPARAM& p, const PluginPdev* pdev) {
    if (!p.pOEMDMIn || !p.pOEMDMOut) return false;
    Call call{p, pdev};
    Block block;
    Record record{Record::Unfilled{}};
    if (copy_valid_input(p, block, record)) {
        call.apply_printer_duplex(record);
        environment::validate(record);
        call.sync(record);
    } else if (!rebuild_and_import(call, block, record)) {
        return false;
    }
    update_nup_marker(call.public_out, &record, pdev);
    call.finish(block, record);
    return true;
}

// The copies and duplex an application set travel in the public part even when the blocks
// cannot be merged.
void merge_public_fields(const DEVMODEW* in, DEVMODEW* out) {
    constexpr std::size_t kNeeded = offsetof(DEVMODEW, dmDuplex) + sizeof(abi::SHORT);
    if (!in || !out || in->dmSize < kNeeded || out->dmSize < kNeeded) return;
    if (in->dmFields & abi::DM_COPIES) {
        out->dmCopies = in->dmCopies;
        out->dmFields |= abi::DM_COPIES;
    }
    if (in->dmFields & abi::DM_DUPLEX) {
        out->dmDuplex = in->dmDuplex;
        out->dmFields |= abi::DM_DUPLEX;
    }
}

bool apart(const void* a, std::size_t a_size, const void* b, std::size_t b_size) {
    const auto x = reinterpret_cast<std::uintptr_t>(a), y = reinterpret_cast<std::uintptr_t>(b);
    return x + a_size <= y || y + b_size <= x;
}

// A merge works on the record inside the output block when the output holds a whole block that
// overlaps neither the incoming block nor the public part the sync writes: the incoming block is
// copied there once, and the record is merged where it ends up. Null when that cannot be done.
Record* input_copied_to_output(const Call& call) {
    const OEMDMPARAM& p = call.p;
    auto* out = static_cast<std::uint8_t*>(p.pOEMDMOut);
    if (!settings::is_plugin_devmode(static_cast<const std::uint8_t*>(p.pOEMDMIn), incoming_size(p)) ||
        output_bytes(p) < kPluginDevmodeSize || !apart(out, kPluginDevmodeSize, p.pOEMDMIn, kPluginDevmodeSize) ||
        !apart(out, kPluginDevmodeSize, call.public_out.data(), call.public_out.size()))
        return nullptr;
    static_assert(sizeof(Record) == Record::kSize && alignof(Record) == 1 && std::is_trivially_copyable_v<Record>);
    // The copy makes the record there (a record is nothing but its bytes).
    std::memcpy(out, p.pOEMDMIn, kPluginDevmodeSize);
    return std::launder(reinterpret_cast<Record*>(out + settings::kRecordOffset));
}

bool merge(OEMDMPARAM& p, const PluginPdev* pdev) {
    merge_public_fields(p.pPublicDMIn, p.pPublicDMOut);
    if (!p.pOEMDMIn || !p.pOEMDMOut) return false;
    Call call{p, pdev};
    if (Record* record = input_copied_to_output(call)) {
        call.sync(*record, call.untouched_input_record());
        call.apply_printer_duplex(*record);
        environment::validate(*record);
        update_nup_marker(call.public_out, record, pdev);
        return true;
    }
    Block block;
    Record record{Record::Unfilled{}};
    if (copy_valid_input(p, block, record)) {
        call.sync(record, call.untouched_input_record());
        call.apply_printer_duplex(record);
        environment::validate(record);
    } else if (!rebuild_and_import(call, block, record)) {
        return false;
    }
    update_nup_marker(call.public_out, &record, pdev);
    call.finish(block, record);
    return true;
}

}  // namespace

std::span<std::uint8_t> devmode_bytes(DEVMODEW* dm, const void* own_block) {
    if (!dm) return {};
    std::size_t size = claimed_extent(dm);
    auto* begin = reinterpret_cast<std::uint8_t*>(dm);
    if (lies_inside(own_block, dm, size))
        size = static_cast<std::size_t>(static_cast<const std::uint8_t*>(own_block) - begin);
    return {begin, size};
}

std::uint8_t update_nup_marker(std::span<std::uint8_t> devmode, const Record* record,
                               const PluginPdev* pdev) {
    std::uint8_t* marker = settings::nup_marker(devmode.data(), devmode.size());
    if (pdev && pdev->document.page_counter > 0) return marker ? *marker : 0;
    if (!marker || !record) return 0;
    *marker = settings::nup_marker_value(*record);
    return *marker;
}

bool devmode_operation(abi::DWORD mode, OEMDMPARAM* param, const PluginPdev* pdev) noexcept {
    if (!param) return false;
    try {
        switch (mode) {
            case abi::OEMDM_SIZE:
                param->cbBufSize = kPluginDevmodeSize;
                return true;
            case abi::OEMDM_DEFAULT:
                return make_default(*param, pdev);
            case abi::OEMDM_CONVERT:
                return convert(*param, pdev);
            case abi::OEMDM_MERGE:
                return merge(*param, pdev);
            default:
                return false;
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
}

}  // namespace zenta::plugin
