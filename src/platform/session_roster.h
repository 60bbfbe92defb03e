// What one machine knows of its session, whatever carries the session: the
// machines in it (peers), every player and its machine, which machine hosts,
// and the queue of messages waiting for the program. Both session backends
// keep one per open session and guard it with their own lock.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <vector>

#include "platform/session_layer.h"
#include "platform/session_wire.h"

namespace korva {

class SessionRoster {
public:
    // Messages beyond this many queued bytes: fast ones are dropped, and the
    // backend stops reading guaranteed ones until the program catches up.
    static constexpr size_t kMaxQueuedBytes = 64 * 1024 * 1024;

    SessionRoster(wire::PeerNumber self, wire::PeerNumber host);

    wire::PeerNumber self() const { return self_; }
    wire::PeerNumber host() const { return host_; }
    bool isHost() const { return host_ == self_; }
    wire::PeerNumber highestPeer() const { return highestPeer_; }
    // Peer numbers are never given out twice, whoever hosts.
    void notePeerNumber(wire::PeerNumber peer);

    // The other machines.
    const std::set<wire::PeerNumber>& peers() const { return peers_; }
    void addPeer(wire::PeerNumber peer);
    // A machine left (or stopped answering): its players are destroyed, each
    // announced, and when it hosted, the remaining machine with the lowest
    // number hosts, which every machine works out alike. True when that is
    // this machine (announced as well).
    bool removePeer(wire::PeerNumber peer);

    // Adds a player of this machine under the next id, unannounced; none
    // when the name is too long or the ids are used up.
    std::optional<PlayerDescription> addLocalPlayer(std::string_view name);
    // Adds a player; announce queues its creation for the program.
    void addPlayer(const PlayerDescription& player, bool announce);
    // Removes a player; announce queues its destruction. False when unknown.
    bool removePlayer(PlayerId player, bool announce);
    bool isKnown(PlayerId player) const { return players_.count(player) != 0; }
    bool isLocal(PlayerId player) const { return wire::peerOf(player) == self_ && isKnown(player); }
    // Every player, or this machine's only, in id order (machine by machine,
    // each in order of creation).
    std::vector<PlayerDescription> players() const;
    std::vector<PlayerDescription> localPlayers() const;
    size_t playerCount() const { return players_.size(); }

    // A user message for the program; guaranteed ones are always kept, fast
    // ones only while the queue has room. False when dropped.
    bool queueMessage(PlayerId from, PlayerId to, std::span<const uint8_t> data, bool guaranteed);
    void queueSessionLost();
    bool queueFull() const { return queuedBytes_ >= kMaxQueuedBytes; }
    bool queueEmpty() const { return queue_.empty(); }
    ReceiveResult receive(std::span<uint8_t> buffer, SessionMessage& message);

private:
    struct Queued {
        SessionMessage message;
        std::vector<uint8_t> data;
    };
    void queue(SessionMessage::Kind kind, PlayerId from, std::string name = {});

    wire::PeerNumber self_, host_, highestPeer_;
    uint16_t lastLocalPlayer_ = 0;
    std::set<wire::PeerNumber> peers_;
    std::map<PlayerId, std::string> players_;
    std::deque<Queued> queue_;
    size_t queuedBytes_ = 0;
};

}  // namespace korva
