#pragma once
// Lays out structures and the texts they point to the way the spooler returns them in a caller's
// buffer: the structures first, then the texts and DEVMODEs behind them, each aligned for its
// type, every pointer pointing into the same buffer. The layout is built first (its size is the
// size the caller needs) and then copied into the caller's buffer, where the pointers are set.

#include <cstddef>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "abi/types.h"

namespace zenta::platform::sim {

class PackedBuffer {
public:
    // Room for `bytes` at an offset that is a multiple of `align`; returns the offset.
    std::size_t reserve(std::size_t bytes, std::size_t align) {
        std::size_t at = (bytes_.size() + align - 1) / align * align;
        bytes_.resize(at + bytes, 0);
        return at;
    }

    template <class T>
    std::size_t add_structs(std::size_t count) {
        return reserve(sizeof(T) * count, alignof(T) > 8 ? alignof(T) : 8);
    }

    template <class T>
    void put(std::size_t at, const T& value) {
        std::memcpy(bytes_.data() + at, &value, sizeof value);
    }

    // The pointer at `slot` (an offset into the buffer) names the text, NUL-terminated and
    // aligned for UTF-16; a missing text leaves the pointer null.
    void point_to_text(std::size_t slot, const std::optional<std::u16string>& text) {
        if (text) point_to_text(slot, std::u16string_view(*text));
    }
    void point_to_text(std::size_t slot, std::u16string_view text) {
        const std::size_t at = reserve((text.size() + 1) * sizeof(char16_t), alignof(char16_t));
        std::memcpy(bytes_.data() + at, text.data(), text.size() * sizeof(char16_t));
        relocations_.push_back({slot, at});
    }
    // The pointer at `slot` names a copy of these bytes (a DEVMODE: aligned like a pointer);
    // no bytes leave it null.
    void point_to_bytes(std::size_t slot, const std::vector<abi::BYTE>& data) {
        if (data.empty()) return;
        const std::size_t at = reserve(data.size(), 8);
        std::memcpy(bytes_.data() + at, data.data(), data.size());
        relocations_.push_back({slot, at});
    }

    std::size_t size() const { return bytes_.size(); }

    // Copies the layout to `buffer` (at least size() bytes) and sets its pointers.
    void emit(abi::BYTE* buffer) const {
        if (bytes_.empty()) return;
        std::memcpy(buffer, bytes_.data(), bytes_.size());
        for (const auto& r : relocations_) {
            abi::BYTE* target = buffer + r.target;
            std::memcpy(buffer + r.slot, &target, sizeof target);
        }
    }

private:
    struct Relocation {
        std::size_t slot;
        std::size_t target;
    };
    std::vector<abi::BYTE> bytes_;
    std::vector<Relocation> relocations_;
};

}  // namespace zenta::platform::sim
