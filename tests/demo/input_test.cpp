// Input needs no GL: a demo that was never initialised records keys and turns
// its frames all the same.
#include <gtest/gtest.h>

#include "demo/demo.h"

static void expect_same(const Frame& a, const Frame& b) {
    EXPECT_EQ(a.position, b.position);
    EXPECT_EQ(a.up, b.up);
    EXPECT_EQ(a.forward, b.forward);
}

TEST(InputTest, EachNameItsOwnEntryAndMouseLookWhileTheLeftButtonIsHeld) {
    const char* names[] = {"leftbutton", "middlebutton", "rightbutton", "enter", "escape", "shift",
                           "control",    "up",           "left",        "down",  "right"};
    const char* unknown[] = {"Control", "UP", "", "space", "control ", "lef", nullptr};
    for (int index = 0; index < KeyState::count; ++index) {
        Demo demo;
        demo.keypress(names[index], true);
        demo.keypress(names[index], true);  // auto-repeat
        for (const char* name : unknown) demo.keypress(name, true);
        for (int i = 0; i < KeyState::count; ++i)
            EXPECT_EQ(demo.keys[i], i == index) << names[index] << ", " << i;
        for (const char* name : unknown) demo.keypress(name, false);
        EXPECT_TRUE(demo.keys[index]) << names[index];
        demo.keypress(names[index], false);
        EXPECT_FALSE(demo.keys[index]) << names[index];
    }

    Demo demo;
    Frame camera = demo.camera, light = demo.light;
    demo.keypress("rightbutton", true), demo.keypress("middlebutton", true);
    EXPECT_FALSE(demo.mousemove(500, 400, 100, 100));
    demo.keypress("leftbutton", true);
    EXPECT_TRUE(demo.mousemove(9999, -5, 25, -10));  // only the displacement counts
    camera.look(vec2(25, -10));
    demo.keypress("control", true);
    EXPECT_TRUE(demo.mousemove(0, 0, -40, 15));
    light.look(vec2(-40, 15));
    expect_same(demo.camera, camera), expect_same(demo.light, light);
    // Released: the camera turns again at once; the light keeps its new pose.
    demo.keypress("control", false);
    EXPECT_TRUE(demo.mousemove(0, 0, 10, 0));
    camera.look(vec2(10, 0));
    expect_same(demo.camera, camera), expect_same(demo.light, light);
}
