#pragma once

#include <string>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "control/velkor_ctrl.h"
#include "demo_bank.h"
#include "demo_keys.h"

// A page's sign-in with the demo bank through the real control: the challenge answered, the
// answer accepted, a session key issued.
namespace velkor::testing {

// The control's answer to a fresh challenge, as the page posts it to the bank.
inline nlohmann::json AnswerChallenge(host::DemoBank& bank, CVelkorCtrl& control)
{
    const host::DemoBankReply started = bank.StartAuthentication("{}");
    EXPECT_EQ(started.httpStatus, 200);
    const nlohmann::json c = nlohmann::json::parse(started.json);
    EXPECT_EQ(control.VerifyRN1andGenerateRN2(
                  c["RN1Len"], T(c["pCpukEncryptedRN1"]), c["DsigLen"], T(c["pSprkSignRN1"])),
        0);
    return { { "session", c["session"] }, { "encryptRN2", TextToUtf8(control.GetEncryptRN2()) },
        { "encryptHashRN2", TextToUtf8(control.GetEncryptHashRN2()) },
        { "sessionKeyHash", TextToUtf8(control.GetSessionKeyHash()) } };
}

struct BankSession {
    std::string id;
    Text key; // pCpukEncSessionKey
    Text hash; // pSessionKeyHash

    // A fresh session key of the bank for this session.
    void IssueKey(host::DemoBank& bank)
    {
        const auto pair = nlohmann::json::parse(
            bank.IssueSessionKey(nlohmann::json { { "session", id } }.dump()).json);
        key = T(pair["pCpukEncSessionKey"]);
        hash = T(pair["pSessionKeyHash"]);
    }
};

// Signs `control` in; with `issueKey`, also takes the session's first key.
inline BankSession SignIn(host::DemoBank& bank, CVelkorCtrl& control, bool issueKey = true)
{
    const nlohmann::json answer = AnswerChallenge(bank, control);
    const host::DemoBankReply finished = bank.FinishAuthentication(answer.dump());
    EXPECT_EQ(finished.httpStatus, 200) << finished.json;
    EXPECT_EQ(nlohmann::json::parse(finished.json)["authenticated"], true);
    BankSession session { answer["session"], {}, {} };
    if (issueKey) {
        session.IssueKey(bank);
    }
    return session;
}

} // namespace velkor::testing
