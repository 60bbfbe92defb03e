#include "network/tcp_stream.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>

#include "network/tcp_server.h"

using korva::Deadline;
using korva::WaitResult;

int32_t qyTCPStream::readTimeoutMillis = kDefaultReadTimeoutMillis;

namespace {

bool connectTo(int socket, korva::Ipv4Endpoint server, uint16_t localPort) {
    if (localPort != 0 && !korva::bindToAllInterfaces(socket, localPort)) return false;
    const sockaddr_in address = korva::socketAddressOf(server);
    return connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
}

bool interrupted() { return errno == EINTR; }
bool wouldBlock() { return errno == EAGAIN || errno == EWOULDBLOCK; }

}  // namespace

qyTCPStream* qyTCPStream::open(korva::Ipv4Endpoint server, uint16_t localPort) {
    const int socket = korva::openSocket(SOCK_STREAM);
    if (socket < 0) return nullptr;
    if (connectTo(socket, server, localPort)) return korva::newOwnerOf<qyTCPStream>(socket, nullptr);
    close(socket);
    return nullptr;
}

qyTCPStream::qyTCPStream(int socket, qyTCPServer* server)
    : socket_(socket), server_(server), peer_(korva::peerEndpoint(socket)) {
    getCursor_ = getLimit_ = readAhead_;
}

// A failed connection needs no lingering either: closing never waits for
// unsent data here, the system delivers it in the background.
qyTCPStream::~qyTCPStream() {
    if (server_ != nullptr) server_->forget(this);
    korva::discardUnread(socket_);
    close(socket_);
}

// Nothing is read once the stream is no longer open, not even what was read
// ahead.
void qyTCPStream::end(State state) {
    state_ = state;
    getCursor_ = getLimit_ = readAhead_;
}

int32_t qyTCPStream::takeReadAhead(void* buffer, int32_t count) {
    const auto taken = static_cast<int32_t>(std::min<std::ptrdiff_t>(count, getLimit_ - getCursor_));
    std::memcpy(buffer, getCursor_, static_cast<size_t>(taken));
    getCursor_ += taken;
    return taken;
}

// A receive that came back short has taken everything there was, so the
// next one waits first instead of asking the system for nothing.
int32_t qyTCPStream::receiveSome(void* buffer, int32_t capacity, const Deadline& deadline, bool drained) {
    for (;;) {
        if (drained && korva::waitFor(socket_, POLLIN, deadline.remaining()) != WaitResult::ready) {
            end(State::failed);
            return 0;
        }
        const ssize_t got = recv(socket_, buffer, static_cast<size_t>(capacity), MSG_DONTWAIT);
        if (got > 0) return static_cast<int32_t>(got);
        if (got == 0) {
            end(State::closedByPeer);
            return 0;
        }
        if (!interrupted() && !wouldBlock()) {
            end(State::failed);
            return 0;
        }
        drained = wouldBlock();
    }
}

int32_t qyTCPStream::read(void* buffer, int32_t count) {
    if (state_ != State::open || count <= 0) return 0;
    auto* bytes = static_cast<uint8_t*>(buffer);
    int32_t delivered = takeReadAhead(bytes, count);
    const Deadline deadline(readTimeoutMillis);
    for (bool drained = false; delivered < count && state_ == State::open; drained = true) {
        const int32_t wanted = count - delivered;
        if (wanted >= kReadAheadSize) {
            delivered += receiveSome(bytes + delivered, wanted, deadline, drained);
        } else {
            getCursor_ = readAhead_;
            getLimit_ = readAhead_ + receiveSome(readAhead_, kReadAheadSize, deadline, drained);
            delivered += takeReadAhead(bytes + delivered, wanted);
        }
    }
    return delivered;
}

int32_t qyTCPStream::write(const void* buffer, int32_t count) {
    if (state_ != State::open || count <= 0) return 0;
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    const int32_t patience = std::max(readTimeoutMillis, kShortestSendWaitMillis);
    int32_t sent = 0;
    // A send that the system took only in part has filled its buffer.
    for (bool full = false; sent < count;) {
        if (full && korva::waitFor(socket_, POLLOUT, patience) != WaitResult::ready) {
            end(State::failed);
            break;
        }
        const ssize_t accepted = send(socket_, bytes + sent, static_cast<size_t>(count - sent), MSG_DONTWAIT | MSG_NOSIGNAL);
        if (accepted > 0) {
            sent += static_cast<int32_t>(accepted);
            full = true;
        } else if (interrupted() || wouldBlock()) {
            full = wouldBlock();
        } else {
            end(State::failed);
            break;
        }
    }
    return sent;
}

int32_t qyTCPStream::avail() {
    const int32_t waiting = korva::bytesWaiting(socket_);
    if (waiting < 0) {
        end(State::failed);
        return 0;
    }
    return static_cast<int32_t>(getLimit_ - getCursor_) + waiting;
}

int32_t qyTCPStream::eof() {
    if (state_ != State::open || getCursor_ < getLimit_) return static_cast<int32_t>(state_);
    switch (korva::waitFor(socket_, POLLIN, 0)) {
        case WaitResult::timedOut: return 0;
        case WaitResult::failed: end(State::failed); break;
        case WaitResult::ready:
            if (avail() == 0 && state_ == State::open) end(State::closedByPeer);
            break;
    }
    return static_cast<int32_t>(state_);
}
