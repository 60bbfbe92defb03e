// Multiplayer games over the session layer: hosting or joining one session at
// a time, local players, and messages between players. The module keeps its
// own table of the session's players and turns the layer's system messages
// into the events a program reads like messages: 100 a player joined, 101 a
// player left, 102 this machine hosts now, 200 the session was lost.
//
// Messages carry a header of their own in front of the text: the sender's
// id, the addressee's id (0: every player), both 32-bit little-endian, and
// the type's low byte, read back as a signed byte.
#include <chrono>
#include <cstdint>
#include <cstring>
#include <deque>
#include <memory>
#include <new>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/str_pool.h"
#include "network/setup_dialog.h"
#include "platform/platform_runtime.h"
#include "platform/session_layer.h"
#include "platform/socket.h"
#include "startup/declaration.h"
#include "startup/error.h"

namespace korva {
namespace {

constexpr size_t kHeaderBytes = 9;
constexpr size_t kFirstBufferBytes = 1024;
// Joining by name: how long the address gets to answer.
constexpr int32_t kJoinSearchMillis = 1000;

// RecvNetMsg of a program that waits for a message by asking in a loop.
constexpr auto kBusyAskGap = std::chrono::microseconds(200);
constexpr int kBusyAsks = 8;
constexpr int32_t kBusyWaitMillis = 1;

constexpr int32_t kPlayerJoined = 100;
constexpr int32_t kPlayerLeft = 101;
constexpr int32_t kBecameHost = 102;
constexpr int32_t kSessionLost = 200;

constexpr int32_t kJoined = 1;
constexpr int32_t kHosting = 2;

struct NetPlayer {
    PlayerId id;
    std::string name;
    bool remote;
};

struct CurrentMessage {
    int32_t type = 0;
    std::string data;
    int32_t from = -1;
    int32_t to = 0;
};

// Everything lives from module start to module stop.
struct MultiplayGame {
    std::unique_ptr<SessionLayer> layer = openSessionLayer();
    std::unique_ptr<Session> session;  // a game is started exactly while there is one
    bool host = false;
    std::vector<NetPlayer> players;  // in order of addition
    std::deque<PlayerId> joinQueue;  // remote players not yet reported as joined
    // Player id -> position in players; emptied by every change of the list,
    // rebuilt at the next lookup.
    std::unordered_map<PlayerId, size_t> index;
    CurrentMessage current;
    // Calls of RecvNetMsg that found nothing, each soon after the last.
    int emptyStreak = 0;
    std::chrono::steady_clock::time_point lastEmpty;
    std::vector<uint8_t> sendBuffer = std::vector<uint8_t>(kFirstBufferBytes);
    std::vector<uint8_t> receiveBuffer = std::vector<uint8_t>(kFirstBufferBytes);
};

MultiplayGame* game = nullptr;

void requireNoGame() {
    if (game->session) raiseRuntimeError("Multiplayer game already started");
}

void requireGame() {
    if (!game->session) raiseRuntimeError("Multiplayer game not started");
}

NetPlayer* findPlayer(PlayerId id) {
    if (game->index.empty()) {
        for (size_t i = 0; i < game->players.size(); ++i) game->index[game->players[i].id] = i;
    }
    const auto found = game->index.find(id);
    return found == game->index.end() ? nullptr : &game->players[found->second];
}

void addPlayer(NetPlayer player) {
    const bool remote = player.remote;
    const PlayerId id = player.id;
    game->players.push_back(std::move(player));
    game->index.clear();
    if (remote) game->joinQueue.push_back(id);
}

void removePlayer(PlayerId id) {
    std::erase_if(game->players, [&](const NetPlayer& player) { return player.id == id; });
    std::erase(game->joinQueue, id);
    game->index.clear();
}

void forgetPlayers() {
    game->players.clear();
    game->joinQueue.clear();
    game->index.clear();
}

void closeSession() {
    game->session.reset();
    game->host = false;
}

// Players of the session this program does not know yet join as remote ones,
// to be reported as joined. False when the layer cannot list them.
bool learnPlayers() {
    std::optional<std::vector<PlayerDescription>> all = game->session->players();
    if (!all) return false;
    for (PlayerDescription& player : *all) {
        if (findPlayer(player.id) == nullptr) addPlayer({player.id, std::move(player.name), true});
    }
    return true;
}

// After a session was opened with the result (0 failed, 1 joined, 2 hosting).
int32_t opened(int32_t result) {
    forgetPlayers();
    if (result == 0) return 0;
    if (!learnPlayers()) {
        closeSession();
        return 0;
    }
    game->host = result == kHosting;
    return result;
}

// The setup dialog's session (if it joined or created one) becomes the
// game's. When the program must end meanwhile, it ends once the dialog has
// let go of what it held.
int32_t cmdStartNetGame() {
    requireNoGame();
    idleOrEnd();
    if (game->session) raiseRuntimeError("Multiplay game already in progress");
    SetupDialogOutcome outcome = runSetupDialog(*game->layer);
    game->session = std::move(outcome.session);
    const bool inGame = outcome.result == kDialogJoined || outcome.result == kDialogHosting;
    if (!inGame) closeSession();
    if (outcome.programEnds) throwQyEx(nullptr);
    PlatformRuntime::postRequest(WindowEvent::Kind::runRequest);
    idleOrEnd();
    return opened(inGame ? outcome.result : 0);
}

int32_t cmdHostNetGame(qyStr* gameName) {
    requireNoGame();
    game->session = game->layer->host(strTake(gameName));
    return opened(game->session ? kHosting : 0);
}

// The first session of that name the address answers with is joined; only
// that one is tried.
std::unique_ptr<Session> joinByName(const std::string& name, const std::string& address) {
    const std::unique_ptr<SessionSearch> search = game->layer->search(address);
    if (!search) return nullptr;
    const Deadline deadline(kJoinSearchMillis);
    for (;;) {
        for (const SessionDescription& session : search->found()) {
            if (session.name == name) return game->layer->join(session);
        }
        if (search->complete() || deadline.remaining() == 0) return nullptr;
        search->wait(deadline.remaining());
    }
}

int32_t cmdJoinNetGame(qyStr* gameName, qyStr* ipAddress) {
    requireNoGame();
    const std::string name = strTake(gameName), address = strTake(ipAddress);
    game->session = joinByName(name, address);
    return opened(game->session ? kJoined : 0);
}

void cmdStopNetGame() {
    closeSession();
    forgetPlayers();
}

// The first local player also learns who else is there.
int32_t cmdCreateNetPlayer(qyStr* name) {
    requireGame();
    std::string text = strTake(name);
    const PlayerId id = game->session->createPlayer(text);
    if (id == 0) return 0;
    addPlayer({id, std::move(text), false});
    if (game->players.size() == 1 && !learnPlayers()) {
        game->session->destroyPlayer(id);
        removePlayer(id);
        return 0;
    }
    return static_cast<int32_t>(id);
}

void cmdDeleteNetPlayer(int32_t player) {
    requireGame();
    const PlayerId id = static_cast<PlayerId>(player);
    if (findPlayer(id) == nullptr) return;
    game->session->destroyPlayer(id);
    removePlayer(id);
}

qyStr* cmdNetPlayerName(int32_t player) {
    if (player == 0) return strFromText("<all>");
    const NetPlayer* found = findPlayer(static_cast<PlayerId>(player));
    return found != nullptr ? strFromBytes(found->name.data(), found->name.size()) : strFromText("<unknown>");
}

int32_t cmdNetPlayerLocal(int32_t player) {
    const NetPlayer* found = findPlayer(static_cast<PlayerId>(player));
    return found != nullptr && !found->remote;
}

void putLittleEndian(uint8_t* at, int32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * i));
}

