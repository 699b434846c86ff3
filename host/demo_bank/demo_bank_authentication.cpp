#include <memory>

#include "demo_bank.h"
#include "demo_request.h"

// The mutual authentication with the control and the session keys issued after it.
namespace velkor::host {

namespace {

constexpr size_t kMaxRsaHexDigits = 512; // RSA keys of up to 2048 bits
constexpr size_t kSha1HexDigits = 40;

const char* RefusalReason(AnswerCheck check)
{
    switch (check) {
    case AnswerCheck::Accepted:
        return "";
    case AnswerCheck::NoChallenge:
        return "no challenge is pending for this session";
    case AnswerCheck::Rn2Undecipherable:
        return "the enciphered RN2 does not decipher under the bank's key";
    case AnswerCheck::Rn2SignatureInvalid:
        return "the RN2 signature is not the control's";
    case AnswerCheck::HashMismatch:
        return "the session-key hash is not SHA-1 of RN1 and RN2";
    }
    return "refused";
}

DemoBankReply BadRequest(const DemoRequest& request)
{
    return ErrorReply(request.TooLarge() ? 413 : 400, request.error());
}

} // namespace

DemoBankReply DemoBank::StartAuthentication(std::string_view body, std::string_view client)
{
    DemoRequest request;
    if (!request.Parse(body)) {
        return BadRequest(request);
    }
    DemoSession session;
    session.pending = std::make_unique<MutualAuthentication>(keys_);
    Challenge challenge;
    if (!session.pending->MakeChallenge(challenge)) {
        return ErrorReply(500, "the bank could not make a challenge");
    }
    const DemoSessions::Opened opened = sessions_.Create(std::move(session), client);
    if (opened.full) {
        return ErrorReply(503, "too many customers are signing in: try again in a few minutes");
    }
    const std::string& id = opened.id;
    if (id.empty()) {
        return ErrorReply(500, "the bank could not open a session");
    }
    return JsonReply(200,
        { { "session", id }, { "RN1Len", challenge.RN1Len },
            { "pCpukEncryptedRN1", challenge.pCpukEncryptedRN1 }, { "DsigLen", challenge.DsigLen },
            { "pSprkSignRN1", challenge.pSprkSignRN1 } });
}

DemoBankReply DemoBank::FinishAuthentication(std::string_view body)
{
    DemoRequest request;
    std::string id;
    std::string encryptedRn2;
    std::string signature;
    std::string hash;
    if (!request.Parse(body) || !request.Session(id)
        || !request.Text("encryptRN2", 2, kMaxRsaHexDigits, FieldChars::Hex, encryptedRn2)
        || !request.Text("encryptHashRN2", 2, kMaxRsaHexDigits, FieldChars::Hex, signature)
        || !request.Text("sessionKeyHash", kSha1HexDigits, FieldChars::Hex, hash)) {
        return BadRequest(request);
    }
    DemoSession* session = sessions_.Find(id);
    if (session == nullptr) {
        return ErrorReply(404, "unknown session");
    }
    if (!session->pending) {
        return ErrorReply(409, "this session's challenge was already answered");
    }
    // One answer per challenge: RN1 is wiped whatever the outcome, so a refused answer cannot be
    // corrected and tried again.
    const AnswerCheck check = session->pending->CheckAnswer(encryptedRn2, signature, hash);
    session->pending.reset();
    if (check != AnswerCheck::Accepted) {
        return JsonReply(200, { { "authenticated", false }, { "reason", RefusalReason(check) } });
    }
    session->authenticated = true;
    for (char& c : hash) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    session->sessionKeyHash = hash;
    return JsonReply(200, { { "authenticated", true }, { "sessionKeyHash", hash } });
}

DemoBankReply DemoBank::IssueSessionKey(std::string_view body)
{
    DemoRequest request;
    std::string id;
    if (!request.Parse(body) || !request.Session(id)) {
        return BadRequest(request);
    }
    DemoSession* session = sessions_.Find(id);
    if (session == nullptr) {
        return ErrorReply(404, "unknown session");
    }
    if (!session->authenticated) {
        return ErrorReply(409, "the session has not completed the mutual authentication");
    }
    SecureBytes key = NewSessionKey();
    SessionKeyPair pair;
    std::string greeting;
    const auto* greetingBytes = reinterpret_cast<const uint8_t*>(kSessionGreeting.data());
    if (key.empty() || !host::IssueSessionKey(keys_, key, pair)
        || !EncipherForControl(key, { greetingBytes, kSessionGreeting.size() }, greeting)) {
        return ErrorReply(500, "the bank could not issue a session key");
    }
    session->sessionKey = std::move(key);
    return JsonReply(200,
        { { "pCpukEncSessionKey", pair.pCpukEncSessionKey },
            { "pSessionKeyHash", pair.pSessionKeyHash }, { "greeting", greeting },
            { "greetingLength", greeting.size() / 2 } });
}

} // namespace velkor::host
