#include <gtest/gtest.h>

#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <reader.h>
#include <winscard.h>

#include "support/hex_bytes.h"
#include "velkor_sim.h"

// The simulator library as the control uses it: loaded with dlopen, every entry looked up by name.
namespace {

using Bytes = std::vector<uint8_t>;

constexpr DWORD kBoth = SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1;
constexpr const char* kPad = "ACS ACR83U 00 00";
constexpr const char* kT1 = "Generic T1 Reader 00";
constexpr const char* kEmpty = "Empty Reader 01";

const char* kConfig = R"({
  "readers": [
    { "name": "ACS ACR83U 00 00", "pinPad": { "pin": "123456", "newPin": "654321" },
      "card": { "atr": "3B6D000080318065B0831101AC83009000", "protocol": "T0",
                "script": [ { "command": "00A404000800000172950001", "response": "610C" },
                            { "command": "0020001008123456FFFFFFFFFF", "response": "9000" } ] } },
    { "name": "Generic T1 Reader 00", "card": { "atr": "3B80800101", "protocol": "T1",
      "script": [ { "command": "00B0000010", "response": "00112233445566778899AABBCCDDEEFF9000" },
                  { "command": "00B0000002", "response": "AABB9000" } ] } },
    { "name": "Empty Reader 01", "card": null }
  ] })";

class SimLibrary : public testing::Test {
protected:
    void SetUp() override { UseConfig(kConfig); }

    void TearDown() override
    {
        if (library_ != nullptr) {
            dlclose(library_);
        }
        std::filesystem::remove(configPath_);
    }

    // Writes the configuration, points VELKOR_SIM_CONFIG at it, loads the library if needed and
    // makes it read the file afresh.
    void UseConfig(const std::string& json)
    {
        configPath_ = std::filesystem::temp_directory_path()
            / ("velkor-sim-test-" + std::to_string(getpid()) + ".json");
        std::ofstream(configPath_) << json;
        setenv("VELKOR_SIM_CONFIG", configPath_.c_str(), 1);
        if (library_ == nullptr) {
            const std::string path
                = std::string(std::getenv("VELKOR_BUILD_DIR")) + "/sim/pcsc/libvelkor-pcsc-sim.so";
            library_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
            ASSERT_NE(library_, nullptr) << dlerror();
        }
        ASSERT_EQ(Fn<int (*)()>("velkor_sim_reload")(), VELKOR_SIM_OK);
    }

    template <typename F> F Fn(const char* name)
    {
        void* symbol = dlsym(library_, name);
        EXPECT_NE(symbol, nullptr) << name;
        return reinterpret_cast<F>(symbol);
    }

    // Adds `extra` members (faults, events) to the standard configuration.
    void UseConfigWith(const std::string& extra)
    {
        std::string config = kConfig;
        UseConfig(config.replace(config.rfind('}'), 1, ", " + extra + " }"));
    }
    SCARDCONTEXT NewContext()
    {
        SCARDCONTEXT context = 0;
        EXPECT_EQ(Establish(context), 0u);
        return context;
    }
    uint32_t Establish(SCARDCONTEXT& context)
    {
        return Code(Fn<decltype(&SCardEstablishContext)>("SCardEstablishContext")(
            SCARD_SCOPE_USER, nullptr, nullptr, &context));
    }
    uint32_t Connect(SCARDCONTEXT context, const char* reader, DWORD share, SCARDHANDLE& card,
        DWORD& protocol, DWORD preferred = kBoth)
    {
        return Code(Fn<decltype(&SCardConnect)>("SCardConnect")(
            context, reader, share, preferred, &card, &protocol));
    }
    uint32_t Transmit(SCARDHANDLE card, DWORD protocol, const Bytes& command, Bytes& response)
    {
        const auto* pci = Fn<const SCARD_IO_REQUEST*>(
            protocol == SCARD_PROTOCOL_T0 ? "g_rgSCardT0Pci" : "g_rgSCardT1Pci");
        response.assign(258, 0);
        DWORD length = response.size();
        const auto rv = Fn<decltype(&SCardTransmit)>("SCardTransmit")(
            card, pci, command.data(), command.size(), nullptr, response.data(), &length);
        response.resize(rv == SCARD_S_SUCCESS ? length : 0);
        return Code(rv);
    }
    uint32_t Status(SCARDHANDLE card, Bytes* atr = nullptr)
    {
        BYTE buffer[MAX_ATR_SIZE];
        DWORD length = sizeof(buffer);
        DWORD state = 0;
        DWORD protocol = 0;
        const auto rv = Fn<decltype(&SCardStatus)>("SCardStatus")(
            card, nullptr, nullptr, &state, &protocol, buffer, &length);
        if (atr != nullptr && rv == SCARD_S_SUCCESS) {
            atr->assign(buffer, buffer + length);
        }
        return Code(rv);
    }
    uint32_t Reconnect(SCARDHANDLE card, DWORD share, DWORD init)
    {
        DWORD protocol = 0;
        return Code(
            Fn<decltype(&SCardReconnect)>("SCardReconnect")(card, share, kBoth, init, &protocol));
    }
    uint32_t Disconnect(SCARDHANDLE card, DWORD disposition = SCARD_LEAVE_CARD)
    {
        return Code(Fn<decltype(&SCardDisconnect)>("SCardDisconnect")(card, disposition));
    }
    static uint32_t Code(LONG rv) { return static_cast<uint32_t>(rv); }

