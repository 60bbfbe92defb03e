// The BSD socket calls every socket kind shares: opening and binding, waits
// bounded in milliseconds, the byte count waiting, and the addresses a
// socket reports. Sockets stay in blocking mode; calls that must not block
// say so per call.
#pragma once

#include <netinet/in.h>
#include <unistd.h>

#include <cstdint>
#include <new>

namespace korva {

// An IPv4 address and port as programs see them: host order, with the first
// dotted component of the address in the top byte (1.2.3.4 is 0x01020304).
struct Ipv4Endpoint {
    uint32_t ip = 0;
    uint16_t port = 0;
};

sockaddr_in socketAddressOf(Ipv4Endpoint endpoint);
Ipv4Endpoint endpointOf(const sockaddr_in& address);

// The end of a wait that may take several steps: the time-out is counted
// once, from construction, and each step waits for what is left of it.
class Deadline {
public:
    explicit Deadline(int32_t timeoutMillis);
    // Milliseconds left, never negative.
    int32_t remaining() const;

private:
    uint32_t end_;
};

enum class WaitResult { ready, timedOut, failed };

// A new IPv4 socket of the type (SOCK_STREAM, SOCK_DGRAM), closed on exec so
// that programs the game starts do not inherit its ports; -1 on failure.
int openSocket(int type);

// Binds to the port on all interfaces (0: any free port).
bool bindToAllInterfaces(int socket, uint16_t port);

// Listens at the port on all interfaces. Address reuse lets a server that
// has just stopped listen on its port again at once, while its old
// connections linger in TIME_WAIT; it never lets two servers listen on one
// port.
bool listenReusingAddress(int socket, uint16_t port, int backlog);

// Connects a stream socket, waiting at most timeoutMillis; the socket stays
// in blocking mode.
bool connectWithin(int socket, Ipv4Endpoint server, int32_t timeoutMillis);

// The system answers a close with a reset instead of the end of the data
// while received bytes lie unread, and the peer may then lose what was sent
// to it last. Call this before closing a connection: it discards what has
// arrived, counted once, so that a peer that keeps sending cannot hold the
// close up.
void discardUnread(int socket);

// Waits up to timeoutMillis for the socket to become readable (POLLIN) or
// writable (POLLOUT); 0 polls once. Signals do not cut the wait short.
WaitResult waitFor(int socket, short events, int32_t timeoutMillis);

// Builds the object that takes the socket over; when memory runs out the
// socket is closed and the result is null, as for any failed creation.
template <class Owner, class... Arguments>
Owner* newOwnerOf(int socket, Arguments... arguments) {
    try {
        return new Owner(socket, arguments...);
    } catch (const std::bad_alloc&) {
        close(socket);
        return nullptr;
    }
}

// Makes a blocking receive on the socket give up after the time (> 0).
bool limitReceiveWait(int socket, int32_t millis);

// Bytes waiting to be received; -1 when the system cannot tell.
int32_t bytesWaiting(int socket);

// The socket's own address and its peer's; zeros when the system cannot tell.
Ipv4Endpoint localEndpoint(int socket);
Ipv4Endpoint peerEndpoint(int socket);

}  // namespace korva
