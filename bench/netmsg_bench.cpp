// Multiplayer messages over loopback: round trips of 32-byte messages sent
// with SendNetMsg and taken with RecvNetMsg, as a program calls them, to a
// second session in the same process that sends each one back. The
// reference is the plain UDP request/reply of socket_bench.cpp (sendto and
// a blocking recvfrom, the same payload and count). The guaranteed variant
// tells what ordered, reliable delivery adds.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "../tests/unit/module_commands.h"
#include "../tests/unit/socket_peer.h"
#include "comparison.h"
#include "core/str_pool.h"
#include "platform/session_layer.h"

namespace korva {
extern const ModuleDefinition multiplayModule;
}

namespace {

using namespace korva;

constexpr int kRoundTrips = 10000;
constexpr size_t kPayload = 32;  // the message text, as the UDP reference's datagram

struct MultiplayCommands {
    int32_t (*host)(qyStr*) = commandOf<int32_t(qyStr*)>(multiplayModule, "%HostNetGame$game_name");
    int32_t (*createPlayer)(qyStr*) = commandOf<int32_t(qyStr*)>(multiplayModule, "%CreateNetPlayer$name");
    int32_t (*send)(int32_t, qyStr*, int32_t, int32_t, int32_t) = commandOf<int32_t(int32_t, qyStr*, int32_t, int32_t, int32_t)>(
        multiplayModule, "%SendNetMsg%type$msg%from_player%to_player=0%reliable=1");
    int32_t (*receive)() = commandOf<int32_t()>(multiplayModule, "%RecvNetMsg");
    int32_t (*from)() = commandOf<int32_t()>(multiplayModule, "%NetMsgFrom");
    qyStr* (*data)() = commandOf<qyStr*()>(multiplayModule, "$NetMsgData");
};

// The far side: a session joined through the layer itself, on a thread of
// its own that waits for messages and sends each back to its sender until
// told to stop.
class Echo {
public:
    explicit Echo(bool guaranteed) : guaranteed_(guaranteed) {
        std::unique_ptr<SessionLayer> layer = openNetSessionLayer();
        const std::unique_ptr<SessionSearch> search = layer->search("127.0.0.1");
        for (int tries = 0; tries < 100 && !session_; ++tries) {
            std::vector<SessionDescription> found = search->found();
            if (!found.empty()) session_ = layer->join(found.front());
            search->wait(50);
        }
        if (!session_) std::abort();
        player_ = session_->createPlayer("echo");
        thread_ = std::thread([this] { run(); });
    }
    ~Echo() {
        stop_ = true;
        thread_.join();
    }
    PlayerId player() const { return player_; }

private:
    void run() {
        std::vector<uint8_t> buffer(1024);
        while (!stop_) {
            SessionMessage message;
            if (!session_->wait(100) || session_->receive(buffer, message) != ReceiveResult::received ||
                message.kind != SessionMessage::Kind::user)
                continue;
            // The header names the sender and the addressee: swapped.
            for (size_t i = 0; i < 4; ++i) std::swap(buffer[i], buffer[4 + i]);
            session_->send(player_, message.from, std::span(buffer).first(message.size), guaranteed_);
        }
    }

    bool guaranteed_;
    std::unique_ptr<Session> session_;
    PlayerId player_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// The program's side: the multiplayer module hosting at a port of its own.
void roundTrips(benchmark::State& state, bool guaranteed) {
    const test::PeerSocket reserved = test::reservedPort();
    setenv("KORVA_SESSION_PORT", std::to_string(reserved.port()).c_str(), 1);
    multiplayModule.create();
    const MultiplayCommands commands;
    commands.host(strFromText("bench"));
    const int32_t me = commands.createPlayer(strFromText("me"));
    {
        const Echo echo(guaranteed);
        while (commands.receive() == 0) {  // the echo's player joins
        }
        const std::string payload(kPayload, 'x');
        for (auto _ : state) {
            for (int trip = 0; trip < kRoundTrips; ++trip) {
                commands.send(1, strFromBytes(payload.data(), payload.size()), me, static_cast<int32_t>(echo.player()),
                              guaranteed);
                while (commands.receive() == 0) {
                }
                strRelease(commands.data());
            }
        }
        state.SetItemsProcessed(state.iterations() * kRoundTrips);
    }
    multiplayModule.destroy();
}

void BM_NetMsgRoundTrip(benchmark::State& state) { roundTrips(state, false); }
BENCHMARK(BM_NetMsgRoundTrip)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_NetMsgRoundTripGuaranteed(benchmark::State& state) { roundTrips(state, true); }
BENCHMARK(BM_NetMsgRoundTripGuaranteed)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

KORVA_COMPARISON("netmsg_roundtrip", "BM_NetMsgRoundTrip/real_time", "BM_UdpRoundTripSendtoRecvfrom/real_time");
KORVA_COMPARISON("netmsg_guaranteed", "BM_NetMsgRoundTripGuaranteed/real_time", "BM_NetMsgRoundTrip/real_time");
