#pragma once

#include <string>

// A web-ATM transfer the demo bank prepared for a session: the request's fields it gave the page,
// kept until the page brings back what the card signed.
namespace velkor::host {

struct DemoTransfer {
    std::string pFdid, pFdChkCode, pMoney, pAccount;
    char serviceType = '0';
};

} // namespace velkor::host
