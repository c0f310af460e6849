#pragma once
// The network services of the printer wake-up, shaped like the Windows sockets calls they stand
// for: Windows family numbers (2 IPv4, 23 IPv6), Windows socket options, the Windows layouts of
// the socket addresses and of the name resolution result, and SOCKET_ERROR (-1) for a failed
// call.
//
// Implementations: win32/ (ws2_32 and, looked up at run time, the name resolution functions and
// the adapter list of iphlpapi.dll), posix/ (BSD sockets and getifaddrs, numbers and layouts
// mapped), and sim/ (a capturing network that sends nothing and notes every datagram).

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "abi/types.h"

namespace zenta::platform {

using SOCKET = std::uintptr_t;
inline constexpr SOCKET kInvalidSocket = ~SOCKET{0};
inline constexpr int kSocketError = -1;

inline constexpr int kAfUnspec = 0;
inline constexpr int kAfInet = 2;
inline constexpr int kAfInet6 = 23;
inline constexpr int kSockDgram = 2;
inline constexpr int kSolSocket = 0xFFFF;
inline constexpr int kSoBroadcast = 0x0020;
inline constexpr int kSdBoth = 2;

// SOCKADDR_IN: family, port (network byte order), address (network byte order), eight zeros.
struct SockAddrIn {
    std::uint16_t family;
    std::array<std::uint8_t, 2> port;
    std::array<std::uint8_t, 4> address;
    std::array<std::uint8_t, 8> zero;
};
static_assert(sizeof(SockAddrIn) == 16);

// SOCKADDR_IN6: family, port, flow information, address, scope.
struct SockAddrIn6 {
    std::uint16_t family;
    std::array<std::uint8_t, 2> port;
    std::uint32_t flow_info;
    std::array<std::uint8_t, 16> address;
    std::uint32_t scope_id;
};
static_assert(sizeof(SockAddrIn6) == 28);

// ADDRINFOA, in its field order.
struct AddrInfo {
    int ai_flags;
    int ai_family;
    int ai_socktype;
    int ai_protocol;
    std::size_t ai_addrlen;
    char* ai_canonname;
    void* ai_addr;
    AddrInfo* ai_next;
};

// What the wake-up keeps of one network adapter from GetAdaptersAddresses.
struct Adapter {
    struct Unicast {
        int family = kAfUnspec;
        std::array<std::uint8_t, 16> address{};  // network byte order; IPv4 in the first four
        std::uint8_t prefix_length = 0;
        bool prefix_known = false;
    };
    std::vector<Unicast> unicast;
    bool up = false;        // operational status 1
    bool loopback = false;  // interface type 24, the software loopback
    abi::DWORD flags = 0;
};

class Network {
public:
    virtual ~Network() = default;

    // 0 on success, else the error number.
    virtual int WSAStartup(abi::WORD version) = 0;
    virtual int WSACleanup() = 0;

    virtual SOCKET socket(int family, int type, int protocol) = 0;
    virtual int setsockopt(SOCKET socket, int level, int name, const void* value, int length) = 0;
    // The number of bytes sent, or kSocketError.
    virtual int sendto(SOCKET socket, const void* data, int length, int flags, const void* address,
                       int address_length) = 0;
    virtual int shutdown(SOCKET socket, int how) = 0;
    virtual int closesocket(SOCKET socket) = 0;

    // getaddrinfo and freeaddrinfo as found at run time (or the compatibility fallback where the
    // system has neither): 0 on success, with a list that freeaddrinfo releases.
    virtual int getaddrinfo(const char* host, const char* service, const AddrInfo* hints, AddrInfo** result) = 0;
    virtual void freeaddrinfo(AddrInfo* list) = 0;

    // The computer's network adapters; false when they cannot be listed.
    virtual bool adapters(std::vector<Adapter>& list) = 0;
};

// The network in use by this process: the system's own unless a scope put another in place.
Network& network();
// The system's own network, whatever a scope put in place.
Network& native_network();
// Changes whenever a scope puts a network in place or takes it away, so that what was learnt
// about one network is not taken for another.
std::uint64_t network_generation();

class ScopedNetwork {
public:
    explicit ScopedNetwork(Network& network);
    ~ScopedNetwork();
    ScopedNetwork(const ScopedNetwork&) = delete;
    ScopedNetwork& operator=(const ScopedNetwork&) = delete;

private:
    Network* previous_;
};

}  // namespace zenta::platform
