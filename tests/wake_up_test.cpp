// The printer wake-up: the hardware address, the magic packet, the broadcast destinations and
// the sending rule, all through a capturing network (nothing leaves the machine).

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "environment/wake_up.h"
#include "platform/network.h"
#include "platform/sim/network.h"
#include "support/printer_fixture.h"

namespace zenta {
namespace {

using environment::HardwareAddress;
using platform::Adapter;
using platform::sim::CapturingNetwork;
using platform::sim::Datagram;

const HardwareAddress kAddress = {0x00, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F};

TEST(HardwareAddress, SpellingsOfOneAddressAndFormsOfNone) {
    struct Row {
        const char* text;
        HardwareAddress expected;
    };
    const Row rows[] = {
        {"00-1B-2C-3D-4E-5F", kAddress},
        {"00:1b:2c:3d:4e:5f", kAddress},
        {"001B2C3D4E5F", kAddress},
        {"00:1B-2C:3D-4E:5F", kAddress},          // the separators may be mixed
        {"0:1B:2C:3D:4E:5F", kAddress},           // a group is a number, not two digits
        {"0000:1B:2C:3D:4E:5F", kAddress},        // ... below 256
        {"1B2C3D4E5F", kAddress},                 // a shorter run is a smaller number
        {"FFFFFFFFFFFF", {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
        {"00:1B:2C:3D:4E", {}},                   // five groups
        {"00:1B:2C:3D:4E:5F:60", {}},             // seven
        {"00:1B:2C:3D:4E:G5", {}},                // not hexadecimal
        {"100:1B:2C:3D:4E:5F", {}},               // a group of 256
        {"00:1B:2C:3D:4E:5F:", {}},               // something after the sixth group
        {"00::2C:3D:4E:5F", {}},                  // an empty group
        {"1000000000000", {}},                    // 2^48
        {" 001B2C3D4E5F", {}},
        {"", {}},
    };
    for (const Row& row : rows) EXPECT_EQ(environment::parse_hardware_address(row.text), row.expected) << row.text;
}

TEST(HardwareAddress, MagicPacketIsSixOnesThenSixteenCopies) {
    const auto packet = environment::magic_packet(kAddress);
    for (std::size_t i = 0; i < 6; ++i) EXPECT_EQ(packet[i], 0xFF);
    for (std::size_t copy = 0; copy < 16; ++copy)
        for (std::size_t i = 0; i < 6; ++i) EXPECT_EQ(packet[6 + copy * 6 + i], kAddress[i]) << copy;
}

Adapter adapter(const char* text) {
    auto parsed = platform::sim::parse_adapter(text);
    EXPECT_TRUE(parsed) << text;
    return parsed.value_or(Adapter{});
}

// The destinations of one pass (address and port), the datagrams of a whole wake-up being ten
// such passes.
std::vector<std::string> one_pass(const std::vector<Datagram>& datagrams) {
    std::vector<std::string> pass;
    for (const Datagram& d : datagrams) {
        const std::string destination = d.address + ":" + std::to_string(d.port);
        if (!pass.empty() && destination == pass.front()) break;
        pass.push_back(destination);
    }
    return pass;
}

TEST(WakeUp, OneAdapterGivesFourSocketsAndFortyDatagrams) {
    CapturingNetwork capture({adapter("192.168.10.20/24")});
    const platform::ScopedNetwork scope(capture);
    EXPECT_TRUE(environment::send_wake_up_packet(kAddress));
    const auto datagrams = capture.datagrams();
    ASSERT_EQ(datagrams.size(), 40u);
    const std::vector<std::string> pass = {"255.255.255.255:7", "192.168.10.255:7", "255.255.255.255:9",
                                           "192.168.10.255:9"};
    for (std::size_t i = 0; i < datagrams.size(); ++i) {
        EXPECT_EQ(datagrams[i].address + ":" + std::to_string(datagrams[i].port), pass[i % 4]) << i;
        EXPECT_EQ(datagrams[i].length, 102);
    }
    // Every socket closed and the sockets library released by its last user.
    EXPECT_EQ(capture.open_sockets(), 0);
    EXPECT_EQ(capture.library_users(), 0);
}

TEST(WakeUp, WhichAdapterAddressesGiveADirectedBroadcast) {
    struct Row {
        std::vector<Adapter> adapters;
        std::vector<std::string> pass;
        const char* why;
    };
    Adapter unknown_prefix = adapter("10.1.2.3");
    Adapter two_addresses = adapter("10.1.2.3/8");
    two_addresses.unicast.push_back(adapter("172.16.5.6/20").unicast[0]);
    Adapter ipv6_only;
    ipv6_only.unicast.push_back({platform::kAfInet6, {0xFE, 0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}, 64, true});
    const std::vector<std::string> limited_only = {"255.255.255.255:7", "255.255.255.255:9"};
    const Row rows[] = {
        {{adapter("169.254.3.4/16")}, limited_only, "automatic link-local address"},
        {{adapter("169.254.254.255/16")}, limited_only, "last link-local address skipped"},
        {{adapter("169.254.0.9/16")}, {"255.255.255.255:7", "169.254.255.255:7", "255.255.255.255:9",
                                       "169.254.255.255:9"}, "below the link-local range"},
        {{adapter("127.0.0.1/8")}, limited_only, "loopback"},
        {{adapter("127.0.0.2/8")}, {"255.255.255.255:7", "127.255.255.255:7", "255.255.255.255:9",
                                    "127.255.255.255:9"}, "only 127.0.0.1 is skipped"},
        {{unknown_prefix}, limited_only, "no prefix known: all ones"},
        {{adapter("10.1.2.3/0")}, limited_only, "mask 0"},
        {{adapter("10.1.2.3/32")}, limited_only, "mask all ones"},
        {{two_addresses, adapter("192.168.1.9/25")},
         {"255.255.255.255:7", "10.255.255.255:7", "172.16.15.255:7", "192.168.1.127:7", "255.255.255.255:9",
          "10.255.255.255:9", "172.16.15.255:9", "192.168.1.127:9"},
         "adapters and addresses in their order"},
        {{ipv6_only}, {}, "no IPv4 network: nothing sent"},
        {{}, {}, "no adapter"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        CapturingNetwork capture(row.adapters);
        const platform::ScopedNetwork scope(capture);
        EXPECT_EQ(environment::send_wake_up_packet(kAddress), !row.pass.empty());
        const auto datagrams = capture.datagrams();
        EXPECT_EQ(one_pass(datagrams), row.pass);
        EXPECT_EQ(datagrams.size(), row.pass.size() * 10);
    }
}

TEST(WakeUp, ShortSendsAreCompletedAndARefusedSocketIsLeftOut) {
    {
        CapturingNetwork capture({adapter("192.168.10.20/24")});
        capture.limit_each_send(40);
        const platform::ScopedNetwork scope(capture);
        EXPECT_TRUE(environment::send_wake_up_packet(kAddress));
        const auto datagrams = capture.datagrams();
        ASSERT_EQ(datagrams.size(), 120u);
        EXPECT_EQ(datagrams[0].length + datagrams[1].length + datagrams[2].length, 102);
        EXPECT_EQ(datagrams[3].address, "192.168.10.255");
    }
    {
        CapturingNetwork capture({adapter("192.168.10.20/24")});
        capture.refuse_broadcast_on(2);  // 192.168.10.255 port 7
        const platform::ScopedNetwork scope(capture);
        EXPECT_TRUE(environment::send_wake_up_packet(kAddress));
        EXPECT_EQ(one_pass(capture.datagrams()),
                  (std::vector<std::string>{"255.255.255.255:7", "255.255.255.255:9", "192.168.10.255:9"}));
        EXPECT_EQ(capture.datagrams().size(), 30u);
        EXPECT_EQ(capture.open_sockets(), 0);
    }
    {
        CapturingNetwork capture({adapter("192.168.10.20/24")});
        const platform::ScopedNetwork scope(capture);
        EXPECT_FALSE(environment::send_wake_up_packet(HardwareAddress{}));
        EXPECT_TRUE(capture.datagrams().empty());
    }
}

// The machine's own network, asked only what it has (nothing is sent): on Windows the adapter
// list and the name resolution functions looked up at run time.
TEST(MachineNetwork, ListsAdaptersAndResolvesADottedAddress) {
    platform::Network& network = platform::native_network();
    std::vector<Adapter> adapters;
    EXPECT_TRUE(network.adapters(adapters));
    ASSERT_EQ(network.WSAStartup(0x0202), 0);
    platform::AddrInfo hints{};
    hints.ai_socktype = platform::kSockDgram;
    platform::AddrInfo* found = nullptr;
    ASSERT_EQ(network.getaddrinfo("192.168.10.255", nullptr, &hints, &found), 0);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->ai_family, platform::kAfInet);
    ASSERT_EQ(found->ai_addrlen, sizeof(platform::SockAddrIn));
    platform::SockAddrIn address;
    std::memcpy(&address, found->ai_addr, sizeof address);
    EXPECT_EQ(address.family, platform::kAfInet);
    EXPECT_EQ(address.address, (std::array<std::uint8_t, 4>{192, 168, 10, 255}));
    network.freeaddrinfo(found);
    network.WSACleanup();
}

class WakePrinter : public test::SpoolerTest {};

TEST_P(WakePrinter, TheMacAddressValueDecides) {
    struct Row {
        const char16_t* printer;
        const char16_t* value;  // null: no value
        std::size_t datagrams;
    };
    const Row rows[] = {
        {u"Zenta Wake Grouped", u"00-1B-2C-3D-4E-5F", 40},
        {u"Zenta Wake Run", u"001b2c3d4e5f", 40},
        {u"Zenta Wake Five Groups", u"00:1B:2C:3D:4E", 0},
        {u"Zenta Wake Zero", u"00:00:00:00:00:00", 0},
        {u"Zenta Wake None", nullptr, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.printer, row.printer + std::char_traits<char16_t>::length(row.printer)));
        ASSERT_TRUE(printers().add_printer(row.printer)) << printers().error();
        if (row.value) {
            ASSERT_TRUE(printers().set_string(row.printer, u"MacAddress", row.value));
        }
        CapturingNetwork capture({adapter("192.168.10.20/24")});
        const platform::ScopedNetwork scope(capture);
        environment::wake_printer(row.printer);
        EXPECT_EQ(capture.datagrams().size(), row.datagrams);
    }
    CapturingNetwork capture({adapter("192.168.10.20/24")});
    const platform::ScopedNetwork scope(capture);
    environment::wake_printer(u"");
    EXPECT_TRUE(capture.datagrams().empty());
}

INSTANTIATE_TEST_SUITE_P(Spoolers, WakePrinter, ::testing::ValuesIn(test::spooler_kinds()),
                         test::SpoolerKindName());

}  // namespace
}  // namespace zenta
