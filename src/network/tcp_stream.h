// TCP connections as streams, whether the program opened them or a server
// accepted them.
#pragma once

#include <cstdint>

#include "files/stream.h"
#include "platform/socket.h"

class qyTCPServer;

class qyTCPStream final : public qyStream {
public:
    // How long a read waits for its bytes, in milliseconds (TCPTimeouts).
    static constexpr int32_t kDefaultReadTimeoutMillis = 10000;
    static int32_t readTimeoutMillis;

    // Connects to the endpoint, from the local port when it is not 0; null
    // when the connection cannot be made.
    static qyTCPStream* open(korva::Ipv4Endpoint server, uint16_t localPort);

    // Takes over a connected socket; server is the one that accepted it, or
    // null.
    qyTCPStream(int socket, qyTCPServer* server);

    // Leaves its server's set and closes the connection gracefully: the peer
    // sees the end of the data after everything written, not a reset.
    ~qyTCPStream() override;

    // Waits, up to the read time-out in all, until count bytes have arrived.
    // A time-out fails the stream; the peer closing ends it.
    int32_t read(void* buffer, int32_t count) override;
    // Sends all count bytes. A peer that takes nothing for as long as a read
    // would wait (and at least kShortestSendWaitMillis) fails the stream, as
    // does a connection the peer has closed.
    int32_t write(const void* buffer, int32_t count) override;
    int32_t avail() override;
    int32_t eof() override;

    static constexpr int32_t kShortestSendWaitMillis = 1000;

    korva::Ipv4Endpoint peer() const { return peer_; }
    qyTCPServer* server() const { return server_; }

private:
    enum class State : int32_t { open = 0, closedByPeer = 1, failed = -1 };

    // Receives at least one byte into the buffer, waiting until the deadline
    // (at once when the socket was found drained); returns the count, or 0
    // after changing the state.
    int32_t receiveSome(void* buffer, int32_t capacity, const korva::Deadline& deadline, bool drained);
    int32_t takeReadAhead(void* buffer, int32_t count);
    void end(State state);

    const int socket_;
    qyTCPServer* const server_;
    State state_ = State::open;
    const korva::Ipv4Endpoint peer_;

    // Small reads (a byte, an int, a line) are served from one receive of
    // whatever has arrived, instead of one system call each: the bytes not
    // yet delivered are the get window.
    static constexpr int32_t kReadAheadSize = 4096;
    uint8_t readAhead_[kReadAheadSize];
};
