#pragma once

#include <cstdint>
#include <optional>

#include <QHttpServer>

#include "bounded_tcp_server.h"
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

    // The refusal for a request from a foreign host or (for the JSON endpoints) another site.
    std::optional<QHttpServerResponse> Refusal(
        const QHttpServerRequest& request, bool endpoint) const;

    DemoBank& bank_;
    QHttpServer server_;
    BoundedTcpServer* listener_; // owned by server_ once bound
    uint16_t port_ = 0;
};

} // namespace velkor::host
