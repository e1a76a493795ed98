#include "host/event_router.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

using Calls = std::vector<std::string>;

// Records every call the router makes, in order, as one line each.
struct RecordingDemo {
    Calls calls;

    template <class... Parts>
    void record(const Parts&... parts) {
        std::ostringstream line;
        ((line << parts << ' '), ...);
        calls.push_back(line.str().substr(0, line.str().size() - 1));
    }
    int init(int* window, int* context) { return record("init", *window, *context), -1; }
    void resize(int width, int height) { record("resize", width, height); }
    void tick() { record("tick"); }
    void render() { record("render"); }
    void keypress(const char* name, bool pressed) { record(name, pressed ? "down" : "up"); }
    bool mousemove(int x, int y, int dx, int dy) { return record("move", x, y, dx, dy), true; }
    void destroy() { record("destroy"); }
};

class EventRouterTest : public ::testing::Test {
  protected:
    RecordingDemo demo;
    EventRouter<RecordingDemo> router{demo};
};

TEST(KeyTable, NamesEveryKeyOfTheTable) {
    const char* names[] = {"enter", "shift", "control", "escape", "left", "up", "right", "down"};
    const unsigned codes[] = {13, 16, 17, 27, 37, 38, 39, 40};
    for (int i = 0; i < 8; ++i) EXPECT_STREQ(key_name(codes[i]), names[i]) << codes[i];
    // Neighbours and look-alikes stay out: Alt (18), Space, Page Down, Insert, 'A', F4.
    for (unsigned code : {0u, 12u, 14u, 18u, 32u, 34u, 36u, 41u, 45u, 65u, 115u, 162u})
        EXPECT_EQ(key_name(code), nullptr) << code;
}

TEST_F(EventRouterTest, PassesCallsOnInOrderMovesAtMostOncePerTickFromTheCentre) {
    int window = 7, context = 9;
    EXPECT_EQ(router.init(&window, &context), -1);
    router.size(1, 3);
    EXPECT_EQ(router.ycenter, 1);
    router.size(0, 0);  // minimised: passed on as it is
    router.size(301, 201);
    router.render();
    EXPECT_FALSE(router.mouse_move(5, 5));  // no tick yet
    router.timer();
    EXPECT_TRUE(router.mouse_move(10, 190));
    EXPECT_FALSE(router.mouse_move(20, 20));
    router.timer();
    // The warp's own move does not use up the tick.
    EXPECT_FALSE(router.mouse_move(150, 100));
    EXPECT_TRUE(router.mouse_move(151, 100));
    EXPECT_FALSE(router.key(65, true));
    EXPECT_TRUE(router.key(vk_up, true));
    router.destroy();
    EXPECT_EQ(demo.calls,
              (Calls{"init 7 9", "resize 1 3", "resize 0 0", "resize 301 201", "render", "tick",
                     "move 10 190 -140 90", "tick", "move 151 100 1 0", "up down", "destroy"}));
}

TEST_F(EventRouterTest, FocusLossReleasesWhatIsHeldOnceAndCaptureLossTheButtons) {
    // Pressed out of table order; control and the middle button come up before.
    for (unsigned code : {40u, 17u, 13u, 39u, 16u, 38u, 27u, 37u}) router.key(code, true);
    for (MouseButton b : {MouseButton::middle, MouseButton::left, MouseButton::right})
        router.button(b, true);
    router.key(vk_control, false);
    router.button(MouseButton::middle, false);
    demo.calls.clear();
    router.focus_lost();
    router.focus_lost();
    EXPECT_FALSE(router.any_button_held());
    router.button(MouseButton::middle, true);
    router.key(vk_up, true);
    EXPECT_TRUE(router.any_button_held());
    router.buttons_lost();
    EXPECT_FALSE(router.any_button_held());
    EXPECT_EQ(demo.calls, (Calls{"enter up", "shift up", "escape up", "left up", "up up",
                                 "right up", "down up", "leftbutton up", "rightbutton up",
                                 "middlebutton down", "up down", "middlebutton up"}));
}

}  // namespace
