// The loopback session layer: sessions of one process, joined in memory.
// Every search finds every hosted session; messages go straight into the
// addressees' queues; a machine that leaves is seen to leave at once. Tests
// use it to run several sessions side by side without a network.
#include "platform/loopback_session.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <random>

#include "platform/session_roster.h"

namespace korva {
namespace {

using wire::PeerNumber;

class LoopbackSession;

// One hosted session and the sessions in it, in order of joining.
struct LoopbackGame {
    SessionDescription description;
    std::vector<LoopbackSession*> members;
    PeerNumber highestPeer = 1;
};

// Everything here is guarded by one lock; whatever reaches a queue is
// announced to waiting sessions.
std::mutex hubMutex;
std::condition_variable arrived;
std::vector<std::shared_ptr<LoopbackGame>> games;

class LoopbackSession final : public Session {
public:
    LoopbackSession(std::shared_ptr<LoopbackGame> game, PeerNumber self, PeerNumber host)
        : game_(std::move(game)), roster_(self, host) {}

    ~LoopbackSession() override {
        std::lock_guard lock(hubMutex);
        if (!lost_) leave();
    }

    // A new member learns who is there; everyone learns of it.
    void enter() {
        for (LoopbackSession* member : game_->members) {
            roster_.addPeer(member->roster_.self());
            for (const PlayerDescription& player : member->roster_.localPlayers()) roster_.addPlayer(player, false);
            member->roster_.addPeer(roster_.self());
        }
        game_->members.push_back(this);
    }

    const SessionRoster& roster() const { return roster_; }

    void cutOff() {
        if (lost_) return;
        leave();
        lost_ = true;
        roster_.queueSessionLost();
    }

    PlayerId createPlayer(std::string_view name) override {
        std::lock_guard lock(hubMutex);
        const std::optional<PlayerDescription> player = lost_ ? std::nullopt : roster_.addLocalPlayer(name);
        if (!player) return 0;
        for (LoopbackSession* member : others()) member->roster_.addPlayer(*player, true);
        arrived.notify_all();
        return player->id;
    }

    bool destroyPlayer(PlayerId player) override {
        std::lock_guard lock(hubMutex);
        if (!roster_.isLocal(player)) return false;
        roster_.removePlayer(player, false);
        for (LoopbackSession* member : others()) member->roster_.removePlayer(player, true);
        arrived.notify_all();
        return true;
    }

    std::optional<std::vector<PlayerDescription>> players() override {
        std::lock_guard lock(hubMutex);
        if (lost_) return std::nullopt;
        return roster_.players();
    }

    bool send(PlayerId from, PlayerId to, std::span<const uint8_t> data, bool guaranteed) override {
        std::lock_guard lock(hubMutex);
        if (lost_ || !roster_.isLocal(from) || data.size() > kMaxSessionMessageBytes) return false;
        if (to != kAllPlayers && !roster_.isKnown(to)) return false;
        for (LoopbackSession* member : others()) {
            if (to == kAllPlayers || member->roster_.isLocal(to)) member->roster_.queueMessage(from, to, data, guaranteed);
        }
        arrived.notify_all();
        return true;
    }

    ReceiveResult receive(std::span<uint8_t> buffer, SessionMessage& message) override {
        std::lock_guard lock(hubMutex);
        return roster_.receive(buffer, message);
    }

    bool wait(int32_t millis) override {
        std::unique_lock lock(hubMutex);
        return arrived.wait_for(lock, std::chrono::milliseconds(millis), [this] { return !roster_.queueEmpty(); });
    }

private:
    std::vector<LoopbackSession*> others() const {
        std::vector<LoopbackSession*> list;
        if (lost_) return list;
        for (LoopbackSession* member : game_->members) {
            if (member != this) list.push_back(member);
        }
        return list;
    }

    void leave() {
        std::erase(game_->members, this);
        for (LoopbackSession* member : game_->members) member->roster_.removePeer(roster_.self());
        if (game_->members.empty()) std::erase(games, game_);
        arrived.notify_all();
    }

    std::shared_ptr<LoopbackGame> game_;
    SessionRoster roster_;
    bool lost_ = false;
};

class LoopbackSearch final : public SessionSearch {
public:
    std::vector<SessionDescription> found() override {
        std::lock_guard lock(hubMutex);
        std::vector<SessionDescription> sessions;
        for (const auto& game : games) sessions.push_back(game->description);
        return sessions;
    }
    bool complete() override { return true; }
    void wait(int32_t) override {}
};

std::array<uint8_t, 16> newInstance() {
    static std::mt19937 generator{std::random_device{}()};
    std::array<uint8_t, 16> instance{};
    for (uint8_t& byte : instance) byte = static_cast<uint8_t>(generator());
    return instance;
}

class LoopbackSessionLayer final : public SessionLayer {
public:
    const char* connectionName() const override { return "Loopback"; }

    std::unique_ptr<Session> host(std::string_view name) override {
        if (name.size() > kMaxSessionNameBytes) return nullptr;
        std::lock_guard lock(hubMutex);
        auto game = std::make_shared<LoopbackGame>();
        game->description.instance = newInstance();
        game->description.name = name;
        auto session = std::make_unique<LoopbackSession>(game, 1, 1);
        session->enter();
        games.push_back(std::move(game));
        return session;
    }

    std::unique_ptr<SessionSearch> search(std::string_view) override { return std::make_unique<LoopbackSearch>(); }

    std::unique_ptr<Session> join(const SessionDescription& description) override {
        std::lock_guard lock(hubMutex);
        auto game = std::find_if(games.begin(), games.end(),
                                 [&](const auto& entry) { return entry->description.instance == description.instance; });
        if (game == games.end() || (*game)->highestPeer == wire::kLastPeerNumber) return nullptr;
        const PeerNumber host = (*game)->members.front()->roster().host();
        auto session = std::make_unique<LoopbackSession>(*game, ++(*game)->highestPeer, host);
        session->enter();
        return session;
    }
};

}  // namespace

void cutOffLoopbackSession(Session& session) {
    std::lock_guard lock(hubMutex);
    if (auto* loopback = dynamic_cast<LoopbackSession*>(&session)) loopback->cutOff();
}

std::unique_ptr<SessionLayer> openLoopbackSessionLayer() { return std::make_unique<LoopbackSessionLayer>(); }

}  // namespace korva
