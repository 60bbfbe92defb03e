// The network session layer: every machine of a session holds a TCP
// connection to every other (guaranteed messages, players, keep-alives) and a
// UDP socket for fast messages; the host also listens at the session port
// for searches (UDP) and joiners (TCP). A joiner connects to the host, which
// gives it a peer number and the other members' addresses, then introduces
// itself to each member with a hello carrying the session's token.
//
// A thread per session answers searches, admits joiners and members, reads
// the members' connections, flushes what waits to be sent, sends keep-alives
// and drops machines that have been silent for the time-out. The program's
// thread sends directly and, when it asks for messages, takes the fast ones
// from the UDP socket itself; while it does so regularly the thread leaves
// that socket alone, so a fast message costs no thread switch. One lock
// guards it all. Sockets that the program's thread gives up are
// closed by the thread, between two waits, so that a wait never watches a
// reused descriptor.
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/random.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <new>
#include <thread>
#include <utility>

#include "platform/clock.h"
#include "platform/host_addresses.h"
#include "platform/peer_link.h"
#include "platform/session_layer.h"
#include "platform/session_roster.h"
#include "platform/session_wire.h"
#include "platform/socket.h"

namespace korva {
namespace {

using wire::FrameKind;
using wire::PeerNumber;

constexpr int32_t kConnectMillis = 3000;  // joining: each connection and answer
constexpr int32_t kHandshakeMillis = 3000;  // an accepted connection must introduce itself within this
constexpr size_t kMaxHandshakes = 16;  // connections waiting to introduce themselves
constexpr size_t kMaxHandshakeFrameBytes = 256;
constexpr int32_t kLeaveFlushMillis = 2000;  // leaving: time for what waits to be sent
constexpr int32_t kProgramActiveMillis = 20;  // the program read the sockets this recently: leave UDP to it
constexpr int32_t kSearchRepeatMillis = 250;
constexpr int32_t kSearchForgetMillis = 3000;
constexpr int kListenBacklog = 16;
constexpr int kDatagramsPerService = 64;

bool elapsed(uint32_t since, int32_t millis) { return static_cast<int32_t>(milliClock() - since) >= millis; }

int32_t environmentNumber(const char* name, int32_t fallback, int32_t low, int32_t high) {
    const char* text = std::getenv(name);
    if (text == nullptr || *text == '\0') return fallback;
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    return (*end == '\0' && value >= low && value <= high) ? static_cast<int32_t>(value) : fallback;
}

template <class Value>
Value randomValue() {
    Value value{};
    if (getrandom(&value, sizeof value, 0) != static_cast<ssize_t>(sizeof value)) value = Value(milliClock());
    return value;
}

std::array<uint8_t, 16> randomInstance() {
    std::array<uint8_t, 16> instance{};
    if (getrandom(instance.data(), instance.size(), 0) != static_cast<ssize_t>(instance.size()))
        for (size_t i = 0; i < instance.size(); ++i) instance[i] = static_cast<uint8_t>(milliClock() >> (i % 4 * 8));
    return instance;
}

int openUdp(uint16_t port) {
    const int socket = openSocket(SOCK_DGRAM);
    if (socket >= 0 && bindToAllInterfaces(socket, port)) return socket;
    if (socket >= 0) close(socket);
    return -1;
}

int openListener(uint16_t port) {
    const int socket = openSocket(SOCK_STREAM);
    if (socket >= 0 && listenReusingAddress(socket, port, kListenBacklog)) return socket;
    if (socket >= 0) close(socket);
    return -1;
}

// A descriptor owned by the session; -1 is none.
class Descriptor {
public:
    Descriptor() = default;
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() { reset(); }
    Descriptor(Descriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Descriptor& operator=(Descriptor&& other) noexcept {
        reset();
        fd_ = std::exchange(other.fd_, -1);
        return *this;
    }
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    void reset() {
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
    }

private:
    int fd_ = -1;
};

bool sendDatagram(int socket, Ipv4Endpoint to, std::span<const uint8_t> head, std::span<const uint8_t> data) {
    sockaddr_in address = socketAddressOf(to);
    iovec parts[2] = {{const_cast<uint8_t*>(head.data()), head.size()},
                      {const_cast<uint8_t*>(data.data()), data.size()}};
    msghdr message{};
    message.msg_name = &address;
    message.msg_namelen = sizeof address;
    message.msg_iov = parts;
    message.msg_iovlen = data.empty() ? 1 : 2;
    // A full socket buffer loses a fast message, as the network may.
    return sendmsg(socket, &message, MSG_DONTWAIT | MSG_NOSIGNAL) >= 0 || errno == EAGAIN || errno == ENOBUFS;
}

// Receives one datagram without waiting; its length, or -1 when none.
ssize_t receiveDatagram(int socket, std::vector<uint8_t>& buffer, Ipv4Endpoint& from) {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    const ssize_t got =
        recvfrom(socket, buffer.data(), buffer.size(), MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&address), &length);
    if (got >= 0) from = endpointOf(address);
    return got;
}

// What a player list from another machine must hold: that machine's players.
bool ownedBy(const std::vector<PlayerDescription>& players, PeerNumber peer) {
    return std::all_of(players.begin(), players.end(), [&](const PlayerDescription& player) {
        return wire::peerOf(player.id) == peer && (player.id & 0xFFFF) != 0;
    });
}

bool validPeerNumber(PeerNumber peer) { return peer != 0 && peer <= wire::kLastPeerNumber; }

bool isLoopback(uint32_t ip) { return ip >> 24 == 127; }

class NetSession final : public Session {
public:
    static std::unique_ptr<Session> host(std::string_view name);
    static std::unique_ptr<Session> join(const SessionDescription& session);
    ~NetSession() override;

