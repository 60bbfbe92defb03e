// Peer-to-peer game sessions: one machine hosts a named session, others find
// it at an address and join it; every machine creates players of its own and
// sends messages from them to one player or to all, guaranteed (in order) or
// fast (perhaps lost). Machines that join, leave or vanish, and a new host
// when the host leaves, arrive as system messages among the players' own.
//
// The multiplayer commands are the only caller, on the program's thread. The
// network backend (net_session.cpp) runs over TCP and UDP and keeps a thread
// of its own per session for what must happen while the program is busy
// elsewhere (answering searches, admitting joiners, keep-alives); the
// loopback backend (loopback_session.cpp) joins sessions of one process in
// memory, for tests. openSessionLayer() picks one.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace korva {

// A player of a session. Ids are never 0 and stay unique for the session's
// life; 0 addresses every player.
using PlayerId = uint32_t;
constexpr PlayerId kAllPlayers = 0;

// Longest session or player name, in bytes; longer ones are refused.
constexpr size_t kMaxSessionNameBytes = 4096;
// Largest message a player can send; larger ones are refused.
constexpr size_t kMaxSessionMessageBytes = 16 * 1024 * 1024;

// The TCP and UDP port a host listens on; JoinNetGame's address names only
// the machine. The environment variable KORVA_SESSION_PORT overrides it
// (tests run several sessions side by side).
constexpr uint16_t kDefaultSessionPort = 24650;
// A peer that sends nothing at all for this long is taken to be gone; the
// environment variable KORVA_SESSION_TIMEOUT (milliseconds) overrides it.
constexpr int32_t kDefaultSessionTimeoutMillis = 10000;

// A session as a search found it.
struct SessionDescription {
    std::array<uint8_t, 16> instance{};  // tells sessions of the same name apart
    std::string name;
    uint32_t maxPlayers = 0;  // 0: no limit
    uint32_t currentPlayers = 0;
    uint32_t user1 = 0, user2 = 0;
    // Where the host can be reached (network backend: IPv4 address and port
    // in host order).
    uint32_t hostIp = 0;
    uint16_t hostPort = 0;
};

struct PlayerDescription {
    PlayerId id;
    std::string name;
};

// What receive() took from the queue.
struct SessionMessage {
    enum class Kind {
        user,             // data from a player: from, to (0: every player), size bytes
        playerCreated,    // a player of another machine: from, name
        playerDestroyed,  // a player that left, or whose machine left: from
        becameHost,       // this machine hosts the session now
        sessionLost,      // every other machine stopped answering
    };
    Kind kind = Kind::user;
    PlayerId from = 0, to = 0;
    std::string name;
    size_t size = 0;  // user: the data's length; with bufferTooSmall the room it needs
};

enum class ReceiveResult { received, nothingWaiting, bufferTooSmall };

// One open session, hosted or joined. Destroying it leaves the session: the
// other machines see this machine's players destroyed. Program thread only.
class Session {
public:
    virtual ~Session() = default;

    // A new player of this machine, announced to the others; 0 when it cannot
    // be made (name too long, ids used up, session lost).
    virtual PlayerId createPlayer(std::string_view name) = 0;
    // Destroys a player of this machine; false for any other id.
    virtual bool destroyPlayer(PlayerId player) = 0;
    // Every player of the session, this machine's included, in order of
    // creation per machine; none when the session is lost.
    virtual std::optional<std::vector<PlayerDescription>> players() = 0;
    // From a player of this machine to one player or to all (kAllPlayers:
    // every other machine gets one copy). A message to a player of this
    // machine is accepted and not delivered. False when the sender is not
    // this machine's, the addressee is unknown, the message is too large, or
    // the session is lost. Fast messages too large for a datagram travel
    // guaranteed.
    virtual bool send(PlayerId from, PlayerId to, std::span<const uint8_t> data, bool guaranteed) = 0;
    // Takes the next message, never waiting. A user message that does not fit
    // the buffer stays first in the queue: the result is bufferTooSmall and
    // message.size the room it needs.
    virtual ReceiveResult receive(std::span<uint8_t> buffer, SessionMessage& message) = 0;
    // Waits up to the time for a message to be waiting (a thread that serves
    // a session and has nothing else to do); true when one is.
    virtual bool wait(int32_t millis) = 0;
};

// Looks for sessions at one address while it lives, asking again now and
// then; found() never waits.
class SessionSearch {
public:
    virtual ~SessionSearch() = default;
    // The sessions that answered recently, in order of their first answer.
    virtual std::vector<SessionDescription> found() = 0;
    // True once the address is known to have answered everything it will
    // (one host per machine): a caller waiting for a name can stop.
    virtual bool complete() = 0;
    // Waits up to the time for an answer to arrive.
    virtual void wait(int32_t millis) = 0;
};

class SessionLayer {
public:
    virtual ~SessionLayer() = default;

    // The connection's name as the setup dialog lists it.
    virtual const char* connectionName() const = 0;
    // Hosts a new session of that name; null on failure (name too long, the
    // port taken by another host on this machine).
    virtual std::unique_ptr<Session> host(std::string_view name) = 0;
    // Starts a search at the address: a host name or dotted IP; the empty text
    // asks every machine on the local network. Null when the address cannot
    // be resolved.
    virtual std::unique_ptr<SessionSearch> search(std::string_view address) = 0;
    // Joins a session a search found; null when it cannot be joined.
    virtual std::unique_ptr<Session> join(const SessionDescription& session) = 0;
};

// The network layer, or the loopback one when the environment variable
// KORVA_SESSION_LAYER is "loopback". Null when it cannot be made.
std::unique_ptr<SessionLayer> openSessionLayer();
std::unique_ptr<SessionLayer> openNetSessionLayer();
std::unique_ptr<SessionLayer> openLoopbackSessionLayer();

// The port and keep-alive time-out in effect (defaults or environment).
uint16_t sessionPort();
int32_t sessionTimeoutMillis();

}  // namespace korva
