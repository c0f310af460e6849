// The verb that wakes a printer: the Wake-on-LAN datagrams the plug-in sends at the start of a
// document, for a hardware address given directly or read from a printer's "MacAddress". With
// --dry-run nothing is sent: the datagrams are listed as the plug-in would send them, on the
// machine's adapters or on the adapters given.

#include <cstring>
#include <iostream>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "commands.h"
#include "environment/printer_data.h"
#include "environment/wake_up.h"
#include "files.h"
#include "platform/network.h"
#include "platform/sim/network.h"

namespace zenta::tool {
namespace {

struct Options {
    std::string target;
    std::string profile;
    bool dry_run = false;
    std::vector<std::string> adapters;
};

// Passes every call on to another network and notes the datagrams that went out.
class NotingNetwork final : public platform::Network {
public:
    explicit NotingNetwork(platform::Network& next) : next_(next) {}
    std::vector<platform::sim::Datagram> datagrams() const { return datagrams_; }

    int WSAStartup(abi::WORD version) override { return next_.WSAStartup(version); }
    int WSACleanup() override { return next_.WSACleanup(); }
    platform::SOCKET socket(int family, int type, int protocol) override {
        return next_.socket(family, type, protocol);
    }
    int setsockopt(platform::SOCKET s, int level, int name, const void* value, int length) override {
        return next_.setsockopt(s, level, name, value, length);
    }
    int sendto(platform::SOCKET s, const void* data, int length, int flags, const void* address,
               int address_length) override {
        const int sent = next_.sendto(s, data, length, flags, address, address_length);
        if (sent >= 0 && address_length == static_cast<int>(sizeof(platform::SockAddrIn))) {
            platform::SockAddrIn to;
            std::memcpy(&to, address, sizeof to);
            datagrams_.push_back(platform::sim::datagram_to(to, sent));
        }
        return sent;
    }
    int shutdown(platform::SOCKET s, int how) override { return next_.shutdown(s, how); }
    int closesocket(platform::SOCKET s) override { return next_.closesocket(s); }
    int getaddrinfo(const char* host, const char* service, const platform::AddrInfo* hints,
                    platform::AddrInfo** result) override {
        return next_.getaddrinfo(host, service, hints, result);
    }
    void freeaddrinfo(platform::AddrInfo* list) override { next_.freeaddrinfo(list); }
    bool adapters(std::vector<platform::Adapter>& list) override { return next_.adapters(list); }

private:
    platform::Network& next_;
    std::vector<platform::sim::Datagram> datagrams_;
};

// A text made only of hex digits and group separators is meant as an address; anything else
// names a printer.
bool looks_like_address(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789abcdefABCDEF:-") == std::string::npos;
}

// The address to wake: the one given, or the printer's "MacAddress". None, after saying why.
std::optional<environment::HardwareAddress> address_to_wake(const Options& o) {
    std::string text = o.target;
    std::string source = "'" + o.target + "'";
    if (!looks_like_address(o.target)) {
        PrinterSession session;
        if (!session.open("wake", o.profile, o.target)) return std::nullopt;
        const auto value = environment::read_wake_up_address_text(session.printer());
        if (!value) {
            std::cerr << "zenta: wake: the printer '" << o.target << "' has no MacAddress value\n";
            return std::nullopt;
        }
        text = *value;
        source = "the printer's MacAddress '" + text + "'";
    }
    const auto address = environment::parse_hardware_address(text);
    if (address == environment::HardwareAddress{}) {
        std::cerr << "zenta: wake: " << source
                  << " is not a hardware address (six hex groups separated by ':' or '-', or twelve hex "
                     "digits, not all zero); nothing sent\n";
        return std::nullopt;
    }
    return address;
}

void list(const std::vector<platform::sim::Datagram>& datagrams) {
    for (const auto& d : datagrams) std::cout << d.address << ' ' << d.port << ' ' << d.length << '\n';
}

int run_wake(const Options& o) {
    std::vector<platform::Adapter> adapters;
    for (const std::string& text : o.adapters) {
        auto adapter = platform::sim::parse_adapter(text);
        if (!adapter) {
            std::cerr << "zenta: wake: --adapter '" << text << "' is not ADDRESS/PREFIX (like 192.168.10.20/24)\n";
            return 2;
        }
        adapters.push_back(std::move(*adapter));
    }
    if (!o.adapters.empty() && !o.dry_run) {
        std::cerr << "zenta: wake: --adapter only goes with --dry-run (datagrams go out on the real adapters)\n";
        return 2;
    }
    const auto address = address_to_wake(o);
    if (!address) return 1;

    if (o.dry_run) {
        std::optional<platform::sim::CapturingNetwork> capture;
        if (o.adapters.empty())
            capture.emplace(platform::native_network());
        else
            capture.emplace(std::move(adapters));
        const platform::ScopedNetwork scope(*capture);
        environment::send_wake_up_packet(*address);
        list(capture->datagrams());
        return 0;
    }
    NotingNetwork noting(platform::network());
    const platform::ScopedNetwork scope(noting);
    const bool sent = environment::send_wake_up_packet(*address);
    list(noting.datagrams());
    if (!sent) {
        std::cerr << "zenta: wake: nothing was sent (no IPv4 network, or no socket could broadcast)\n";
        return 1;
    }
    return 0;
}

}  // namespace

void register_wake_commands(CLI::App& app) {
    static Options o;
    auto* wake = app.add_subcommand(
        "wake", "Send the Wake-on-LAN datagrams the plug-in sends at the start of a document, one line each: "
                "ADDRESS PORT LENGTH");
    wake->add_option("target", o.target, "A hardware address (00:1B:2C:3D:4E:5F) or a printer's name")->required();
    wake->add_option("--printer", o.profile, "A printer profile (JSON) to simulate the spooler with")
        ->check(CLI::ExistingFile);
    wake->add_flag("--dry-run", o.dry_run, "List the datagrams without sending anything");
    wake->add_option("--adapter", o.adapters,
                     "With --dry-run: an adapter ADDRESS/PREFIX in place of the machine's (repeatable)");
    set_action(wake, [] { return run_wake(o); });
}

}  // namespace zenta::tool
