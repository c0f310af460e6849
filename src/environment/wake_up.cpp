#include "environment/wake_up.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <optional>

#include "environment/job.h"
#include "environment/printer.h"
#include "environment/printer_data.h"
#include "platform/os.h"

namespace zenta::environment {
namespace {

using platform::Network;

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Hex digits below the limit, at least one; none for anything else.
std::optional<std::uint64_t> hex_value(std::string_view digits, std::uint64_t limit) {
    if (digits.empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : digits) {
        const int digit = hex_digit(c);
        if (digit < 0) return std::nullopt;
        value = value * 16 + static_cast<std::uint64_t>(digit);
        if (value >= limit) return std::nullopt;
    }
    return value;
}

// ---- the users of the sockets library: the first starts it, the last cleans it up

std::mutex g_library_mutex;
int g_library_users = 0;

void add_library_user() {
    std::lock_guard lock(g_library_mutex);
    if (g_library_users++ == 0) platform::network().WSAStartup(0x0202);
}

void release_library_user() {
    std::lock_guard lock(g_library_mutex);
    if (--g_library_users == 0) platform::network().WSACleanup();
}

// Holds the library started while a name is resolved, before any socket object exists.
struct LibraryUse {
    LibraryUse() { add_library_user(); }
    ~LibraryUse() { release_library_user(); }
    LibraryUse(const LibraryUse&) = delete;
    LibraryUse& operator=(const LibraryUse&) = delete;
};

bool set_broadcast(const ShSocket& socket) {
    const std::int32_t on = 1;
    return platform::network().setsockopt(socket.handle(), platform::kSolSocket, platform::kSoBroadcast, &on,
                                          sizeof on) == 0;
}

// A resolved broadcast socket with SO_BROADCAST on, appended to the list.
void add_broadcast_socket(SocketList& list, const char* host, unsigned port) {
    const ShSocket::ConstantUdpSocketParams params(port);
    if (auto socket = resolve_and_open(host, params); socket && set_broadcast(*socket))
        list.push_back(std::move(socket));
}

std::uint32_t load_be32(const std::uint8_t* bytes) {
    return std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 | std::uint32_t{bytes[2]} << 8 | bytes[3];
}

// 127.0.0.1 and the automatic link-local range carry no network a printer sits on.
bool usable_for_broadcast(std::uint32_t address) {
    constexpr std::uint32_t kLoopback = 0x7F000001;
    constexpr std::uint32_t kLinkLocalFirst = 0xA9FE0100;  // 169.254.1.0
    constexpr std::uint32_t kLinkLocalLast = 0xA9FEFEFF;   // 169.254.254.255
    return address != kLoopback && (address < kLinkLocalFirst || address > kLinkLocalLast);
}

std::uint32_t mask_of(const platform::Adapter::Unicast& unicast) {
    if (!unicast.prefix_known || unicast.prefix_length >= 32) return 0xFFFFFFFF;
    if (unicast.prefix_length == 0) return 0;
    return 0xFFFFFFFFu << (32 - unicast.prefix_length);
}

// The whole packet through one socket, sendto after sendto until every byte is out. A failed
// call ends the send, and so does one that makes no progress (rather than spinning on it).
bool send_through(const ShSocket& socket, std::span<const std::uint8_t> packet) {
    const void* destination = socket.destination();
    const int length = socket.address_length();
    if (socket.handle() == platform::kInvalidSocket || !destination || length == 0) return false;
    Network& network = platform::network();
    std::size_t sent = 0;
    while (sent < packet.size()) {
        const int n = network.sendto(socket.handle(), packet.data() + sent, static_cast<int>(packet.size() - sent),
                                     0, destination, length);
        if (n <= 0) return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

HardwareAddress parse_hardware_address(std::string_view text) {
    HardwareAddress address{};
    if (text.find_first_of(":-") == std::string_view::npos) {
        const auto value = hex_value(text, std::uint64_t{1} << 48);
        if (!value) return {};
        for (std::size_t i = 0; i < address.size(); ++i)
            address[i] = static_cast<std::uint8_t>(*value >> (8 * (address.size() - 1 - i)));
        return address;
    }
    for (std::size_t i = 0; i < address.size(); ++i) {
        const std::size_t end = i + 1 < address.size() ? text.find_first_of(":-") : text.size();
        if (end == std::string_view::npos) return {};
        const auto value = hex_value(text.substr(0, end), 256);
        if (!value) return {};
        address[i] = static_cast<std::uint8_t>(*value);
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    return address;
}

std::array<std::uint8_t, kMagicPacketSize> magic_packet(const HardwareAddress& address) {
    std::array<std::uint8_t, kMagicPacketSize> packet;
    std::fill_n(packet.begin(), 6, std::uint8_t{0xFF});
    for (std::size_t copy = 0; copy < 16; ++copy)
        std::copy(address.begin(), address.end(), packet.begin() + 6 + copy * address.size());
    return packet;
}

ShSocket::ShSocket(platform::SOCKET socket, int kind, bool borrowed)
    : socket_(socket), kind_(kind), borrowed_(borrowed ? 1 : 0) {
    add_library_user();
}

ShSocket::~ShSocket() {
    if (socket_ != platform::kInvalidSocket) {
        Network& network = platform::network();
        network.shutdown(socket_, platform::kSdBoth);
        if (!borrowed_) network.closesocket(socket_);
    }
    release_library_user();
}

ShSocket4::ShSocket4(platform::SOCKET socket, const platform::SockAddrIn& address)
    : ShSocket(socket, 1, false), address_(address) {}

ShSocket6::ShSocket6(platform::SOCKET socket, const platform::SockAddrIn6& address)
    : ShSocket(socket, 1, false), address_(address) {}

std::shared_ptr<ShSocket> resolve_and_open(const char* host, const ShSocket::UdpSocketParams& params) {
    if (!host) return nullptr;
    const LibraryUse library;
    Network& network = platform::network();
    platform::AddrInfo hints{};
    hints.ai_family = platform::kAfUnspec;
    hints.ai_socktype = platform::kSockDgram;
    platform::AddrInfo* found = nullptr;
    if (network.getaddrinfo(host, nullptr, &hints, &found) != 0 || !found) return nullptr;

    const std::uint8_t port[2] = {static_cast<std::uint8_t>(params.port() >> 8),
                                  static_cast<std::uint8_t>(params.port())};
    std::shared_ptr<ShSocket> result;
    for (const platform::AddrInfo* at = found; at && !result; at = at->ai_next) {
        if (!at->ai_addr) continue;
        if (at->ai_addrlen == sizeof(platform::SockAddrIn)) {
            platform::SockAddrIn address;
            std::memcpy(&address, at->ai_addr, sizeof address);
            std::memcpy(address.port.data(), port, 2);
            const platform::SOCKET s = network.socket(platform::kAfInet, platform::kSockDgram, 0);
            if (s != platform::kInvalidSocket) result = std::make_shared<ShSocket4>(s, address);
        } else if (at->ai_addrlen == sizeof(platform::SockAddrIn6)) {
            platform::SockAddrIn6 address;
            std::memcpy(&address, at->ai_addr, sizeof address);
            std::memcpy(address.port.data(), port, 2);
            const platform::SOCKET s = network.socket(platform::kAfInet6, platform::kSockDgram, 0);
            if (s != platform::kInvalidSocket) result = std::make_shared<ShSocket6>(s, address);
        }
    }
    network.freeaddrinfo(found);
    return result;
}

SocketList make_broadcast_sockets(unsigned port) {
    SocketList list;
    add_broadcast_socket(list, "255.255.255.255", port);
    std::vector<platform::Adapter> adapters;
    if (!platform::network().adapters(adapters)) return list;
    for (const platform::Adapter& adapter : adapters) {
        for (const platform::Adapter::Unicast& unicast : adapter.unicast) {
            if (unicast.family != platform::kAfInet) continue;
            const std::uint32_t address = load_be32(unicast.address.data());
            if (address == 0 || !usable_for_broadcast(address)) continue;
            const std::uint32_t mask = mask_of(unicast);
            if (mask == 0 || mask == 0xFFFFFFFF) continue;
            const std::uint32_t broadcast = (address & mask) | ~mask;
            char text[16];
            std::snprintf(text, sizeof text, "%d.%d.%d.%d", int(broadcast >> 24), int(broadcast >> 16 & 0xFF),
                          int(broadcast >> 8 & 0xFF), int(broadcast & 0xFF));
            add_broadcast_socket(list, text, port);
        }
    }
    return list;
}

// The answer is kept for the network it was asked of; a scope that puts another network in
// place asks again.
bool ipv4_available() {
    static std::mutex mutex;
    static std::uint64_t asked_generation = 0;
    static bool answer = false;
    std::lock_guard lock(mutex);
    const std::uint64_t generation = platform::network_generation();
    if (asked_generation != generation) {
        std::vector<platform::Adapter> adapters;
        answer = false;
        if (platform::network().adapters(adapters)) {
            for (const auto& adapter : adapters)
                for (const auto& unicast : adapter.unicast)
                    answer = answer || (unicast.family == platform::kAfInet && load_be32(unicast.address.data()) != 0);
        }
        asked_generation = generation;
    }
    return answer;
}

bool send_wake_up_packet(const HardwareAddress& address) {
    if (address == HardwareAddress{} || !ipv4_available()) return false;
    SocketList sockets;
    for (unsigned port : kWakePorts) {
        SocketList more = make_broadcast_sockets(port);
        sockets.insert(sockets.end(), more.begin(), more.end());
    }
    if (sockets.empty()) return false;
    const auto packet = magic_packet(address);
    bool sent_any = false;
    const auto pass = [&] {
        for (const auto& socket : sockets) sent_any = send_through(*socket, packet) || sent_any;
    };
    for (int i = 0; i < 5; ++i) pass();
    start_random_once();
    platform::System& system = platform::system();
    system.Sleep(static_cast<abi::DWORD>(200 + system.rand() % 100));
    for (int i = 0; i < 5; ++i) pass();
    return sent_any;
}

void wake_printer(std::u16string_view printer_name) {
    if (printer_name.empty()) return;
    const PrinterConnection printer = PrinterConnection::open(printer_name);
    if (!printer) return;
    const auto text = read_wake_up_address_text(printer);
    if (!text) return;
    const HardwareAddress address = parse_hardware_address(*text);
    if (address == HardwareAddress{}) return;
    send_wake_up_packet(address);
}

}  // namespace zenta::environment
