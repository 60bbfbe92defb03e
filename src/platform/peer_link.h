// One TCP connection of a network session, carrying frames (session_wire.h)
// both ways. Reads and writes never wait, except in the few calls that say
// so: what cannot be written at once waits in the link until the socket
// takes it.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "platform/session_wire.h"
#include "platform/socket.h"

namespace korva {

class PeerLink {
public:
    // Bytes that may wait to be sent before a send is refused.
    static constexpr size_t kMaxWaitingBytes = 64 * 1024 * 1024;

    struct Frame {
        uint8_t kind;
        std::span<const uint8_t> body;  // valid until the next read
    };
    enum class Input { open, closed, broken };

    // Takes the connected socket over.
    explicit PeerLink(int socket);
    // Discards what arrived unread and closes.
    ~PeerLink();
    PeerLink(const PeerLink&) = delete;
    PeerLink& operator=(const PeerLink&) = delete;

    int socket() const { return socket_; }
    Ipv4Endpoint remote() const { return remote_; }

    // Receives what has arrived, without waiting. closed: the peer ended the
    // connection (or it failed); nothing more will come.
    Input receive();
    // The next whole frame received, if any; broken when its length is out of
    // bounds (above maxLength) and the connection must be dropped.
    std::optional<Frame> nextFrame(Input& state, size_t maxLength = wire::kMaxFrameBytes);
    // Waits until a whole frame arrives, the time is up or the connection
    // ends (joining a session).
    std::optional<Frame> awaitFrame(int32_t timeoutMillis, size_t maxLength = wire::kMaxFrameBytes);

    // Sends a frame made of head and data, what cannot go now later; false
    // (and nothing sent) when too much is waiting already or the connection
    // has failed.
    bool send(std::span<const uint8_t> head, std::span<const uint8_t> data = {});
    // Writes what waits, without blocking; false when the connection failed.
    bool flush();
    bool hasWaitingBytes() const { return waitingFrom_ < waiting_.size(); }
    // Writes what waits, for at most the time (leaving a session).
    void flushWithin(int32_t timeoutMillis);
    bool failed() const { return failed_; }

    // When something last arrived and was last sent (milliClock).
    uint32_t lastHeard() const { return lastHeard_; }
    uint32_t lastSent() const { return lastSent_; }

private:
    void dropConsumedInput();

    int socket_;
    Ipv4Endpoint remote_;
    std::vector<uint8_t> input_;  // storage; what arrived is [consumed_, inputEnd_)
    size_t inputEnd_ = 0;
    size_t consumed_ = 0;  // bytes already handed out as frames
    std::vector<uint8_t> waiting_;
    size_t waitingFrom_ = 0;  // waiting_ bytes already written
    bool failed_ = false;
    uint32_t lastHeard_, lastSent_;
};

}  // namespace korva
