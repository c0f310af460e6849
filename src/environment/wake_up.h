#pragma once
// Waking the printer: a Wake-on-LAN magic packet for the hardware address the printer's
// configuration names ("MacAddress"), sent as UDP broadcast on every IPv4 network of the
// computer at the start of every document. Nothing is reported: the job goes on whether or not a
// packet went out.

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "platform/network.h"

namespace zenta::environment {

using HardwareAddress = std::array<std::uint8_t, 6>;
inline constexpr std::size_t kMagicPacketSize = 102;
inline constexpr unsigned kWakePorts[] = {7, 9};  // echo, then discard

// Six groups of hex digits below 256 separated by ':' or '-', or one run of hex digits below
// 2^48 (big-endian bytes). Anything else gives six zero bytes: no address.
HardwareAddress parse_hardware_address(std::string_view text);

// Six bytes 0xFF, then the address sixteen times.
std::array<std::uint8_t, kMagicPacketSize> magic_packet(const HardwareAddress& address);

// One datagram socket of the network in use, with its destination. Every object counts as a user
// of the sockets library: the first starts it, the last cleans it up.
class ShSocket {
public:
    ShSocket(platform::SOCKET socket, int kind, bool borrowed);
    virtual ~ShSocket();
    ShSocket(const ShSocket&) = delete;
    ShSocket& operator=(const ShSocket&) = delete;

    virtual const void* destination() const = 0;
    virtual const void* destination_address() const = 0;  // the same, a second accessor
    virtual int address_length() const = 0;
    virtual int socket_kind() const { return kind_; }

    platform::SOCKET handle() const { return socket_; }

    class UdpSocketParams {
    public:
        virtual ~UdpSocketParams() = default;
        virtual bool accept(std::span<const std::uint8_t>) const { return true; }
        virtual unsigned port() const = 0;
    };

    class ConstantUdpSocketParams final : public UdpSocketParams {
    public:
        explicit ConstantUdpSocketParams(unsigned port) : port_(port) {}
        unsigned port() const override { return port_; }

    private:
        unsigned port_;
    };

private:
    platform::SOCKET socket_;
    std::int32_t kind_;
    std::int32_t borrowed_;
};

class ShSocket4 final : public ShSocket {
public:
    ShSocket4(platform::SOCKET socket, const platform::SockAddrIn& address);
    const void* destination() const override { return &address_; }
    const void* destination_address() const override { return &address_; }
    int address_length() const override { return sizeof address_; }

private:
    platform::SockAddrIn address_;
};

class ShSocket6 final : public ShSocket {
public:
    ShSocket6(platform::SOCKET socket, const platform::SockAddrIn6& address);
    const void* destination() const override { return &address_; }
    const void* destination_address() const override { return &address_; }
    int address_length() const override { return sizeof address_; }

private:
    platform::SockAddrIn6 address_;
};

using SocketList = std::vector<std::shared_ptr<ShSocket>>;

// A datagram socket for the host text (resolved with any family) and the parameters' port;
// null when the name does not resolve or no socket can be made.
std::shared_ptr<ShSocket> resolve_and_open(const char* host, const ShSocket::UdpSocketParams& params);

// The limited broadcast, then the directed broadcast of every usable IPv4 unicast address, each
// for this port, with SO_BROADCAST set (a socket that refuses it is left out).
SocketList make_broadcast_sockets(unsigned port);

// True when some adapter has a non-zero IPv4 unicast address; asked once per process (once per
// network a scope puts in place).
bool ipv4_available();

// Ten passes of the magic packet through every broadcast socket of ports 7 and 9, with a pause
// of 200 to 299 ms after the fifth; true when any datagram went out.
bool send_wake_up_packet(const HardwareAddress& address);

// Reads the printer's "MacAddress" and wakes it; nothing for an empty name, a missing value or
// no address.
void wake_printer(std::u16string_view printer_name);

}  // namespace zenta::environment
