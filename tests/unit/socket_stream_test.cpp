// TCP and UDP streams against a hostile peer on 127.0.0.1: whatever it
// sends, in whatever pieces, the stream commands read exactly what the same
// bytes give from memory, and no way of ending a conversation hangs or kills
// the program.
#include <gtest/gtest.h>

#include <bit>
#include <chrono>
#include <cstring>
#include <random>
#include <thread>

#include "core/str_pool.h"
#include "files/bank.h"
#include "memory_stream.h"
#include "module_commands.h"
#include "socket_peer.h"

namespace korva {
namespace {

using test::PeerSocket;
using Clock = std::chrono::steady_clock;
using IntOf = int32_t(int32_t);

int64_t millisSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

class SocketStreamTest : public testing::Test {
public:
    void SetUp() override { socketsModule.create(); }
    void TearDown() override {
        socketsModule.destroy();
        bankModule.destroy();
    }

    // A stream the program opened, with the peer's end in peer_.
    int32_t connect() {
        const PeerSocket listener = test::tcpListener();
        const int32_t stream = openTcp(strFromText("127.0.0.1"), listener.port(), 0);
        peer_ = test::acceptFrom(listener);
        return stream;
    }

    using Transfer = int32_t(int32_t, int32_t, int32_t, int32_t);
    int32_t (*openTcp)(qyStr*, int32_t, int32_t) =
        commandOf<int32_t(qyStr*, int32_t, int32_t)>(socketsModule, "%OpenTCPStream$server%server_port%local_port=0");
    void (*timeouts)(int32_t, int32_t) =
        commandOf<void(int32_t, int32_t)>(socketsModule, "TCPTimeouts%read_millis%accept_millis");
    IntOf* eof = commandOf<IntOf>(streamModule, "%Eof%stream");
    IntOf* readAvail = commandOf<IntOf>(streamModule, "%ReadAvail%stream");
    IntOf* readInt = commandOf<IntOf>(streamModule, "%ReadInt%stream");
    int32_t (*createBank)(int32_t) = commandOf<int32_t(int32_t)>(bankModule, "%CreateBank%size=0");
    Transfer* readBytes = commandOf<Transfer>(bankModule, "%ReadBytes%bank%file%offset%count");
    Transfer* writeBytes = commandOf<Transfer>(bankModule, "%WriteBytes%bank%file%offset%count");

    // Waits, without reading, until the stream has the bytes waiting.
    bool arrived(int32_t stream, int32_t count) {
        const auto start = Clock::now();
        while (readAvail(stream) < count) {
            if (millisSince(start) > test::kPeerPatienceMillis) return false;
        }
        return true;
    }

