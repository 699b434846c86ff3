#include "bounded_tcp_server.h"

#include <memory>

#include <QTcpSocket>

#include "request_framing.h"

namespace velkor::host {

void BoundedTcpServer::incomingConnection(qintptr descriptor)
{
    auto* socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    // Connected before the HTTP server connects its own reader, so it runs first on every piece.
    auto framing
        = std::make_shared<RequestFraming>(maxBodyBytes_, largerBodyPath_, largerBodyBytes_);
    framing->ShareLargeBodyCount(largeBodies_);
    connect(socket, &QTcpSocket::readyRead, socket, [socket, framing] {
        if (!framing->refusal().empty()) {
            return;
        }
        const QByteArray piece = socket->peek(socket->bytesAvailable());
        if (framing->Feed({ piece.constData(), static_cast<size_t>(piece.size()) })) {
            return;
        }
        // Nothing more reaches the HTTP server; what arrives is dropped until the peer is gone.
        disconnect(socket, &QTcpSocket::readyRead, nullptr, nullptr);
        socket->readAll();
        connect(socket, &QTcpSocket::readyRead, socket, [socket] { socket->readAll(); });
        socket->write("HTTP/1.1 " + QByteArray::fromStdString(framing->refusal())
            + "\r\nConnection: close\r\nContent-Length: 0\r\n\r\n");
        socket->disconnectFromHost();
    });
    addPendingConnection(socket);
}

} // namespace velkor::host
