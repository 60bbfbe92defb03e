// The session layer's wire format: what is written reads back, and bytes
// from the network, whatever they are (damaged, cut short, too long, made
// up), are either a well-formed message or refused; frames reassemble from
// any pieces.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

#include <functional>
#include <random>

#include "platform/peer_link.h"
#include "platform/session_wire.h"

namespace korva::wire {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes bytesOf(std::string_view text) { return Bytes(text.begin(), text.end()); }

// The body of a frame written to out: after the length and the kind.
std::span<const uint8_t> bodyOf(const Bytes& frame) { return std::span(frame).subspan(kFrameLengthBytes + 1); }

JoinAccepted sampleAccepted() {
    JoinAccepted accepted;
    accepted.token = 0x1122334455667788;
    accepted.yourPeer = 4;
    accepted.hostPeer = 2;
    accepted.highestPeer = 4;
    accepted.hostMeshPort = 4000;
    accepted.hostUdpPort = 4001;
    accepted.peers = {{3, 0x7F000001, 5000, 5001}};
    accepted.players = {{0x20001, "hank"}, {0x20002, ""}};
    return accepted;
}

TEST(SessionWire, FramesReadBackAsWritten) {
    Bytes frame;
    frameJoin(frame, {{1, 2, 3}, 7000, 7001});
    EXPECT_EQ(frameLength(std::span(frame).first<kFrameLengthBytes>()), frame.size() - kFrameLengthBytes);
    EXPECT_EQ(frame[kFrameLengthBytes], static_cast<uint8_t>(FrameKind::join));
    const std::optional<JoinRequest> join = readJoin(bodyOf(frame));
    ASSERT_TRUE(join);
    EXPECT_EQ(join->instance[2], 3);
    EXPECT_EQ(join->udpPort, 7001);

    frame.clear();
    frameJoinAccepted(frame, sampleAccepted());
    const std::optional<JoinAccepted> accepted = readJoinAccepted(bodyOf(frame));
    ASSERT_TRUE(accepted);
    EXPECT_EQ(accepted->token, 0x1122334455667788u);
    EXPECT_EQ(accepted->hostUdpPort, 4001);
    ASSERT_EQ(accepted->peers.size(), 1u);
    EXPECT_EQ(accepted->peers[0].ip, 0x7F000001u);
    ASSERT_EQ(accepted->players.size(), 2u);
    EXPECT_EQ(accepted->players[0].name, "hank");

    frame.clear();
    const Bytes data = bytesOf("payload");
    frameMessageHeader(frame, 0x20001, 0, data.size());
    frame.insert(frame.end(), data.begin(), data.end());
    const std::optional<UserMessage> message = readMessage(bodyOf(frame));
    ASSERT_TRUE(message);
    EXPECT_EQ(message->from, 0x20001u);
    EXPECT_EQ(Bytes(message->data.begin(), message->data.end()), data);
}

TEST(SessionWire, DatagramsReadBackAsWrittenAndForeignBytesAreNotOurs) {
    Bytes datagram;
    SearchReply reply;
    reply.nonce = 99;
    reply.session.name = "game";
    reply.session.currentPlayers = 3;
    reply.session.hostPort = 24650;
    datagramSearchReply(datagram, reply);
    EXPECT_EQ(datagramKind(datagram), DatagramKind::searchReply);
    const std::optional<SearchReply> read = readSearchReply(datagram);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->session.name, "game");
    EXPECT_EQ(read->session.currentPlayers, 3u);
    EXPECT_FALSE(readSearchRequest(datagram));  // the kind is checked

    datagramMessageHeader(datagram, 5, 2, 0x20001, 0x30001);
    const std::optional<DatagramMessage> message = readDatagramMessage(datagram);
    ASSERT_TRUE(message);
    EXPECT_EQ(message->peer, 2);
    EXPECT_TRUE(message->message.data.empty());

    EXPECT_FALSE(datagramKind(bytesOf("GET / HTTP/1.0\r\n")));
    datagram[4] = kVersion + 1;  // a later version is not read as this one
    EXPECT_FALSE(datagramKind(datagram));
}

