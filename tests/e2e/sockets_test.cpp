// Programs on TCP and UDP against peers the test runs on 127.0.0.1, each
// peer on a thread of its own while the program runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "../unit/socket_peer.h"
#include "e2e_support.h"
#include "file_test_folder.h"

namespace korva::test {
namespace {

using namespace std::string_literals;

// Runs the program while the peer plays its part; every wait of a peer is
// bounded, so a program that goes wrong fails the test instead of hanging it.
template <class Peer>
ProcessResult runWithPeer(const std::string& image, const std::vector<std::string>& args, Peer peer) {
    std::thread thread(std::move(peer));
    ProcessResult run = runImage(image, args);
    thread.join();
    return run;
}

std::string word(uint16_t port) { return std::to_string(port); }

// A name that does not resolve is asked of the DNS; where no server answers,
// the resolver's default waits (5 s, twice) would dominate the run.
void boundResolverWaits() { setenv("RES_OPTIONS", "timeout:1 attempts:1", 1); }

TEST(HostAddresses, DottedTextsAndNamesWithoutTheOutsideNetwork) {
    boundResolverWaits();
    ProcessResult run = runImage("host_addresses");
    EXPECT_EQ(run.status, 1);
    const std::vector<std::string> expected = {"1.2.3.4",      "255.255.255.255", "0.0.0.0",       "count 1",
                                               "ip 2130706433", "count 1",        "ip 16909060",   "own addresses",
                                               "count 0"};
    EXPECT_EQ(lines(run.out), expected);
    EXPECT_EQ(run.err, runtimeError("Host index out of range"));
}

TEST(UdpStreams, DatagramsToTheStreamsOwnPort) {
    ProcessResult run = runImage("udp", {"0"});
    EXPECT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> expected = {
        "bound to 0", "port taken 0", "eof 1", "avail 0", "sender is itself 1", "nothing waiting 0",
        "from 2130706433", "avail 8", "from its own port 1",
        "from 2130706433", "avail 0", "eof 1",  // the empty datagram
        "from 2130706433", "avail 6", "int 67305985", "avail 2", "short int 1541", "eof 1",
        "nothing came 0", "waited for the time-out 1",
        "eof -1", "received 0"};  // 70,000 bytes do not fit a datagram: the stream has failed
    EXPECT_EQ(lines(run.out), expected);
}

TEST(UdpStreams, ExchangeWithAPeer) {
    PeerSocket peer = boundSocket(SOCK_DGRAM);
    std::string ping;
    uint16_t senderPort = 0;
    ProcessResult run = runWithPeer("udp", {"1", word(peer.port())}, [&] {
        if (!peer.readable()) return;
        char buffer[100];
        sockaddr_in sender{};
        socklen_t length = sizeof sender;
        const ssize_t got = recvfrom(peer.fd(), buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&sender), &length);
        ping.assign(buffer, static_cast<size_t>(std::max<ssize_t>(got, 0)));
        senderPort = ntohs(sender.sin_port);
        std::string largest(65507, '\0');
        for (size_t i = 0; i < largest.size(); ++i) largest[i] = static_cast<char>(i * 7);
        for (const std::string& datagram : {"pong\r\n"s, ""s, largest})
            sendto(peer.fd(), datagram.data(), datagram.size(), 0, reinterpret_cast<sockaddr*>(&sender), length);
    });
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ping, "ping\r\n");
    const std::vector<std::string> expected = {
        "from 2130706433", "avail 6", "pong", "from the peer's port 1", "own port " + word(senderPort),
        "from 2130706433", "avail 0", "from 2130706433", "avail 65507", "read 65507",
        "last byte " + std::to_string((65506 * 7) & 255)};
    EXPECT_EQ(lines(run.out), expected);
}

TEST(TcpStreams, EncodingsSurviveOneByteSegmentsAndThePeersCloseIsSeen) {
    PeerSocket listener = tcpListener();
    std::string written;
    ProcessResult run = runWithPeer("tcp_client", {"0", word(listener.port())}, [&] {
        PeerSocket echo = acceptFrom(listener);
        written = echo.receive(32);
        echo.sendByteByByte(written);
    });
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(written, "\x15\xcd\x5b\x07" "\x70\x11" "\x2c" "\0\0\xc0\x3f"s "\5\0\0\0hello"s "a line\r\n" "\0\0\0\0"s);
    const std::vector<std::string> expected = {"127.0.0.1", "peer port 1", "123456789", "4464", "44", "1.5",
                                               "hello", "a line", "empty 0", "after the close 0", "eof 1"};
    EXPECT_EQ(lines(run.out), expected);
}