    void* library_ = nullptr;
    std::filesystem::path configPath_;
};

constexpr auto H = velkor::testing::FromHex;

TEST_F(SimLibrary, ListsReadersInOrderWithTheLengthConvention)
{
    const SCARDCONTEXT context = NewContext();
    auto list = Fn<decltype(&SCardListReaders)>("SCardListReaders");
    const std::string expected = std::string(kPad) + '\0' + kT1 + '\0' + kEmpty + '\0' + '\0';

    DWORD length = 0;
    EXPECT_EQ(Code(list(context, nullptr, nullptr, &length)), 0u);
    EXPECT_EQ(length, expected.size());

    std::string buffer(expected.size() - 1, 'x');
    length = buffer.size();
    EXPECT_EQ(Code(list(context, nullptr, buffer.data(), &length)), 0x80100008u);
    EXPECT_EQ(length, expected.size());

    buffer.assign(200, 'x');
    length = buffer.size();
    EXPECT_EQ(Code(list(context, nullptr, buffer.data(), &length)), 0u);
    EXPECT_EQ(buffer.substr(0, length), expected);

    EXPECT_EQ(Code(list(context + 1000, nullptr, buffer.data(), &length)), 0x80100003u);

    UseConfig(R"({"readers": []})");
    length = buffer.size();
    EXPECT_EQ(Code(list(context, nullptr, buffer.data(), &length)), 0x8010002Eu);
}

TEST_F(SimLibrary, ConnectsWithTheCardsProtocolAndGuardsExclusiveUse)
{
    const SCARDCONTEXT context = NewContext();
    SCARDHANDLE pad = 0, t1 = 0;
    DWORD protocol = 0;
    EXPECT_EQ(Connect(context, kPad, SCARD_SHARE_EXCLUSIVE, pad, protocol), 0u);
    EXPECT_EQ(protocol, DWORD(SCARD_PROTOCOL_T0));
    EXPECT_EQ(Connect(context, kT1, SCARD_SHARE_SHARED, t1, protocol), 0u);
    EXPECT_EQ(protocol, DWORD(SCARD_PROTOCOL_T1));

    SCARDHANDLE other = 12345;
    EXPECT_EQ(Connect(context, kPad, SCARD_SHARE_SHARED, other, protocol), 0x8010000Bu);
    EXPECT_EQ(other, 0u) << "a failed connection leaves no handle";
    EXPECT_EQ(Connect(context, kT1, SCARD_SHARE_SHARED, other, protocol), 0u);
    SCARDHANDLE third = 0;
    EXPECT_EQ(Connect(context, kT1, SCARD_SHARE_EXCLUSIVE, third, protocol), 0x8010000Bu);
    EXPECT_EQ(
        Connect(context, kT1, SCARD_SHARE_SHARED, third, protocol, SCARD_PROTOCOL_T0), 0x8010000Fu);
    EXPECT_EQ(Connect(context, kEmpty, SCARD_SHARE_SHARED, third, protocol), 0x8010000Cu);
    EXPECT_EQ(Connect(context, "No Such Reader", SCARD_SHARE_SHARED, third, protocol), 0x80100009u);

    // Once the exclusive holder is gone the card is free again.
    EXPECT_EQ(Disconnect(pad), 0u);
    EXPECT_EQ(Disconnect(pad), 0x80100003u);
    EXPECT_EQ(Connect(context, kPad, SCARD_SHARE_SHARED, third, protocol), 0u);
}