    PlayerId createPlayer(std::string_view name) override;
    bool destroyPlayer(PlayerId player) override;
    std::optional<std::vector<PlayerDescription>> players() override;
    bool send(PlayerId from, PlayerId to, std::span<const uint8_t> data, bool guaranteed) override;
    ReceiveResult receive(std::span<uint8_t> buffer, SessionMessage& message) override;
    bool wait(int32_t millis) override;

private:
    // Another machine of the session.
    struct Member {
        std::unique_ptr<PeerLink> link;
        PeerNumber peer = 0;
        uint16_t meshPort = 0, udpPort = 0;
        bool gone = false;
    };
    // An accepted connection that has not introduced itself yet.
    struct Handshake {
        std::unique_ptr<PeerLink> link;
        bool atSessionPort;  // joiners come there, members to the mesh port
        uint32_t since;
        bool done = false;  // admitted (the link has moved on) or refused
    };
    // What one entry of a wait watches.
    struct Watched {
        enum class Kind { wake, sessionListener, meshListener, searchSocket, udpSocket, member, handshake } kind;
        Member* member = nullptr;
        Handshake* handshake = nullptr;
    };

    NetSession();
    bool openOwnPorts();
    bool openHostPorts();
    void startThread();
    void run();
    void turn(std::unique_lock<std::mutex>& lock);
    void tick();
    void pump();
    void watch(bool fast);
    void service(std::span<const pollfd> fds, std::span<const Watched> watched);
    void wake();

    void acceptFrom(int listener, bool atSessionPort);
    void serviceHandshake(Handshake& handshake);
    void admitJoiner(Handshake& handshake, const std::optional<wire::JoinRequest>& request);
    void admitMember(Handshake& handshake, const std::optional<wire::Hello>& hello);
    void refuse(Handshake& handshake);
    Member& enter(std::unique_ptr<PeerLink> link, PeerNumber peer, uint16_t meshPort, uint16_t udpPort);
    void serviceMember(Member& member);
    void readFrames(Member& member, PeerLink::Input state);
    bool handleFrame(Member& member, const PeerLink::Frame& frame);
    void leaveMember(Member& member);
    void loseSession();
    void answerSearches();
    void receiveDatagrams();

    bool sendFrame(Member& member, std::span<const uint8_t> head, std::span<const uint8_t> data = {});
    void broadcastFrame(std::span<const uint8_t> frame);
    Member* memberOf(PeerNumber peer);
    std::vector<Member*> memberList() const;
    std::vector<wire::PeerAddress> memberAddresses() const;
    bool programActive() const { return !elapsed(lastPump_, kProgramActiveMillis); }
    int32_t keepAliveMillis() const { return std::max(timeoutMillis_ / 5, 10); }

    std::mutex mutex_;
    SessionRoster roster_{1, 1};
    std::array<uint8_t, 16> instance_{};
    std::string name_;
    uint64_t token_ = 0;
    // Read once: the program may change the environment while the thread runs.
    int32_t timeoutMillis_ = sessionTimeoutMillis();
    uint16_t port_ = sessionPort();
    bool lost_ = false;

    Descriptor udp_, meshListener_, sessionListener_, searchSocket_;
    uint16_t udpPort_ = 0, meshPort_ = 0;
    std::vector<std::unique_ptr<Member>> members_;
    std::vector<std::unique_ptr<Handshake>> handshakes_;
    // Members given up, closed by the thread between two waits (handshakes
    // are the thread's alone).
    std::vector<std::unique_ptr<Member>> goneMembers_;

    Descriptor wakeRead_, wakeWrite_;
    // The thread tells a program waiting for messages that it queued some.
    Descriptor arrivalRead_, arrivalWrite_;
    bool programWaiting_ = false;
    std::thread thread_;
    bool stopping_ = false;
    uint32_t lastTick_ = milliClock();
    uint32_t lastPump_ = milliClock() - kProgramActiveMillis;

