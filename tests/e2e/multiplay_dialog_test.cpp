// StartNetGame's dialog as a person works it: the program runs in this
// process on a virtual X server (Xvfb) in its default 400 x 300 window, and
// a second thread waits for what the window shows and clicks and types
// through xdotool, against games of other runtime processes on 127.0.0.1.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <thread>

#include "../unit/socket_peer.h"
#include "e2e_support.h"
#include "graphics/graphics.h"
#include "graphics/surface.h"
#include "input_feeder.h"
#include "network/setup_dialog.h"
#include "platform/platform_runtime.h"
#include "virtual_x_server.h"

// Last: Xlib's macros (None, Bool, Status) would clash with the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace korva::test {
namespace {

using Lines = std::vector<std::string>;

constexpr uint32_t kTitleBar = 0x000080, kWhite = 0xFFFFFF, kProgramGreen = 0x008000;

// Where the dialog's controls lie on a 400 x 300 display: the same layout,
// made here.
struct Layout {
    Rect connection, games, name, closeBox;
    int32_t rowHeight = 0;
};

Layout layout() {
    const auto layer = openLoopbackSessionLayer();
    Graphics graphics(Surface::create(PixelFormat::xrgb8888(), 400, 300), Surface::create(PixelFormat::xrgb8888(), 400, 300));
    const SetupDialog dialog(*layer, graphics);
    return {dialog.control(SetupDialog::kConnection).area(), dialog.control(SetupDialog::kGames).area(),
            dialog.control(SetupDialog::kName).area(), dialog.closeBox(),
            static_cast<const ListBox&>(dialog.control(SetupDialog::kGames)).rowHeight()};
}

// A person at the X server, working the window named "korva dialog".
class Person {
public:
    Person() : display_(XOpenDisplay(nullptr)) {}
    ~Person() {
        if (display_ != nullptr) XCloseDisplay(display_);
    }

    // xdotool fails now and then when a window goes while it looks through
    // them: it is asked again.
    bool findWindow() {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (display_ != nullptr && window_ == 0 && std::chrono::steady_clock::now() < deadline) {
            const ProcessResult found = runProcess({"/usr/bin/xdotool", "search", "--name", "^korva dialog$"}, 20);
            window_ = std::strtoul(found.out.c_str(), nullptr, 10);
            if (window_ == 0) std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return window_ != 0;
    }

    // Waits until the window shows the colour at the position.
    bool sees(int32_t x, int32_t y, uint32_t rgb) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (pixel(x, y) != rgb) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return true;
    }

    void click(int32_t x, int32_t y, int times = 1) {
        xdotool({"mousemove", "--window", id(), std::to_string(x), std::to_string(y), "click", "--repeat",
                 std::to_string(times), "--delay", "100", "1"});
    }

    void type(const std::vector<std::string>& keys) {
        std::vector<std::string> command = {"windowfocus", "--sync", id(), "key", "--delay", "50"};
        command.insert(command.end(), keys.begin(), keys.end());
        xdotool(command);
    }

private:
    std::string id() const { return std::to_string(window_); }

    static void xdotool(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), "/usr/bin/xdotool");
        runProcess(arguments, 20);
    }

    uint32_t pixel(int32_t x, int32_t y) {
        XImage* image = XGetImage(display_, window_, x, y, 1, 1, AllPlanes, ZPixmap);
        if (image == nullptr) return 0xFFFFFFFF;
        const auto value = static_cast<uint32_t>(XGetPixel(image, 0, 0) & 0xFFFFFF);
        XDestroyImage(image);
        return value;
    }

    Display* display_;
    unsigned long window_ = 0;
};