TEST(SessionWire, FrameLengthsOutOfBoundsAreRefused) {
    const uint8_t empty[4] = {0, 0, 0, 0}, huge[4] = {0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_FALSE(frameLength(empty));
    EXPECT_FALSE(frameLength(huge));
    const uint32_t largest = kMaxFrameBytes;
    const uint8_t atLimit[4] = {static_cast<uint8_t>(largest), static_cast<uint8_t>(largest >> 8),
                                static_cast<uint8_t>(largest >> 16), static_cast<uint8_t>(largest >> 24)};
    EXPECT_EQ(frameLength(atLimit), largest);
}

TEST(SessionWire, CountsAndNamesLongerThanTheBytesAreRefused) {
    Bytes frame;
    framePlayers(frame, FrameKind::helloAccepted, std::vector<PlayerDescription>{{0x20001, "x"}});
    Bytes body(bodyOf(frame).begin(), bodyOf(frame).end());
    body[0] = 0xFF;  // four billion players in a few bytes
    EXPECT_FALSE(readPlayers(body));
    body[0] = 1;
    body[8] = 200;  // a name longer than what is left
    EXPECT_FALSE(readPlayers(body));
    body[8] = 1;
    body.push_back(0);  // trailing bytes
    EXPECT_FALSE(readPlayers(body));
}

// Every decoder, fed valid messages cut short (always refused) and damaged at
// random: grown, bytes flipped, lengths and counts replaced, all bytes made
// up. None may read outside what it was given (the sanitizer build watches).
TEST(SessionWire, DamagedMessagesNeverReadPastTheirBytes) {
    std::vector<std::pair<Bytes, std::function<bool(std::span<const uint8_t>)>>> samples;
    auto frameSample = [&](auto write, auto read) {
        Bytes frame;
        write(frame);
        samples.push_back({Bytes(bodyOf(frame).begin(), bodyOf(frame).end()),
                           [read](std::span<const uint8_t> body) { return read(body).has_value(); }});
    };
    frameSample([](Bytes& out) { frameJoin(out, {{9}, 1, 2}); }, readJoin);
    frameSample([](Bytes& out) { frameJoinAccepted(out, sampleAccepted()); }, readJoinAccepted);
    frameSample([](Bytes& out) { frameHello(out, {7, 3, 3, 10, 11}); }, readHello);
    frameSample([](Bytes& out) { framePlayers(out, FrameKind::helloAccepted, sampleAccepted().players); }, readPlayers);
    frameSample([](Bytes& out) { framePlayerCreated(out, {0x30001, "ben"}); }, readPlayerCreated);
    frameSample([](Bytes& out) { framePlayerDestroyed(out, 0x30001); }, readPlayerDestroyed);
    frameSample([](Bytes& out) { frameMessageHeader(out, 1, 2, 0); }, readMessage);
    Bytes datagram;
    datagramSearchRequest(datagram, 5);
    samples.push_back({datagram, [](std::span<const uint8_t> bytes) { return readSearchRequest(bytes).has_value(); }});
    SearchReply reply;
    reply.session.name = "name";
    datagramSearchReply(datagram, reply);
    samples.push_back({datagram, [](std::span<const uint8_t> bytes) { return readSearchReply(bytes).has_value(); }});
    datagramMessageHeader(datagram, 1, 2, 3, 4);
    samples.push_back({datagram, [](std::span<const uint8_t> bytes) { return readDatagramMessage(bytes).has_value(); }});

    std::mt19937 random(13);
    for (const auto& [valid, read] : samples) {
        EXPECT_TRUE(read(valid));
        for (size_t cut = 0; cut < valid.size(); ++cut) EXPECT_FALSE(read(std::span(valid).first(cut))) << cut;
        for (int round = 0; round < 3000; ++round) {
            Bytes damaged = valid;
            switch (random() % 4) {
                case 0: damaged[random() % damaged.size()] ^= static_cast<uint8_t>(1 + random() % 255); break;
                case 1: damaged.resize(random() % (damaged.size() + 1)); break;
                case 2: damaged.insert(damaged.begin() + random() % (damaged.size() + 1), 1 + random() % 8, 0xFF); break;
                case 3:
                    for (uint8_t& byte : damaged) byte = static_cast<uint8_t>(random());
                    break;
            }
            read(damaged);
        }
    }
}

// A link over a socket pair: frames written in random pieces come out whole
// and in order; a length out of bounds breaks the link.
TEST(SessionWire, FramesReassembleFromAnyPieces) {
    int ends[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, ends), 0);
    PeerLink link(ends[0]);
    Bytes stream;
    for (int i = 0; i < 50; ++i) {
        const Bytes data(static_cast<size_t>(i * 997 % 5000), static_cast<uint8_t>(i));
        frameMessageHeader(stream, static_cast<PlayerId>(i), 0, data.size());
        stream.insert(stream.end(), data.begin(), data.end());
    }
    std::mt19937 random(7);
    size_t sent = 0;
    int next = 0;
    while (next < 50) {
        if (sent < stream.size()) {
            const size_t piece = std::min<size_t>(1 + random() % 3000, stream.size() - sent);
            ASSERT_EQ(write(ends[1], stream.data() + sent, piece), static_cast<ssize_t>(piece));
            sent += piece;
        }
        PeerLink::Input state = link.receive();
        while (std::optional<PeerLink::Frame> frame = link.nextFrame(state)) {
            ASSERT_EQ(frame->kind, static_cast<uint8_t>(FrameKind::message));
            const std::optional<UserMessage> message = readMessage(frame->body);
            ASSERT_TRUE(message);
            EXPECT_EQ(message->from, static_cast<PlayerId>(next));
            EXPECT_EQ(message->data.size(), static_cast<size_t>(next * 997 % 5000));
            ++next;
        }
        ASSERT_EQ(state, PeerLink::Input::open);
        ASSERT_TRUE(sent < stream.size() || next == 50) << "frames left in the link";
    }
    const uint8_t tooLong[5] = {0xFF, 0xFF, 0xFF, 0x7F, 1};
    ASSERT_EQ(write(ends[1], tooLong, sizeof tooLong), 5);
    PeerLink::Input state = link.receive();
    EXPECT_FALSE(link.nextFrame(state));
    EXPECT_EQ(state, PeerLink::Input::broken);
    close(ends[1]);
}

}  // namespace
}  // namespace korva::wire