TEST(TcpStreams, FailedConnectionsGiveZero) {
    boundResolverWaits();
    const PeerSocket listener = tcpListener(), refusing = reservedPort();
    ProcessResult run = runImage("tcp_client", {"1", word(listener.port()), word(refusing.port())});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(lines(run.out), (std::vector<std::string>{"refused 0", "unknown host 0", "broadcast 0"}));
}

TEST(TcpStreams, AReadTimeOutFailsTheStream) {
    PeerSocket listener = tcpListener();
    ProcessResult run = runWithPeer("tcp_client", {"2", word(listener.port())}, [&] {
        PeerSocket silent = acceptFrom(listener), half = acceptFrom(listener);
        half.sendAll("\x34\x12");
        half.receive(1);  // until the program ends
    });
    EXPECT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> expected = {"silent 0", "at once 1", "eof -1", "half 4660",
                                               "after the time-out 1", "eof -1", "failed 0"};
    EXPECT_EQ(lines(run.out), expected);
}

// The program says on a control connection when its server listens.
template <class Clients>
ProcessResult runServer(const std::string& scenario, Clients clients) {
    const PeerSocket reserved = reservedPort(), control = tcpListener();
    const uint16_t port = reserved.port();
    return runWithPeer("tcp_server", {scenario, word(port), word(control.port())}, [&] {
        const PeerSocket told = acceptFrom(control);
        if (told.receiveLine() == "listening\r\n") clients(port);
    });
}

TEST(TcpServers, AcceptedClientsCloseWithTheirServer) {
    std::vector<std::string> welcomes;
    std::vector<bool> ended(3, false);
    ProcessResult run = runServer("1", [&](uint16_t port) {
        std::vector<PeerSocket> clients;
        for (int i = 0; i < 3; ++i) {
            clients.push_back(connectTo(port));
            clients.back().sendAll(word(clients.back().port()) + "\r\n");
        }
        for (int i = 0; i < 3; ++i) {
            welcomes.push_back(clients[i].receiveLine());
            bool end = false;
            clients[i].receive(1, &end);
            ended[i] = end;
        }
    });
    EXPECT_EQ(run.status, 1);
    const std::vector<std::string> expected = {"nobody waiting 0", "at once 1", "port taken 0", "client at its address 1",
                                               "client at its address 1", "client at its address 1", "closed"};
    EXPECT_EQ(lines(run.out), expected);
    EXPECT_EQ(run.err, runtimeError("TCP Stream does not exist"));
    EXPECT_EQ(welcomes, std::vector<std::string>(3, "welcome\r\n"));
    EXPECT_EQ(ended, std::vector<bool>(3, true));
}

TEST(TcpServers, ClientsThatResetDoNotStopAFrameLoop) {
    ProcessResult run = runServer("2", [](uint16_t port) {
        for (int i = 0; i < 10; ++i) connectTo(port).reset();
        const PeerSocket hello = connectTo(port);
        hello.sendAll("hello\r\n");
        hello.receive(1);  // until the program ends
    });
    EXPECT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> expected = {"nobody waiting 0", "at once 1", "port taken 0", "hello 1",
                                               "accepting never waited 1"};
    EXPECT_EQ(lines(run.out), expected);
}

TEST(SocketHandles, ClosingTwiceOrMadeUpHandlesDoesNothingWithoutTheDebugger) {
    TestFolder folder("socket-handles", 0);
    const PeerSocket reserved = reservedPort();
    folder.write("port", word(reserved.port()) + "\n");
    ProcessResult run = folder.run("socket_handles", false);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(folder.read("report"), "accepted 1\r\npast the host list 0\r\n");
}

TEST(SocketHandles, TheDebuggerNamesEveryUnknownHandle) {
    const char* messages[] = {"UDP Stream does not exist", "UDP Stream does not exist", "TCP Stream does not exist",
                              "TCP Stream does not exist", "TCP Server does not exist", "Host index out of range",
                              "Stream does not exist"};
    const PeerSocket reserved = reservedPort();
    for (int scenario = 1; scenario <= 7; ++scenario) {
        SCOPED_TRACE(scenario);
        TestFolder folder("socket-handles", scenario);
        folder.write("port", word(reserved.port()) + "\n");
        ProcessResult run = folder.run("socket_handles");
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, runtimeError(messages[scenario - 1]));
    }
}

}  // namespace
}  // namespace korva::test
