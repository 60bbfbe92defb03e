// What a real X server shows: a virtual one (Xvfb) with a 4K screen and no
// window manager, the program running in this process on SDL's X11 driver.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "e2e_support.h"
#include "input_feeder.h"
#include "virtual_x_server.h"

// Last: Xlib's macros (None, Bool, Status) would clash with the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace korva::test {
namespace {

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

// A person's key presses (xdotool, through the XTEST extension) typed into
// the runtime's window reach KeyHit and GetKey.
TEST(RealDisplay, KeysTypedIntoTheWindowReachTheProgram) {
    VirtualXServer server;
    ASSERT_FALSE(server.display().empty()) << "Xvfb did not start (scripts/setup installs it)";
    setenv("DISPLAY", server.display().c_str(), 1);
    unsetenv("SDL_VIDEODRIVER");
    pid_t typist = -1;
    InputFeeder feeder;
    feeder.at("ready", [&typist] {
        const char* argv[] = {"xdotool", "search", "--sync", "--name", "^korva keys$", "windowfocus", "--sync",
                              "key", "--delay", "50", "a", "Up", nullptr};
        ASSERT_EQ(posix_spawnp(&typist, argv[0], nullptr, nullptr, const_cast<char**>(argv), environ), 0)
            << "xdotool did not start (scripts/setup installs it)";
    });
    EXPECT_EQ(feeder.run("input", "10"), std::vector<std::string>{"typed 97 28 1 1"});
    if (typist > 0) waitpid(typist, nullptr, 0);
}

}  // namespace
}  // namespace korva::test
