// The multiplayer setup dialog, driven by the window events a person makes:
// sessions of the loopback layer, a display in memory, and what the dialog
// draws read back from its picture.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>


#include "graphics/canvas.h"
#include "graphics/graphics.h"
#include "graphics/surface.h"
#include "network/setup_dialog.h"
#include "platform/session_layer.h"

namespace korva {
namespace {

constexpr int32_t kReturn = 0x1C, kTab = 0x0F, kEscape = 0x01, kBackspace = 0x0E, kSpace = 0x39, kUpArrow = 200,
                  kDownArrow = 208, kLeftShift = 42;
constexpr uint32_t kGameBackground = 0xFF203040;

class SetupDialogTest : public testing::Test {
protected:
    void SetUp() override {
        for (auto* canvas : {graphics_->frontCanvas(), graphics_->backCanvas()}) {
            canvas->setClsColor(kGameBackground);
            canvas->cls();
        }
        dialog_ = std::make_unique<SetupDialog>(*layer_, *graphics_);
        ASSERT_TRUE(dialog_->ready());
        dialog_->turn();
    }

    Rect area(int32_t id) const { return dialog_->control(id).area(); }

    void clickAt(int32_t x, int32_t y, int times = 1) {
        dialog_->mouseMoved(x, y);
        for (int i = 0; i < times; ++i) {
            dialog_->buttonEvent(1, true);
            dialog_->buttonEvent(1, false);
        }
        dialog_->turn();
    }
    void click(int32_t id, int times = 1) {
        const Rect r = area(id);
        clickAt((r.x0 + r.x1) / 2, (r.y0 + r.y1) / 2, times);
    }
    void press(int32_t code) {
        dialog_->keyEvent(code, true, 0);
        dialog_->keyEvent(code, false, 0);
        dialog_->turn();
    }
    void type(const std::string& text) {
        static const std::string letters = "qwertyuiop";  // scan codes 0x10 ...
        for (char c : text) press(0x10 + static_cast<int32_t>(letters.find(c)));
    }
    const ListBox& games() const { return static_cast<const ListBox&>(dialog_->control(SetupDialog::kGames)); }
    int32_t rowHeight() const { return games().rowHeight(); }
    // Opens the drop-down and picks its second entry, the connection: the
    // field is a row and its edges tall, the dropped list has a line above.
    void chooseConnection() {
        const Rect field = area(SetupDialog::kConnection);
        clickAt(field.x0 + 20, field.y0 + 4);
        clickAt(field.x0 + 20, field.y0 + rowHeight() + 6 + 1 + rowHeight() + rowHeight() / 2);
    }
    // The middle of a row of the games list.
    void clickGame(int32_t row, int times) {
        const Rect list = area(SetupDialog::kGames);
        clickAt(list.x0 + 20, list.y0 + 2 + row * rowHeight() + rowHeight() / 2, times);
    }

    uint32_t pixel(int32_t x, int32_t y) { return dialog_->picture().readPixel(x, y) & 0xFFFFFF; }

