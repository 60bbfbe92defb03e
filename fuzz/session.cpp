// libFuzzer harness for the session layer's wire format (scripts/fuzz session
// builds and runs it): bytes as a peer could send them, taken apart the way
// a session takes them. The first byte picks the road: frames cut from the
// bytes and each read by its kind's decoder; the same through a connection's
// reassembly, the bytes arriving in pieces (slower: sockets); or one
// datagram read by every datagram decoder. Anything may be refused; nothing
// may read outside the bytes, fault or hang.
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <span>

#include "platform/peer_link.h"
#include "platform/session_wire.h"

namespace {

using namespace korva::wire;

void readFrame(uint8_t kind, std::span<const uint8_t> body) {
    switch (static_cast<FrameKind>(kind)) {
        case FrameKind::join: readJoin(body); break;
        case FrameKind::joinAccepted: readJoinAccepted(body); break;
        case FrameKind::hello: readHello(body); break;
        case FrameKind::helloAccepted: readPlayers(body); break;
        case FrameKind::playerCreated: readPlayerCreated(body); break;
        case FrameKind::playerDestroyed: readPlayerDestroyed(body); break;
        case FrameKind::message: readMessage(body); break;
        default: break;
    }
}

// The stream arrives through a socket pair in pieces of the sizes the next
// bytes say, as a slow peer sends it.
void readStream(std::span<const uint8_t> bytes) {
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, ends) != 0) return;
    korva::PeerLink link(ends[0]);
    while (!bytes.empty()) {
        const size_t piece = std::min<size_t>(bytes.size(), 1 + bytes[0] * 8);
        if (write(ends[1], bytes.data(), piece) != static_cast<ssize_t>(piece)) break;
        bytes = bytes.subspan(piece);
        korva::PeerLink::Input state = link.receive();
        while (std::optional<korva::PeerLink::Frame> frame = link.nextFrame(state)) readFrame(frame->kind, frame->body);
        if (state != korva::PeerLink::Input::open) break;
    }
    close(ends[1]);
}

// Frame by frame as the length fields say, until one is out of bounds or cut
// short.
void readFrames(std::span<const uint8_t> bytes) {
    while (bytes.size() >= kFrameLengthBytes) {
        const std::optional<uint32_t> length = frameLength(bytes.first<kFrameLengthBytes>());
        if (!length || bytes.size() - kFrameLengthBytes < *length) return;
        const std::span<const uint8_t> frame = bytes.subspan(kFrameLengthBytes, *length);
        readFrame(frame[0], frame.subspan(1));
        bytes = bytes.subspan(kFrameLengthBytes + *length);
    }
}

void readDatagram(std::span<const uint8_t> datagram) {
    datagramKind(datagram);
    readSearchRequest(datagram);
    readSearchReply(datagram);
    readDatagramMessage(datagram);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const std::span<const uint8_t> bytes(data + 1, size - 1);
    switch (data[0] % 3) {
        case 0: readFrames(bytes); break;
        case 1: readDatagram(bytes); break;
        case 2: readStream(bytes); break;
    }
    return 0;
}
