// Networking over loopback in one process: bulk TCP transfers between banks
// (WriteBytes, ReadBytes) beside plain send/recv, and UDP request/reply
// round trips through the stream commands beside plain sendto/recvfrom. The
// far side of every exchange runs on a thread of its own.
#include <benchmark/benchmark.h>

#include <cstring>
#include <thread>
#include <vector>

#include "../tests/unit/module_commands.h"
#include "../tests/unit/socket_peer.h"
#include "comparison.h"
#include "core/str_pool.h"

namespace {

using namespace korva;
using test::PeerSocket;

constexpr int32_t kBlock = 1 << 20;
constexpr int32_t kBlocks = 64;  // 64 MB per iteration
constexpr int kRoundTrips = 10000;
constexpr int kIntsPerRequest = 8;  // 32 bytes

struct SocketCommands {
    int32_t (*createServer)(int32_t) = commandOf<int32_t(int32_t)>(socketsModule, "%CreateTCPServer%port");
    int32_t (*accept)(int32_t) = commandOf<int32_t(int32_t)>(socketsModule, "%AcceptTCPStream%tcp_server");
    int32_t (*openTcp)(qyStr*, int32_t, int32_t) =
        commandOf<int32_t(qyStr*, int32_t, int32_t)>(socketsModule, "%OpenTCPStream$server%server_port%local_port=0");
    void (*tcpTimeouts)(int32_t, int32_t) =
        commandOf<void(int32_t, int32_t)>(socketsModule, "TCPTimeouts%read_millis%accept_millis");
    int32_t (*createUdp)(int32_t) = commandOf<int32_t(int32_t)>(socketsModule, "%CreateUDPStream%port=0");
    void (*sendUdp)(int32_t, int32_t, int32_t) =
        commandOf<void(int32_t, int32_t, int32_t)>(socketsModule, "SendUDPMsg%udp_stream%dest_ip%dest_port=0");
    int32_t (*receiveUdp)(int32_t) = commandOf<int32_t(int32_t)>(socketsModule, "%RecvUDPMsg%udp_stream");
    void (*udpTimeouts)(int32_t) = commandOf<void(int32_t)>(socketsModule, "UDPTimeouts%recv_timeout");
    int32_t (*createBank)(int32_t) = commandOf<int32_t(int32_t)>(bankModule, "%CreateBank%size=0");
    using Transfer = int32_t(int32_t, int32_t, int32_t, int32_t);
    Transfer* readBytes = commandOf<Transfer>(bankModule, "%ReadBytes%bank%file%offset%count");
    Transfer* writeBytes = commandOf<Transfer>(bankModule, "%WriteBytes%bank%file%offset%count");
    void (*writeInt)(int32_t, int32_t) = commandOf<void(int32_t, int32_t)>(streamModule, "WriteInt%stream%int");
    int32_t (*readInt)(int32_t) = commandOf<int32_t(int32_t)>(streamModule, "%ReadInt%stream");
};

// The module's streams, servers and banks live from here to the end of the
// benchmark.
struct SocketsRunning {
    SocketsRunning() { socketsModule.create(); }
    ~SocketsRunning() {
        socketsModule.destroy();
        bankModule.destroy();
    }
};

void BM_TcpBulkBank(benchmark::State& state) {
    const SocketsRunning running;
    const SocketCommands commands;
    const PeerSocket reserved = test::reservedPort();
    const int32_t server = commands.createServer(reserved.port());
    const int32_t client = commands.openTcp(strFromText("127.0.0.1"), reserved.port(), 0);
    commands.tcpTimeouts(10000, 10000);
    const int32_t served = commands.accept(server);
    const int32_t outgoing = commands.createBank(kBlock), incoming = commands.createBank(kBlock);
    for (auto _ : state) {
        std::thread writer([&] {
            for (int i = 0; i < kBlocks; ++i) commands.writeBytes(outgoing, client, 0, kBlock);
        });
        for (int i = 0; i < kBlocks; ++i) benchmark::DoNotOptimize(commands.readBytes(incoming, served, 0, kBlock));
        writer.join();
    }
    state.SetBytesProcessed(state.iterations() * int64_t{kBlock} * kBlocks);
}
BENCHMARK(BM_TcpBulkBank)->Unit(benchmark::kMillisecond)->UseRealTime();

void sendBlock(int socket, const char* block) {
    for (int32_t sent = 0; sent < kBlock;) {
        const ssize_t accepted = send(socket, block + sent, kBlock - sent, MSG_NOSIGNAL);
        if (accepted <= 0) return;
        sent += static_cast<int32_t>(accepted);
    }
}

int32_t receiveBlock(int socket, char* block) {
    int32_t got = 0;
    while (got < kBlock) {
        const ssize_t arrived = recv(socket, block + got, kBlock - got, 0);
        if (arrived <= 0) break;
        got += static_cast<int32_t>(arrived);
    }
    return got;
}

void BM_TcpBulkSendRecv(benchmark::State& state) {
    const PeerSocket listener = test::tcpListener();
    const PeerSocket client = test::connectTo(listener.port());
    const PeerSocket served = test::acceptFrom(listener);
    std::vector<char> outgoing(kBlock), incoming(kBlock);
    for (auto _ : state) {
        std::thread writer([&] {
            for (int i = 0; i < kBlocks; ++i) sendBlock(client.fd(), outgoing.data());
        });
        for (int i = 0; i < kBlocks; ++i) benchmark::DoNotOptimize(receiveBlock(served.fd(), incoming.data()));
        writer.join();
    }
    state.SetBytesProcessed(state.iterations() * int64_t{kBlock} * kBlocks);
}
BENCHMARK(BM_TcpBulkSendRecv)->Unit(benchmark::kMillisecond)->UseRealTime();

// Sends every datagram back where it came from, until an empty one arrives.
class UdpEcho {
public:
    UdpEcho() : thread_([this] { run(); }) {}
    ~UdpEcho() {
        const sockaddr_in address = test::loopback(port());
        sendto(socket_.fd(), "", 0, 0, reinterpret_cast<const sockaddr*>(&address), sizeof address);
        thread_.join();
    }
    uint16_t port() const { return socket_.port(); }

private:
    void run() const {
        char datagram[64];
        for (;;) {
            sockaddr_in sender{};
            socklen_t length = sizeof sender;
            const ssize_t got = recvfrom(socket_.fd(), datagram, sizeof datagram, 0, reinterpret_cast<sockaddr*>(&sender), &length);
            if (got <= 0) return;
            sendto(socket_.fd(), datagram, static_cast<size_t>(got), 0, reinterpret_cast<sockaddr*>(&sender), length);
        }
    }

