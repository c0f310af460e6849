// The wake-up's network on Linux: BSD sockets and getifaddrs, with the Windows family numbers,
// option numbers and address layouts mapped to Linux ones and back.

#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <bit>
#include <cstring>
#include <map>
#include <string>

#include "platform/native.h"

namespace zenta::platform {
namespace {

int linux_family(int family) {
    switch (family) {
        case kAfInet: return AF_INET;
        case kAfInet6: return AF_INET6;
        case kAfUnspec: return AF_UNSPEC;
        default: return -1;
    }
}

int windows_family(int family) {
    switch (family) {
        case AF_INET: return kAfInet;
        case AF_INET6: return kAfInet6;
        default: return kAfUnspec;
    }
}

// The Windows socket address as Linux takes it: the same layout, a different family number.
bool to_linux_address(const void* address, int length, sockaddr_storage& out, socklen_t& out_length) {
    if (!address || length < 2 || length > static_cast<int>(sizeof out)) return false;
    std::memset(&out, 0, sizeof out);
    std::memcpy(&out, address, static_cast<std::size_t>(length));
    std::uint16_t family;
    std::memcpy(&family, address, sizeof family);
    const int mapped = linux_family(family);
    if (mapped <= 0) return false;
    out.ss_family = static_cast<sa_family_t>(mapped);
    out_length = static_cast<socklen_t>(length);
    return true;
}

class PosixNetwork final : public Network {
public:
    // There is no sockets library to start on Linux.
    int WSAStartup(abi::WORD) override { return 0; }
    int WSACleanup() override { return 0; }

    SOCKET socket(int family, int type, int protocol) override {
        const int mapped = linux_family(family);
        if (mapped <= 0 || type != kSockDgram) return kInvalidSocket;
        const int fd = ::socket(mapped, SOCK_DGRAM | SOCK_CLOEXEC, protocol);
        return fd < 0 ? kInvalidSocket : static_cast<SOCKET>(fd);
    }

    int setsockopt(SOCKET socket, int level, int name, const void* value, int length) override {
        if (level != kSolSocket || name != kSoBroadcast || length < 0) return kSocketError;
        return ::setsockopt(static_cast<int>(socket), SOL_SOCKET, SO_BROADCAST, value,
                            static_cast<socklen_t>(length)) == 0
                   ? 0
                   : kSocketError;
    }

    int sendto(SOCKET socket, const void* data, int length, int, const void* address, int address_length) override {
        sockaddr_storage to;
        socklen_t to_length = 0;
        if (length < 0 || !to_linux_address(address, address_length, to, to_length)) return kSocketError;
        const ssize_t sent = ::sendto(static_cast<int>(socket), data, static_cast<std::size_t>(length), MSG_NOSIGNAL,
                                      reinterpret_cast<const sockaddr*>(&to), to_length);
        return sent < 0 ? kSocketError : static_cast<int>(sent);
    }

    int shutdown(SOCKET socket, int how) override {
        if (how != kSdBoth) return kSocketError;
        return ::shutdown(static_cast<int>(socket), SHUT_RDWR) == 0 ? 0 : kSocketError;
    }

    int closesocket(SOCKET socket) override { return ::close(static_cast<int>(socket)) == 0 ? 0 : kSocketError; }

    // Linux's getaddrinfo, its results copied into the Windows layout.
    int getaddrinfo(const char* host, const char* service, const AddrInfo* hints, AddrInfo** result) override {
        constexpr int kHostNotFound = 11001;  // WSAHOST_NOT_FOUND
        if (!result) return kHostNotFound;
        *result = nullptr;
        addrinfo linux_hints{};
        if (hints) {
            linux_hints.ai_flags = 0;
            linux_hints.ai_family = linux_family(hints->ai_family);
            if (linux_hints.ai_family < 0) return kHostNotFound;
            linux_hints.ai_socktype = hints->ai_socktype == kSockDgram ? SOCK_DGRAM : 0;
            linux_hints.ai_protocol = hints->ai_protocol;
        }
        addrinfo* found = nullptr;
        if (::getaddrinfo(host, service, hints ? &linux_hints : nullptr, &found) != 0) return kHostNotFound;
        AddrInfo** tail = result;
        for (const addrinfo* at = found; at; at = at->ai_next) {
            const int family = windows_family(at->ai_family);
            if (family == kAfUnspec || !at->ai_addr) continue;
            auto* info = new AddrInfo{};
            info->ai_family = family;
            info->ai_socktype = at->ai_socktype == SOCK_DGRAM ? kSockDgram : at->ai_socktype;
            info->ai_protocol = at->ai_protocol;
            info->ai_addrlen = at->ai_addrlen;
            auto* address = new std::uint8_t[at->ai_addrlen];
            std::memcpy(address, at->ai_addr, at->ai_addrlen);
            const auto windows = static_cast<std::uint16_t>(family);
            std::memcpy(address, &windows, sizeof windows);
            info->ai_addr = address;
            *tail = info;
            tail = &info->ai_next;
        }
        ::freeaddrinfo(found);
        return *result ? 0 : kHostNotFound;
    }

    void freeaddrinfo(AddrInfo* list) override {
        while (list) {
            AddrInfo* next = list->ai_next;
            delete[] static_cast<std::uint8_t*>(list->ai_addr);
            delete list;
            list = next;
        }
    }

    // getifaddrs gives one entry per address; they are gathered per interface, in the order
    // the interfaces first appear.
    bool adapters(std::vector<Adapter>& list) override {
        ifaddrs* all = nullptr;
        if (::getifaddrs(&all) != 0) return false;
        list.clear();
        std::map<std::string, std::size_t> index;
        for (const ifaddrs* at = all; at; at = at->ifa_next) {
            auto [place, added] = index.emplace(at->ifa_name ? at->ifa_name : "", list.size());
            if (added) {
                Adapter adapter;
                adapter.up = (at->ifa_flags & IFF_UP) && (at->ifa_flags & IFF_RUNNING);
                adapter.loopback = (at->ifa_flags & IFF_LOOPBACK) != 0;
                adapter.flags = at->ifa_flags;
                list.push_back(std::move(adapter));
            }
            if (at->ifa_addr && at->ifa_addr->sa_family == AF_INET) {
                Adapter::Unicast unicast;
                unicast.family = kAfInet;
                const auto* address = reinterpret_cast<const sockaddr_in*>(at->ifa_addr);
                std::memcpy(unicast.address.data(), &address->sin_addr, 4);
                if (at->ifa_netmask) {
                    const auto* mask = reinterpret_cast<const sockaddr_in*>(at->ifa_netmask);
                    unicast.prefix_length = static_cast<std::uint8_t>(std::popcount(mask->sin_addr.s_addr));
                    unicast.prefix_known = true;
                }
                list[place->second].unicast.push_back(unicast);
            } else if (at->ifa_addr && at->ifa_addr->sa_family == AF_INET6) {
                Adapter::Unicast unicast;
                unicast.family = kAfInet6;
                const auto* address = reinterpret_cast<const sockaddr_in6*>(at->ifa_addr);
                std::memcpy(unicast.address.data(), &address->sin6_addr, 16);
                list[place->second].unicast.push_back(unicast);
            }
        }
        ::freeifaddrs(all);
        return true;
    }
};

}  // namespace

std::unique_ptr<Network> make_native_network() { return std::make_unique<PosixNetwork>(); }

}  // namespace zenta::platform