    std::vector<pollfd> threadFds_;
    std::vector<Watched> threadWatched_;
    std::vector<uint8_t> datagram_ = std::vector<uint8_t>(wire::kMaxDatagramBytes + 1);
    std::vector<uint8_t> head_;
};

NetSession::NetSession() = default;

bool openPipe(Descriptor& readEnd, Descriptor& writeEnd) {
    int ends[2];
    if (pipe2(ends, O_NONBLOCK | O_CLOEXEC) != 0) return false;
    readEnd = Descriptor(ends[0]);
    writeEnd = Descriptor(ends[1]);
    return true;
}

void signal(const Descriptor& writeEnd) {
    const uint8_t byte = 0;
    [[maybe_unused]] const ssize_t written = write(writeEnd.get(), &byte, 1);
}

void drainPipe(const Descriptor& readEnd) {
    uint8_t drained[64];
    while (read(readEnd.get(), drained, sizeof drained) > 0) {
    }
}

bool NetSession::openOwnPorts() {
    if (!openPipe(wakeRead_, wakeWrite_) || !openPipe(arrivalRead_, arrivalWrite_)) return false;
    udp_ = Descriptor(openUdp(0));
    meshListener_ = Descriptor(openListener(0));
    if (!udp_.valid() || !meshListener_.valid()) return false;
    udpPort_ = localEndpoint(udp_.get()).port;
    meshPort_ = localEndpoint(meshListener_.get()).port;
    return true;
}

// The session port: TCP for joiners, UDP for searches. The TCP listener comes
// first, so that a second host on this machine fails before it could share
// the UDP port.
bool NetSession::openHostPorts() {
    sessionListener_ = Descriptor(openListener(port_));
    if (sessionListener_.valid()) searchSocket_ = Descriptor(openUdp(port_));
    if (searchSocket_.valid()) return true;
    sessionListener_.reset();
    return false;
}

std::unique_ptr<Session> NetSession::host(std::string_view name) {
    if (name.size() > kMaxSessionNameBytes) return nullptr;
    std::unique_ptr<NetSession> session(new NetSession());
    session->name_ = name;
    session->instance_ = randomInstance();
    session->token_ = randomValue<uint64_t>();
    if (!session->openOwnPorts() || !session->openHostPorts()) return nullptr;
    session->startThread();
    return session;
}

// Joining happens on the program's thread before the session's own thread
// starts: connect to the host, then to every member it names.
std::unique_ptr<Session> NetSession::join(const SessionDescription& description) {
    std::unique_ptr<NetSession> session(new NetSession());
    if (!session->openOwnPorts()) return nullptr;
    const int hostSocket = openSocket(SOCK_STREAM);
    if (hostSocket < 0) return nullptr;
    if (!connectWithin(hostSocket, {description.hostIp, description.hostPort}, kConnectMillis)) {
        close(hostSocket);
        return nullptr;
    }
    auto hostLink = std::make_unique<PeerLink>(hostSocket);
    std::vector<uint8_t> frame;
    wire::frameJoin(frame, {description.instance, session->meshPort_, session->udpPort_});
    hostLink->send(frame);
    hostLink->flushWithin(kConnectMillis);
    const std::optional<PeerLink::Frame> answer = hostLink->awaitFrame(kConnectMillis);
    if (!answer || answer->kind != static_cast<uint8_t>(FrameKind::joinAccepted)) return nullptr;
    const std::optional<wire::JoinAccepted> accepted = wire::readJoinAccepted(answer->body);
    if (!accepted || !validPeerNumber(accepted->yourPeer) || !validPeerNumber(accepted->hostPeer) ||
        accepted->yourPeer == accepted->hostPeer || !ownedBy(accepted->players, accepted->hostPeer))
        return nullptr;

    session->roster_ = SessionRoster(accepted->yourPeer, accepted->hostPeer);
    session->roster_.notePeerNumber(std::min(accepted->highestPeer, wire::kLastPeerNumber));
    session->token_ = accepted->token;
    session->instance_ = description.instance;
    session->name_ = description.name;
    const uint32_t hostIp = hostLink->remote().ip;
    session->enter(std::move(hostLink), accepted->hostPeer, accepted->hostMeshPort, accepted->hostUdpPort);
    for (const PlayerDescription& player : accepted->players) session->roster_.addPlayer(player, false);

    const wire::Hello hello{session->token_, accepted->yourPeer, session->roster_.highestPeer(), session->meshPort_,
                            session->udpPort_};
    for (const wire::PeerAddress& address : accepted->peers) {
        if (!validPeerNumber(address.peer) || address.peer == accepted->yourPeer || session->memberOf(address.peer))
            return nullptr;
        // The host names members on its own machine by loopback; from here
        // they are at the host's address.
        const uint32_t ip = isLoopback(address.ip) ? hostIp : address.ip;
        const int socket = openSocket(SOCK_STREAM);
        if (socket < 0) return nullptr;
        if (!connectWithin(socket, {ip, address.meshPort}, kConnectMillis)) {
            close(socket);
            return nullptr;
        }
        auto link = std::make_unique<PeerLink>(socket);
        frame.clear();
        wire::frameHello(frame, hello);
        link->send(frame);
        link->flushWithin(kConnectMillis);
        const std::optional<PeerLink::Frame> welcome = link->awaitFrame(kConnectMillis);
        if (!welcome || welcome->kind != static_cast<uint8_t>(FrameKind::helloAccepted)) return nullptr;
        const std::optional<std::vector<PlayerDescription>> players = wire::readPlayers(welcome->body);
        if (!players || !ownedBy(*players, address.peer)) return nullptr;
        session->enter(std::move(link), address.peer, address.meshPort, address.udpPort);
        for (const PlayerDescription& player : *players) session->roster_.addPlayer(player, false);
    }
    // Frames that came after the answers are the session's first news.
    for (Member* member : session->memberList()) {
        if (!member->gone) session->readFrames(*member, PeerLink::Input::open);
    }
    session->startThread();
    return session;
}

// The thread takes no signals: they belong to the program's thread.
void NetSession::startThread() {
    sigset_t all, previous;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &previous);
    thread_ = std::thread([this] { run(); });
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

// Leaving: every member is told, and what waits to be sent gets a little
// time to go.
NetSession::~NetSession() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        std::vector<uint8_t> leave;
        wire::frameEmpty(leave, FrameKind::leave);
        for (const auto& member : members_) member->link->send(leave);
    }
    if (thread_.joinable()) {
        wake();
        thread_.join();
    }
    const Deadline deadline(kLeaveFlushMillis);
    for (const auto& member : members_) member->link->flushWithin(deadline.remaining());
}

