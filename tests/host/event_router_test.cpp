#include "host/event_router.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/key_table.h"

namespace {

// Records every call the router makes, in order, as one line each.
struct RecordingDemo {
    std::vector<std::string> calls;
    bool wants_recentre = true;

    int init(int* window, int* context) {
        calls.push_back("init " + std::to_string(*window) + " " + std::to_string(*context));
        return -1;
    }
    void resize(int width, int height) {
        calls.push_back("resize " + std::to_string(width) + " " + std::to_string(height));
    }
    void tick() { calls.push_back("tick"); }
    void render() { calls.push_back("render"); }
    void keypress(const char* name, bool pressed) {
        calls.push_back(std::string("keypress ") + name + (pressed ? " down" : " up"));
    }
    bool mousemove(int x, int y, int dx, int dy) {
        calls.push_back("mousemove " + std::to_string(x) + " " + std::to_string(y) + " " +
                        std::to_string(dx) + " " + std::to_string(dy));
        return wants_recentre;
    }
    void destroy() { calls.push_back("destroy"); }
};

using Calls = std::vector<std::string>;

TEST(KeyTable, NamesEveryKeyOfTheTableByItsCode) {
    EXPECT_STREQ(key_name(13), "enter");
    EXPECT_STREQ(key_name(16), "shift");
    EXPECT_STREQ(key_name(17), "control");
    EXPECT_STREQ(key_name(27), "escape");
    EXPECT_STREQ(key_name(37), "left");
    EXPECT_STREQ(key_name(38), "up");
    EXPECT_STREQ(key_name(39), "right");
    EXPECT_STREQ(key_name(40), "down");
    // Neighbours and look-alikes stay out: Alt (18), Space, Page Down, Insert, 'A', F4.
    for (unsigned code : {0u, 12u, 14u, 18u, 32u, 34u, 36u, 41u, 45u, 65u, 115u, 160u, 162u}) {
        EXPECT_EQ(key_name(code), nullptr) << code;
    }
    EXPECT_STREQ(button_name(MouseButton::left), "leftbutton");
    EXPECT_STREQ(button_name(MouseButton::right), "rightbutton");
    EXPECT_STREQ(button_name(MouseButton::middle), "middlebutton");
}

TEST(EventRouter, PassesLifecycleCallsThroughInOrder) {
    RecordingDemo demo;
    EventRouter<RecordingDemo> router(demo);
    int window = 7, context = 9;
    EXPECT_EQ(router.init(&window, &context), -1);
    router.size(800, 600);
    router.render();
    router.timer();
    router.destroy();
    EXPECT_EQ(demo.calls, (Calls{"init 7 9", "resize 800 600", "render", "tick", "destroy"}));
}

TEST(EventRouter, CentreIsTheIntegerHalfOfEachSize) {
    RecordingDemo demo;
    EventRouter<RecordingDemo> router(demo);
    router.size(641, 481);
    EXPECT_EQ(router.xcenter, 320);
    EXPECT_EQ(router.ycenter, 240);
    router.size(1, 3);
    EXPECT_EQ(router.xcenter, 0);
    EXPECT_EQ(router.ycenter, 1);
    // Minimised: passed on as it is.
    router.size(0, 0);
    EXPECT_EQ(router.xcenter, 0);
    EXPECT_EQ(router.ycenter, 0);
    EXPECT_EQ(demo.calls, (Calls{"resize 641 481", "resize 1 3", "resize 0 0"}));
}

TEST(EventRouter, CountsTicks) {
    RecordingDemo demo;
    EventRouter<RecordingDemo> router(demo);
    for (int i = 0; i < 3; ++i) router.timer();
    EXPECT_EQ(router.timer_count, 3);
    EXPECT_EQ(router.last_move_count, 0);
    EXPECT_EQ(demo.calls, (Calls{"tick", "tick", "tick"}));
}

TEST(EventRouter, KeysAndButtonsGoByNameAutoRepeatIncluded) {
    RecordingDemo demo;
    EventRouter<RecordingDemo> router(demo);
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

TEST(EventRouter, FirstAcceptedMoveMeasuresFromTheCentre) {
    RecordingDemo demo;
    EventRouter<RecordingDemo> router(demo);
    router.size(800, 600);
    router.timer();
    demo.calls.clear();
    router.button(MouseButton::left, true);
    // Far from the centre: the whole distance is the delta; the answer asks for the warp.
    EXPECT_TRUE(router.mouse_move(10, 590));
    EXPECT_EQ(router.last_move_count, 1);
    demo.wants_recentre = false;
    router.timer();
    EXPECT_FALSE(router.mouse_move(403, 299));
    EXPECT_EQ(demo.calls, (Calls{"keypress leftbutton down", "mousemove 10 590 -390 290", "tick",
                                 "mousemove 403 299 3 -1"}));
}

TEST(EventRouter, AtMostOneMovePerTickReachesTheDemo) {
    RecordingDemo demo;
    EventRouter<RecordingDemo> router(demo);
    router.size(200, 100);
    // No tick yet: the counters are equal, so nothing gets through.
    EXPECT_FALSE(router.mouse_move(5, 5));
    router.timer();
    EXPECT_TRUE(router.mouse_move(150, 20));
    EXPECT_FALSE(router.mouse_move(160, 30));
    EXPECT_FALSE(router.mouse_move(170, 40));
    router.timer();
    router.timer();
    EXPECT_TRUE(router.mouse_move(90, 60));
    EXPECT_EQ(router.last_move_count, 3);
    EXPECT_EQ(demo.calls, (Calls{"resize 200 100", "tick", "mousemove 150 20 50 -30", "tick",
                                 "tick", "mousemove 90 60 -10 10"}));
}

TEST(EventRouter, MoveOntoTheCentreIsIgnoredAndDoesNotUseTheTick) {
    RecordingDemo demo;
    EventRouter<RecordingDemo> router(demo);
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

TEST(EventRouter, FocusLossReleasesEverythingHeldOnce) {
    RecordingDemo demo;
    EventRouter<RecordingDemo> router(demo);
    router.key(vk_right, true);
    router.key(vk_control, true);
    router.key(vk_up, true);
    router.button(MouseButton::left, true);
    router.button(MouseButton::middle, true);
    router.key(vk_control, false);
    router.button(MouseButton::middle, false);
    demo.calls.clear();
    router.focus_lost();
    EXPECT_EQ(demo.calls, (Calls{"keypress up up", "keypress right up", "keypress leftbutton up"}));
    // Already released: a second loss, or the late key-up, adds nothing held.
    demo.calls.clear();
    router.focus_lost();
    EXPECT_TRUE(demo.calls.empty());
    router.key(vk_up, false);
    router.focus_lost();
    EXPECT_EQ(demo.calls, (Calls{"keypress up up"}));
}

TEST(EventRouter, FocusLossCoversEveryKeyAndButton) {
    RecordingDemo demo;
    EventRouter<RecordingDemo> router(demo);
    for (unsigned code : {13u, 16u, 17u, 27u, 37u, 38u, 39u, 40u}) router.key(code, true);
    for (MouseButton b : {MouseButton::left, MouseButton::right, MouseButton::middle}) {
        router.button(b, true);
    }
    demo.calls.clear();
    router.focus_lost();
    EXPECT_EQ(demo.calls, (Calls{"keypress enter up", "keypress shift up", "keypress control up",
                                 "keypress escape up", "keypress left up", "keypress up up",
                                 "keypress right up", "keypress down up", "keypress leftbutton up",
                                 "keypress rightbutton up", "keypress middlebutton up"}));
}

}  // namespace
