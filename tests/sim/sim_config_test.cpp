#include <gtest/gtest.h>

#include "call_plans.h"
#include "sim_config.h"

namespace velkor::sim {
namespace {

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