void NetSession::wake() { signal(wakeWrite_); }

// Memory running out stops nothing: what could not be taken is taken at a
// later turn, when there may be room again.
void NetSession::run() {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        try {
            turn(lock);
        } catch (const std::bad_alloc&) {
        }
    }
}

// One wait and what it found; the lock is held on entry and on return.
void NetSession::turn(std::unique_lock<std::mutex>& lock) {
    goneMembers_.clear();
    const bool fast = !programActive();
    watch(fast);
    const int32_t untilTick = std::max(keepAliveMillis() - static_cast<int32_t>(milliClock() - lastTick_), 0);
    const int32_t wait = fast ? untilTick : std::min(untilTick, kProgramActiveMillis);
    lock.unlock();
    const int ready = poll(threadFds_.data(), threadFds_.size(), wait);
    lock.lock();
    if (stopping_) return;
    if (ready > 0) service(threadFds_, threadWatched_);
    if (elapsed(lastTick_, keepAliveMillis())) tick();
    if (programWaiting_ && !roster_.queueEmpty()) signal(arrivalWrite_);
}

// The wake pipe, the listeners, the search socket, handshakes, and the
// members' connections: read as soon as something arrives, while the queue
// has room, so that what comes from different machines keeps the order in
// which it came; watched for room when bytes wait to go. The UDP socket
// (fast messages, in no particular order anyway) only while the program
// does not read it.
void NetSession::watch(bool fast) {
    threadFds_.clear();
    threadWatched_.clear();
    auto add = [&](int fd, short events, Watched what) {
        if (fd < 0 || events == 0) return;
        threadFds_.push_back({fd, events, 0});
        threadWatched_.push_back(what);
    };
    using Kind = Watched::Kind;
    add(wakeRead_.get(), POLLIN, {Kind::wake});
    add(sessionListener_.get(), POLLIN, {Kind::sessionListener});
    add(meshListener_.get(), POLLIN, {Kind::meshListener});
    add(searchSocket_.get(), POLLIN, {Kind::searchSocket});
    for (const auto& handshake : handshakes_) add(handshake->link->socket(), POLLIN, {Kind::handshake, nullptr, handshake.get()});
    if (fast) add(udp_.get(), POLLIN, {Kind::udpSocket});
    const short reading = roster_.queueFull() ? 0 : POLLIN;
    for (const auto& member : members_) {
        const short events = reading | (member->link->hasWaitingBytes() ? POLLOUT : 0);
        add(member->link->socket(), events, {Kind::member, member.get()});
    }
}

void NetSession::service(std::span<const pollfd> fds, std::span<const Watched> watched) {
    using Kind = Watched::Kind;
    for (size_t i = 0; i < fds.size(); ++i) {
        const short events = fds[i].revents;
        if (events == 0) continue;
        const Watched& what = watched[i];
        switch (what.kind) {
            case Kind::wake: drainPipe(wakeRead_); break;
            case Kind::sessionListener: acceptFrom(sessionListener_.get(), true); break;
            case Kind::meshListener: acceptFrom(meshListener_.get(), false); break;
            case Kind::searchSocket: answerSearches(); break;
            case Kind::udpSocket: receiveDatagrams(); break;
            case Kind::handshake:
                serviceHandshake(*what.handshake);
                break;
            case Kind::member:
                if (what.member->gone) break;
                if ((events & POLLOUT) != 0 && !what.member->link->flush()) {
                    leaveMember(*what.member);
                    break;
                }
                if ((events & ~POLLOUT) != 0) serviceMember(*what.member);
                break;
        }
    }
}

