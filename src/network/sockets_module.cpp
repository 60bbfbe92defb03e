// TCP and UDP networking: name resolution, UDP streams, TCP connections and
// servers, and the time-outs their waits use.
#include <cstdint>
#include <new>
#include <set>
#include <string>
#include <vector>

#include "core/handle.h"
#include "core/str_pool.h"
#include "network/tcp_server.h"
#include "network/tcp_stream.h"
#include "network/udp_stream.h"
#include "platform/host_addresses.h"
#include "startup/declaration.h"
#include "startup/error.h"

namespace korva {
namespace {

std::set<qyUDPStream*> udpStreams;
std::set<qyTCPStream*> tcpStreams;
std::set<qyTCPServer*> tcpServers;
std::vector<uint32_t> hostIps;  // from the last CountHostIPs
int32_t udpReceiveTimeout = 0;
int32_t tcpAcceptTimeout = 0;

constexpr const char* kNoUdpStream = "UDP Stream does not exist";
constexpr const char* kNoTcpStream = "TCP Stream does not exist";
constexpr const char* kNoTcpServer = "TCP Server does not exist";

// The object behind a program's handle: checked against its registry under
// the debugger, trusted otherwise.
template <class Object>
Object* objectFromHandle(const std::set<Object*>& registry, int32_t handle, const char* missing) {
    auto* object = objectOf<Object>(handle);
    if (debugMode && registry.count(object) == 0) raiseRuntimeError(missing);
    return object;
}

// The handle of a new object, or 0 when it could not be made or kept.
template <class Object>
int32_t enter(std::set<Object*>& registry, Object* object) {
    if (object == nullptr) return 0;
    try {
        registry.insert(object);
    } catch (const std::bad_alloc&) {
        delete object;
        return 0;
    }
    return handleOf(object);
}

void destroy(qyUDPStream* stream) { delete stream; }
void destroy(qyTCPStream* stream) { delete stream; }

// The connections it accepted go with it.
void destroy(qyTCPServer* server) {
    while (!server->accepted().empty()) {
        qyTCPStream* stream = *server->accepted().begin();
        tcpStreams.erase(stream);
        delete stream;  // leaves the server's set
    }
    delete server;
}

// A handle that is not in the registry (closed already, 0, made up) is an
// error under the debugger and ignored otherwise: nothing is freed twice.
template <class Object>
void closeHandle(std::set<Object*>& registry, int32_t handle, const char* missing) {
    auto* object = objectOf<Object>(handle);
    if (registry.erase(object) != 0) {
        destroy(object);
    } else if (debugMode) {
        raiseRuntimeError(missing);
    }
}

template <class Object>
void closeAll(std::set<Object*>& registry) {
    while (!registry.empty()) {
        Object* object = *registry.begin();
        registry.erase(registry.begin());
        destroy(object);
    }
}

qyUDPStream* udpStream(int32_t handle) { return objectFromHandle(udpStreams, handle, kNoUdpStream); }
qyTCPStream* tcpStream(int32_t handle) { return objectFromHandle(tcpStreams, handle, kNoTcpStream); }

qyStr* cmdDottedIP(int32_t ip) { return strFromText(dottedText(static_cast<uint32_t>(ip)).text); }

int32_t cmdCountHostIPs(qyStr* hostName) {
    hostIps.clear();
    try {
        hostIps = resolveHost(strTake(hostName).c_str());
    } catch (const std::bad_alloc&) {
        hostIps.clear();
    }
    return static_cast<int32_t>(hostIps.size());
}

// Without the debugger an index outside the list gives 0 rather than
// reading past it.
int32_t cmdHostIP(int32_t index) {
    const bool inRange = index >= 1 && static_cast<size_t>(index) <= hostIps.size();
    if (!inRange) {
        if (debugMode) raiseRuntimeError("Host index out of range");
        return 0;
    }
    return static_cast<int32_t>(hostIps[static_cast<size_t>(index) - 1]);
}

int32_t cmdCreateUDPStream(int32_t port) { return enter(udpStreams, qyUDPStream::create(static_cast<uint16_t>(port))); }

void cmdCloseUDPStream(int32_t handle) { closeHandle(udpStreams, handle, kNoUdpStream); }

void cmdSendUDPMsg(int32_t handle, int32_t ip, int32_t port) {
    udpStream(handle)->send(static_cast<uint32_t>(ip), static_cast<uint16_t>(port));
}

int32_t cmdRecvUDPMsg(int32_t handle) { return static_cast<int32_t>(udpStream(handle)->receive(udpReceiveTimeout)); }

int32_t cmdUDPStreamIP(int32_t handle) { return static_cast<int32_t>(udpStream(handle)->own().ip); }
int32_t cmdUDPStreamPort(int32_t handle) { return udpStream(handle)->own().port; }
int32_t cmdUDPMsgIP(int32_t handle) { return static_cast<int32_t>(udpStream(handle)->lastSender().ip); }
int32_t cmdUDPMsgPort(int32_t handle) { return udpStream(handle)->lastSender().port; }

void cmdUDPTimeouts(int32_t receiveMillis) { udpReceiveTimeout = receiveMillis; }

// A dotted IP is taken as it is; anything else is a host name and its first
// address is used.
std::vector<uint32_t> serverAddresses(const std::string& server) {
    if (std::optional<uint32_t> ip = parseDottedIp(server.c_str())) return {*ip};
    return resolveHost(server.c_str());
}

int32_t cmdOpenTCPStream(qyStr* server, int32_t serverPort, int32_t localPort) {
    try {
        const std::vector<uint32_t> addresses = serverAddresses(strTake(server));
        if (addresses.empty()) return 0;
        const Ipv4Endpoint endpoint{addresses.front(), static_cast<uint16_t>(serverPort)};
        return enter(tcpStreams, qyTCPStream::open(endpoint, static_cast<uint16_t>(localPort)));
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

void cmdCloseTCPStream(int32_t handle) { closeHandle(tcpStreams, handle, kNoTcpStream); }

int32_t cmdCreateTCPServer(int32_t port) { return enter(tcpServers, qyTCPServer::create(static_cast<uint16_t>(port))); }

void cmdCloseTCPServer(int32_t handle) { closeHandle(tcpServers, handle, kNoTcpServer); }

int32_t cmdAcceptTCPStream(int32_t handle) {
    qyTCPServer* server = objectFromHandle(tcpServers, handle, kNoTcpServer);
    idleOrEnd();
    return enter(tcpStreams, server->accept(tcpAcceptTimeout));
}

int32_t cmdTCPStreamIP(int32_t handle) { return static_cast<int32_t>(tcpStream(handle)->peer().ip); }
int32_t cmdTCPStreamPort(int32_t handle) { return tcpStream(handle)->peer().port; }

void cmdTCPTimeouts(int32_t readMillis, int32_t acceptMillis) {
    qyTCPStream::readTimeoutMillis = readMillis;
    tcpAcceptTimeout = acceptMillis;
}

const Declaration kSocketsDeclarations[] = {
    {"$DottedIP%IP", routine<cmdDottedIP>},
    {"%CountHostIPs$host_name", routine<cmdCountHostIPs>},
    {"%HostIP%host_index", routine<cmdHostIP>},
    {"%CreateUDPStream%port=0", routine<cmdCreateUDPStream>},
    {"CloseUDPStream%udp_stream", routine<cmdCloseUDPStream>},
    {"SendUDPMsg%udp_stream%dest_ip%dest_port=0", routine<cmdSendUDPMsg>},
    {"%RecvUDPMsg%udp_stream", routine<cmdRecvUDPMsg>},
    {"%UDPStreamIP%udp_stream", routine<cmdUDPStreamIP>},
    {"%UDPStreamPort%udp_stream", routine<cmdUDPStreamPort>},
    {"%UDPMsgIP%udp_stream", routine<cmdUDPMsgIP>},
    {"%UDPMsgPort%udp_stream", routine<cmdUDPMsgPort>},
    {"UDPTimeouts%recv_timeout", routine<cmdUDPTimeouts>},
    {"%OpenTCPStream$server%server_port%local_port=0", routine<cmdOpenTCPStream>},
    {"CloseTCPStream%tcp_stream", routine<cmdCloseTCPStream>},
    {"%CreateTCPServer%port", routine<cmdCreateTCPServer>},
    {"CloseTCPServer%tcp_server", routine<cmdCloseTCPServer>},
    {"%AcceptTCPStream%tcp_server", routine<cmdAcceptTCPStream>},
    {"%TCPStreamIP%tcp_stream", routine<cmdTCPStreamIP>},
    {"%TCPStreamPort%tcp_stream", routine<cmdTCPStreamPort>},
    {"TCPTimeouts%read_millis%accept_millis", routine<cmdTCPTimeouts>},
};

// BSD sockets need no start-up, so the module always starts.
bool socketsCreate() {
    udpReceiveTimeout = 0;
    tcpAcceptTimeout = 0;
    qyTCPStream::readTimeoutMillis = qyTCPStream::kDefaultReadTimeoutMillis;
    return true;
}

void socketsDestroy() {
    closeAll(udpStreams);
    closeAll(tcpStreams);
    closeAll(tcpServers);
    hostIps.clear();
}

}  // namespace

extern const ModuleDefinition socketsModule{"sockets", kSocketsDeclarations, socketsCreate, socketsDestroy};

}  // namespace korva