TEST_F(SimLibrary, TransmitsThroughTheScriptAndThePinPadWithPcscdsChecks)
{
    const SCARDCONTEXT context = NewContext();
    SCARDHANDLE card = 0;
    DWORD protocol = 0;
    ASSERT_EQ(Connect(context, kPad, SCARD_SHARE_EXCLUSIVE, card, protocol), 0u);
    Bytes response;
    EXPECT_EQ(Transmit(card, protocol, H("00A404000800000172950001"), response), 0u);
    EXPECT_EQ(response, H("610C"));
    // The pad turns the blank block into the block of the configured PIN.
    EXPECT_EQ(Transmit(card, protocol, H("0020001008FFFFFFFFFFFFFFFF"), response), 0u);
    EXPECT_EQ(response, H("9000"));

    unsigned long consumed = 0;
    auto progress = Fn<decltype(&velkor_sim_script_progress)>("velkor_sim_script_progress");
    EXPECT_EQ(progress(kPad, &consumed, nullptr, nullptr), VELKOR_SIM_OK);
    EXPECT_EQ(consumed, 2u);

    EXPECT_EQ(Transmit(card, SCARD_PROTOCOL_T1, H("00B0000010"), response), 0x8010000Fu)
        << "the send PCI must carry the card's protocol";
    auto transmit = Fn<decltype(&SCardTransmit)>("SCardTransmit");
    const auto* t0 = Fn<const SCARD_IO_REQUEST*>("g_rgSCardT0Pci");
    BYTE small[4] = { 0x00, 0xB0, 0x00, 0x00 };
    DWORD length = 1;
    EXPECT_EQ(Code(transmit(card, t0, small, 2, nullptr, small, &length)), 0x80100004u)
        << "a command needs its four header bytes";
    EXPECT_EQ(Code(transmit(card, t0, small, 4, nullptr, small, &length)), 0x80100008u)
        << "room for SW1 SW2 at least";

    SCARDHANDLE t1 = 0;
    ASSERT_EQ(Connect(context, kT1, SCARD_SHARE_SHARED, t1, protocol), 0u);
    const Bytes read = H("00B0000010");
    length = sizeof(small);
    EXPECT_EQ(Code(transmit(t1, Fn<const SCARD_IO_REQUEST*>("g_rgSCardT1Pci"), read.data(),
                  read.size(), nullptr, small, &length)),
        0x80100008u);
    EXPECT_EQ(length, 18u) << "a short buffer is told the length needed";
}

TEST_F(SimLibrary, RemovalAndReinsertionAsPcscdReportsThem)
{
    const SCARDCONTEXT context = NewContext();
    SCARDHANDLE card = 0;
    DWORD protocol = 0;
    ASSERT_EQ(Connect(context, kT1, SCARD_SHARE_EXCLUSIVE, card, protocol), 0u);
    Bytes response;
    ASSERT_EQ(Transmit(card, protocol, H("00B0000010"), response), 0u);

    auto remove = Fn<decltype(&velkor_sim_remove_card)>("velkor_sim_remove_card");
    auto insert = Fn<decltype(&velkor_sim_insert_card)>("velkor_sim_insert_card");
    ASSERT_EQ(remove(kT1), VELKOR_SIM_OK);
    EXPECT_EQ(remove(kT1), VELKOR_SIM_NO_CARD);
    EXPECT_EQ(remove("Nobody"), VELKOR_SIM_UNKNOWN_READER);
    EXPECT_EQ(Status(card), 0x80100069u);
    EXPECT_EQ(Transmit(card, protocol, H("00B0000002"), response), 0x80100069u);
    SCARDHANDLE fresh = 0;
    // As measured on pcscd 1.9.9: the old exclusive handle still holds the empty reader, and that
    // is checked before the card is looked for.
    EXPECT_EQ(Connect(context, kT1, SCARD_SHARE_EXCLUSIVE, fresh, protocol), 0x8010000Bu);
    EXPECT_EQ(Connect(context, kT1, SCARD_SHARE_SHARED, fresh, protocol), 0x8010000Bu);
    EXPECT_EQ(Reconnect(card, SCARD_SHARE_EXCLUSIVE, SCARD_RESET_CARD), 0x8010000Cu);

    // The same card goes back in and its script carries on; the old handle stays stale (and keeps
    // its exclusive claim) until it reconnects.
    ASSERT_EQ(insert(kT1, nullptr), VELKOR_SIM_OK);
    EXPECT_EQ(insert(kT1, nullptr), VELKOR_SIM_CARD_PRESENT);
    EXPECT_EQ(Status(card), 0x80100069u);
    EXPECT_EQ(Connect(context, kT1, SCARD_SHARE_EXCLUSIVE, fresh, protocol), 0x8010000Bu);
    EXPECT_EQ(Reconnect(card, SCARD_SHARE_EXCLUSIVE, SCARD_RESET_CARD), 0u);
    Bytes atr;
    EXPECT_EQ(Status(card, &atr), 0u);
    EXPECT_EQ(atr, H("3B80800101"));
    EXPECT_EQ(Transmit(card, protocol, H("00B0000002"), response), 0u);
    EXPECT_EQ(response, H("AABB9000"));

    // A different card can be put in as well.
    ASSERT_EQ(remove(kT1), VELKOR_SIM_OK);
    EXPECT_EQ(insert(kT1, R"({"atr": "3B00", "protocol": "T0"})"), VELKOR_SIM_OK);
    EXPECT_EQ(Reconnect(card, SCARD_SHARE_SHARED, SCARD_LEAVE_CARD), 0u);
    EXPECT_EQ(Status(card, &atr), 0u);
    EXPECT_EQ(atr, H("3B00"));
    ASSERT_EQ(remove(kT1), VELKOR_SIM_OK);
    testing::internal::CaptureStderr();
    EXPECT_EQ(insert(kT1, R"({"atr": 5})"), VELKOR_SIM_BAD_CARD);
    testing::internal::GetCapturedStderr();
}

