#pragma once
// A network that sends nothing: it resolves dotted IPv4 addresses, hands out sockets of its own
// and notes every datagram given to sendto (destination, port, length) instead of sending it.
// The adapters are the ones it was given, or those of another network (the machine's own, for a
// listing of what the machine would send).

#include <cstdint>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/network.h"

namespace zenta::platform::sim {

struct Datagram {
    std::string address;  // dotted IPv4 text
    unsigned port = 0;
    int length = 0;
    bool operator==(const Datagram&) const = default;
};

// The datagram of this length to this IPv4 destination.
Datagram datagram_to(const SockAddrIn& destination, int length);

// "ADDRESS/PREFIX" (or "ADDRESS" alone, prefix unknown) as one adapter that is up and holds that
// one IPv4 unicast address; none for any other text.
std::optional<Adapter> parse_adapter(std::string_view text);

// "a.b.c.d" with four decimal numbers below 256; none for any other text.
std::optional<std::array<std::uint8_t, 4>> parse_ipv4(std::string_view text);

class CapturingNetwork final : public Network {
public:
    explicit CapturingNetwork(std::vector<Adapter> adapters);
    explicit CapturingNetwork(Network& adapter_source);

    // Each datagram is also appended to this file as the line "ADDRESS PORT LENGTH".
    void log_to(std::string path) { log_path_ = std::move(path); }
    // sendto takes at most this many bytes per call (a short send, as a busy stack may make).
    void limit_each_send(int bytes) { send_limit_ = bytes; }
    // SO_BROADCAST fails on the n-th socket opened (counting from 1).
    void refuse_broadcast_on(int n) { refused_.insert(n); }

    std::vector<Datagram> datagrams() const;
    int library_users() const;
    int open_sockets() const;

    int WSAStartup(abi::WORD version) override;
    int WSACleanup() override;
    SOCKET socket(int family, int type, int protocol) override;
    int setsockopt(SOCKET socket, int level, int name, const void* value, int length) override;
    int sendto(SOCKET socket, const void* data, int length, int flags, const void* address,
               int address_length) override;
    int shutdown(SOCKET socket, int how) override;
    int closesocket(SOCKET socket) override;
    int getaddrinfo(const char* host, const char* service, const AddrInfo* hints, AddrInfo** result) override;
    void freeaddrinfo(AddrInfo* list) override;
    bool adapters(std::vector<Adapter>& list) override;

private:
    struct Socket {
        bool broadcast = false;
    };

    std::optional<std::vector<Adapter>> adapters_;
    Network* adapter_source_ = nullptr;
    std::string log_path_;
    int send_limit_ = 0;
    std::set<int> refused_;

    mutable std::mutex mutex_;
    std::vector<Datagram> datagrams_;
    std::vector<std::optional<Socket>> sockets_;  // by handle - 1
    int users_ = 0;
};

// The network a process uses when ZENTA_WAKE_LOG names a file: the machine's adapters, and every
// datagram noted in that file instead of sent.
Network* wake_log_network(Network& machine);

}  // namespace zenta::platform::sim