    PeerSocket peer_;
};

// Records as a damaged or hostile peer sends them: stray bytes, length
// prefixes that lie (huge, negative, cut short), lines with stray returns.
std::string hostileBytes(std::mt19937& random) {
    static const int32_t kPrefixes[] = {0, 3, 100, 5000, 1 << 20, INT32_MAX, -1, INT32_MIN};
    std::string bytes;
    for (int piece = random() % 12; piece > 0; --piece) {
        switch (random() % 3) {
            case 0:
                for (int n = random() % 300; n > 0; --n) bytes += static_cast<char>(random());
                break;
            case 1: {
                const int32_t prefix = kPrefixes[random() % std::size(kPrefixes)];
                bytes.append(reinterpret_cast<const char*>(&prefix), random() % 4 + 1);
                break;
            }
            default:
                for (int n = random() % 200; n > 0; --n) bytes += "ab\r\n"[random() % 4];
        }
    }
    return bytes;
}

// Sends in pieces of random size, some byte by byte, then closes.
void sendInPieces(PeerSocket peer, std::string bytes, unsigned seed) {
    std::mt19937 random(seed);
    for (size_t at = 0; at < bytes.size();) {
        const size_t piece = std::min<size_t>(bytes.size() - at, random() % 700 + 1);
        const std::string_view part(bytes.data() + at, piece);
        if (random() % 4 == 0 ? !peer.sendByteByByte(part) : !peer.sendAll(part)) return;
        at += piece;
    }
}

// One of the stream commands that read, chosen by which, sized from random.
std::string readWith(size_t which, int32_t stream, SocketStreamTest& test, std::mt19937& random) {
    switch (which) {
        case 0: return std::to_string(commandOf<IntOf>(streamModule, "%ReadByte%stream")(stream));
        case 1: return std::to_string(commandOf<IntOf>(streamModule, "%ReadShort%stream")(stream));
        case 2: return std::to_string(test.readInt(stream));
        case 3: return std::to_string(std::bit_cast<uint32_t>(commandOf<float(int32_t)>(streamModule, "#ReadFloat%stream")(stream)));
        case 4: return strTake(commandOf<qyStr*(int32_t)>(streamModule, "$ReadString%stream")(stream));
        case 5: return strTake(commandOf<qyStr*(int32_t)>(streamModule, "$ReadLine%stream")(stream));
        default: {
            const auto count = static_cast<int32_t>(random() % 9000);
            const int32_t bank = test.createBank(count);
            const int32_t got = test.readBytes(bank, stream, 0, count);
            return std::to_string(got) + ":" + std::string(reinterpret_cast<char*>(objectOf<qyBank>(bank)->data), got);
        }
    }
}

// Both streams take the same random reads until two reads past the end.
void readAlike(int32_t stream, MemoryStream& expected, SocketStreamTest& test, std::mt19937& random) {
    for (int pastEnd = 0; pastEnd < 2; pastEnd += expected.eof() == 1) {
        const size_t which = random() % 7;
        std::mt19937 sizes(random());
        std::mt19937 sameSizes = sizes;
        ASSERT_EQ(readWith(which, stream, test, sizes), readWith(which, expected.handle(), test, sameSizes)) << which;
    }
}

TEST_F(SocketStreamTest, HostilePeerInputReadsAsTheSameBytesFromMemory) {
    for (unsigned round = 0; round < 30; ++round) {
        SCOPED_TRACE(round);
        std::mt19937 random(round);
        const std::string bytes = hostileBytes(random);
        const int32_t stream = connect();
        ASSERT_NE(stream, 0);
        std::thread sender(sendInPieces, std::move(peer_), bytes, round);
        MemoryStream expected(bytes);
        readAlike(stream, expected, *this, random);
        sender.join();
        EXPECT_EQ(eof(stream), 1);
    }
}

TEST_F(SocketStreamTest, HostileDatagramsReadAsTheSameBytesFromMemory) {
    const int32_t stream = commandOf<IntOf>(socketsModule, "%CreateUDPStream%port=0")(0);
    commandOf<void(int32_t)>(socketsModule, "UDPTimeouts%recv_timeout")(test::kPeerPatienceMillis);
    const sockaddr_in address = test::loopback(commandOf<IntOf>(socketsModule, "%UDPStreamPort%udp_stream")(stream));
    const PeerSocket peer = test::boundSocket(SOCK_DGRAM);
    for (unsigned round = 0; round < 30; ++round) {
        SCOPED_TRACE(round);
        std::mt19937 random(round);
        std::string datagram = hostileBytes(random);
        if (round % 10 == 9) datagram.resize(65507, '\xa5');  // the largest there is
        sendto(peer.fd(), datagram.data(), datagram.size(), 0, reinterpret_cast<const sockaddr*>(&address), sizeof address);
        ASSERT_EQ(commandOf<IntOf>(socketsModule, "%RecvUDPMsg%udp_stream")(stream), INADDR_LOOPBACK);
        MemoryStream expected(datagram);
        readAlike(stream, expected, *this, random);
    }
}

TEST_F(SocketStreamTest, EveryWayAPeerCanStopEndsTheReadWithoutHanging) {
    enum Ending { close, reset, silence };
    timeouts(3000, 0);
    for (Ending ending : {close, reset, silence}) {
        SCOPED_TRACE(ending);
        const int32_t stream = connect();
        peer_.sendAll("\x34\x12");  // half a record
        ASSERT_TRUE(arrived(stream, 2));
        if (ending == close) peer_.closeNow();
        if (ending == reset) peer_.reset();
        const auto start = Clock::now();
        const int32_t value = readInt(stream);
        const int64_t waited = millisSince(start);
        if (ending == silence) {
            EXPECT_EQ(value, 0x1234);
            EXPECT_GE(waited, 2500);
            EXPECT_LT(waited, 15000);
            EXPECT_EQ(eof(stream), -1);
            EXPECT_EQ(readInt(stream), 0);  // a failed stream delivers nothing, at once
        } else {
            // Whether bytes that arrived before a reset can still be read is the system's choice.
            if (ending == close || value != 0) {
                EXPECT_EQ(value, 0x1234);
            }
            EXPECT_LT(waited, 2500);
            EXPECT_NE(eof(stream), 0);
        }
    }
}

TEST_F(SocketStreamTest, AClosedPeerFailsTheWriterWithoutASignal) {
    const int32_t stream = connect();
    peer_.closeNow();  // the reset that answers the next write makes the write after it a broken pipe
    const int32_t bank = createBank(65536);
    int32_t writes = 0;
    while (writeBytes(bank, stream, 0, 65536) == 65536 && writes < 1000) ++writes;
    EXPECT_LT(writes, 1000);
    EXPECT_EQ(eof(stream), -1);
    EXPECT_EQ(writeBytes(bank, stream, 0, 4), 0);
}

TEST_F(SocketStreamTest, APeerThatStopsReadingFailsTheWriterInsteadOfHangingIt) {
    timeouts(1000, 0);
    const int32_t stream = connect();
    const int32_t bank = createBank(1 << 20);
    const auto start = Clock::now();
    int32_t writes = 0;
    while (writeBytes(bank, stream, 0, 1 << 20) == 1 << 20 && writes < 1000) ++writes;
    EXPECT_LT(writes, 1000);
    EXPECT_LT(millisSince(start), 30000);
    EXPECT_EQ(eof(stream), -1);
}

TEST_F(SocketStreamTest, CloseWithUnreadDataEndsTheConversationGracefully) {
    const int32_t stream = connect();
    peer_.sendAll(std::string(3000, 'u'));
    ASSERT_TRUE(arrived(stream, 3000));
    const int32_t bank = createBank(3);
    std::memcpy(objectOf<qyBank>(bank)->data, "bye", 3);
    writeBytes(bank, stream, 0, 3);
    commandOf<void(int32_t)>(socketsModule, "CloseTCPStream%tcp_stream")(stream);
    bool ended = false;
    EXPECT_EQ(peer_.receive(100, &ended), "bye");
    EXPECT_TRUE(ended) << "the peer saw a reset";
}

}  // namespace
}  // namespace korva