// The program's thread takes the fast messages that have arrived itself.
void NetSession::pump() {
    lastPump_ = milliClock();
    receiveDatagrams();
}

// Keep-alives go on connections that have been quiet; members silent for the
// whole time-out are dropped. When that is every member and this machine does
// not host, it is the one that lost the network: the session is lost. A host
// keeps its session, alone if need be.
void NetSession::tick() {
    lastTick_ = milliClock();
    std::erase_if(handshakes_, [](const auto& handshake) { return elapsed(handshake->since, kHandshakeMillis); });
    if (lost_) return;
    if (roster_.isHost() && !sessionListener_.valid()) openHostPorts();
    const std::vector<Member*> members = memberList();
    std::vector<Member*> silent;
    for (Member* member : members) {
        if (elapsed(member->link->lastHeard(), timeoutMillis_)) silent.push_back(member);
    }
    if (!roster_.queueFull() && !silent.empty()) {
        if (silent.size() == members.size() && !roster_.isHost()) {
            loseSession();
            return;
        }
        for (Member* member : silent) leaveMember(*member);
    }
    std::vector<uint8_t> keepAlive;
    wire::frameEmpty(keepAlive, FrameKind::keepAlive);
    for (Member* member : memberList()) {
        if (elapsed(member->link->lastSent(), keepAliveMillis())) sendFrame(*member, keepAlive);
    }
}

void NetSession::acceptFrom(int listener, bool atSessionPort) {
    const int socket = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (socket < 0) return;
    if (handshakes_.size() >= kMaxHandshakes || lost_) {
        close(socket);
        return;
    }
    auto handshake = std::make_unique<Handshake>();
    handshake->link = std::make_unique<PeerLink>(socket);
    handshake->atSessionPort = atSessionPort;
    handshake->since = milliClock();
    handshakes_.push_back(std::move(handshake));
}

// The first frame decides: a joiner at the session port, a member at the
// mesh port. Anything else ends the connection without a word.
void NetSession::serviceHandshake(Handshake& handshake) {
    PeerLink::Input state = handshake.link->receive();
    const std::optional<PeerLink::Frame> frame = handshake.link->nextFrame(state, kMaxHandshakeFrameBytes);
    if (frame && handshake.atSessionPort && frame->kind == static_cast<uint8_t>(FrameKind::join)) {
        admitJoiner(handshake, wire::readJoin(frame->body));
    } else if (frame && !handshake.atSessionPort && frame->kind == static_cast<uint8_t>(FrameKind::hello)) {
        admitMember(handshake, wire::readHello(frame->body));
    } else if (frame || state != PeerLink::Input::open) {
        handshake.done = true;
    }
    if (handshake.done) std::erase_if(handshakes_, [&](const auto& entry) { return entry.get() == &handshake; });
}

void NetSession::refuse(Handshake& handshake) {
    std::vector<uint8_t> frame;
    wire::frameEmpty(frame, FrameKind::joinRefused);
    handshake.link->send(frame);
    handshake.done = true;
}

void NetSession::admitJoiner(Handshake& handshake, const std::optional<wire::JoinRequest>& request) {
    if (!request || request->instance != instance_ || !roster_.isHost() || lost_ ||
        roster_.highestPeer() >= wire::kLastPeerNumber) {
        refuse(handshake);
        return;
    }
    wire::JoinAccepted accepted;
    accepted.token = token_;
    accepted.yourPeer = static_cast<PeerNumber>(roster_.highestPeer() + 1);
    accepted.hostPeer = roster_.self();
    accepted.highestPeer = accepted.yourPeer;
    accepted.hostMeshPort = meshPort_;
    accepted.hostUdpPort = udpPort_;
    accepted.peers = memberAddresses();
    accepted.players = roster_.localPlayers();
    std::vector<uint8_t> frame;
    wire::frameJoinAccepted(frame, accepted);
    if (frame.size() > wire::kMaxFrameBytes) {
        refuse(handshake);
        return;
    }
    handshake.done = true;
    Member& member = enter(std::move(handshake.link), accepted.yourPeer, request->meshPort, request->udpPort);
    if (sendFrame(member, frame)) readFrames(member, PeerLink::Input::open);
}

