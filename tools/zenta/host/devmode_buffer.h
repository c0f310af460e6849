#pragma once
// A whole DEVMODE as the PostScript core driver keeps it for one printer: the public DEVMODEW,
// then dmDriverExtra bytes of driver-private data, which hold the core driver's own private
// area followed by the render plug-in's block.
//
//   0                  DEVMODEW (dmSize = 220)
//   220                the core driver's private area: "PRIV", ..., at 114 a 16-bit
//                      little-endian word with the area's size, at 124 the plug-in's N-up
//                      marker; room for the driver option bytes the plug-in stores at the
//                      offsets its printer data names
//   220 + area size    the plug-in's block (as large as the plug-in asks for through OEMDM_SIZE)
//
// dmDriverExtra is the private area's size plus the block's. A DEVMODE whose dmDriverExtra is
// below 117 has no room for the size word: its driver-private bytes are all the plug-in's
// block, as every reader of a DEVMODE takes them.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "abi/devmode.h"

namespace zenta::host {

class DevmodeBuffer {
public:
    // The private area the stand-in gives every DEVMODE it makes: large enough for the N-up
    // marker and for driver option bytes at offsets of a few hundred bytes.
    static constexpr std::size_t kPrivateSize = 512;
    static constexpr std::size_t kPrivateSizeWordOffset = 114;  // in the private area
    static constexpr std::size_t kNupMarkerOffset = 124;        // in the private area
    // The size word is readable only when the driver-private bytes reach past it.
    static constexpr std::size_t kMinDriverExtraForPrivateArea = kPrivateSizeWordOffset + 3;
    // dmDriverExtra is 16 bits wide.
    static constexpr std::size_t kMaxPluginSize = 0xFFFF - kPrivateSize;
    static constexpr abi::WORD kDriverVersion = 0x0100;

    // The default DEVMODE of a printer of this name, as the core driver makes it before it
    // asks the plug-in for its defaults: A4 portrait at 600 by 600 dots per inch, one copy,
    // automatic paper source, scale 100, simplex, no collation, form "A4"; a fresh private
    // area (N-up marker 0) and a zero-filled plug-in block of `plugin_size` bytes (at most
    // kMaxPluginSize; more is cut to that). A longer name is cut to 31 characters.
    static DevmodeBuffer make(std::u16string_view device_name, std::uint32_t plugin_size);

    // A DEVMODE from its bytes: dmSize must be 220 and the bytes exactly dmSize + dmDriverExtra;
    // when dmDriverExtra leaves room for the private area's size word, that word must lie
    // inside the area it measures and the area inside dmDriverExtra. Nothing, with `error` set
    // to the reason, otherwise.
    static std::optional<DevmodeBuffer> from_bytes(std::span<const std::uint8_t> bytes, std::string& error);

    std::span<const std::uint8_t> bytes() const { return {data(), size_}; }
    std::size_t size() const { return size_; }

    abi::DEVMODEW* public_part() { return reinterpret_cast<abi::DEVMODEW*>(storage_.data()); }
    const abi::DEVMODEW* public_part() const {
        return reinterpret_cast<const abi::DEVMODEW*>(storage_.data());
    }

    // The core driver's private area, or null when the DEVMODE has none.
    std::uint8_t* private_area() { return private_size_ ? data() + sizeof(abi::DEVMODEW) : nullptr; }
    const std::uint8_t* private_area() const {
        return private_size_ ? data() + sizeof(abi::DEVMODEW) : nullptr;
    }
    std::size_t private_size() const { return private_size_; }

    // The plug-in's block, or null when the DEVMODE has none.
    std::uint8_t* plugin_block() { return plugin_size() ? data() + plugin_offset() : nullptr; }
    const std::uint8_t* plugin_block() const { return plugin_size() ? data() + plugin_offset() : nullptr; }
    std::size_t plugin_size() const { return size_ - plugin_offset(); }
    std::size_t plugin_offset() const { return sizeof(abi::DEVMODEW) + private_size_; }

    // The N-up marker byte, or nothing when the private area is too short for it or does not
    // begin with "PRIV".
    std::optional<std::uint8_t> nup_marker() const;

private:
    DevmodeBuffer() = default;
    std::uint8_t* data() { return reinterpret_cast<std::uint8_t*>(storage_.data()); }
    const std::uint8_t* data() const { return reinterpret_cast<const std::uint8_t*>(storage_.data()); }
    void allocate(std::size_t size);

    // Whole 64-bit words, so that the public part is suitably aligned for a DEVMODEW.
    std::vector<std::uint64_t> storage_;
    std::size_t size_ = 0;
    std::size_t private_size_ = 0;
};

}  // namespace zenta::host
