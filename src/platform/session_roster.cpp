#include "platform/session_roster.h"

#include <algorithm>
#include <cstring>

namespace korva {

SessionRoster::SessionRoster(wire::PeerNumber self, wire::PeerNumber host)
    : self_(self), host_(host), highestPeer_(std::max(self, host)) {}

void SessionRoster::notePeerNumber(wire::PeerNumber peer) { highestPeer_ = std::max(highestPeer_, peer); }

void SessionRoster::addPeer(wire::PeerNumber peer) {
    peers_.insert(peer);
    notePeerNumber(peer);
}

bool SessionRoster::removePeer(wire::PeerNumber peer) {
    if (peers_.erase(peer) == 0) return false;
    const PlayerId first = PlayerId{peer} << 16, last = first | 0xFFFF;
    for (auto it = players_.lower_bound(first); it != players_.end() && it->first <= last;) {
        queue(SessionMessage::Kind::playerDestroyed, it->first);
        it = players_.erase(it);
    }
    if (peer != host_) return false;
    host_ = peers_.empty() ? self_ : std::min(self_, *peers_.begin());
    if (host_ != self_) return false;
    queue(SessionMessage::Kind::becameHost, 0);
    return true;
}

std::optional<PlayerDescription> SessionRoster::addLocalPlayer(std::string_view name) {
    if (name.size() > kMaxSessionNameBytes || lastLocalPlayer_ == 0xFFFF) return std::nullopt;
    const PlayerDescription player{PlayerId{self_} << 16 | ++lastLocalPlayer_, std::string(name)};
    addPlayer(player, false);
    return player;
}

void SessionRoster::addPlayer(const PlayerDescription& player, bool announce) {
    players_[player.id] = player.name;
    if (announce) queue(SessionMessage::Kind::playerCreated, player.id, player.name);
}

bool SessionRoster::removePlayer(PlayerId player, bool announce) {
    if (players_.erase(player) == 0) return false;
    if (announce) queue(SessionMessage::Kind::playerDestroyed, player);
    return true;
}

std::vector<PlayerDescription> SessionRoster::players() const {
    std::vector<PlayerDescription> all;
    for (const auto& [id, name] : players_) all.push_back({id, name});
    return all;
}

std::vector<PlayerDescription> SessionRoster::localPlayers() const {
    std::vector<PlayerDescription> own;
    const PlayerId first = PlayerId{self_} << 16, last = first | 0xFFFF;
    for (auto it = players_.lower_bound(first); it != players_.end() && it->first <= last; ++it)
        own.push_back({it->first, it->second});
    return own;
}

bool SessionRoster::queueMessage(PlayerId from, PlayerId to, std::span<const uint8_t> data, bool guaranteed) {
    if (!guaranteed && queueFull()) return false;
    Queued& queued = queue_.emplace_back();
    queued.message.from = from;
    queued.message.to = to;
    queued.message.size = data.size();
    queued.data.assign(data.begin(), data.end());
    queuedBytes_ += data.size();
    return true;
}

void SessionRoster::queueSessionLost() { queue(SessionMessage::Kind::sessionLost, 0); }

void SessionRoster::queue(SessionMessage::Kind kind, PlayerId from, std::string name) {
    Queued& queued = queue_.emplace_back();
    queued.message.kind = kind;
    queued.message.from = from;
    queued.message.name = std::move(name);
}

ReceiveResult SessionRoster::receive(std::span<uint8_t> buffer, SessionMessage& message) {
    if (queue_.empty()) return ReceiveResult::nothingWaiting;
    Queued& next = queue_.front();
    if (next.data.size() > buffer.size()) {
        message.size = next.data.size();
        return ReceiveResult::bufferTooSmall;
    }
    if (!next.data.empty()) std::memcpy(buffer.data(), next.data.data(), next.data.size());
    queuedBytes_ -= next.data.size();
    message = std::move(next.message);
    queue_.pop_front();
    return ReceiveResult::received;
}

}  // namespace korva
