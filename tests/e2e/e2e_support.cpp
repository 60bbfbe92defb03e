#include "e2e_support.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

#include "startup/host_link.h"

extern char** environ;

namespace korva::test {
namespace {

void drain(int fd, std::string& into, bool& open) {
    char buffer[4096];
    ssize_t got = read(fd, buffer, sizeof buffer);
    if (got > 0)
        into.append(buffer, static_cast<size_t>(got));
    else
        open = false;
}

}  // namespace

ProcessResult runProcess(const std::vector<std::string>& argv, int timeoutSeconds,
                         const std::vector<std::string>& environment) {
    ProcessResult result;
    int out[2], err[2];
    if (pipe(out) != 0 || pipe(err) != 0) return result;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    std::vector<char*> variables;  // the given ones first: they win over the test's own
    for (const std::string& variable : environment) variables.push_back(const_cast<char*>(variable.c_str()));
    for (char** variable = environ; *variable != nullptr; ++variable) variables.push_back(*variable);
    variables.push_back(nullptr);
    pid_t child;
    const int spawned = posix_spawn(&child, args[0], &actions, nullptr, args.data(), variables.data());
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    close(err[1]);
    if (spawned != 0) {
        close(out[0]);
        close(err[0]);
        return result;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    bool outOpen = true, errOpen = true;
    while (outOpen || errOpen) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            result.timedOut = true;
            kill(child, SIGKILL);
            break;
        }
        pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
        if (poll(fds, 2, static_cast<int>(left.count())) <= 0) continue;
        if (outOpen && (fds[0].revents & (POLLIN | POLLHUP))) drain(out[0], result.out, outOpen);
        if (errOpen && (fds[1].revents & (POLLIN | POLLHUP))) drain(err[0], result.err, errOpen);
    }
    close(out[0]);
    close(err[0]);
    int status = 0;
    waitpid(child, &status, 0);
    result.status = (!result.timedOut && WIFEXITED(status)) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string binPath(const std::string& tool) { return std::string(KORVA_BIN_DIR) + "/" + tool; }

std::string imagePath(const std::string& name) { return std::string(KORVA_IMAGE_DIR) + "/" + name + ".kbi"; }

ProcessResult runImage(const std::string& name, const std::vector<std::string>& args, bool withDebugger) {
    std::vector<std::string> argv = {binPath("korva-run")};
    if (!withDebugger) argv.push_back("--no-debugger");
    argv.push_back(imagePath(name));
    argv.insert(argv.end(), args.begin(), args.end());
    return runProcess(argv);
}

EntryRoutine linkImage(const std::string& name) {
    const std::vector<uint8_t> image = readBytes(imagePath(name));
    LinkResult linked = linkModuleImage(image.data(), image.size(), runtimeLinkTable(*runtimeGetRuntime()));
    EXPECT_EQ(linked.status, LinkResult::Status::linked) << name;
    return reinterpret_cast<EntryRoutine>(linked.code);
}

std::string packGame(const std::string& imageFile, const std::string& name) {
    const std::string game = tempFile(name);
    ProcessResult packed = runProcess({binPath("korva-pack"), imageFile, game});
    EXPECT_EQ(packed.status, 0) << packed.err;
    return game;
}

std::string tempFile(const std::string& name) {
    const char* folder = std::getenv("TMPDIR");
    std::string base = (folder != nullptr && *folder != '\0') ? folder : "/tmp";
    return base + "/korva-e2e-" + std::to_string(getpid()) + "-" + name;
}

std::vector<uint8_t> readBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), {});
}

void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) result.push_back(line);
    return result;
}

}  // namespace korva::test
