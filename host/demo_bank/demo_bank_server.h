#pragma once

#include <cstdint>

#include <QHttpServer>

#include "demo_bank.h"

// The demo bank over HTTP on loopback: the bank's page (index.html, app.js, style.css and the
// velkor.js client, all compiled in as Qt resources) and the JSON endpoints of DemoBank.
namespace velkor::host {

class DemoBankServer {
public:
    explicit DemoBankServer(DemoBank& bank);

    // Listens on 127.0.0.1 (`port` 0: any free port); the port, or 0 when it cannot listen.
    uint16_t Listen(uint16_t port);

private:
    void AddPage();
    void AddEndpoints();

    DemoBank& bank_;
    QHttpServer server_;
};

} // namespace velkor::host