int32_t littleEndianAt(const uint8_t* at) {
    return static_cast<int32_t>(at[0] | at[1] << 8 | at[2] << 16 | static_cast<uint32_t>(at[3]) << 24);
}

int32_t cmdSendNetMsg(int32_t type, qyStr* msg, int32_t fromPlayer, int32_t toPlayer, int32_t reliable) {
    requireGame();
    const size_t length = strLength(msg);
    const size_t n = length + kHeaderBytes;
    if (n > game->sendBuffer.size()) game->sendBuffer = std::vector<uint8_t>(n + n / 2);
    uint8_t* bytes = game->sendBuffer.data();
    putLittleEndian(bytes, fromPlayer);
    putLittleEndian(bytes + 4, toPlayer);
    bytes[8] = static_cast<uint8_t>(type);
    if (length != 0) std::memcpy(bytes + kHeaderBytes, strText(msg), length);
    strRelease(msg);
    return game->session->send(static_cast<PlayerId>(fromPlayer), static_cast<PlayerId>(toPlayer),
                               std::span(game->sendBuffer).first(n), reliable != 0);
}

// The next message into the receive buffer, which grows by half again what
// a message needs when it does not fit.
ReceiveResult receiveNext(SessionMessage& message) {
    const ReceiveResult result = game->session->receive(game->receiveBuffer, message);
    if (result != ReceiveResult::bufferTooSmall) return result;
    game->receiveBuffer = std::vector<uint8_t>(message.size + message.size / 2);
    return game->session->receive(game->receiveBuffer, message);
}

