// What a real X server shows: a virtual one (Xvfb) with a 4K screen and no
// window manager, the program running in this process on SDL's X11 driver.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "e2e_support.h"

// Last: Xlib's macros (None, Bool, Status) would clash with the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

extern char** environ;

namespace korva::test {
namespace {

// Xvfb picks a free display number and reports it when it accepts clients.
class VirtualXServer {
public:
    VirtualXServer() {
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
    ~VirtualXServer() {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    const std::string& display() const { return display_; }

private:
    pid_t pid_ = -1;
    std::string display_;
};

// At "shown", reads the root window once the server has drawn the frame.
class RootWindowReader final : public QuietDebugger {
public:
    void debugLog(const char*) override {
        Display* display = XOpenDisplay(nullptr);
        if (display == nullptr) return;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (pixel(display, 1920, 1080) == 0 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        for (int x : {479, 480, 3359, 3360}) edges.push_back(pixel(display, x, 2159));
        XWindowAttributes root;
        XGetWindowAttributes(display, DefaultRootWindow(display), &root);
        rootSize = {root.width, root.height};
        XCloseDisplay(display);
    }
    std::vector<uint32_t> edges;
    std::pair<int, int> rootSize;

private:
    static uint32_t pixel(Display* display, int x, int y) {
        XImage* image = XGetImage(display, DefaultRootWindow(display), x, y, 1, 1, AllPlanes, ZPixmap);
        const auto value = static_cast<uint32_t>(XGetPixel(image, 0, 0) & 0xFFFFFF);
        XDestroyImage(image);
        return value;
    }
};

// 640 x 480 takes the screen's height: 2880 x 2160 from x = 480; the
// desktop keeps its resolution.
TEST(RealDisplay, A640By480GameFillsTheHeightOfA4KDesktop) {
    VirtualXServer server;
    ASSERT_FALSE(server.display().empty()) << "Xvfb did not start (scripts/setup installs it)";
    setenv("DISPLAY", server.display().c_str(), 1);
    unsetenv("SDL_VIDEODRIVER");
    RootWindowReader reader;
    runtimeGetRuntime()->execute(linkImage("screen"), "5", &reader);
    ASSERT_EQ(reader.edges.size(), 4u);
    EXPECT_EQ(reader.edges[0], 0u);
    EXPECT_NEAR(static_cast<int>(reader.edges[1] >> 16), 255, 7);  // 16-bit orange
    EXPECT_NEAR(static_cast<int>(reader.edges[2] >> 8 & 0xFF), 128, 3);
    EXPECT_EQ(reader.edges[3], 0u);
    EXPECT_EQ(reader.rootSize, std::make_pair(3840, 2160));
}

}  // namespace
}  // namespace korva::test
