#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include <QTcpServer>

// The listening socket in front of Qt HttpServer: every accepted connection is watched by a
// RequestFraming before the HTTP server reads it, and closed with the refusal's status as soon
// as a request is larger than allowed (Qt HttpServer 6.4 has no such limit and buffers whole
// bodies). The watcher peeks at each piece of data before the HTTP server consumes it.
namespace velkor::host {

class BoundedTcpServer : public QTcpServer {
public:
    BoundedTcpServer(size_t maxBodyBytes, QObject* parent)
        : QTcpServer(parent)
        , maxBodyBytes_(maxBodyBytes)
    {
    }
    // Requests for `path` may carry up to `maxBytes` (an upload endpoint).
    void AllowLargerBody(std::string path, size_t maxBytes)
    {
        largerBodyPath_ = std::move(path);
        largerBodyBytes_ = maxBytes;
    }

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    size_t maxBodyBytes_;
    std::string largerBodyPath_;
    size_t largerBodyBytes_ = 0;
    // Large bodies being received on all connections together.
    std::shared_ptr<int> largeBodies_ = std::make_shared<int>(0);
};

} // namespace velkor::host