void NetSession::admitMember(Handshake& handshake, const std::optional<wire::Hello>& hello) {
    if (!hello || hello->token != token_ || lost_ || !validPeerNumber(hello->peer) || hello->peer == roster_.self() ||
        memberOf(hello->peer) != nullptr) {
        handshake.done = true;
        return;
    }
    std::vector<uint8_t> frame;
    wire::framePlayers(frame, FrameKind::helloAccepted, roster_.localPlayers());
    handshake.done = true;
    Member& member = enter(std::move(handshake.link), hello->peer, hello->meshPort, hello->udpPort);
    if (hello->highestPeer <= wire::kLastPeerNumber) roster_.notePeerNumber(hello->highestPeer);
    if (sendFrame(member, frame)) readFrames(member, PeerLink::Input::open);
}

NetSession::Member& NetSession::enter(std::unique_ptr<PeerLink> link, PeerNumber peer, uint16_t meshPort,
                                      uint16_t udpPort) {
    auto member = std::make_unique<Member>();
    member->link = std::move(link);
    member->peer = peer;
    member->meshPort = meshPort;
    member->udpPort = udpPort;
    roster_.addPeer(peer);
    members_.push_back(std::move(member));
    return *members_.back();
}

void NetSession::serviceMember(Member& member) { readFrames(member, member.link->receive()); }

// Frames are handled until the received bytes run out or the member is gone;
// a connection that ended or broke the protocol takes the member with it.
void NetSession::readFrames(Member& member, PeerLink::Input state) {
    while (!member.gone) {
        const std::optional<PeerLink::Frame> frame = member.link->nextFrame(state);
        if (!frame) break;
        if (!handleFrame(member, *frame)) state = PeerLink::Input::broken;
    }
    if (!member.gone && state != PeerLink::Input::open) leaveMember(member);
}

// False when the frame breaks the protocol.
bool NetSession::handleFrame(Member& member, const PeerLink::Frame& frame) {
    switch (static_cast<FrameKind>(frame.kind)) {
        case FrameKind::message: {
            const std::optional<wire::UserMessage> message = wire::readMessage(frame.body);
            if (!message || wire::peerOf(message->from) != member.peer) return false;
            if (message->to == kAllPlayers || roster_.isLocal(message->to))
                roster_.queueMessage(message->from, message->to, message->data, true);
            return true;
        }
        case FrameKind::playerCreated: {
            const std::optional<PlayerDescription> player = wire::readPlayerCreated(frame.body);
            if (!player || !ownedBy({*player}, member.peer) || roster_.isKnown(player->id)) return false;
            roster_.addPlayer(*player, true);
            return true;
        }
        case FrameKind::playerDestroyed: {
            const std::optional<PlayerId> player = wire::readPlayerDestroyed(frame.body);
            if (!player || wire::peerOf(*player) != member.peer) return false;
            roster_.removePlayer(*player, true);
            return true;
        }
        case FrameKind::keepAlive: return frame.body.empty();
        case FrameKind::leave: leaveMember(member); return true;
        default: return false;
    }
}

// The member's players are destroyed; when it hosted, the session may move
// here, and then the session port opens here.
void NetSession::leaveMember(Member& member) {
    member.gone = true;
    for (auto& entry : members_) {
        if (entry.get() == &member) goneMembers_.push_back(std::move(entry));
    }
    std::erase(members_, nullptr);
    if (roster_.removePeer(member.peer)) openHostPorts();
}

void NetSession::loseSession() {
    lost_ = true;
    for (auto& member : members_) {
        member->gone = true;
        goneMembers_.push_back(std::move(member));
    }
    members_.clear();
    sessionListener_.reset();
    searchSocket_.reset();
    roster_.queueSessionLost();
}

void NetSession::answerSearches() {
    std::vector<uint8_t> reply;
    for (int i = 0; i < kDatagramsPerService; ++i) {
        Ipv4Endpoint from;
        const ssize_t got = receiveDatagram(searchSocket_.get(), datagram_, from);
        if (got < 0) return;
        const std::optional<uint32_t> nonce = wire::readSearchRequest(std::span(datagram_).first(static_cast<size_t>(got)));
        if (!nonce || lost_) continue;
        wire::SearchReply answer;
        answer.nonce = *nonce;
        answer.session.instance = instance_;
        answer.session.name = name_;
        answer.session.currentPlayers = static_cast<uint32_t>(roster_.playerCount());
        answer.session.hostPort = port_;
        wire::datagramSearchReply(reply, answer);
        sendDatagram(searchSocket_.get(), from, reply, {});
    }
}

// Fast messages count only from members, signed with the session's token,
// from their own players, to everyone or to a player of this machine.
void NetSession::receiveDatagrams() {
    for (int i = 0; i < kDatagramsPerService; ++i) {
        Ipv4Endpoint from;
        const ssize_t got = receiveDatagram(udp_.get(), datagram_, from);
        if (got < 0) return;
        const std::optional<wire::DatagramMessage> datagram =
            wire::readDatagramMessage(std::span(datagram_).first(static_cast<size_t>(got)));
        if (!datagram || datagram->token != token_ || memberOf(datagram->peer) == nullptr) continue;
        const wire::UserMessage& message = datagram->message;
        if (wire::peerOf(message.from) != datagram->peer) continue;
        if (message.to == kAllPlayers || roster_.isLocal(message.to))
            roster_.queueMessage(message.from, message.to, message.data, false);
    }
}

