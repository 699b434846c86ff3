#include <gtest/gtest.h>

#include "call_plans.h"
#include "sim_config.h"

namespace velkor::sim {
namespace {

TEST(SimConfig, ReadsReadersFaultsAndEvents)
{
    std::string error;
    const auto config = ParseSimConfig(R"({
        "readers": [ { "name": "ACS ACR83U 00 00", "vendorName": "ACS", "ifdType": "ACR83U",
                       "ifdVersion": 16908291, "pinPad": { "pin": "123456" }, "extra": true,
                       "card": { "atr": "3B00" } },
                     { "name": "Empty Reader 01", "card": null } ],
        "faults": [ { "call": "SCardConnect", "result": "0x80100069" },
                    { "call": "SCardStatus", "result": -2146435030, "times": -1, "after": 2,
                      "reader": "Empty Reader 01" } ],
        "events": [ { "call": "SCardTransmit", "nth": 2, "action": "remove",
                      "reader": "ACS ACR83U 00 00" } ] })",
        error);
    ASSERT_TRUE(config) << error;
    ASSERT_EQ(config->readers.size(), 2u);
    EXPECT_EQ(config->readers[0].ifdVersion, 0x01020003u);
    EXPECT_EQ(config->readers[0].pinPad->pin, "123456");
    EXPECT_TRUE(config->readers[1].card.is_null());
    EXPECT_EQ(static_cast<uint32_t>(config->faults[0].result), 0x80100069u);
    EXPECT_EQ(config->faults[0].times, 1);
    EXPECT_EQ(static_cast<uint32_t>(config->faults[1].result), 0x8010002Au);
    EXPECT_EQ(config->events[0].nth, 2);
}

TEST(SimConfig, RejectsMistakesWithAMessageNamingThePlace)
{
    const struct {
        const char* json;
        const char* mentions;
    } cases[] = {
        { R"([])", "JSON object" },
        { R"({"readers": [ {"vendorName": "ACS"} ]})", "readers[0].name" },
        { R"({"readers": [ {"name": "A"}, {"name": "A"} ]})", "repeats" },
        { R"({"readers": [ {"name": "A", "ifdVersion": -1} ]})", "ifdVersion" },
        { R"({"readers": [ {"name": "A", "card": {"atr": "XY"}} ]})", "readers[0].card.atr" },
        { R"({"faults": [ {"call": "SCardConect", "result": "0x80100069"} ]})", "faults[0].call" },
        { R"({"faults": [ {"call": "SCardConnect"} ]})", "faults[0].result" },
        { R"({"faults": [ {"call": "SCardConnect", "result": "removed"} ]})", "faults[0].result" },
        { R"({"faults": [ {"call": "SCardConnect", "result": 0, "times": 0} ]})", "times" },
        { R"({"events": [ {"call": "SCardConnect", "action": "remove", "reader": "B"} ]})",
            "events[0].reader" },
        { R"({"readers": [ {"name": "A"} ], "events": [ {"call": "SCardConnect", "action": "pull", "reader": "A"} ]})",
            "events[0].action" },
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(ParseSimConfig(c.json, error)) << c.json;
        EXPECT_NE(error.find(c.mentions), std::string::npos) << c.json << " -> " << error;
    }
}

TEST(FaultPlan, CountsMatchingCallsPerRule)
{
    FaultPlan plan(
        { { "SCardConnect", 1, 2, 1, std::string("R1") }, { "SCardConnect", 7, -1, 0, {} } });
    const std::string r1 = "R1";
    const std::string r2 = "R2";
    // Rule 1 lets the first R1 connection pass, then fails two; rule 2 answers everything else.
    EXPECT_EQ(plan.Check("SCardConnect", &r1), 7);
    EXPECT_EQ(plan.Check("SCardConnect", &r1), 1);
    EXPECT_EQ(plan.Check("SCardConnect", &r2), 7);
    EXPECT_EQ(plan.Check("SCardConnect", &r1), 1);
    EXPECT_EQ(plan.Check("SCardConnect", &r1), 7);
    EXPECT_EQ(plan.Check("SCardStatus", &r1), std::nullopt);
    EXPECT_EQ(plan.Check("SCardConnect", nullptr), 7);
}

} // namespace
} // namespace velkor::sim
