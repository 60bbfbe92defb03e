// The session layers as the multiplayer commands use them: sessions of one
// process in memory, and a network session on 127.0.0.1 against peers that
// break the protocol in every way they can.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <random>

#include "platform/loopback_session.h"
#include "platform/session_layer.h"
#include "platform/session_wire.h"
#include "socket_peer.h"

namespace korva {
namespace {

using Kind = SessionMessage::Kind;
using Bytes = std::vector<uint8_t>;
using test::PeerSocket;

struct Received {
    Kind kind;
    PlayerId from = 0, to = 0;
    std::string text;  // user: the data; created: the name
    friend bool operator==(const Received&, const Received&) = default;
};

std::ostream& operator<<(std::ostream& out, const Received& received) {
    return out << "{" << static_cast<int>(received.kind) << " " << received.from << " " << received.to << " \""
               << received.text << "\"}";
}

Received user(PlayerId from, PlayerId to, std::string text) { return {Kind::user, from, to, std::move(text)}; }
Received created(PlayerId player, std::string name) { return {Kind::playerCreated, player, 0, std::move(name)}; }
Received destroyed(PlayerId player) { return {Kind::playerDestroyed, player}; }

std::span<const uint8_t> bytesOf(std::string_view text) { return {reinterpret_cast<const uint8_t*>(text.data()), text.size()}; }

// What the session has for the program: waits until count messages came or
// the patience ran out, then takes whatever else is already there.
std::vector<Received> take(Session& session, size_t count, int patienceMillis = 10000) {
    std::vector<Received> all;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(patienceMillis);
    Bytes buffer(70000);
    for (;;) {
        SessionMessage message;
        if (session.receive(buffer, message) == ReceiveResult::received) {
            std::string text = message.kind == Kind::user ? std::string(buffer.begin(), buffer.begin() + message.size)
                                                          : message.name;
            all.push_back({message.kind, message.from, message.to, std::move(text)});
            continue;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (all.size() >= count || left.count() <= 0) return all;
        session.wait(static_cast<int32_t>(left.count()));
    }
}

std::unique_ptr<Session> joinFirst(SessionLayer& layer, const std::string& address) {
    const std::unique_ptr<SessionSearch> search = layer.search(address);
    for (int tries = 0; search && tries < 200; ++tries) {
        const std::vector<SessionDescription> found = search->found();
        if (!found.empty()) return layer.join(found.front());
        search->wait(50);
    }
    return nullptr;
}

TEST(LoopbackSessions, PlayersMessagesAndANewHostWhenTheHostLeaves) {
    const std::unique_ptr<SessionLayer> layer = openLoopbackSessionLayer();
    std::unique_ptr<Session> host = layer->host("game");
    const PlayerId hank = host->createPlayer("hank");
    std::unique_ptr<Session> amy = joinFirst(*layer, "");
    std::unique_ptr<Session> ben = joinFirst(*layer, "");
    ASSERT_TRUE(amy && ben);
    EXPECT_EQ(amy->players()->size(), 1u);  // hank was there before: no message
    const PlayerId a = amy->createPlayer("a"), b = ben->createPlayer("b");

    EXPECT_TRUE(host->send(hank, 0, bytesOf("all"), true));
    EXPECT_TRUE(amy->send(a, b, bytesOf("to b"), false));
    EXPECT_TRUE(amy->send(a, a, bytesOf("to herself"), true));  // accepted, never delivered
    EXPECT_FALSE(amy->send(b, 0, bytesOf("not hers"), true));
    EXPECT_FALSE(amy->send(a, 0x7FFF0001, bytesOf("nobody"), true));

    // A message that does not fit waits for a larger buffer.
    SessionMessage message;
    Bytes small(2);
    ASSERT_EQ(host->receive(small, message), ReceiveResult::received);  // a joined: no data
    ASSERT_EQ(host->receive(small, message), ReceiveResult::received);  // b joined
    EXPECT_EQ(take(*host, 0), std::vector<Received>{});
    EXPECT_EQ(take(*ben, 3), (std::vector<Received>{created(a, "a"), user(hank, 0, "all"), user(a, b, "to b")}));

    host.reset();
    EXPECT_EQ(take(*amy, 3), (std::vector<Received>{created(b, "b"), user(hank, 0, "all"), destroyed(hank),
                                                    {Kind::becameHost}}));
    EXPECT_EQ(take(*ben, 1), std::vector<Received>{destroyed(hank)});

    EXPECT_TRUE(ben->send(b, 0, Bytes(5000, 'x'), true));
    ASSERT_EQ(amy->receive(small, message), ReceiveResult::bufferTooSmall);
    EXPECT_EQ(message.size, 5000u);
    EXPECT_EQ(take(*amy, 1), std::vector<Received>{user(b, 0, std::string(5000, 'x'))});

    cutOffLoopbackSession(*ben);
    EXPECT_EQ(take(*ben, 1), std::vector<Received>{{Kind::sessionLost}});
    EXPECT_FALSE(ben->players());
    EXPECT_EQ(take(*amy, 1), std::vector<Received>{destroyed(b)});
}

// A network session hosted at a port of the test's own.
class NetSessionTest : public testing::Test {
protected:
    void SetUp() override {
        setenv("KORVA_SESSION_PORT", std::to_string(reserved_.port()).c_str(), 1);
        setenv("KORVA_SESSION_TIMEOUT", "600", 1);
        host_ = layer_->host("fortress");
        ASSERT_TRUE(host_);
        keeper_ = host_->createPlayer("keeper");
    }

    uint16_t port() const { return reserved_.port(); }

    // The session as a search at the address finds it.
    SessionDescription found() {
        const std::unique_ptr<SessionSearch> search = layer_->search("127.0.0.1");
        for (int tries = 0; tries < 100; ++tries) {
            std::vector<SessionDescription> sessions = search->found();
            if (!sessions.empty()) return sessions.front();
            search->wait(50);
        }
        return {};
    }

    static void sendFrame(const PeerSocket& peer, const Bytes& frame) { peer.sendAll({reinterpret_cast<const char*>(frame.data()), frame.size()}); }

    // The next frame from the peer: kind and body; kind 0 when the
    // connection ended instead.
    static std::pair<uint8_t, Bytes> receiveFrame(const PeerSocket& peer) {
        const std::string length = peer.receive(wire::kFrameLengthBytes);
        if (length.size() < wire::kFrameLengthBytes) return {0, {}};
        const std::optional<uint32_t> size = wire::frameLength(std::span<const uint8_t, 4>(reinterpret_cast<const uint8_t*>(length.data()), 4));
        const std::string rest = peer.receive(size.value_or(0));
        if (rest.empty()) return {0, {}};
        return {static_cast<uint8_t>(rest[0]), Bytes(rest.begin() + 1, rest.end())};
    }

    // A raw member: joined with a join of its own making.
    std::pair<PeerSocket, wire::JoinAccepted> joinRaw() {
        PeerSocket peer = test::connectTo(port());
        Bytes frame;
        wire::frameJoin(frame, {found().instance, 1, 1});
        sendFrame(peer, frame);
        const auto [kind, body] = receiveFrame(peer);
        EXPECT_EQ(kind, static_cast<uint8_t>(wire::FrameKind::joinAccepted));
        return {std::move(peer), wire::readJoinAccepted(body).value_or(wire::JoinAccepted{})};
    }

    const PeerSocket reserved_ = test::reservedPort();
    const std::unique_ptr<SessionLayer> layer_ = openNetSessionLayer();
    std::unique_ptr<Session> host_;
    PlayerId keeper_ = 0;
};

// Whatever comes to the session port that is not a join ends the connection
// without a word; a join for another session is refused.
TEST_F(NetSessionTest, ForeignBytesAtTheSessionPortAreDroppedWithoutAnEvent) {
    const std::string garbage[] = {"GET / HTTP/1.0\r\n\r\n", std::string("\xFF\xFF\xFF\x7F\x01", 5),
                                   std::string("\x00\x00\x00\x00", 4)};
    for (const std::string& bytes : garbage) {
        const PeerSocket peer = test::connectTo(port());
        peer.sendAll(bytes);
        bool ended = false;
        EXPECT_EQ(peer.receive(1, &ended), "");
        EXPECT_TRUE(ended);
    }
    Bytes frame;
    wire::frameMessageHeader(frame, keeper_, 0, 0);  // a member's frame before any join
    const PeerSocket early = test::connectTo(port());
    sendFrame(early, frame);
    EXPECT_EQ(receiveFrame(early).first, 0);

    frame.clear();
    wire::frameJoin(frame, {{1, 2, 3}, 1, 1});
    const PeerSocket stranger = test::connectTo(port());
    sendFrame(stranger, frame);
    EXPECT_EQ(receiveFrame(stranger).first, static_cast<uint8_t>(wire::FrameKind::joinRefused));

    const PeerSocket datagrams = test::boundSocket(SOCK_DGRAM);
    const sockaddr_in searchPort = test::loopback(port());
    for (const std::string& bytes : garbage)
        sendto(datagrams.fd(), bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&searchPort), sizeof searchPort);
    EXPECT_FALSE(datagrams.readable(300));
    EXPECT_EQ(found().name, "fortress");
    EXPECT_EQ(take(*host_, 0, 0), std::vector<Received>{});
}

// A member that breaks the rules is dropped, with its players; forged fast
// messages are ignored; a half-sent join holds nothing up; afterwards a
// proper joiner plays as if nothing had happened.
TEST_F(NetSessionTest, APeerThatBreaksTheProtocolIsDropped) {
    const PeerSocket stalled = test::connectTo(port());
    stalled.sendAll(std::string("\x20\x00\x00\x00\x01KVSL", 9));

    auto [mole, accepted] = joinRaw();
    const PlayerId molePlayer = PlayerId{accepted.yourPeer} << 16 | 1;
    Bytes frame;
    wire::framePlayerCreated(frame, {molePlayer, "mole"});
    sendFrame(mole, frame);
    Bytes datagram;
    wire::datagramMessageHeader(datagram, accepted.token + 1, accepted.yourPeer, molePlayer, 0);  // a wrong token
    const PeerSocket datagrams = test::boundSocket(SOCK_DGRAM);
    const sockaddr_in hostUdp = test::loopback(accepted.hostUdpPort);
    sendto(datagrams.fd(), datagram.data(), datagram.size(), 0, reinterpret_cast<const sockaddr*>(&hostUdp), sizeof hostUdp);
    frame.clear();
    wire::frameMessageHeader(frame, keeper_, 0, 0);  // from a player that is not the mole's
    sendFrame(mole, frame);
    EXPECT_EQ(take(*host_, 2), (std::vector<Received>{created(molePlayer, "mole"), destroyed(molePlayer)}));
    while (receiveFrame(mole).first != 0) {  // keep-alives, until the host hangs up
    }

    // Members sending frames damaged at random are dropped or ignored, and
    // never make the host stop.
    std::mt19937 random(5);
    for (int round = 0; round < 20; ++round) {
        auto [peer, welcome] = joinRaw();
        Bytes damaged;
        wire::framePlayerCreated(damaged, {PlayerId{welcome.yourPeer} << 16 | 1, "x"});
        wire::frameMessageHeader(damaged, PlayerId{welcome.yourPeer} << 16 | 1, 0, 3);
        damaged.insert(damaged.end(), {'a', 'b', 'c'});
        for (int flips = 0; flips < 3; ++flips) damaged[random() % damaged.size()] = static_cast<uint8_t>(random());
        sendFrame(peer, damaged);
    }
    while (!take(*host_, 1, 500).empty()) {  // until the damaged members have come and gone
    }

    std::unique_ptr<Session> guest = layer_->join(found());
    ASSERT_TRUE(guest);
    const PlayerId visitor = guest->createPlayer("visitor");
    EXPECT_TRUE(guest->send(visitor, keeper_, bytesOf("knock"), true));
    EXPECT_EQ(take(*host_, 2), (std::vector<Received>{created(visitor, "visitor"), user(visitor, keeper_, "knock")}));
    EXPECT_TRUE(guest->send(visitor, 0, bytesOf("fast"), false));
    EXPECT_EQ(take(*host_, 1), std::vector<Received>{user(visitor, 0, "fast")});
    EXPECT_TRUE(host_->send(keeper_, visitor, bytesOf("welcome"), false));
    EXPECT_EQ(take(*guest, 1), std::vector<Received>{user(keeper_, visitor, "welcome")});
}

// A member that stops answering keep-alives is dropped after the time-out;
// the host carries on.
TEST_F(NetSessionTest, ASilentMemberIsDroppedAfterTheTimeOut) {
    auto [silent, accepted] = joinRaw();
    const PlayerId ghost = PlayerId{accepted.yourPeer} << 16 | 1;
    Bytes frame;
    wire::framePlayerCreated(frame, {ghost, "ghost"});
    sendFrame(silent, frame);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(take(*host_, 2), (std::vector<Received>{created(ghost, "ghost"), destroyed(ghost)}));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    EXPECT_EQ(host_->players()->size(), 1u);
}

}  // namespace
}  // namespace korva
