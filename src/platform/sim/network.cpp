#include "platform/sim/network.h"

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace zenta::platform::sim {

std::optional<std::array<std::uint8_t, 4>> parse_ipv4(std::string_view text) {
    std::array<std::uint8_t, 4> bytes{};
    const char* at = text.data();
    const char* end = text.data() + text.size();
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0) {
            if (at == end || *at != '.') return std::nullopt;
            ++at;
        }
        unsigned value = 0;
        const auto [next, error] = std::from_chars(at, end, value);
        if (error != std::errc() || next == at || next - at > 3 || value > 255) return std::nullopt;
        bytes[i] = static_cast<std::uint8_t>(value);
        at = next;
    }
    if (at != end) return std::nullopt;
    return bytes;
}

Datagram datagram_to(const SockAddrIn& to, int length) {
    const auto& a = to.address;
    return {std::to_string(a[0]) + '.' + std::to_string(a[1]) + '.' + std::to_string(a[2]) + '.' + std::to_string(a[3]),
            static_cast<unsigned>(to.port[0] << 8 | to.port[1]), length};
}

std::optional<Adapter> parse_adapter(std::string_view text) {
    Adapter::Unicast unicast;
    unicast.family = kAfInet;
    const std::size_t slash = text.find('/');
    const auto address = parse_ipv4(text.substr(0, slash));
    if (!address) return std::nullopt;
    std::memcpy(unicast.address.data(), address->data(), address->size());
    if (slash != std::string_view::npos) {
        const std::string_view prefix = text.substr(slash + 1);
        unsigned length = 0;
        const auto [next, error] = std::from_chars(prefix.data(), prefix.data() + prefix.size(), length);
        if (error != std::errc() || prefix.empty() || next != prefix.data() + prefix.size() || length > 32)
            return std::nullopt;
        unicast.prefix_length = static_cast<std::uint8_t>(length);
        unicast.prefix_known = true;
    }
    Adapter adapter;
    adapter.unicast.push_back(unicast);
    adapter.up = true;
    return adapter;
}

CapturingNetwork::CapturingNetwork(std::vector<Adapter> adapters) : adapters_(std::move(adapters)) {}
CapturingNetwork::CapturingNetwork(Network& adapter_source) : adapter_source_(&adapter_source) {}

std::vector<Datagram> CapturingNetwork::datagrams() const {
    std::lock_guard lock(mutex_);
    return datagrams_;
}

int CapturingNetwork::library_users() const {
    std::lock_guard lock(mutex_);
    return users_;
}

int CapturingNetwork::open_sockets() const {
    std::lock_guard lock(mutex_);
    int n = 0;
    for (const auto& socket : sockets_) n += socket.has_value();
    return n;
}

int CapturingNetwork::WSAStartup(abi::WORD) {
    std::lock_guard lock(mutex_);
    ++users_;
    return 0;
}

int CapturingNetwork::WSACleanup() {
    std::lock_guard lock(mutex_);
    if (users_ == 0) return kSocketError;
    --users_;
    return 0;
}

SOCKET CapturingNetwork::socket(int family, int type, int) {
    if (family != kAfInet || type != kSockDgram) return kInvalidSocket;
    std::lock_guard lock(mutex_);
    sockets_.emplace_back(Socket{});
    return sockets_.size();
}

int CapturingNetwork::setsockopt(SOCKET handle, int level, int name, const void* value, int length) {
    std::lock_guard lock(mutex_);
    if (handle == 0 || handle > sockets_.size() || !sockets_[handle - 1] || !value || length < 4)
        return kSocketError;
    if (level != kSolSocket || name != kSoBroadcast) return kSocketError;
    if (refused_.count(static_cast<int>(handle))) return kSocketError;
    int on = 0;
    std::memcpy(&on, value, sizeof on);
    sockets_[handle - 1]->broadcast = on != 0;
    return 0;
}

int CapturingNetwork::sendto(SOCKET handle, const void* data, int length, int, const void* address,
                             int address_length) {
    std::lock_guard lock(mutex_);
    if (handle == 0 || handle > sockets_.size() || !sockets_[handle - 1] || !data || length < 0) return kSocketError;
    if (!address || address_length != static_cast<int>(sizeof(SockAddrIn))) return kSocketError;
    SockAddrIn to;
    std::memcpy(&to, address, sizeof to);
    if (to.family != kAfInet) return kSocketError;
    // Every destination the wake-up sends to is a broadcast address, which a real stack refuses
    // without SO_BROADCAST; so does this one, whatever the address.
    if (!sockets_[handle - 1]->broadcast) return kSocketError;
    const int sent = send_limit_ > 0 && length > send_limit_ ? send_limit_ : length;
    Datagram datagram = datagram_to(to, sent);
    if (!log_path_.empty()) {
        std::ofstream log(log_path_, std::ios::app);
        log << datagram.address << ' ' << datagram.port << ' ' << datagram.length << '\n';
    }
    datagrams_.push_back(std::move(datagram));
    return sent;
}

int CapturingNetwork::shutdown(SOCKET handle, int) {
    std::lock_guard lock(mutex_);
    return handle != 0 && handle <= sockets_.size() && sockets_[handle - 1] ? 0 : kSocketError;
}

int CapturingNetwork::closesocket(SOCKET handle) {
    std::lock_guard lock(mutex_);
    if (handle == 0 || handle > sockets_.size() || !sockets_[handle - 1]) return kSocketError;
    sockets_[handle - 1].reset();
    return 0;
}

// Dotted IPv4 hosts and numeric services only: the wake-up resolves nothing else.
int CapturingNetwork::getaddrinfo(const char* host, const char* service, const AddrInfo* hints,
                                  AddrInfo** result) {
    constexpr int kHostNotFound = 11001;  // WSAHOST_NOT_FOUND
    if (!result) return kHostNotFound;
    *result = nullptr;
    if (!host) return kHostNotFound;
    if (hints && hints->ai_family != kAfUnspec && hints->ai_family != kAfInet) return kHostNotFound;
    const auto address = parse_ipv4(host);
    if (!address) return kHostNotFound;
    unsigned port = 0;
    if (service) {
        const std::string_view text(service);
        const auto [next, error] = std::from_chars(text.data(), text.data() + text.size(), port);
        if (error != std::errc() || next != text.data() + text.size() || port > 65535) return kHostNotFound;
    }
    auto* info = new AddrInfo{};
    auto* socket_address = new SockAddrIn{};
    socket_address->family = kAfInet;
    socket_address->port = {static_cast<std::uint8_t>(port >> 8), static_cast<std::uint8_t>(port)};
    socket_address->address = *address;
    info->ai_family = kAfInet;
    info->ai_socktype = hints ? hints->ai_socktype : kSockDgram;
    info->ai_addrlen = sizeof(SockAddrIn);
    info->ai_addr = socket_address;
    *result = info;
    return 0;
}

void CapturingNetwork::freeaddrinfo(AddrInfo* list) {
    while (list) {
        AddrInfo* next = list->ai_next;
        delete static_cast<SockAddrIn*>(list->ai_addr);
        delete list;
        list = next;
    }
}

bool CapturingNetwork::adapters(std::vector<Adapter>& list) {
    if (adapters_) {
        list = *adapters_;
        return true;
    }
    return adapter_source_ && adapter_source_->adapters(list);
}

Network* wake_log_network(Network& machine) {
    const char* path = std::getenv("ZENTA_WAKE_LOG");
    if (!path || !*path) return nullptr;
    auto* network = new CapturingNetwork(machine);  // lives as long as the process
    network->log_to(path);
    return network;
}

}  // namespace zenta::platform::sim
