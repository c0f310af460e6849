// The wake-up's network on Windows: the sockets calls of ws2_32, the name resolution functions
// and the adapter list looked up at run time, as the oldest systems the plug-in runs on may lack
// them.

#include <winsock2.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>
#include <windows.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/native.h"
#include "util/once.h"

namespace zenta::platform {
namespace {

static_assert(sizeof(AddrInfo) == sizeof(ADDRINFOA));
static_assert(offsetof(AddrInfo, ai_addrlen) == offsetof(ADDRINFOA, ai_addrlen));
static_assert(offsetof(AddrInfo, ai_canonname) == offsetof(ADDRINFOA, ai_canonname));
static_assert(offsetof(AddrInfo, ai_addr) == offsetof(ADDRINFOA, ai_addr));
static_assert(offsetof(AddrInfo, ai_next) == offsetof(ADDRINFOA, ai_next));
static_assert(kAfInet6 == AF_INET6 && kSolSocket == SOL_SOCKET && kSoBroadcast == SO_BROADCAST);

using GetAddrInfoFn = int(WSAAPI*)(const char*, const char*, const ADDRINFOA*, ADDRINFOA**);
using GetNameInfoFn = int(WSAAPI*)(const sockaddr*, socklen_t, char*, DWORD, char*, DWORD, int);
using FreeAddrInfoFn = void(WSAAPI*)(ADDRINFOA*);
using GetAdaptersAddressesFn = ULONG(WINAPI*)(ULONG, ULONG, PVOID, PIP_ADAPTER_ADDRESSES, PULONG);

// getaddrinfo, getnameinfo and freeaddrinfo from the first system library that has all three:
// ws2_32, then wship6 (where the first IPv6 releases kept them). The libraries stay loaded for
// the life of the process.
struct NameFunctions {
    GetAddrInfoFn getaddrinfo = nullptr;
    GetNameInfoFn getnameinfo = nullptr;
    FreeAddrInfoFn freeaddrinfo = nullptr;
};

HMODULE load_system_library(const wchar_t* name) {
    wchar_t directory[MAX_PATH];
    const UINT n = ::GetSystemDirectoryW(directory, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return nullptr;
    const std::wstring path = std::wstring(directory, n) + L"\\" + name;
    return ::LoadLibraryW(path.c_str());
}

NameFunctions find_name_functions() {
    for (const wchar_t* name : {L"ws2_32", L"wship6"}) {
        HMODULE library = load_system_library(name);
        if (!library) continue;
        NameFunctions found{
            reinterpret_cast<GetAddrInfoFn>(reinterpret_cast<void*>(::GetProcAddress(library, "getaddrinfo"))),
            reinterpret_cast<GetNameInfoFn>(reinterpret_cast<void*>(::GetProcAddress(library, "getnameinfo"))),
            reinterpret_cast<FreeAddrInfoFn>(reinterpret_cast<void*>(::GetProcAddress(library, "freeaddrinfo")))};
        if (found.getaddrinfo && found.getnameinfo && found.freeaddrinfo) return found;
        ::FreeLibrary(library);
    }
    return {};
}

const NameFunctions& name_functions() {
    static util::Once<NameFunctions> once;
    return once.get(find_name_functions);
}

// Where the system has no getaddrinfo: IPv4 only, in the manner of the SDK's compatibility
// layer. The service is a port number or a name getservbyname knows for the socket type's
// protocol; the host a dotted address, else every address gethostbyname gives; no host is the
// loopback address (any address for a passive socket). The plug-in never asks for the name of an
// address, so getnameinfo has no stand-in.
int legacy_getaddrinfo(const char* host, const char* service, const ADDRINFOA* hints, ADDRINFOA** result) {
    *result = nullptr;
    const int socktype = hints ? hints->ai_socktype : 0;
    if (hints && hints->ai_family != AF_UNSPEC && hints->ai_family != AF_INET) return EAI_FAMILY;
    if (!host && !service) return EAI_NONAME;

    u_short port = 0;
    if (service && *service) {
        char* end = nullptr;
        const unsigned long number = std::strtoul(service, &end, 10);
        if (*end == '\0') {
            port = htons(static_cast<u_short>(number));
        } else {
            const servent* entry = ::getservbyname(service, socktype == SOCK_DGRAM ? "udp" : "tcp");
            if (!entry) return EAI_SERVICE;
            port = static_cast<u_short>(entry->s_port);
        }
    }

    std::vector<in_addr> addresses;
    if (!host) {
        in_addr any{};
        any.s_addr = htonl(hints && (hints->ai_flags & AI_PASSIVE) ? INADDR_ANY : INADDR_LOOPBACK);
        addresses.push_back(any);
    } else if (const unsigned long numeric = ::inet_addr(host); numeric != INADDR_NONE ||
                                                                std::strcmp(host, "255.255.255.255") == 0) {
        in_addr address{};
        address.s_addr = numeric;
        addresses.push_back(address);
    } else if (const hostent* entry = ::gethostbyname(host); entry && entry->h_addrtype == AF_INET) {
        for (char** at = entry->h_addr_list; at && *at; ++at) {
            in_addr address;
            std::memcpy(&address, *at, sizeof address);
            addresses.push_back(address);
        }
    }
    if (addresses.empty()) return EAI_NONAME;

    ADDRINFOA** tail = result;
    for (const in_addr& address : addresses) {
        auto* info = static_cast<ADDRINFOA*>(std::calloc(1, sizeof(ADDRINFOA)));
        auto* socket_address = static_cast<sockaddr_in*>(std::calloc(1, sizeof(sockaddr_in)));
        if (!info || !socket_address) {
            std::free(info);
            std::free(socket_address);
            break;
        }
        socket_address->sin_family = AF_INET;
        socket_address->sin_port = port;
        socket_address->sin_addr = address;
        info->ai_family = AF_INET;
        info->ai_socktype = socktype;
        info->ai_protocol = hints ? hints->ai_protocol : 0;
        info->ai_addrlen = sizeof(sockaddr_in);
        info->ai_addr = reinterpret_cast<sockaddr*>(socket_address);
        *tail = info;
        tail = &info->ai_next;
    }
    return *result ? 0 : EAI_MEMORY;
}

void legacy_freeaddrinfo(ADDRINFOA* list) {
    while (list) {
        ADDRINFOA* next = list->ai_next;
        std::free(list->ai_addr);
        std::free(list);
        list = next;
    }
}

class Win32Network final : public Network {
public:
    int WSAStartup(abi::WORD version) override {
        WSADATA data;
        return ::WSAStartup(version, &data);
    }
    int WSACleanup() override { return ::WSACleanup(); }

    SOCKET socket(int family, int type, int protocol) override {
        const ::SOCKET s = ::socket(family, type, protocol);
        return s == INVALID_SOCKET ? kInvalidSocket : static_cast<SOCKET>(s);
    }
    int setsockopt(SOCKET socket, int level, int name, const void* value, int length) override {
        return ::setsockopt(static_cast<::SOCKET>(socket), level, name, static_cast<const char*>(value), length);
    }
    int sendto(SOCKET socket, const void* data, int length, int flags, const void* address, int address_length) override {
        return ::sendto(static_cast<::SOCKET>(socket), static_cast<const char*>(data), length, flags,
                        static_cast<const sockaddr*>(address), address_length);
    }
    int shutdown(SOCKET socket, int how) override { return ::shutdown(static_cast<::SOCKET>(socket), how); }
    int closesocket(SOCKET socket) override { return ::closesocket(static_cast<::SOCKET>(socket)); }

    int getaddrinfo(const char* host, const char* service, const AddrInfo* hints, AddrInfo** result) override {
        if (!result) return EAI_FAIL;
        const auto* windows_hints = reinterpret_cast<const ADDRINFOA*>(hints);
        auto** windows_result = reinterpret_cast<ADDRINFOA**>(result);
        const NameFunctions& functions = name_functions();
        return functions.getaddrinfo ? functions.getaddrinfo(host, service, windows_hints, windows_result)
                                     : legacy_getaddrinfo(host, service, windows_hints, windows_result);
    }
    void freeaddrinfo(AddrInfo* list) override {
        auto* windows_list = reinterpret_cast<ADDRINFOA*>(list);
        const NameFunctions& functions = name_functions();
        if (functions.freeaddrinfo)
            functions.freeaddrinfo(windows_list);
        else
            legacy_freeaddrinfo(windows_list);
    }

    // GetAdaptersAddresses from iphlpapi.dll: a size query, then the real call (asked again while
    // the list grows between the two). A unicast address's prefix is its on-link prefix length,
    // where the system's structure is recent enough to carry one.
    bool adapters(std::vector<Adapter>& list) override {
        static util::Once<GetAdaptersAddressesFn> once;
        const GetAdaptersAddressesFn get_adapters = once.get([] {
            HMODULE library = load_system_library(L"iphlpapi.dll");
            return library ? reinterpret_cast<GetAdaptersAddressesFn>(
                                 reinterpret_cast<void*>(::GetProcAddress(library, "GetAdaptersAddresses")))
                           : nullptr;
        });
        if (!get_adapters) return false;
        const ULONG flags = GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER;
        ULONG size = 0;
        ULONG status = get_adapters(AF_UNSPEC, flags, nullptr, nullptr, &size);
        std::vector<std::max_align_t> storage;
        for (int attempt = 0; attempt < 3 && status == ERROR_BUFFER_OVERFLOW; ++attempt) {
            storage.assign((size + sizeof(std::max_align_t) - 1) / sizeof(std::max_align_t), std::max_align_t{});
            status = get_adapters(AF_UNSPEC, flags, nullptr, reinterpret_cast<PIP_ADAPTER_ADDRESSES>(storage.data()),
                                  &size);
        }
        list.clear();
        if (status == ERROR_NO_DATA) return true;
        if (status != NO_ERROR) return false;
        for (auto* at = reinterpret_cast<PIP_ADAPTER_ADDRESSES>(storage.data()); at; at = at->Next) {
            Adapter adapter;
            adapter.up = at->OperStatus == IfOperStatusUp;
            adapter.loopback = at->IfType == IF_TYPE_SOFTWARE_LOOPBACK;
            adapter.flags = at->Flags;
            for (auto* unicast = at->FirstUnicastAddress; unicast; unicast = unicast->Next) {
                const sockaddr* address = unicast->Address.lpSockaddr;
                if (!address) continue;
                Adapter::Unicast entry;
                if (address->sa_family == AF_INET && unicast->Address.iSockaddrLength >= int(sizeof(sockaddr_in))) {
                    entry.family = kAfInet;
                    std::memcpy(entry.address.data(), &reinterpret_cast<const sockaddr_in*>(address)->sin_addr, 4);
                } else if (address->sa_family == AF_INET6 &&
                           unicast->Address.iSockaddrLength >= int(sizeof(sockaddr_in6))) {
                    entry.family = kAfInet6;
                    std::memcpy(entry.address.data(), &reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr, 16);
                } else {
                    continue;
                }
                if (unicast->Length >= offsetof(IP_ADAPTER_UNICAST_ADDRESS, OnLinkPrefixLength) + 1) {
                    entry.prefix_length = unicast->OnLinkPrefixLength;
                    entry.prefix_known = true;
                }
                adapter.unicast.push_back(entry);
            }
            list.push_back(std::move(adapter));
        }
        return true;
    }
};

}  // namespace

std::unique_ptr<Network> make_native_network() { return std::make_unique<Win32Network>(); }

}  // namespace zenta::platform
