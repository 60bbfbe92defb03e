#include "platform/peer_link.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/clock.h"

namespace korva {
namespace {

constexpr size_t kReadChunk = 64 * 1024;
// One receive() takes at most this much, so that one busy peer cannot keep
// the others waiting.
constexpr size_t kReadBudget = 1024 * 1024;

bool wouldBlock() { return errno == EAGAIN || errno == EWOULDBLOCK; }

}  // namespace

// Frames are whole messages: small ones must leave at once rather than wait
// for more to fill a segment.
PeerLink::PeerLink(int socket) : socket_(socket), remote_(peerEndpoint(socket)) {
    const int noDelay = 1;
    setsockopt(socket_, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);
    lastHeard_ = lastSent_ = milliClock();
}

PeerLink::~PeerLink() {
    discardUnread(socket_);
    close(socket_);
}

// Input is kept at the front of its storage; storage grown for a large frame
// is given back once it has been handed out.
void PeerLink::dropConsumedInput() {
    std::copy(input_.begin() + static_cast<std::ptrdiff_t>(consumed_),
              input_.begin() + static_cast<std::ptrdiff_t>(inputEnd_), input_.begin());
    inputEnd_ -= consumed_;
    consumed_ = 0;
    if (input_.size() > kReadBudget && inputEnd_ <= kReadChunk) {
        input_.resize(kReadChunk);
        input_.shrink_to_fit();
    }
}

PeerLink::Input PeerLink::receive() {
    if (failed_) return Input::closed;
    dropConsumedInput();
    for (size_t taken = 0; taken < kReadBudget;) {
        if (input_.size() - inputEnd_ < kReadChunk) input_.resize(inputEnd_ + kReadChunk);
        const ssize_t got = recv(socket_, input_.data() + inputEnd_, input_.size() - inputEnd_, MSG_DONTWAIT);
        if (got > 0) {
            inputEnd_ += static_cast<size_t>(got);
            taken += static_cast<size_t>(got);
            lastHeard_ = milliClock();
            continue;
        }
        if (got < 0 && (wouldBlock() || errno == EINTR)) break;
        failed_ = true;
        return Input::closed;
    }
    return Input::open;
}

std::optional<PeerLink::Frame> PeerLink::nextFrame(Input& state, size_t maxLength) {
    const std::span<const uint8_t> unread(input_.data() + consumed_, inputEnd_ - consumed_);
    if (unread.size() < wire::kFrameLengthBytes) return std::nullopt;
    const std::optional<uint32_t> length = wire::frameLength(unread.first<wire::kFrameLengthBytes>());
    if (!length || *length > maxLength) {
        state = Input::broken;
        return std::nullopt;
    }
    // Room grows with what arrives, not with what a length field promises.
    if (unread.size() - wire::kFrameLengthBytes < *length) return std::nullopt;
    consumed_ += wire::kFrameLengthBytes + *length;
    const std::span<const uint8_t> frame = unread.subspan(wire::kFrameLengthBytes, *length);
    return Frame{frame[0], frame.subspan(1)};
}

std::optional<PeerLink::Frame> PeerLink::awaitFrame(int32_t timeoutMillis, size_t maxLength) {
    const Deadline deadline(timeoutMillis);
    for (;;) {
        Input state = Input::open;
        if (std::optional<Frame> frame = nextFrame(state, maxLength)) return frame;
        if (state == Input::broken) return std::nullopt;
        if (waitFor(socket_, POLLIN, deadline.remaining()) != WaitResult::ready) return std::nullopt;
        if (receive() == Input::closed) {
            // What arrived before the end may still hold the frame.
            Input rest = Input::open;
            return nextFrame(rest, maxLength);
        }
    }
}

bool PeerLink::send(std::span<const uint8_t> head, std::span<const uint8_t> data) {
    if (failed_ || waiting_.size() - waitingFrom_ + head.size() + data.size() > kMaxWaitingBytes) return false;
    lastSent_ = milliClock();
    size_t written = 0;
    if (!hasWaitingBytes()) {
        iovec parts[2] = {{const_cast<uint8_t*>(head.data()), head.size()},
                          {const_cast<uint8_t*>(data.data()), data.size()}};
        msghdr message{};
        message.msg_iov = parts;
        message.msg_iovlen = data.empty() ? 1 : 2;
        const ssize_t sent = sendmsg(socket_, &message, MSG_DONTWAIT | MSG_NOSIGNAL);
        if (sent < 0 && !wouldBlock() && errno != EINTR) {
            failed_ = true;
            return false;
        }
        written = static_cast<size_t>(std::max<ssize_t>(sent, 0));
    }
    if (written < head.size()) waiting_.insert(waiting_.end(), head.begin() + static_cast<std::ptrdiff_t>(written), head.end());
    const size_t dataWritten = written > head.size() ? written - head.size() : 0;
    waiting_.insert(waiting_.end(), data.begin() + static_cast<std::ptrdiff_t>(dataWritten), data.end());
    return true;
}

bool PeerLink::flush() {
    while (!failed_ && hasWaitingBytes()) {
        const ssize_t sent = ::send(socket_, waiting_.data() + waitingFrom_, waiting_.size() - waitingFrom_,
                                    MSG_DONTWAIT | MSG_NOSIGNAL);
        if (sent > 0) {
            waitingFrom_ += static_cast<size_t>(sent);
        } else if (sent < 0 && (wouldBlock() || errno == EINTR)) {
            return true;
        } else {
            failed_ = true;
        }
    }
    if (waitingFrom_ > waiting_.size() / 2) {
        waiting_.erase(waiting_.begin(), waiting_.begin() + static_cast<std::ptrdiff_t>(waitingFrom_));
        waitingFrom_ = 0;
    }
    return !failed_;
}

void PeerLink::flushWithin(int32_t timeoutMillis) {
    const Deadline deadline(timeoutMillis);
    while (flush() && hasWaitingBytes() && waitFor(socket_, POLLOUT, deadline.remaining()) == WaitResult::ready) {
    }
}

}  // namespace korva