// A member that cannot take a frame any more (its connection failed, or it
// has not read for so long that too much waits) is dropped: the session
// would not stay the same on both sides otherwise.
bool NetSession::sendFrame(Member& member, std::span<const uint8_t> head, std::span<const uint8_t> data) {
    const bool waitedBefore = member.link->hasWaitingBytes();
    if (!member.link->send(head, data)) {
        leaveMember(member);
        return false;
    }
    if (!waitedBefore && member.link->hasWaitingBytes()) wake();
    return true;
}

void NetSession::broadcastFrame(std::span<const uint8_t> frame) {
    for (Member* member : memberList()) {
        if (!member->gone) sendFrame(*member, frame);
    }
}

// The members now; sending may drop some of them on the way.
std::vector<NetSession::Member*> NetSession::memberList() const {
    std::vector<Member*> list;
    for (const auto& member : members_) list.push_back(member.get());
    return list;
}

NetSession::Member* NetSession::memberOf(PeerNumber peer) {
    for (const auto& member : members_) {
        if (member->peer == peer) return member.get();
    }
    return nullptr;
}

std::vector<wire::PeerAddress> NetSession::memberAddresses() const {
    std::vector<wire::PeerAddress> addresses;
    for (const auto& member : members_)
        addresses.push_back({member->peer, member->link->remote().ip, member->meshPort, member->udpPort});
    return addresses;
}

PlayerId NetSession::createPlayer(std::string_view name) {
    std::lock_guard lock(mutex_);
    const std::optional<PlayerDescription> player = lost_ ? std::nullopt : roster_.addLocalPlayer(name);
    if (!player) return 0;
    std::vector<uint8_t> frame;
    wire::framePlayerCreated(frame, *player);
    broadcastFrame(frame);
    return player->id;
}

bool NetSession::destroyPlayer(PlayerId player) {
    std::lock_guard lock(mutex_);
    if (!roster_.isLocal(player)) return false;
    roster_.removePlayer(player, false);
    std::vector<uint8_t> frame;
    wire::framePlayerDestroyed(frame, player);
    broadcastFrame(frame);
    return true;
}

std::optional<std::vector<PlayerDescription>> NetSession::players() {
    std::lock_guard lock(mutex_);
    if (lost_) return std::nullopt;
    return roster_.players();
}

bool NetSession::send(PlayerId from, PlayerId to, std::span<const uint8_t> data, bool guaranteed) {
    std::lock_guard lock(mutex_);
    if (lost_ || !roster_.isLocal(from) || data.size() > kMaxSessionMessageBytes) return false;
    if (to != kAllPlayers && !roster_.isKnown(to)) return false;
    if (roster_.isLocal(to)) return true;
    Member* only = to == kAllPlayers ? nullptr : memberOf(wire::peerOf(to));
    if (to != kAllPlayers && only == nullptr) return false;
    const std::vector<Member*> targets = only != nullptr ? std::vector<Member*>{only} : memberList();
    bool accepted = true;
    const size_t datagramBytes = 4 + 1 + 1 + 8 + 2 + 4 + 4 + data.size();
    if (guaranteed || datagramBytes > wire::kMaxDatagramBytes) {
        head_.clear();
        wire::frameMessageHeader(head_, from, to, data.size());
        for (Member* member : targets) accepted = !member->gone && sendFrame(*member, head_, data) && accepted;
    } else {
        wire::datagramMessageHeader(head_, token_, roster_.self(), from, to);
        for (Member* member : targets)
            accepted = sendDatagram(udp_.get(), {member->link->remote().ip, member->udpPort}, head_, data) && accepted;
    }
    return accepted;
}

ReceiveResult NetSession::receive(std::span<uint8_t> buffer, SessionMessage& message) {
    std::lock_guard lock(mutex_);
    if (roster_.queueEmpty() && !lost_) pump();
    return roster_.receive(buffer, message);
}

// Waits on the UDP socket, and for the thread to say that it queued
// something.
bool NetSession::wait(int32_t millis) {
    std::unique_lock lock(mutex_);
    const Deadline deadline(millis);
    for (;;) {
        if (roster_.queueEmpty() && !lost_) pump();
        const int32_t left = deadline.remaining();
        if (!roster_.queueEmpty() || lost_ || left == 0) return !roster_.queueEmpty();
        pollfd watched[2] = {{udp_.get(), POLLIN, 0}, {arrivalRead_.get(), POLLIN, 0}};
        programWaiting_ = true;
        lock.unlock();
        poll(watched, 2, left);
        lock.lock();
        programWaiting_ = false;
        drainPipe(arrivalRead_);
    }
}