// A user message from a player of another program becomes the current one;
// what this program's own players sent is not delivered back to it, and a
// message of type 0 (or too short for the header) is no message at all.
void takeUserMessage(const SessionMessage& message) {
    if (message.size < kHeaderBytes) return;
    const uint8_t* bytes = game->receiveBuffer.data();
    const int32_t from = littleEndianAt(bytes);
    const NetPlayer* sender = findPlayer(static_cast<PlayerId>(from));
    const int32_t type = static_cast<int8_t>(bytes[8]);
    if ((sender != nullptr && !sender->remote) || type == 0) return;
    CurrentMessage& current = game->current;
    current.type = type;
    current.from = from;
    current.to = littleEndianAt(bytes + 4);
    current.data.assign(reinterpret_cast<const char*>(bytes + kHeaderBytes), message.size - kHeaderBytes);
}

// A program that asks again and again while nothing arrives is waiting for a
// message. After a few such asks in quick succession, RecvNetMsg waits for
// one up to a millisecond: the system then wakes the program the moment one
// comes, instead of when the busy program next gets its turn. A game that
// takes its messages once a frame never waits.
bool busyWaiting() {
    const auto now = std::chrono::steady_clock::now();
    game->emptyStreak = now - game->lastEmpty < kBusyAskGap ? game->emptyStreak + 1 : 0;
    game->lastEmpty = now;
    return game->emptyStreak >= kBusyAsks;
}

int32_t cmdRecvNetMsg() {
    requireGame();
    CurrentMessage& current = game->current;
    current = CurrentMessage();
    bool waited = false;
    for (;;) {
        if (current.type != 0) return 1;
        if (!game->joinQueue.empty()) {
            current.from = static_cast<int32_t>(game->joinQueue.front());
            current.type = kPlayerJoined;
            game->joinQueue.pop_front();
            return 1;
        }
        SessionMessage message;
        if (receiveNext(message) != ReceiveResult::received) {
            if (waited || !busyWaiting() || !game->session->wait(kBusyWaitMillis)) return 0;
            waited = true;
            continue;
        }
        switch (message.kind) {
            case SessionMessage::Kind::user: takeUserMessage(message); break;
            case SessionMessage::Kind::playerCreated:
                if (findPlayer(message.from) == nullptr) addPlayer({message.from, std::move(message.name), true});
                break;
            case SessionMessage::Kind::playerDestroyed:
                if (findPlayer(message.from) != nullptr) {
                    removePlayer(message.from);
                    current.from = static_cast<int32_t>(message.from);
                    current.type = kPlayerLeft;
                }
                break;
            case SessionMessage::Kind::sessionLost: current.type = kSessionLost; return 1;
            case SessionMessage::Kind::becameHost:
                if (!game->host) {
                    game->host = true;
                    current.type = kBecameHost;
                }
                break;
        }
    }
}

int32_t cmdNetMsgType() { return game->current.type; }
int32_t cmdNetMsgFrom() { return game->current.from; }
int32_t cmdNetMsgTo() { return game->current.to; }
qyStr* cmdNetMsgData() { return strFromBytes(game->current.data.data(), game->current.data.size()); }

const Declaration kMultiplayDeclarations[] = {
    {"%StartNetGame", routine<cmdStartNetGame>},
    {"%HostNetGame$game_name", routine<cmdHostNetGame>},
    {"%JoinNetGame$game_name$ip_address", routine<cmdJoinNetGame>},
    {"StopNetGame", routine<cmdStopNetGame>},
    {"%CreateNetPlayer$name", routine<cmdCreateNetPlayer>},
    {"DeleteNetPlayer%player", routine<cmdDeleteNetPlayer>},
    {"$NetPlayerName%player", routine<cmdNetPlayerName>},
    {"%NetPlayerLocal%player", routine<cmdNetPlayerLocal>},
    {"%SendNetMsg%type$msg%from_player%to_player=0%reliable=1", routine<cmdSendNetMsg>},
    {"%RecvNetMsg", routine<cmdRecvNetMsg>},
    {"%NetMsgType", routine<cmdNetMsgType>},
    {"%NetMsgFrom", routine<cmdNetMsgFrom>},
    {"%NetMsgTo", routine<cmdNetMsgTo>},
    {"$NetMsgData", routine<cmdNetMsgData>},
};

bool multiplayCreate() {
    try {
        game = new MultiplayGame();
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

// Leaves the session, if any, and frees the players and both buffers.
void multiplayDestroy() {
    delete game;
    game = nullptr;
}

}  // namespace

extern const ModuleDefinition multiplayModule{"multiplay", kMultiplayDeclarations, multiplayCreate, multiplayDestroy};

}  // namespace korva
