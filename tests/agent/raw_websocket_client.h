#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <QTcpSocket>

#include "agent_test_client.h"

namespace velkor::testing {

// A page's end written byte by byte, for what a well-behaved WebSocket client never sends:
// handshakes with odd headers, unmasked frames, requests in the handshake's packet.
class RawClient {
public:
    bool Connect(uint16_t port)
    {
        socket_.connectToHost(QStringLiteral("127.0.0.1"), port);
        return WaitFor([this] { return socket_.state() == QAbstractSocket::ConnectedState; });
    }

    static std::string Handshake(const std::string& headers)
    {
        return "GET / HTTP/1.1\r\n" + headers
            + "Upgrade: websocket\r\nConnection: Upgrade\r\nSec-WebSocket-Version: 13\r\n"
              "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n\r\n";
    }

    // One frame as a client writes it: final, masked unless told otherwise.
    static std::string Frame(const std::string& payload, bool masked = true, uint8_t opcode = 0x1)
    {
        std::string frame(1, static_cast<char>(0x80 | opcode));
        const char maskBit = masked ? static_cast<char>(0x80) : 0;
        if (payload.size() < 126) {
            frame += static_cast<char>(maskBit | static_cast<char>(payload.size()));
        } else {
            frame += static_cast<char>(maskBit | 126);
            frame += static_cast<char>(payload.size() >> 8);
            frame += static_cast<char>(payload.size() & 0xFF);
        }
        const char mask[4] = { 0x12, 0x34, 0x56, 0x78 };
        if (masked) {
            frame.append(mask, 4);
        }
        for (size_t i = 0; i < payload.size(); ++i) {
            frame += masked ? static_cast<char>(payload[i] ^ mask[i % 4]) : payload[i];
        }
        return frame;
    }

    void Send(const std::string& bytes)
    {
        socket_.write(bytes.data(), static_cast<qint64>(bytes.size()));
        socket_.flush();
    }

    // Reads until the HTTP response head is complete; returns its status line.
    std::string ReadStatusLine()
    {
        WaitFor([this] { return Arrived().find("\r\n\r\n") != std::string::npos || Gone(); });
        const size_t end = input_.find("\r\n\r\n");
        if (end == std::string::npos) {
            return {};
        }
        const std::string status = input_.substr(0, input_.find("\r\n"));
        input_.erase(0, end + 4);
        return status;
    }

    // Server frames (never masked) as they arrive: text payloads, and the close code if any.
    bool WaitForTexts(size_t count, int timeoutMs = 5000)
    {
        return WaitFor(
                   [&] {
                       ParseFrames();
                       return texts.size() >= count || closeCode != 0 || Gone();
                   },
                   timeoutMs)
            && texts.size() >= count;
    }
    bool WaitForClose(int timeoutMs = 5000)
    {
        return WaitFor(
            [&] {
                ParseFrames();
                return closeCode != 0;
            },
            timeoutMs);
    }
    bool Gone() const { return socket_.state() == QAbstractSocket::UnconnectedState; }

    std::vector<std::string> texts;
    int closeCode = 0;

private:
    const std::string& Arrived()
    {
        const QByteArray bytes = socket_.readAll();
        input_.append(bytes.constData(), static_cast<size_t>(bytes.size()));
        return input_;
    }

    void ParseFrames()
    {
        Arrived();
        while (input_.size() >= 2) {
            const auto opcode = static_cast<uint8_t>(input_[0]) & 0x0F;
            size_t length = static_cast<uint8_t>(input_[1]) & 0x7F;
            size_t header = 2;
            if (length == 126) {
                if (input_.size() < 4) {
                    return;
                }
                length = (static_cast<uint8_t>(input_[2]) << 8) | static_cast<uint8_t>(input_[3]);
                header = 4;
            }
            if (input_.size() < header + length) {
                return;
            }
            const std::string payload = input_.substr(header, length);
            input_.erase(0, header + length);
            if (opcode == 0x1) {
                texts.push_back(payload);
            } else if (opcode == 0x8 && payload.size() >= 2) {
                closeCode
                    = (static_cast<uint8_t>(payload[0]) << 8) | static_cast<uint8_t>(payload[1]);
            }
        }
    }

    QTcpSocket socket_;
    std::string input_;
};

} // namespace velkor::testing