    const PeerSocket socket_ = test::boundSocket(SOCK_DGRAM);
    std::thread thread_;
};

void BM_UdpRoundTripStream(benchmark::State& state) {
    const SocketsRunning running;
    const SocketCommands commands;
    const UdpEcho echo;
    const int32_t stream = commands.createUdp(0);
    commands.udpTimeouts(10000);
    for (auto _ : state) {
        for (int trip = 0; trip < kRoundTrips; ++trip) {
            for (int32_t i = 0; i < kIntsPerRequest; ++i) commands.writeInt(stream, trip + i);
            commands.sendUdp(stream, INADDR_LOOPBACK, echo.port());
            benchmark::DoNotOptimize(commands.receiveUdp(stream));
            for (int i = 0; i < kIntsPerRequest; ++i) benchmark::DoNotOptimize(commands.readInt(stream));
        }
    }
    state.SetItemsProcessed(state.iterations() * kRoundTrips);
}
BENCHMARK(BM_UdpRoundTripStream)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_UdpRoundTripSendtoRecvfrom(benchmark::State& state) {
    const UdpEcho echo;
    const PeerSocket client = test::boundSocket(SOCK_DGRAM);
    const sockaddr_in destination = test::loopback(echo.port());
    for (auto _ : state) {
        for (int trip = 0; trip < kRoundTrips; ++trip) {
            int32_t request[kIntsPerRequest], reply[kIntsPerRequest];
            for (int32_t i = 0; i < kIntsPerRequest; ++i) request[i] = trip + i;
            sendto(client.fd(), request, sizeof request, 0, reinterpret_cast<const sockaddr*>(&destination), sizeof destination);
            sockaddr_in sender{};
            socklen_t length = sizeof sender;
            benchmark::DoNotOptimize(recvfrom(client.fd(), reply, sizeof reply, 0, reinterpret_cast<sockaddr*>(&sender), &length));
            for (int32_t value : reply) benchmark::DoNotOptimize(value);
        }
    }
    state.SetItemsProcessed(state.iterations() * kRoundTrips);
}
BENCHMARK(BM_UdpRoundTripSendtoRecvfrom)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

KORVA_COMPARISON("tcp_bulk", "BM_TcpBulkBank/real_time", "BM_TcpBulkSendRecv/real_time");
KORVA_COMPARISON("udp_roundtrip", "BM_UdpRoundTripStream/real_time", "BM_UdpRoundTripSendtoRecvfrom/real_time");
