#include "host/event_router.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "host/key_table.h"

namespace {

using Calls = std::vector<std::string>;

// Records every call the router makes, in order, as one line each.
struct RecordingDemo {
    Calls calls;
    bool wants_recentre = true;

    template <class... Parts>
    void record(const char* operation, const Parts&... parts) {
        std::ostringstream line;
        line << operation;
        ((line << ' ' << parts), ...);
        calls.push_back(line.str());
    }
    int init(int* window, int* context) {
        record("init", *window, *context);
        return -1;
    }
    void resize(int width, int height) { record("resize", width, height); }
    void tick() { record("tick"); }
    void render() { record("render"); }
    void keypress(const char* name, bool pressed) {
        record("keypress", name, pressed ? "down" : "up");
    }
    bool mousemove(int x, int y, int dx, int dy) {
        record("mousemove", x, y, dx, dy);
        return wants_recentre;
    }
    void destroy() { record("destroy"); }
};

class EventRouterTest : public ::testing::Test {
  protected:
    RecordingDemo demo;
    EventRouter<RecordingDemo> router{demo};
};

TEST(KeyTable, NamesEveryKeyOfTheTableByItsCode) {
    const struct {
        unsigned code;
        const char* name;
    } keys[] = {{13, "enter"}, {16, "shift"}, {17, "control"}, {27, "escape"},
                {37, "left"},  {38, "up"},    {39, "right"},   {40, "down"}};
    for (const auto& k : keys) EXPECT_STREQ(key_name(k.code), k.name) << k.code;
    // Neighbours and look-alikes stay out: Alt (18), Space, Page Down, Insert, 'A', F4.
    for (unsigned code : {0u, 12u, 14u, 18u, 32u, 34u, 36u, 41u, 45u, 65u, 115u, 160u, 162u}) {
        EXPECT_EQ(key_name(code), nullptr) << code;
    }
    EXPECT_STREQ(button_name(MouseButton::left), "leftbutton");
    EXPECT_STREQ(button_name(MouseButton::right), "rightbutton");
    EXPECT_STREQ(button_name(MouseButton::middle), "middlebutton");
}

TEST_F(EventRouterTest, PassesLifecycleCallsThroughInOrderAndCountsTicks) {
    int window = 7, context = 9;
    EXPECT_EQ(router.init(&window, &context), -1);
    router.size(800, 600);
    router.render();
    for (int i = 0; i < 3; ++i) router.timer();
    router.destroy();
    EXPECT_EQ(router.timer_count, 3);
    EXPECT_EQ(router.last_move_count, 0);
    EXPECT_EQ(demo.calls,
              (Calls{"init 7 9", "resize 800 600", "render", "tick", "tick", "tick", "destroy"}));
}

TEST_F(EventRouterTest, CentreIsTheIntegerHalfOfEachSize) {
    // The last one is a minimised window: passed on as it is.
    const int sizes[3][4] = {{641, 481, 320, 240}, {1, 3, 0, 1}, {0, 0, 0, 0}};
    for (const auto& s : sizes) {
        router.size(s[0], s[1]);
        EXPECT_EQ(router.xcenter, s[2]) << s[0];
        EXPECT_EQ(router.ycenter, s[3]) << s[1];
    }
    EXPECT_EQ(demo.calls, (Calls{"resize 641 481", "resize 1 3", "resize 0 0"}));
}

TEST_F(EventRouterTest, KeysAndButtonsGoByNameAutoRepeatIncluded) {
    EXPECT_TRUE(router.key(vk_up, true));
    EXPECT_TRUE(router.key(vk_up, true));
    EXPECT_TRUE(router.key(vk_up, false));
    EXPECT_FALSE(router.key(65, true));
    EXPECT_FALSE(router.key(18, false));
    router.button(MouseButton::right, true);
    router.button(MouseButton::right, false);
    router.button(MouseButton::middle, true);
    EXPECT_EQ(demo.calls, (Calls{"keypress up down", "keypress up down", "keypress up up",
                                 "keypress rightbutton down", "keypress rightbutton up",
                                 "keypress middlebutton down"}));
}

TEST_F(EventRouterTest, AtMostOneMovePerTickMeasuredFromTheCentre) {
    router.size(800, 600);
    // No tick yet: the counters are equal, so nothing gets through.
    EXPECT_FALSE(router.mouse_move(5, 5));
    router.timer();
    // Far from the centre: the whole distance is the delta; the answer asks for the warp.
    EXPECT_TRUE(router.mouse_move(10, 590));
    EXPECT_FALSE(router.mouse_move(160, 30));
    EXPECT_FALSE(router.mouse_move(170, 40));
    EXPECT_EQ(router.last_move_count, 1);
    demo.wants_recentre = false;
    router.timer();
    router.timer();
    EXPECT_FALSE(router.mouse_move(403, 299));
    EXPECT_EQ(router.last_move_count, 3);
    EXPECT_EQ(demo.calls, (Calls{"resize 800 600", "tick", "mousemove 10 590 -390 290", "tick",
                                 "tick", "mousemove 403 299 3 -1"}));
}

TEST_F(EventRouterTest, MoveOntoTheCentreIsIgnoredAndDoesNotUseTheTick) {
    router.size(300, 201);
    router.timer();
    EXPECT_TRUE(router.mouse_move(20, 20));
    router.timer();
    // The warp's own move, even right after a move elsewhere.
    EXPECT_FALSE(router.mouse_move(150, 100));
    EXPECT_EQ(router.last_move_count, 1);
    // The tick is still unused, so the next real move gets through.
    EXPECT_TRUE(router.mouse_move(151, 100));
    EXPECT_EQ(demo.calls, (Calls{"resize 300 201", "tick", "mousemove 20 20 -130 -80", "tick",
                                 "mousemove 151 100 1 0"}));
}

TEST_F(EventRouterTest, FocusLossReleasesEveryKeyAndButtonStillHeldOnce) {
    // Pressed out of table order; control and the middle button come up before.
    for (unsigned code : {40u, 17u, 13u, 39u, 16u, 38u, 27u, 37u}) router.key(code, true);
    for (MouseButton b : {MouseButton::middle, MouseButton::left, MouseButton::right}) {
        router.button(b, true);
    }
    router.key(vk_control, false);
    router.button(MouseButton::middle, false);
    demo.calls.clear();
    router.focus_lost();
    EXPECT_EQ(demo.calls,
              (Calls{"keypress enter up", "keypress shift up", "keypress escape up",
                     "keypress left up", "keypress up up", "keypress right up", "keypress down up",
                     "keypress leftbutton up", "keypress rightbutton up"}));
    // Already released: a second loss adds nothing, the late key-up holds
    // nothing, and what is pressed again is released again.
    demo.calls.clear();
    router.focus_lost();
    EXPECT_TRUE(demo.calls.empty());
    router.key(vk_up, false);
    router.key(vk_control, true);
    router.button(MouseButton::middle, true);
    router.focus_lost();
    EXPECT_EQ(demo.calls,
              (Calls{"keypress up up", "keypress control down", "keypress middlebutton down",
                     "keypress control up", "keypress middlebutton up"}));
}

}  // namespace
