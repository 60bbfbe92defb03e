#include "network/tcp_server.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <new>

#include "network/tcp_stream.h"
#include "platform/socket.h"

namespace {

constexpr int kBacklog = 5;

// Only these say that the listening socket itself is unusable. Every other
// error belongs to one connection (a peer that reset before it was
// accepted) or to a passing shortage of descriptors or memory, and must not
// let a peer shut the server down.
bool listeningSocketBroken(int error) {
    return error == EBADF || error == EINVAL || error == ENOTSOCK || error == EFAULT;
}

}  // namespace

qyTCPServer* qyTCPServer::create(uint16_t port) {
    const int socket = korva::openSocket(SOCK_STREAM);
    if (socket < 0) return nullptr;
    if (korva::listenReusingAddress(socket, port, kBacklog)) return korva::newOwnerOf<qyTCPServer>(socket);
    close(socket);
    return nullptr;
}

qyTCPServer::~qyTCPServer() { close(socket_); }

qyTCPStream* qyTCPServer::accept(int32_t timeoutMillis) {
    if (failed_) return nullptr;
    switch (korva::waitFor(socket_, POLLIN, timeoutMillis)) {
        case korva::WaitResult::timedOut: return nullptr;
        case korva::WaitResult::failed: failed_ = true; return nullptr;
        case korva::WaitResult::ready: break;
    }
    const int connection = accept4(socket_, nullptr, nullptr, SOCK_CLOEXEC);
    if (connection < 0) {
        failed_ = listeningSocketBroken(errno);
        return nullptr;
    }
    qyTCPStream* stream = korva::newOwnerOf<qyTCPStream>(connection, this);
    if (stream == nullptr) return nullptr;
    try {
        accepted_.insert(stream);
    } catch (const std::bad_alloc&) {
        delete stream;  // closes the connection
        return nullptr;
    }
    return stream;
}
