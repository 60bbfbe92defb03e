// The far end of a test conversation: plain sockets on 127.0.0.1, ephemeral
// ports, every wait bounded so that a test whose program went wrong fails
// instead of hanging. Shared by the unit tests, the end-to-end tests and the
// benchmarks.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace korva::test {

constexpr int kPeerPatienceMillis = 20000;

class PeerSocket {
public:
    explicit PeerSocket(int fd = -1) : fd_(fd) {}
    ~PeerSocket() { closeNow(); }
    PeerSocket(PeerSocket&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    PeerSocket& operator=(PeerSocket&& other) noexcept {
        closeNow();
        fd_ = std::exchange(other.fd_, -1);
        return *this;
    }

    int fd() const { return fd_; }

    uint16_t port() const {
        sockaddr_in address{};
        socklen_t length = sizeof address;
        getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
        return ntohs(address.sin_port);
    }

    bool readable(int timeoutMillis = kPeerPatienceMillis) const {
        pollfd watched{fd_, POLLIN, 0};
        return poll(&watched, 1, timeoutMillis) == 1;
    }

    bool sendAll(std::string_view bytes) const {
        while (!bytes.empty()) {
            const ssize_t sent = send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (sent <= 0) return false;
            bytes.remove_prefix(static_cast<size_t>(sent));
        }
        return true;
    }

    // Up to count bytes: fewer when the other side closes or stays silent
    // for the whole patience. ended tells whether it closed cleanly.
    std::string receive(size_t count, bool* ended = nullptr, int timeoutMillis = kPeerPatienceMillis) const {
        std::string bytes;
        char chunk[65536];
        while (bytes.size() < count && readable(timeoutMillis)) {
            const ssize_t got = recv(fd_, chunk, std::min(sizeof chunk, count - bytes.size()), 0);
            if (got <= 0) {
                if (ended != nullptr) *ended = got == 0;
                break;
            }
            bytes.append(chunk, static_cast<size_t>(got));
        }
        return bytes;
    }

    std::string receiveLine() const {
        std::string line;
        while (line.empty() || line.back() != '\n') {
            const std::string byte = receive(1);
            if (byte.empty()) break;
            line += byte;
        }
        return line;
    }

    // Each byte in a segment of its own, as a slow or hostile peer sends.
    bool sendByteByByte(std::string_view bytes) const {
        const int noDelay = 1;
        setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);
        for (char byte : bytes) {
            if (!sendAll(std::string_view(&byte, 1))) return false;
            usleep(200);  // lets each byte leave on its own; not a synchronisation
        }
        return true;
    }

    // Ends the connection with a reset instead of a graceful close.
    void reset() {
        const linger abortive{1, 0};
        setsockopt(fd_, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
        closeNow();
    }

    void closeNow() {
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
    }

private:
    int fd_;
};

inline sockaddr_in loopback(uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return address;
}

inline PeerSocket boundSocket(int type, uint16_t port = 0) {
    PeerSocket peer(socket(AF_INET, type | SOCK_CLOEXEC, 0));
    const sockaddr_in address = loopback(port);
    bind(peer.fd(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
    return peer;
}

inline PeerSocket tcpListener() {
    PeerSocket listener = boundSocket(SOCK_STREAM);
    listen(listener.fd(), 16);
    return listener;
}

// A port that nothing listens on and nothing else will take while the
// socket lives; address reuse lets a server of the program listen on it.
inline PeerSocket reservedPort() {
    PeerSocket reserved(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    const int reuse = 1;
    setsockopt(reserved.fd(), SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
    const sockaddr_in address = loopback(0);
    bind(reserved.fd(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
    return reserved;
}

inline PeerSocket acceptFrom(const PeerSocket& listener, int timeoutMillis = kPeerPatienceMillis) {
    if (!listener.readable(timeoutMillis)) return PeerSocket();
    return PeerSocket(accept4(listener.fd(), nullptr, nullptr, SOCK_CLOEXEC));
}

inline PeerSocket connectTo(uint16_t port) {
    PeerSocket peer(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    const sockaddr_in address = loopback(port);
    if (connect(peer.fd(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) peer.closeNow();
    return peer;
}

}  // namespace korva::test