TEST_F(SimLibrary, ResetByOneHandleAndReleasedContextsAreSeenByTheOthers)
{
    const SCARDCONTEXT first = NewContext();
    const SCARDCONTEXT second = NewContext();
    SCARDHANDLE a = 0, b = 0;
    DWORD protocol = 0;
    ASSERT_EQ(Connect(first, kT1, SCARD_SHARE_SHARED, a, protocol), 0u);
    ASSERT_EQ(Connect(second, kT1, SCARD_SHARE_SHARED, b, protocol), 0u);

    EXPECT_EQ(Reconnect(a, SCARD_SHARE_SHARED, SCARD_RESET_CARD), 0u);
    EXPECT_EQ(Status(a), 0u);
    EXPECT_EQ(Status(b), 0x80100068u);
    EXPECT_EQ(Reconnect(b, SCARD_SHARE_SHARED, SCARD_LEAVE_CARD), 0u);
    EXPECT_EQ(Status(b), 0u);

    auto begin = Fn<decltype(&SCardBeginTransaction)>("SCardBeginTransaction");
    auto end = Fn<decltype(&SCardEndTransaction)>("SCardEndTransaction");
    EXPECT_EQ(Code(begin(a)), 0u);
    Bytes response;
    EXPECT_EQ(Transmit(b, protocol, H("00B0000010"), response), 0x8010000Bu);
    EXPECT_EQ(Code(begin(b)), 0x8010000Bu);
    EXPECT_EQ(Code(end(b, SCARD_LEAVE_CARD)), 0x80100016u);
    EXPECT_EQ(Code(end(a, SCARD_LEAVE_CARD)), 0u);
    EXPECT_EQ(Transmit(b, protocol, H("00B0000010"), response), 0u);

    // Releasing a context drops its handles and resets the card under the other context.
    EXPECT_EQ(Code(Fn<decltype(&SCardReleaseContext)>("SCardReleaseContext")(first)), 0u);
    EXPECT_EQ(Status(a), 0x80100003u);
    EXPECT_EQ(Status(b), 0x80100068u);
    EXPECT_EQ(Code(Fn<decltype(&SCardIsValidContext)>("SCardIsValidContext")(first)), 0x80100003u);
    EXPECT_EQ(Code(Fn<decltype(&SCardReleaseContext)>("SCardReleaseContext")(first)), 0x80100003u);
}

