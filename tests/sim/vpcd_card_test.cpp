#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

#include "hex.h"
#include "scripted_card.h"
#include "support/hex_bytes.h"
#include "vpcd_card_session.h"
#include "vpcd_link.h"

namespace velkor::sim {
namespace {

constexpr auto H = testing::FromHex;

class CountingCard final : public VirtualCard {
public:
    const Bytes& Atr() const override { return atr_; }
    CardProtocol Protocol() const override { return CardProtocol::T1; }
    void PowerOn() override { ++powerOns; }
    void PowerOff() override { ++powerOffs; }
    void Reset() override { ++resets; }
    Bytes Transmit(const Bytes& command) override
    {
        last = command;
        return H("9000");
    }
    int powerOns = 0;
    int powerOffs = 0;
    int resets = 0;
    Bytes last;

private:
    Bytes atr_ = H("3B80800101");
};

TEST(VpcdCardSession, ControlBytesDriveTheCardAndOnlyAtrAndApdusAreAnswered)
{
    CountingCard card;
    VpcdCardSession session(card);
    EXPECT_EQ(session.Handle(H("01")), std::nullopt);
    EXPECT_EQ(session.Handle(H("02")), std::nullopt);
    EXPECT_EQ(session.Handle(H("00")), std::nullopt);
    EXPECT_EQ(session.Handle(H("04")), H("3B80800101"));
    EXPECT_EQ(session.Handle(H("00A4040000")), H("9000"));
    EXPECT_EQ(card.last, H("00A4040000"));
    EXPECT_EQ(card.powerOns, 1);
    EXPECT_EQ(card.resets, 1);
    EXPECT_EQ(card.powerOffs, 1);
}

// A listening socket on a free loopback port, standing in for vpcd.
class FakeVpcd {
public:
    explicit FakeVpcd(int backlog = 1)
    {
        fd_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof(address));
        socklen_t length = sizeof(address);
        getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        listen(fd_, backlog);
    }
    ~FakeVpcd() { close(fd_); }
    int port() const { return port_; }
    int Accept() { return accept(fd_, nullptr, nullptr); }

private:
    int fd_ = -1;
    int port_ = 0;
};

// vpcd's own way of writing: the length and the payload in two separate sends.
void SendAsVpcd(int fd, const Bytes& payload)
{
    const uint8_t header[2]
        = { static_cast<uint8_t>(payload.size() >> 8), static_cast<uint8_t>(payload.size()) };
    ASSERT_EQ(send(fd, header, 2, 0), 2);
    ASSERT_EQ(send(fd, payload.data(), payload.size(), 0), static_cast<ssize_t>(payload.size()));
}

Bytes ReceiveAsVpcd(int fd)
{
    uint8_t header[2];
    if (recv(fd, header, 2, MSG_WAITALL) != 2) {
        return {};
    }
    Bytes payload(static_cast<size_t>(header[0]) << 8 | header[1]);
    recv(fd, payload.data(), payload.size(), MSG_WAITALL);
    return payload;
}

TEST(VpcdLink, ExchangesLengthPrefixedMessagesWithVpcd)
{
    FakeVpcd vpcd;
    VpcdLink link;
    std::string error;
    ASSERT_TRUE(link.Connect("127.0.0.1", vpcd.port(), 1000, error)) << error;
    const int reader = vpcd.Accept();
    ASSERT_GE(reader, 0);

    ScriptedCard card(H("3B00"), CardProtocol::T1,
        { { H("00B0000010"), H("00112233445566778899AABBCCDDEEFF9000") } });
    VpcdCardSession session(card);
    std::thread cardSide([&] {
        for (int i = 0; i < 2; ++i) {
            const auto message = link.Receive();
            ASSERT_TRUE(message);
            link.Send(*session.Handle(*message));
        }
        EXPECT_FALSE(link.Receive()) << "vpcd closing the connection ends the session";
    });
    SendAsVpcd(reader, H("04"));
    EXPECT_EQ(ReceiveAsVpcd(reader), H("3B00"));
    SendAsVpcd(reader, H("00B0000010"));
    EXPECT_EQ(ReceiveAsVpcd(reader), H("00112233445566778899AABBCCDDEEFF9000"));
    close(reader);
    cardSide.join();
}

TEST(VpcdLink, RefusesASlotThatAlreadyHoldsACard)
{
    // vpcd listens with a backlog of 0: with one card waiting, a second connection never
    // completes. Connect must give up after its timeout instead of hanging.
    FakeVpcd vpcd(0);
    VpcdLink first;
    std::string error;
    ASSERT_TRUE(first.Connect("127.0.0.1", vpcd.port(), 1000, error)) << error;
    VpcdLink second;
    EXPECT_FALSE(second.Connect("127.0.0.1", vpcd.port(), 300, error));
    EXPECT_NE(error.find("another card"), std::string::npos) << error;

    VpcdLink nobody;
    FakeVpcd closed;
    const int port = closed.port();
    EXPECT_FALSE(nobody.Connect("127.0.0.1", port == 1 ? 2 : 1, 300, error));
}

} // namespace
} // namespace velkor::sim
