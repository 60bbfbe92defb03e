#include "e2e_support.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

#include "startup/host_link.h"

extern char** environ;

namespace korva::test {
namespace {

void drain(int& fd, std::string& into) {
    char buffer[4096];
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got > 0) {
        into.append(buffer, static_cast<size_t>(got));
    } else {
        close(fd);
        fd = -1;
    }
}

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const std::vector<std::string>& environment) {
    int out[2], err[2];
    if (pipe(out) != 0) return;
    if (pipe(err) != 0) {
        close(out[0]);
        close(out[1]);
        return;
    }
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
    out_ = out[0];
    err_ = err[0];
    if (spawned == 0) pid_ = child;
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0) finish(0);
    if (out_ >= 0) close(out_);
    if (err_ >= 0) close(err_);
}

bool ChildProcess::readOutput(std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0 || (out_ < 0 && err_ < 0)) return false;
    pollfd fds[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
    if (poll(fds, 2, static_cast<int>(left.count())) <= 0) return true;
    if (out_ >= 0 && (fds[0].revents & (POLLIN | POLLHUP))) drain(out_, result_.out);
    if (err_ >= 0 && (fds[1].revents & (POLLIN | POLLHUP))) drain(err_, result_.err);
    return true;
}

bool ChildProcess::waitForLine(const std::string& line, int timeoutSeconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    for (;;) {
        const std::vector<std::string> seen = lines(result_.out);
        if (std::find(seen.begin(), seen.end(), line) != seen.end()) return true;
        if (!readOutput(deadline)) return false;
    }
}

void ChildProcess::signal(int number) {
    if (pid_ > 0) kill(pid_, number);
}

ProcessResult ChildProcess::finish(int timeoutSeconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    while (readOutput(deadline)) {
    }
    if (pid_ <= 0) return result_;
    result_.timedOut = out_ >= 0 || err_ >= 0;
    if (result_.timedOut) {
        kill(pid_, SIGCONT);
        kill(pid_, SIGKILL);
    }
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    result_.status = (!result_.timedOut && WIFEXITED(status)) ? WEXITSTATUS(status) : -1;
    return result_;
}

ProcessResult runProcess(const std::vector<std::string>& argv, int timeoutSeconds,
                         const std::vector<std::string>& environment) {
    return ChildProcess(argv, environment).finish(timeoutSeconds);
}

std::string binPath(const std::string& tool) { return std::string(KORVA_BIN_DIR) + "/" + tool; }

std::string imagePath(const std::string& name) { return std::string(KORVA_IMAGE_DIR) + "/" + name + ".kbi"; }

std::vector<std::string> runImageCommand(const std::string& name, const std::vector<std::string>& args,
                                         bool withDebugger) {
    std::vector<std::string> argv = {binPath("korva-run")};
    if (!withDebugger) argv.push_back("--no-debugger");
    argv.push_back(imagePath(name));
    argv.insert(argv.end(), args.begin(), args.end());
    return argv;
}

ProcessResult runImage(const std::string& name, const std::vector<std::string>& args, bool withDebugger) {
    return runProcess(runImageCommand(name, args, withDebugger));
}

EntryRoutine linkImage(const std::string& name) { return linkImageFile(imagePath(name)); }

EntryRoutine linkImageFile(const std::string& path) {
    const std::vector<uint8_t> image = readBytes(path);
    LinkResult linked = linkModuleImage(image.data(), image.size(), runtimeLinkTable(*runtimeGetRuntime()));
    EXPECT_EQ(linked.status, LinkResult::Status::linked) << path;
    return reinterpret_cast<EntryRoutine>(linked.code);
}

std::string demoImagePath() { return std::string(KORVA_EXAMPLES_DIR) + "/demo.kbi"; }
std::string demoAssetsFolder() { return std::string(KORVA_SOURCE_DIR) + "/examples/assets"; }

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
