#include "platform/session_wire.h"

#include <cstring>

namespace korva::wire {

void Writer::u16(uint16_t value) {
    u8(static_cast<uint8_t>(value));
    u8(static_cast<uint8_t>(value >> 8));
}

void Writer::u32(uint32_t value) {
    u16(static_cast<uint16_t>(value));
    u16(static_cast<uint16_t>(value >> 16));
}

void Writer::u64(uint64_t value) {
    u32(static_cast<uint32_t>(value));
    u32(static_cast<uint32_t>(value >> 32));
}

// Callers keep names within kMaxSessionNameBytes, which fits the length field.
void Writer::name(std::string_view text) {
    u16(static_cast<uint16_t>(text.size()));
    bytes({reinterpret_cast<const uint8_t*>(text.data()), text.size()});
}

std::span<const uint8_t> Reader::bytes(size_t count) {
    if (failed_ || count > rest_.size()) {
        failed_ = true;
        return {};
    }
    const std::span<const uint8_t> taken = rest_.first(count);
    rest_ = rest_.subspan(count);
    return taken;
}

uint8_t Reader::u8() {
    const std::span<const uint8_t> b = bytes(1);
    return b.empty() ? 0 : b[0];
}

uint16_t Reader::u16() {
    const std::span<const uint8_t> b = bytes(2);
    return b.empty() ? 0 : static_cast<uint16_t>(b[0] | b[1] << 8);
}

uint32_t Reader::u32() {
    const uint32_t low = u16();
    return low | static_cast<uint32_t>(u16()) << 16;
}

uint64_t Reader::u64() {
    const uint64_t low = u32();
    return low | static_cast<uint64_t>(u32()) << 32;
}

std::string Reader::name() {
    const uint16_t length = u16();
    if (length > kMaxSessionNameBytes) failed_ = true;
    const std::span<const uint8_t> text = bytes(failed_ ? 0 : length);
    return failed_ ? std::string() : std::string(text.begin(), text.end());
}

size_t Reader::count(size_t itemBytes) {
    const uint32_t items = u32();
    if (failed_ || items > rest_.size() / itemBytes) {
        failed_ = true;
        return 0;
    }
    return items;
}

std::span<const uint8_t> Reader::rest() { return bytes(failed_ ? 0 : rest_.size()); }

namespace {

// Frames are written with a placeholder length, filled in at the end.
class FrameWriter : public Writer {
public:
    FrameWriter(std::vector<uint8_t>& out, FrameKind kind) : Writer(out), out_(out), start_(out.size()) {
        u32(0);
        u8(static_cast<uint8_t>(kind));
    }
    // Messages: the data follows the header outside the writer.
    void finish(size_t bytesToFollow = 0) {
        const size_t length = out_.size() - start_ - kFrameLengthBytes + bytesToFollow;
        for (size_t i = 0; i < kFrameLengthBytes; ++i) out_[start_ + i] = static_cast<uint8_t>(length >> (8 * i));
    }

private:
    std::vector<uint8_t>& out_;
    size_t start_;
};

void writeGreeting(Writer& writer) {
    writer.u32(kMagic);
    writer.u8(kVersion);
}

bool readGreeting(Reader& reader) { return reader.u32() == kMagic && reader.u8() == kVersion && !reader.failed(); }

void writeInstance(Writer& writer, const std::array<uint8_t, 16>& instance) { writer.bytes(instance); }

std::array<uint8_t, 16> readInstance(Reader& reader) {
    std::array<uint8_t, 16> instance{};
    const std::span<const uint8_t> bytes = reader.bytes(instance.size());
    if (!bytes.empty()) std::memcpy(instance.data(), bytes.data(), instance.size());
    return instance;
}

void writePlayers(Writer& writer, std::span<const PlayerDescription> players) {
    writer.u32(static_cast<uint32_t>(players.size()));
    for (const PlayerDescription& player : players) {
        writer.u32(player.id);
        writer.name(player.name);
    }
}

constexpr size_t kLeastPlayerBytes = 4 + 2;

std::vector<PlayerDescription> readPlayerList(Reader& reader) {
    std::vector<PlayerDescription> players(reader.count(kLeastPlayerBytes));
    for (PlayerDescription& player : players) {
        player.id = reader.u32();
        player.name = reader.name();
    }
    return players;
}

template <class Value>
std::optional<Value> whenComplete(const Reader& reader, Value&& value) {
    if (!reader.complete()) return std::nullopt;
    return std::forward<Value>(value);
}

}  // namespace

void frameJoin(std::vector<uint8_t>& out, const JoinRequest& request) {
    FrameWriter writer(out, FrameKind::join);
    writeGreeting(writer);
    writeInstance(writer, request.instance);
    writer.u16(request.meshPort);
    writer.u16(request.udpPort);
    writer.finish();
}

void frameJoinAccepted(std::vector<uint8_t>& out, const JoinAccepted& accepted) {
    FrameWriter writer(out, FrameKind::joinAccepted);
    writer.u64(accepted.token);
    writer.u16(accepted.yourPeer);
    writer.u16(accepted.hostPeer);
    writer.u16(accepted.highestPeer);
    writer.u16(accepted.hostMeshPort);
    writer.u16(accepted.hostUdpPort);
    writer.u32(static_cast<uint32_t>(accepted.peers.size()));
    for (const PeerAddress& peer : accepted.peers) {
        writer.u16(peer.peer);
        writer.u32(peer.ip);
        writer.u16(peer.meshPort);
        writer.u16(peer.udpPort);
    }
    writePlayers(writer, accepted.players);
    writer.finish();
}

void frameHello(std::vector<uint8_t>& out, const Hello& hello) {
    FrameWriter writer(out, FrameKind::hello);
    writeGreeting(writer);
    writer.u64(hello.token);
    writer.u16(hello.peer);
    writer.u16(hello.highestPeer);
    writer.u16(hello.meshPort);
    writer.u16(hello.udpPort);
    writer.finish();
}

void framePlayers(std::vector<uint8_t>& out, FrameKind kind, std::span<const PlayerDescription> players) {
    FrameWriter writer(out, kind);
    writePlayers(writer, players);
    writer.finish();
}

void framePlayerCreated(std::vector<uint8_t>& out, const PlayerDescription& player) {
    FrameWriter writer(out, FrameKind::playerCreated);
    writer.u32(player.id);
    writer.name(player.name);
    writer.finish();
}

void framePlayerDestroyed(std::vector<uint8_t>& out, PlayerId player) {
    FrameWriter writer(out, FrameKind::playerDestroyed);
    writer.u32(player);
    writer.finish();
}

void frameEmpty(std::vector<uint8_t>& out, FrameKind kind) { FrameWriter(out, kind).finish(); }

void frameMessageHeader(std::vector<uint8_t>& out, PlayerId from, PlayerId to, size_t dataBytes) {
    FrameWriter writer(out, FrameKind::message);
    writer.u32(from);
    writer.u32(to);
    writer.finish(dataBytes);
}

std::optional<uint32_t> frameLength(std::span<const uint8_t, kFrameLengthBytes> field) {
    const uint32_t length = Reader(field).u32();
    if (length < 1 || length > kMaxFrameBytes) return std::nullopt;
    return length;
}

std::optional<JoinRequest> readJoin(std::span<const uint8_t> body) {
    Reader reader(body);
    JoinRequest request;
    if (!readGreeting(reader)) return std::nullopt;
    request.instance = readInstance(reader);
    request.meshPort = reader.u16();
    request.udpPort = reader.u16();
    return whenComplete(reader, std::move(request));
}

std::optional<JoinAccepted> readJoinAccepted(std::span<const uint8_t> body) {
    Reader reader(body);
    JoinAccepted accepted;
    accepted.token = reader.u64();
    accepted.yourPeer = reader.u16();
    accepted.hostPeer = reader.u16();
    accepted.highestPeer = reader.u16();
    accepted.hostMeshPort = reader.u16();
    accepted.hostUdpPort = reader.u16();
    accepted.peers.resize(reader.count(2 + 4 + 2 + 2));
    for (PeerAddress& peer : accepted.peers) {
        peer.peer = reader.u16();
        peer.ip = reader.u32();
        peer.meshPort = reader.u16();
        peer.udpPort = reader.u16();
    }
    accepted.players = readPlayerList(reader);
    return whenComplete(reader, std::move(accepted));
}

std::optional<Hello> readHello(std::span<const uint8_t> body) {
    Reader reader(body);
    Hello hello;
    if (!readGreeting(reader)) return std::nullopt;
    hello.token = reader.u64();
    hello.peer = reader.u16();
    hello.highestPeer = reader.u16();
    hello.meshPort = reader.u16();
    hello.udpPort = reader.u16();
    return whenComplete(reader, std::move(hello));
}

std::optional<std::vector<PlayerDescription>> readPlayers(std::span<const uint8_t> body) {
    Reader reader(body);
    std::vector<PlayerDescription> players = readPlayerList(reader);
    return whenComplete(reader, std::move(players));
}

std::optional<PlayerDescription> readPlayerCreated(std::span<const uint8_t> body) {
    Reader reader(body);
    PlayerDescription player;
    player.id = reader.u32();
    player.name = reader.name();
    return whenComplete(reader, std::move(player));
}

std::optional<PlayerId> readPlayerDestroyed(std::span<const uint8_t> body) {
    Reader reader(body);
    const PlayerId player = reader.u32();
    return whenComplete(reader, PlayerId{player});
}

namespace {

UserMessage readUserMessage(Reader& reader) {
    UserMessage message;
    message.from = reader.u32();
    message.to = reader.u32();
    message.data = reader.rest();
    return message;
}

void writeDatagramStart(Writer& writer, DatagramKind kind) {
    writeGreeting(writer);
    writer.u8(static_cast<uint8_t>(kind));
}

// A reader positioned after the kind byte of a datagram of that kind.
Reader datagramBody(std::span<const uint8_t> datagram, DatagramKind kind) {
    Reader reader(datagram);
    if (!readGreeting(reader) || reader.u8() != static_cast<uint8_t>(kind)) reader.fail();
    return reader;
}

}  // namespace

std::optional<UserMessage> readMessage(std::span<const uint8_t> body) {
    Reader reader(body);
    UserMessage message = readUserMessage(reader);
    return whenComplete(reader, std::move(message));
}

void datagramSearchRequest(std::vector<uint8_t>& out, uint32_t nonce) {
    out.clear();
    Writer writer(out);
    writeDatagramStart(writer, DatagramKind::searchRequest);
    writer.u32(nonce);
}

void datagramSearchReply(std::vector<uint8_t>& out, const SearchReply& reply) {
    out.clear();
    Writer writer(out);
    writeDatagramStart(writer, DatagramKind::searchReply);
    writer.u32(reply.nonce);
    writeInstance(writer, reply.session.instance);
    writer.u16(reply.session.hostPort);
    writer.u32(reply.session.maxPlayers);
    writer.u32(reply.session.currentPlayers);
    writer.u32(reply.session.user1);
    writer.u32(reply.session.user2);
    writer.name(reply.session.name);
}

void datagramMessageHeader(std::vector<uint8_t>& out, uint64_t token, PeerNumber peer, PlayerId from, PlayerId to) {
    out.clear();
    Writer writer(out);
    writeDatagramStart(writer, DatagramKind::message);
    writer.u64(token);
    writer.u16(peer);
    writer.u32(from);
    writer.u32(to);
}

std::optional<DatagramKind> datagramKind(std::span<const uint8_t> datagram) {
    Reader reader(datagram);
    if (!readGreeting(reader)) return std::nullopt;
    const uint8_t kind = reader.u8();
    if (reader.failed() || kind < static_cast<uint8_t>(DatagramKind::searchRequest) ||
        kind > static_cast<uint8_t>(DatagramKind::message))
        return std::nullopt;
    return static_cast<DatagramKind>(kind);
}

std::optional<uint32_t> readSearchRequest(std::span<const uint8_t> datagram) {
    Reader reader = datagramBody(datagram, DatagramKind::searchRequest);
    const uint32_t nonce = reader.u32();
    return whenComplete(reader, uint32_t{nonce});
}

std::optional<SearchReply> readSearchReply(std::span<const uint8_t> datagram) {
    Reader reader = datagramBody(datagram, DatagramKind::searchReply);
    SearchReply reply;
    reply.nonce = reader.u32();
    reply.session.instance = readInstance(reader);
    reply.session.hostPort = reader.u16();
    reply.session.maxPlayers = reader.u32();
    reply.session.currentPlayers = reader.u32();
    reply.session.user1 = reader.u32();
    reply.session.user2 = reader.u32();
    reply.session.name = reader.name();
    return whenComplete(reader, std::move(reply));
}

std::optional<DatagramMessage> readDatagramMessage(std::span<const uint8_t> datagram) {
    Reader reader = datagramBody(datagram, DatagramKind::message);
    DatagramMessage message;
    message.token = reader.u64();
    message.peer = reader.u16();
    message.message = readUserMessage(reader);
    return whenComplete(reader, std::move(message));
}

}  // namespace korva::wire
