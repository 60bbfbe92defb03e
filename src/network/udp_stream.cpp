#include "network/udp_stream.h"

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>

namespace korva {
namespace {

// Returns the datagram's length, or -1.
ssize_t receiveDatagram(int socket, uint8_t* buffer, int32_t capacity, int flags, Ipv4Endpoint& sender) {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    const ssize_t got =
        recvfrom(socket, buffer, static_cast<size_t>(capacity), flags, reinterpret_cast<sockaddr*>(&address), &length);
    if (got >= 0) sender = endpointOf(address);
    return got;
}

}  // namespace
}  // namespace korva

using korva::Deadline;

qyUDPStream* qyUDPStream::create(uint16_t port) {
    const int socket = korva::openSocket(SOCK_DGRAM);
    if (socket < 0) return nullptr;
    if (korva::bindToAllInterfaces(socket, port)) return korva::newOwnerOf<qyUDPStream>(socket);
    close(socket);
    return nullptr;
}

// The windows of the typed reads and writes are the unread rest of the last
// datagram and the room left in the outgoing one.
qyUDPStream::qyUDPStream(int socket) : socket_(socket), own_(korva::localEndpoint(socket)), lastSender_(own_) {
    getCursor_ = getLimit_ = received_;
    putCursor_ = outgoing_;
    putLimit_ = outgoing_ + kLargestDatagram;
}

qyUDPStream::~qyUDPStream() { close(socket_); }

// Closes both windows: a failed stream reads and writes nothing.
void qyUDPStream::fail() {
    failed_ = true;
    getCursor_ = getLimit_ = nullptr;
    putCursor_ = putLimit_ = nullptr;
}

int32_t qyUDPStream::read(void* buffer, int32_t count) {
    if (failed_ || count <= 0) return 0;
    const auto delivered = static_cast<int32_t>(std::min<std::ptrdiff_t>(count, getLimit_ - getCursor_));
    std::memcpy(buffer, getCursor_, static_cast<size_t>(delivered));
    getCursor_ += delivered;
    return delivered;
}

int32_t qyUDPStream::write(const void* buffer, int32_t count) {
    if (failed_ || count <= 0) return 0;
    if (count > putLimit_ - putCursor_) {
        outgoingTooLong_ = true;
    } else {
        std::memcpy(putCursor_, buffer, static_cast<size_t>(count));
        putCursor_ += count;
    }
    return count;
}

int32_t qyUDPStream::avail() { return static_cast<int32_t>(getLimit_ - getCursor_); }

int32_t qyUDPStream::eof() {
    if (failed_) return -1;
    return getCursor_ == getLimit_ ? 1 : 0;
}

// The receive itself waits, bounded by the socket's receive time-out, which
// is set only when the wait changes: a round trip then costs one system call
// for the reply, not a wait and a receive. A wait of 0 looks once. A receive
// cut short by a signal, or failing with an error the system reports for an
// earlier send, is tried again for the time left.
uint32_t qyUDPStream::receive(int32_t timeoutMillis) {
    if (failed_) return 0;
    const Deadline deadline(timeoutMillis);
    for (int32_t left = std::max(timeoutMillis, 0);; left = deadline.remaining()) {
        if (left > 0 && left != receiveWaitMillis_) {
            if (!korva::limitReceiveWait(socket_, left)) {
                fail();
                return 0;
            }
            receiveWaitMillis_ = left;
        }
        korva::Ipv4Endpoint sender;
        const ssize_t length =
            korva::receiveDatagram(socket_, received_, kLargestDatagram, left > 0 ? 0 : MSG_DONTWAIT, sender);
        if (length >= 0) {
            getCursor_ = received_;
            getLimit_ = received_ + length;
            lastSender_ = sender;
            return sender.ip;
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK || deadline.remaining() == 0) return 0;
    }
}

void qyUDPStream::send(uint32_t ip, uint16_t port) {
    if (failed_) return;
    if (outgoingTooLong_) {
        fail();
        return;
    }
    const sockaddr_in destination = korva::socketAddressOf({ip, port != 0 ? port : own_.port});
    const auto length = static_cast<size_t>(putCursor_ - outgoing_);
    ssize_t sent;
    do {
        sent = sendto(socket_, outgoing_, length, MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&destination),
                      sizeof destination);
    } while (sent < 0 && errno == EINTR);
    if (sent == static_cast<ssize_t>(length)) {
        putCursor_ = outgoing_;
    } else {
        fail();
    }
}
