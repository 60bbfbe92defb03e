#include "network/udp_stream.h"

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
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

qyUDPStream::qyUDPStream(int socket) : socket_(socket), own_(korva::localEndpoint(socket)), lastSender_(own_) {}

qyUDPStream::~qyUDPStream() { close(socket_); }

int32_t qyUDPStream::read(void* buffer, int32_t count) {
    if (failed_ || count <= 0) return 0;
    const int32_t delivered = std::min(count, receivedLength_ - readPosition_);
    std::memcpy(buffer, received_ + readPosition_, static_cast<size_t>(delivered));
    readPosition_ += delivered;
    return delivered;
}

int32_t qyUDPStream::write(const void* buffer, int32_t count) {
    if (failed_ || count <= 0) return 0;
    if (count > kLargestDatagram - outgoingLength_) {
        outgoingTooLong_ = true;
    } else {
        std::memcpy(outgoing_ + outgoingLength_, buffer, static_cast<size_t>(count));
        outgoingLength_ += count;
    }
    return count;
}

int32_t qyUDPStream::avail() { return failed_ ? 0 : receivedLength_ - readPosition_; }

int32_t qyUDPStream::eof() {
    if (failed_) return -1;
    return readPosition_ == receivedLength_ ? 1 : 0;
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
                failed_ = true;
                return 0;
            }
            receiveWaitMillis_ = left;
        }
        korva::Ipv4Endpoint sender;
        const ssize_t length =
            korva::receiveDatagram(socket_, received_, kLargestDatagram, left > 0 ? 0 : MSG_DONTWAIT, sender);
        if (length >= 0) {
            receivedLength_ = static_cast<int32_t>(length);
            readPosition_ = 0;
            lastSender_ = sender;
            return sender.ip;
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK || deadline.remaining() == 0) return 0;
    }
}

void qyUDPStream::send(uint32_t ip, uint16_t port) {
    if (failed_) return;
    if (outgoingTooLong_) {
        failed_ = true;
        return;
    }
    const sockaddr_in destination = korva::socketAddressOf({ip, port != 0 ? port : own_.port});
    ssize_t sent;
    do {
        sent = sendto(socket_, outgoing_, static_cast<size_t>(outgoingLength_), MSG_NOSIGNAL,
                      reinterpret_cast<const sockaddr*>(&destination), sizeof destination);
    } while (sent < 0 && errno == EINTR);
    if (sent == outgoingLength_) {
        outgoingLength_ = 0;
    } else {
        failed_ = true;
    }
}
