// A virtual X server (Xvfb) for tests that need a real display: a 4K
// screen, no window manager, started for the test and stopped with it.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

extern char** environ;

namespace korva::test {

// Xvfb picks a free display number and reports it when it accepts clients.
// On a loaded machine a start now and then never reports; one more try
// then keeps the tests that need a display from failing for Xvfb's sake.
class VirtualXServer {
public:
    VirtualXServer() {
        for (int attempt = 0; attempt < 2 && display_.empty(); ++attempt) {
            stop();
            start();
        }
    }
    ~VirtualXServer() { stop(); }
    const std::string& display() const { return display_; }

private:
    void start() {
        int ready[2];
        if (pipe(ready) != 0) return;
        const std::string fd = std::to_string(ready[1]);
        const char* argv[] = {"Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "3840x2160x24", "-nolisten", "tcp",
                              nullptr};
        posix_spawn_file_actions_t quiet;
        posix_spawn_file_actions_init(&quiet);
        posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
        if (posix_spawnp(&pid_, argv[0], &quiet, nullptr, const_cast<char**>(argv), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&quiet);
        close(ready[1]);
        pollfd wait{ready[0], POLLIN, 0};
        char number[16] = {};
        if (pid_ > 0 && poll(&wait, 1, 20000) == 1 && read(ready[0], number, sizeof number - 1) > 0)
            display_ = std::string(":") + std::to_string(std::atoi(number));
        close(ready[0]);
    }
    void stop() {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

    pid_t pid_ = -1;
    std::string display_;
};

}  // namespace korva::test
