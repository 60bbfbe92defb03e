// A listening TCP socket and the connections it has accepted.
#pragma once

#include <cstdint>
#include <set>

#include "platform/socket.h"

class qyTCPStream;

class qyTCPServer {
public:
    // Listens on the port on all interfaces; null when the port cannot be
    // bound or listened on.
    static qyTCPServer* create(uint16_t port);

    // Closes the listening socket. The accepted streams belong to whoever
    // keeps the stream registry, who closes them first.
    ~qyTCPServer();

    qyTCPServer(const qyTCPServer&) = delete;
    qyTCPServer& operator=(const qyTCPServer&) = delete;

    // Waits up to the time-out for a connection and accepts it; null when
    // none is waiting, the server has failed or memory ran out.
    qyTCPStream* accept(int32_t timeoutMillis);

    // The accepted connections still open; each one leaves when it closes.
    const std::set<qyTCPStream*>& accepted() const { return accepted_; }
    void forget(qyTCPStream* stream) { accepted_.erase(stream); }

private:
    explicit qyTCPServer(int socket) : socket_(socket) {}
    template <class Owner, class... Arguments>
    friend Owner* korva::newOwnerOf(int, Arguments...);

    const int socket_;
    bool failed_ = false;
    std::set<qyTCPStream*> accepted_;
};
