// The network session layer's wire format, version 1. All integers are
// little-endian; names are a 16-bit length and that many bytes.
//
// TCP connections carry frames: a 32-bit length (of everything after it, at
// least 1 and at most kMaxFrameBytes), a kind byte, then the body. The first
// frame on a connection is a join (on the host's port) or a hello (on a
// peer's own port); both begin with kMagic and the version, and a connection
// that opens with anything else is closed without a word.
//
// UDP datagrams: kMagic, the version byte, a kind byte, then the body.
//
// Every decoder takes bytes from the network: it checks each length and count
// against what is there, rejects trailing bytes, and returns none for
// anything malformed. Decoded messages refer to the bytes they came from.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/session_layer.h"

namespace korva::wire {

constexpr uint32_t kMagic = 0x4C53564B;  // the bytes "KVSL"
constexpr uint8_t kVersion = 1;

// A peer is one machine in a session, numbered by the host when it joins
// (the first host is 1). A player id carries its machine's number in the top
// half, so every machine can make ids without asking anyone.
using PeerNumber = uint16_t;
constexpr PeerNumber kLastPeerNumber = 0x7FFF;  // keeps player ids positive
constexpr PeerNumber peerOf(PlayerId player) { return static_cast<PeerNumber>(player >> 16); }

constexpr size_t kFrameLengthBytes = 4;
constexpr size_t kMaxFrameBytes = kMaxSessionMessageBytes + 64;
constexpr size_t kMaxDatagramBytes = 65507;  // the largest IPv4 UDP payload

enum class FrameKind : uint8_t {
    join = 1,         // joiner -> host: JoinRequest
    joinAccepted,     // host -> joiner: JoinAccepted
    joinRefused,      // host -> joiner: empty; the host closes the connection
    hello,            // joiner -> every other peer: Hello
    helloAccepted,    // peer -> joiner: the peer's own players
    playerCreated,    // PlayerRecord of the sender's machine
    playerDestroyed,  // player id
    message,          // UserMessage
    keepAlive,        // empty: sent when a link has been quiet for a while
    leave,            // empty: the sender leaves the session
};

enum class DatagramKind : uint8_t {
    searchRequest = 1,  // nonce
    searchReply,        // SearchReply
    message,            // DatagramMessage
};

struct JoinRequest {
    std::array<uint8_t, 16> instance{};
    uint16_t meshPort = 0, udpPort = 0;  // where the joiner listens
};

struct PeerAddress {
    PeerNumber peer = 0;
    uint32_t ip = 0;
    uint16_t meshPort = 0, udpPort = 0;
};

struct JoinAccepted {
    uint64_t token = 0;  // the session's secret, proof of membership in hellos and datagrams
    PeerNumber yourPeer = 0, hostPeer = 0, highestPeer = 0;
    uint16_t hostMeshPort = 0, hostUdpPort = 0;
    std::vector<PeerAddress> peers;          // every member but the host and the joiner
    std::vector<PlayerDescription> players;  // the host's own
};

struct Hello {
    uint64_t token = 0;
    PeerNumber peer = 0, highestPeer = 0;
    uint16_t meshPort = 0, udpPort = 0;
};

struct UserMessage {
    PlayerId from = 0, to = 0;
    std::span<const uint8_t> data;
};

struct SearchReply {
    uint32_t nonce = 0;
    SessionDescription session;  // hostIp is not sent: it is where the reply came from
};

struct DatagramMessage {
    uint64_t token = 0;
    PeerNumber peer = 0;
    UserMessage message;
};

// Builds frames and datagrams.
class Writer {
public:
    explicit Writer(std::vector<uint8_t>& out) : out_(out) {}
    void u8(uint8_t value) { out_.push_back(value); }
    void u16(uint16_t value);
    void u32(uint32_t value);
    void u64(uint64_t value);
    void bytes(std::span<const uint8_t> data) { out_.insert(out_.end(), data.begin(), data.end()); }
    void name(std::string_view text);

private:
    std::vector<uint8_t>& out_;
};

// Reads a body: every read checks that the bytes are there; a failed read
// yields zeros and fails every later check.
class Reader {
public:
    explicit Reader(std::span<const uint8_t> bytes) : rest_(bytes) {}
    uint8_t u8();
    uint16_t u16();
    uint32_t u32();
    uint64_t u64();
    std::span<const uint8_t> bytes(size_t count);
    std::string name();
    // A count of items of at least itemBytes each: refused when the rest
    // cannot hold that many.
    size_t count(size_t itemBytes);
    std::span<const uint8_t> rest();
    void fail() { failed_ = true; }
    bool failed() const { return failed_; }
    // Everything read, nothing left over.
    bool complete() const { return !failed_ && rest_.empty(); }

private:
    std::span<const uint8_t> rest_;
    bool failed_ = false;
};

// Frame encoders append one whole frame (length included) to out.
void frameJoin(std::vector<uint8_t>& out, const JoinRequest& request);
void frameJoinAccepted(std::vector<uint8_t>& out, const JoinAccepted& accepted);
void frameHello(std::vector<uint8_t>& out, const Hello& hello);
void framePlayers(std::vector<uint8_t>& out, FrameKind kind, std::span<const PlayerDescription> players);
void framePlayerCreated(std::vector<uint8_t>& out, const PlayerDescription& player);
void framePlayerDestroyed(std::vector<uint8_t>& out, PlayerId player);
void frameEmpty(std::vector<uint8_t>& out, FrameKind kind);
// Only the message's header: its data follows as the rest of the frame.
void frameMessageHeader(std::vector<uint8_t>& out, PlayerId from, PlayerId to, size_t dataBytes);

// The length field at the start of a frame: the bytes that follow it, or none
// when it is out of bounds (the connection must be dropped).
std::optional<uint32_t> frameLength(std::span<const uint8_t, kFrameLengthBytes> field);

// Frame decoders take the body after the kind byte.
std::optional<JoinRequest> readJoin(std::span<const uint8_t> body);
std::optional<JoinAccepted> readJoinAccepted(std::span<const uint8_t> body);
std::optional<Hello> readHello(std::span<const uint8_t> body);
std::optional<std::vector<PlayerDescription>> readPlayers(std::span<const uint8_t> body);
std::optional<PlayerDescription> readPlayerCreated(std::span<const uint8_t> body);
std::optional<PlayerId> readPlayerDestroyed(std::span<const uint8_t> body);
std::optional<UserMessage> readMessage(std::span<const uint8_t> body);

// Datagram encoders replace out's contents (message: the header only).
void datagramSearchRequest(std::vector<uint8_t>& out, uint32_t nonce);
void datagramSearchReply(std::vector<uint8_t>& out, const SearchReply& reply);
void datagramMessageHeader(std::vector<uint8_t>& out, uint64_t token, PeerNumber peer, PlayerId from, PlayerId to);

// The kind of a datagram of this version, or none (foreign bytes).
std::optional<DatagramKind> datagramKind(std::span<const uint8_t> datagram);
std::optional<uint32_t> readSearchRequest(std::span<const uint8_t> datagram);
std::optional<SearchReply> readSearchReply(std::span<const uint8_t> datagram);
std::optional<DatagramMessage> readDatagramMessage(std::span<const uint8_t> datagram);

}  // namespace korva::wire
