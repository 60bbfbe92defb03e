#include "platform/socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>

#include "platform/clock.h"

namespace korva {

sockaddr_in socketAddressOf(Ipv4Endpoint endpoint) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(endpoint.ip);
    address.sin_port = htons(endpoint.port);
    return address;
}

Ipv4Endpoint endpointOf(const sockaddr_in& address) { return {ntohl(address.sin_addr.s_addr), ntohs(address.sin_port)}; }

// Clock readings wrap at 2^32 ms; differences stay right for time-outs up to
// about 24 days, and longer ones are cut to that.
Deadline::Deadline(int32_t timeoutMillis) : end_(milliClock() + static_cast<uint32_t>(std::max(timeoutMillis, 0))) {}

int32_t Deadline::remaining() const { return std::max(static_cast<int32_t>(end_ - milliClock()), 0); }

int openSocket(int type) { return socket(AF_INET, type | SOCK_CLOEXEC, 0); }

bool bindToAllInterfaces(int socket, uint16_t port) {
    const sockaddr_in address = socketAddressOf({INADDR_ANY, port});
    return bind(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
}

bool listenReusingAddress(int socket, uint16_t port, int backlog) {
    const int reuse = 1;
    setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
    return bindToAllInterfaces(socket, port) && listen(socket, backlog) == 0;
}

bool connectWithin(int socket, Ipv4Endpoint server, int32_t timeoutMillis) {
    const int flags = fcntl(socket, F_GETFL);
    if (flags < 0 || fcntl(socket, F_SETFL, flags | O_NONBLOCK) != 0) return false;
    const sockaddr_in address = socketAddressOf(server);
    bool connected = connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    if (!connected && errno == EINPROGRESS && waitFor(socket, POLLOUT, timeoutMillis) == WaitResult::ready) {
        int error = 0;
        socklen_t length = sizeof error;
        connected = getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
    }
    return fcntl(socket, F_SETFL, flags) == 0 && connected;
}

void discardUnread(int socket) {
    int32_t left = bytesWaiting(socket);
    uint8_t scratch[4096];
    while (left > 0) {
        const ssize_t got = recv(socket, scratch, std::min<size_t>(sizeof scratch, left), MSG_DONTWAIT);
        if (got <= 0) return;
        left -= static_cast<int32_t>(got);
    }
}

// poll rather than select: select cannot watch a descriptor numbered 1024 or
// above, which a program with many connections reaches.
WaitResult waitFor(int socket, short events, int32_t timeoutMillis) {
    const Deadline deadline(timeoutMillis);
    for (;;) {
        pollfd watched{socket, events, 0};
        const int ready = poll(&watched, 1, deadline.remaining());
        if (ready > 0) return (watched.revents & POLLNVAL) != 0 ? WaitResult::failed : WaitResult::ready;
        if (ready == 0) return WaitResult::timedOut;
        if (errno != EINTR) return WaitResult::failed;
    }
}

bool limitReceiveWait(int socket, int32_t millis) {
    const timeval wait{millis / 1000, millis % 1000 * 1000};
    return setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait) == 0;
}

int32_t bytesWaiting(int socket) {
    int count = 0;
    return ioctl(socket, FIONREAD, &count) == 0 ? count : -1;
}

namespace {

template <class Query>
Ipv4Endpoint endpointFrom(int socket, Query query) {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (query(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0 || address.sin_family != AF_INET) return {};
    return endpointOf(address);
}

}  // namespace

Ipv4Endpoint localEndpoint(int socket) { return endpointFrom(socket, getsockname); }

Ipv4Endpoint peerEndpoint(int socket) { return endpointFrom(socket, getpeername); }

}  // namespace korva