TEST_F(SimLibrary, FaultsAnswerInsteadOfTheCallAndLeaveStateAlone)
{
    UseConfigWith(R"("faults": [
            { "call": "SCardConnect", "result": "0x80100069", "times": 1, "reader": "Generic T1 Reader 00" },
            { "call": "SCardStatus", "result": "0x80100066", "after": 1, "times": 2 },
            { "call": "SCardTransmit", "result": -2146435027, "times": -1, "reader": "ACS ACR83U 00 00" } ])");
    const SCARDCONTEXT context = NewContext();
    SCARDHANDLE pad = 0, t1 = 0;
    DWORD protocol = 0;
    EXPECT_EQ(Connect(context, kPad, SCARD_SHARE_EXCLUSIVE, pad, protocol), 0u);
    EXPECT_EQ(Connect(context, kT1, SCARD_SHARE_EXCLUSIVE, t1, protocol), 0x80100069u);
    EXPECT_EQ(t1, 0u);
    EXPECT_EQ(Connect(context, kT1, SCARD_SHARE_EXCLUSIVE, t1, protocol), 0u);

    EXPECT_EQ(Status(t1), 0u);
    EXPECT_EQ(Status(t1), 0x80100066u);
    EXPECT_EQ(Status(pad), 0x80100066u);
    EXPECT_EQ(Status(t1), 0u);

    Bytes response;
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(Transmit(pad, protocol, H("00A404000800000172950001"), response), 0x8010002Du);
    }
    unsigned long consumed = 99;
    Fn<decltype(&velkor_sim_script_progress)>("velkor_sim_script_progress")(
        kPad, &consumed, nullptr, nullptr);
    EXPECT_EQ(consumed, 0u) << "a faulted transmission never reaches the card";
}

TEST_F(SimLibrary, EventsMoveCardsAtPlannedCalls)
{
    UseConfigWith(R"("events": [
            { "call": "SCardTransmit", "nth": 1, "action": "remove", "reader": "Generic T1 Reader 00" },
            { "call": "SCardStatus", "nth": 2, "action": "insert", "reader": "Generic T1 Reader 00" },
            { "call": "SCardStatus", "nth": 3, "action": "insert", "reader": "Empty Reader 01",
              "card": { "atr": "3B01" } } ])");
    const SCARDCONTEXT context = NewContext();
    SCARDHANDLE card = 0;
    DWORD protocol = 0;
    ASSERT_EQ(Connect(context, kT1, SCARD_SHARE_SHARED, card, protocol), 0u);
    Bytes response;
    EXPECT_EQ(Transmit(card, protocol, H("00B0000010"), response), 0u)
        << "removal follows the call";
    EXPECT_EQ(Status(card), 0x80100069u);
    EXPECT_EQ(Status(card), 0x80100069u); // the second status call puts the card back
    EXPECT_EQ(Reconnect(card, SCARD_SHARE_SHARED, SCARD_LEAVE_CARD), 0u);
    EXPECT_EQ(Status(card), 0u);
    SCARDHANDLE other = 0;
    EXPECT_EQ(Connect(context, kEmpty, SCARD_SHARE_SHARED, other, protocol), 0u);
}

TEST_F(SimLibrary, UnusableConfigurationAnswersAsAStoppedService)
{
    testing::internal::CaptureStderr();
    UseConfig(kConfig);
    std::ofstream(configPath_) << "{ not json";
    EXPECT_EQ(Fn<int (*)()>("velkor_sim_reload")(), VELKOR_SIM_BAD_CONFIG);
    SCARDCONTEXT context = 0;
    EXPECT_EQ(Establish(context), 0x8010001Du);
    const std::string report = testing::internal::GetCapturedStderr();
    EXPECT_NE(report.find("not a JSON object"), std::string::npos) << report;

    // A program that establishes a context with another file named picks the new one up.
    const std::string next = configPath_.string() + ".next";
    std::ofstream(next) << kConfig;
    setenv("VELKOR_SIM_CONFIG", next.c_str(), 1);
    EXPECT_EQ(Establish(context), 0u);
    std::filesystem::remove(next);
}

TEST_F(SimLibrary, StatusChangeWaitsForACardMovement)
{
    const SCARDCONTEXT context = NewContext();
    auto wait = Fn<decltype(&SCardGetStatusChange)>("SCardGetStatusChange");
    SCARD_READERSTATE state {};
    state.szReader = kT1;
    state.dwCurrentState = SCARD_STATE_UNAWARE;
    ASSERT_EQ(Code(wait(context, 0, &state, 1)), 0u);
    EXPECT_TRUE(state.dwEventState & SCARD_STATE_PRESENT);
    state.dwCurrentState = state.dwEventState & ~SCARD_STATE_CHANGED;
    EXPECT_EQ(Code(wait(context, 10, &state, 1)), 0x8010000Au);

    ASSERT_EQ(Fn<decltype(&velkor_sim_remove_card)>("velkor_sim_remove_card")(kT1), VELKOR_SIM_OK);
    ASSERT_EQ(Code(wait(context, 1000, &state, 1)), 0u);
    EXPECT_TRUE(state.dwEventState & SCARD_STATE_EMPTY);
    EXPECT_TRUE(state.dwEventState & SCARD_STATE_CHANGED);
}

} // namespace