class MultiplayDialog : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(server_.display().empty()) << "Xvfb did not start (scripts/setup installs it)";
        setenv("DISPLAY", server_.display().c_str(), 1);
        unsetenv("SDL_VIDEODRIVER");
        setenv("KORVA_SESSION_PORT", std::to_string(reserved_.port()).c_str(), 1);
        feeder_.at("after", [this] { after_ = PlatformRuntime::current()->screen(); });
    }

    // Another program, without a window: the person works only the dialog's.
    static std::unique_ptr<ChildProcess> otherProgram(int part) {
        return std::make_unique<ChildProcess>(runImageCommand("netgame", {std::to_string(part)}),
                                              std::vector<std::string>{"SDL_VIDEODRIVER=dummy"});
    }

    // At "@marker" the person starts working the dialog on a thread of its
    // own; if anything is not as expected, the program is told to end.
    void whenShown(const std::string& marker, std::function<bool(Person&)> steps) {
        feeder_.at(marker, [this, steps, marker] {
            people_.emplace_back([this, steps, marker] {
                Person person;
                const bool found = person.findWindow();
                const bool shown = found && person.sees(layout_.closeBox.x0 - 4, layout_.closeBox.y0 + 1, kTitleBar);
                const bool done = shown && steps(person);
                if (!done) pushQuit();
                EXPECT_TRUE(found) << "no window at @" << marker;
                EXPECT_TRUE(shown) << "no dialog";
                EXPECT_TRUE(done) << "the dialog did not show what was expected";
            });
        });
    }

    Lines run(const std::string& arguments) {
        const Lines output = feeder_.run("net_dialog", arguments);
        for (std::thread& person : people_) person.join();
        people_.clear();
        return output;
    }

    static std::pair<int32_t, int32_t> center(const Rect& r) { return {(r.x0 + r.x1) / 2, (r.y0 + r.y1) / 2}; }

    void expectTheDialogGone() {
        ASSERT_EQ(after_.width, 400);
        EXPECT_EQ(after_.rgbAt(200, 150), kProgramGreen);
        EXPECT_EQ(after_.rgbAt(layout_.games.x0 + 5, layout_.games.y0 + 5), kProgramGreen);
    }

    VirtualXServer server_;
    const PeerSocket reserved_ = reservedPort();
    const Layout layout_ = layout();
    InputFeeder feeder_;
    std::vector<std::thread> people_;
    ScreenImage after_;
};

// The connection from the drop-down, then a double click on the game, which
// lists once the list turns white.
TEST_F(MultiplayDialog, ADoubleClickJoinsAGameOfAnotherProgram) {
    const std::unique_ptr<ChildProcess> host = otherProgram(10);
    ASSERT_TRUE(host->waitForLine("ready"));
    whenShown("dialog", [this](Person& person) {
        const Rect field = layout_.connection, games = layout_.games;
        const int32_t row = layout_.rowHeight;
        person.click(field.x0 + 20, field.y0 + 4);
        person.click(field.x0 + 20, field.y0 + row + 6 + 1 + row * 3 / 2);
        if (!person.sees(games.x1 - 6, games.y1 - 6, kWhite)) return false;
        person.click(games.x0 + 20, games.y0 + 2 + row / 2, 2);
        return true;
    });
    EXPECT_EQ(run(""), (Lines{"result 1", "100 [] from hank to <all>", "2 [bye] from hank to <all>"}));
    EXPECT_TRUE(feeder_.errors().empty());
    expectTheDialogGone();
    const ProcessResult hosted = host->finish();
    EXPECT_EQ(lines(hosted.out), (Lines{"host 2", "ready", "100 [] from guest to <all>", "1 [hello] from guest to <all>"}));
}

// The cursor key picks the connection; a name typed and Return create the
// game, which another program joins.
TEST_F(MultiplayDialog, TheKeyboardCreatesAGameAnotherProgramJoins) {
    const std::unique_ptr<ChildProcess> joiner = otherProgram(11);
    whenShown("dialog", [this](Person& person) {
        person.type({"Down"});
        if (!person.sees(layout_.name.x1 - 6, layout_.name.y1 - 6, kWhite)) return false;
        person.click(center(layout_.name).first, center(layout_.name).second);
        person.type({"l", "a", "n", "Return"});
        return true;
    });
    EXPECT_EQ(run(""), (Lines{"result 2", "100 [] from visitor to <all>"}));
    expectTheDialogGone();
    const ProcessResult joined = joiner->finish();
    EXPECT_EQ(lines(joined.out), Lines{"joined 1"}) << joined.err;
}

TEST_F(MultiplayDialog, EscapeCancelsLeavingNoGame) {
    whenShown("dialog", [](Person& person) {
        person.type({"Escape"});
        return true;
    });
    EXPECT_EQ(run("0"), (Lines{"result 0", "can host 2"}));
    expectTheDialogGone();
}

// The close box cancels too; closing the window while the dialog shows ends
// the program without a word.
TEST_F(MultiplayDialog, TheCloseBoxCancelsAndClosingTheWindowEndsTheProgram) {
    whenShown("dialog", [this](Person& person) {
        person.click(center(layout_.closeBox).first, center(layout_.closeBox).second);
        return true;
    });
    whenShown("again", [](Person&) {
        pushQuit();
        return true;
    });
    EXPECT_EQ(run("1"), (Lines{"result 0", "can host 2"}));
    EXPECT_TRUE(feeder_.errors().empty());
}

}  // namespace
}  // namespace korva::test
