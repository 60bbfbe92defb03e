// Multiplayer games between runtime processes on 127.0.0.1: hosting and
// joining by name, players and messages, the host leaving, a host that stops
// answering, and the errors of programs that use the commands out of turn.
#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "../unit/socket_peer.h"
#include "e2e_support.h"

namespace korva::test {
namespace {

// Every test hosts at a port of its own, so that tests running side by side
// (and other programs on the machine) do not meet.
class Multiplay : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("KORVA_SESSION_PORT", std::to_string(reserved_.port()).c_str(), 1);
        setenv("KORVA_SESSION_TIMEOUT", "1000", 1);
    }

    static std::vector<std::string> part(int number, int scenario = 0) {
        return runImageCommand("netgame", {std::to_string(number), std::to_string(scenario)});
    }

    const PeerSocket reserved_ = reservedPort();
};

TEST_F(Multiplay, TwoProgramsHostJoinAndTalk) {
    ChildProcess host(part(1));
    ASSERT_TRUE(host.waitForLine("two players 1"));
    ChildProcess joiner(part(2));
    const ProcessResult joined = joiner.finish(), hosted = host.finish();

    EXPECT_EQ(joined.status, 1) << joined.err;
    const std::vector<std::string> joinerSaw = {
        "no such game 0", "joined 1",
        "100 [] from alice to <all>", "100 [] from anna to <all>", "then 0",  // the players already there
        "sent 1",
        "2 [to bob] from alice to bob",
        "-56 [] from anna to <all>",                   // type 200 arrives as a signed byte
        "5 len 61440 whole 1 from alice to bob",       // guaranteed
        "6 len 61440 whole 1 from anna to <all>",      // fast
        "8 len 2000 whole 1 from alice to bob",
        "in order 1",                                  // type 256 never came: its type byte is 0
        "after delete <unknown>"};
    EXPECT_EQ(lines(joined.out), joinerSaw);
    EXPECT_EQ(joined.err, runtimeError("Multiplayer game not started"));

    EXPECT_EQ(hosted.status, 1) << hosted.err;
    const std::vector<std::string> hostSaw = {
        "host 2", "two players 1", "alice local 1",
        "100 [] from bob to <all>", "bob local 0",
        "1 [hello] from bob to <all>",
        "type 256 accepted 1", "to own player 1",     // neither delivered: bob acknowledged nothing more
        "101 [] from <unknown> to <all>", "left 1",
        "nothing more 0", "type 0", "from -1", "to 0", "data []",
        "host again 2"};                               // the port is free at once
    EXPECT_EQ(lines(hosted.out), hostSaw);
    EXPECT_EQ(hosted.err, runtimeError("Multiplayer game already started"));
}

TEST_F(Multiplay, TheFirstJoinerHostsWhenTheHostEnds) {
    ChildProcess host(part(3));
    ASSERT_TRUE(host.waitForLine("ready"));
    ChildProcess first(part(4));
    ASSERT_TRUE(first.waitForLine("ready"));
    ChildProcess second(part(5));
    const ProcessResult hosted = host.finish();
    ASSERT_TRUE(second.waitForLine("1 [I host] from amy to <all>"));
    const ProcessResult late = ChildProcess(part(6)).finish();
    const ProcessResult secondRun = second.finish();
    first.waitForLine("done");  // amy stays until everyone is done, then ends without leaving
    first.signal(SIGKILL);
    const ProcessResult firstRun = first.finish();

    // amy's word may overtake ben's news, which came another way.
    std::vector<std::string> hostSaw = lines(hosted.out);
    std::sort(hostSaw.begin() + 2, hostSaw.end());
    EXPECT_EQ(hostSaw, (std::vector<std::string>{"host 2", "ready", "100 [] from amy to <all>",
                                                  "100 [] from ben to <all>", "3 [go] from amy to hank"}));
    EXPECT_EQ(lines(firstRun.out),
              (std::vector<std::string>{"joined 1", "ready", "100 [] from hank to <all>", "100 [] from ben to <all>",
                                        "101 [] from <unknown> to <all>", "102 [] from <unknown> to <all>",
                                        "hosting", "100 [] from cy to <all>", "1 [hi] from cy to <all>",
                                        "101 [] from <unknown> to <all>", "done"}));
    EXPECT_EQ(lines(secondRun.out),
              (std::vector<std::string>{"joined 1", "ready", "100 [] from hank to <all>", "100 [] from amy to <all>",
                                        "101 [] from <unknown> to <all>", "1 [I host] from amy to <all>",
                                        "100 [] from cy to <all>", "1 [hi] from cy to <all>",
                                        "101 [] from <unknown> to <all>"}));
    EXPECT_EQ(lines(late.out), (std::vector<std::string>{"joined 1", "100 [] from amy to <all>",
                                                          "100 [] from ben to <all>"}));
    for (const ProcessResult* run : {&hosted, &secondRun, &late}) EXPECT_EQ(run->status, 0) << run->err;
}

// A host that stops answering (stopped, as when the network goes) is given
// up after the keep-alive time-out; being alone, the joiner lost the session.
TEST_F(Multiplay, ASessionWhoseOtherMachinesFallSilentIsLost) {
    ChildProcess host(part(7));
    ASSERT_TRUE(host.waitForLine("host 2"));
    ChildProcess joiner(part(8));
    ASSERT_TRUE(host.waitForLine("ready"));
    ASSERT_TRUE(joiner.waitForLine("ready"));
    host.signal(SIGSTOP);
    const ProcessResult joined = joiner.finish();
    host.finish(0);
    EXPECT_EQ(joined.status, 0) << joined.err;
    EXPECT_EQ(lines(joined.out), (std::vector<std::string>{"joined 1", "100 [] from frozen to <all>", "ready",
                                                            "200 [] from <unknown> to <all>", "still a game 1"}));
}

TEST_F(Multiplay, CommandsOutOfTurnAreRuntimeErrors) {
    const char* messages[] = {"Multiplayer game not started",    "Multiplayer game not started",
                              "Multiplayer game not started",    "Multiplayer game not started",
                              "Multiplayer game already started", "Multiplayer game already started"};
    for (int scenario = 1; scenario <= 6; ++scenario) {
        SCOPED_TRACE(scenario);
        const ProcessResult run = ChildProcess(part(9, scenario)).finish();
        EXPECT_EQ(run.status, 1);
        std::vector<std::string> expected = {"all <all>", "unknown <unknown>", "local 0"};
        if (scenario >= 5) expected.push_back("host 2");
        EXPECT_EQ(lines(run.out), expected);
        EXPECT_EQ(run.err, runtimeError(messages[scenario - 1]));
    }
}

}  // namespace
}  // namespace korva::test
