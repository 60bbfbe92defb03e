#include "network/udp_stream.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace korva {
namespace {

// One receive that never blocks: a socket reported readable may still have
// nothing to give (a datagram dropped for a bad checksum). Returns the
// datagram's length, or -1.
ssize_t receiveDatagram(int socket, uint8_t* buffer, int32_t capacity, Ipv4Endpoint& sender) {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    const ssize_t got = recvfrom(socket, buffer, static_cast<size_t>(capacity), MSG_DONTWAIT,
                                 reinterpret_cast<sockaddr*>(&address), &length);
    if (got >= 0) sender = endpointOf(address);
    return got;
}

}  // namespace
}  // namespace korva

using korva::Deadline;
using korva::WaitResult;

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

// A receive that fails after the wait (nothing there after all, or an error
// the system reports for an earlier send) waits again for the time left.
uint32_t qyUDPStream::receive(int32_t timeoutMillis) {
    if (failed_) return 0;
    const Deadline deadline(timeoutMillis);
    for (;;) {
        const WaitResult wait = korva::waitFor(socket_, POLLIN, deadline.remaining());
        if (wait == WaitResult::timedOut) return 0;
        if (wait == WaitResult::failed) {
            failed_ = true;
            return 0;
        }
        korva::Ipv4Endpoint sender;
        const ssize_t length = korva::receiveDatagram(socket_, received_, kLargestDatagram, sender);
        if (length >= 0) {
            receivedLength_ = static_cast<int32_t>(length);
            readPosition_ = 0;
            lastSender_ = sender;
            return sender.ip;
        }
        if (deadline.remaining() == 0) return 0;
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