    std::unique_ptr<SessionLayer> layer_ = openLoopbackSessionLayer();
    std::unique_ptr<Graphics> graphics_ = std::make_unique<Graphics>(
        Surface::create(PixelFormat::xrgb8888(), 640, 480), Surface::create(PixelFormat::xrgb8888(), 640, 480));
    std::unique_ptr<SetupDialog> dialog_;
};

TEST_F(SetupDialogTest, OpensWithNoConnectionOverTheGamesPictureAndEscapeCancels) {
    EXPECT_EQ(pixel(5, 5), kGameBackground & 0xFFFFFF);  // the game shows around it
    const Rect games = area(SetupDialog::kGames);
    EXPECT_EQ(pixel(games.x0 + 10, games.y0 + 10), 0xC0C0C0u);  // disabled: the dialog's face
    EXPECT_FALSE(dialog_->control(SetupDialog::kCreate).enabled);
    EXPECT_FALSE(dialog_->control(SetupDialog::kName).enabled);
    EXPECT_LT(area(SetupDialog::kConnection).y0, games.y0);
    press(kEscape);
    EXPECT_TRUE(dialog_->ended());
    EXPECT_EQ(dialog_->result(), kDialogCancelled);
}

// The connection lists the games in progress; a double click on one joins
// it, and the session is the game's.
TEST_F(SetupDialogTest, ADoubleClickJoinsAGameInProgress) {
    const std::unique_ptr<Session> deathmatch = layer_->host("Deathmatch");
    deathmatch->createPlayer("hank");
    chooseConnection();
    EXPECT_EQ(games().items(), std::vector<std::string>{"Deathmatch"});
    EXPECT_TRUE(dialog_->control(SetupDialog::kCreate).enabled);
    const Rect list = area(SetupDialog::kGames);
    EXPECT_EQ(pixel(list.x1 - 10, list.y1 - 10), 0xFFFFFFu);  // enabled: white
    clickGame(0, 1);
    EXPECT_EQ(games().selected(), 0);
    EXPECT_EQ(pixel(list.x1 - 10, list.y0 + 4), 0x000080u);  // the selected row
    EXPECT_FALSE(dialog_->ended());
    clickGame(0, 2);
    ASSERT_TRUE(dialog_->ended());
    EXPECT_EQ(dialog_->result(), kDialogJoined);
    const std::unique_ptr<Session> joined = dialog_->takeSession();
    ASSERT_TRUE(joined);
    EXPECT_EQ(joined->players()->size(), 1u);
}

// Without games the list says so and takes no clicks; a new game needs a
// name, which Return in the name field creates.
TEST_F(SetupDialogTest, ANamedNewGameIsHostedAndAnEmptyNameIsAsked) {
    chooseConnection();
    EXPECT_EQ(games().items(), std::vector<std::string>{"<no games found>"});
    EXPECT_FALSE(games().enabled);
    testing::internal::CaptureStderr();
    click(SetupDialog::kCreate);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "DirectPlay Request: Please enter a name for the new game\n");
    EXPECT_FALSE(dialog_->ended());
    click(SetupDialog::kName);
    type("rip");
    press(kBackspace);
    type("q");
    press(kReturn);
    ASSERT_TRUE(dialog_->ended());
    EXPECT_EQ(dialog_->result(), kDialogHosting);
    const std::unique_ptr<Session> hosted = dialog_->takeSession();
    const std::vector<SessionDescription> found = layer_->search("")->found();
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].name, "riq");
}

// Tab walks the controls that are enabled, Shift+Tab back; the cursor keys
// change the connection, and "<no connection>" puts everything back.
TEST_F(SetupDialogTest, TheKeyboardAloneWorksTheDialog) {
    press(kDownArrow);  // the connection has the focus at first
    EXPECT_TRUE(dialog_->control(SetupDialog::kName).enabled);
    press(kTab);  // past the empty games list
    type("qw");
    EXPECT_EQ(static_cast<const EditField&>(dialog_->control(SetupDialog::kName)).text(), "qw");
    dialog_->keyEvent(kLeftShift, true, 0);
    press(kTab);
    dialog_->keyEvent(kLeftShift, false, 0);
    press(kUpArrow);  // back to no connection
    EXPECT_FALSE(dialog_->control(SetupDialog::kName).enabled);
    EXPECT_EQ(static_cast<const EditField&>(dialog_->control(SetupDialog::kName)).text(), "");
    press(kTab);  // the games list and the name are disabled now: Cancel
    press(kSpace);  // presses it
    EXPECT_TRUE(dialog_->ended());
    EXPECT_EQ(dialog_->result(), kDialogCancelled);
}

// A key held down in the name field types again and again until let go.
TEST_F(SetupDialogTest, AHeldKeyRepeats) {
    press(kDownArrow);
    click(SetupDialog::kName);
    type("qwertyuiop");
    dialog_->keyEvent(kBackspace, true, 0);
    dialog_->turn();
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    dialog_->turn();
    const std::string& text = static_cast<const EditField&>(dialog_->control(SetupDialog::kName)).text();
    EXPECT_LE(text.size(), 8u);  // the press and at least one repeat
    const size_t held = text.size();
    dialog_->keyEvent(kBackspace, false, 0);
    dialog_->turn();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    dialog_->turn();
    EXPECT_EQ(text.size(), held);
}

TEST_F(SetupDialogTest, TheCloseBoxCancels) {
    const Rect box = dialog_->closeBox();
    clickAt((box.x0 + box.x1) / 2, (box.y0 + box.y1) / 2);
    EXPECT_TRUE(dialog_->ended());
    EXPECT_EQ(dialog_->result(), kDialogCancelled);
}

}  // namespace
}  // namespace korva