// Searches: requests to the address (or to every broadcast address and this
// machine) at the session port, repeated now and then; answers carry the
// request's nonce.
class NetSessionSearch final : public SessionSearch {
public:
    NetSessionSearch(Descriptor socket, std::vector<uint32_t> targets, bool directed)
        : socket_(std::move(socket)), targets_(std::move(targets)), port_(sessionPort()), directed_(directed) {
        ask();
    }

    std::vector<SessionDescription> found() override {
        receiveAnswers();
        if (elapsed(lastAsked_, kSearchRepeatMillis)) ask();
        std::vector<SessionDescription> fresh;
        for (const Entry& entry : entries_) {
            if (!elapsed(entry.lastAnswer, kSearchForgetMillis)) fresh.push_back(entry.session);
        }
        return fresh;
    }

    bool complete() override { return directed_ && !entries_.empty(); }

    void wait(int32_t millis) override { waitFor(socket_.get(), POLLIN, millis); }

private:
    struct Entry {
        SessionDescription session;
        uint32_t lastAnswer;
    };

    void ask() {
        lastAsked_ = milliClock();
        wire::datagramSearchRequest(request_, nonce_);
        for (uint32_t ip : targets_) sendDatagram(socket_.get(), {ip, port_}, request_, {});
    }

    void receiveAnswers() {
        Ipv4Endpoint from;
        for (ssize_t got; (got = receiveDatagram(socket_.get(), answer_, from)) >= 0;) {
            std::optional<wire::SearchReply> reply = wire::readSearchReply(std::span(answer_).first(static_cast<size_t>(got)));
            if (!reply || reply->nonce != nonce_ || from.port != port_) continue;
            reply->session.hostIp = from.ip;
            auto known = std::find_if(entries_.begin(), entries_.end(),
                                      [&](const Entry& entry) { return entry.session.instance == reply->session.instance; });
            if (known == entries_.end()) known = entries_.insert(entries_.end(), Entry{});
            known->session = std::move(reply->session);
            known->lastAnswer = milliClock();
        }
    }

    Descriptor socket_;
    std::vector<uint32_t> targets_;
    uint16_t port_;
    bool directed_;
    uint32_t nonce_ = randomValue<uint32_t>();
    uint32_t lastAsked_ = 0;
    std::vector<Entry> entries_;
    std::vector<uint8_t> request_, answer_ = std::vector<uint8_t>(wire::kMaxDatagramBytes + 1);
};

// Where a search asks: the machine the address names, or with no address
// every machine on the local networks and this one.
std::optional<std::vector<uint32_t>> searchTargets(std::string_view address) {
    if (address.empty()) {
        std::vector<uint32_t> targets = broadcastAddresses();
        targets.push_back(0xFFFFFFFF);
        targets.push_back(0x7F000001);
        return targets;
    }
    const std::string text(address);
    if (std::optional<uint32_t> ip = parseDottedIp(text.c_str())) return std::vector<uint32_t>{*ip};
    std::vector<uint32_t> resolved = resolveHost(text.c_str());
    if (resolved.empty()) return std::nullopt;
    return std::vector<uint32_t>{resolved.front()};
}

class NetSessionLayer final : public SessionLayer {
public:
    const char* connectionName() const override { return "TCP/IP"; }
    std::unique_ptr<Session> host(std::string_view name) override { return NetSession::host(name); }
    std::unique_ptr<Session> join(const SessionDescription& session) override { return NetSession::join(session); }

    std::unique_ptr<SessionSearch> search(std::string_view address) override {
        std::optional<std::vector<uint32_t>> targets = searchTargets(address);
        if (!targets) return nullptr;
        Descriptor socket(openUdp(0));
        if (!socket.valid()) return nullptr;
        const int broadcast = 1;
        setsockopt(socket.get(), SOL_SOCKET, SO_BROADCAST, &broadcast, sizeof broadcast);
        return std::make_unique<NetSessionSearch>(std::move(socket), std::move(*targets), !address.empty());
    }
};

}  // namespace

uint16_t sessionPort() {
    return static_cast<uint16_t>(environmentNumber("KORVA_SESSION_PORT", kDefaultSessionPort, 1, 65535));
}

int32_t sessionTimeoutMillis() {
    return environmentNumber("KORVA_SESSION_TIMEOUT", kDefaultSessionTimeoutMillis, 50, 24 * 3600 * 1000);
}

std::unique_ptr<SessionLayer> openNetSessionLayer() { return std::make_unique<NetSessionLayer>(); }

std::unique_ptr<SessionLayer> openSessionLayer() {
    const char* wanted = std::getenv("KORVA_SESSION_LAYER");
    if (wanted != nullptr && std::string_view(wanted) == "loopback") return openLoopbackSessionLayer();
    return openNetSessionLayer();
}

}  // namespace korva
