// Input needs no GL: a demo that was never initialised records keys and turns
// its frames all the same.
#include <gtest/gtest.h>

#include "demo/demo.h"

namespace {

bool same_keys(const KeyState& a, const KeyState& b) {
    for (int i = 0; i < KeyState::count; ++i) {
        if (a[i] != b[i]) return false;
    }
    return true;
}

bool same_frame(const Frame& a, const Frame& b) {
    return a.position == b.position && a.up == b.up && a.forward == b.forward;
}

Frame looked(Frame f, float dx, float dy) {
    f.look(vec2(dx, dy));
    return f;
}

}  // namespace

TEST(InputTest, EveryNameSetsItsOwnEntry) {
    const char* names[] = {"leftbutton", "middlebutton", "rightbutton", "enter", "escape", "shift",
                           "control",    "up",           "left",        "down",  "right"};
    for (int index = 0; index < KeyState::count; ++index) {
        SCOPED_TRACE(names[index]);
        Demo demo;
        demo.keypress(names[index], true);
        for (int i = 0; i < KeyState::count; ++i) EXPECT_EQ(demo.keys[i], i == index) << i;
        demo.keypress(names[index], true);  // auto-repeat
        EXPECT_TRUE(demo.keys[index]);
        demo.keypress(names[index], false);
        EXPECT_FALSE(demo.keys[index]);
    }
}

TEST(InputTest, UnknownNamesChangeNothing) {
    Demo demo;
    demo.keypress("up", true);
    demo.keypress("control", true);
    const KeyState before = demo.keys;
    for (const char* name : {"Control", "UP", "", "space", "control ", "leftbutton2", "lef"}) {
        demo.keypress(name, true);
        demo.keypress(name, false);
        EXPECT_TRUE(same_keys(demo.keys, before)) << "'" << name << "'";
    }
    demo.keypress(nullptr, false);
    EXPECT_TRUE(same_keys(demo.keys, before));
}

TEST(InputTest, MouseLooksWhileTheLeftButtonIsHeldAndControlSteersTheLight) {
    Demo demo;
    const Frame camera = demo.camera;
    const Frame light = demo.light;
    EXPECT_FALSE(demo.mousemove(500, 400, 100, 100));
    demo.keypress("rightbutton", true);
    demo.keypress("middlebutton", true);
    EXPECT_FALSE(demo.mousemove(500, 400, 100, 100));
    EXPECT_TRUE(same_frame(demo.camera, camera));

    // Only the displacement counts, not the absolute position.
    demo.keypress("leftbutton", true);
    EXPECT_TRUE(demo.mousemove(9999, -5, 25, -10));
    const Frame turned = looked(camera, 25, -10);
    EXPECT_TRUE(same_frame(demo.camera, turned));
    EXPECT_TRUE(same_frame(demo.light, light));

    demo.keypress("control", true);
    EXPECT_TRUE(demo.mousemove(0, 0, -40, 15));
    const Frame steered = looked(light, -40, 15);
    EXPECT_TRUE(same_frame(demo.light, steered));
    EXPECT_TRUE(same_frame(demo.camera, turned));
    // Released: the camera turns again at once, the light keeps its new pose.
    demo.keypress("control", false);
    EXPECT_TRUE(demo.mousemove(0, 0, 10, 0));
    EXPECT_TRUE(same_frame(demo.camera, looked(turned, 10, 0)));
    EXPECT_TRUE(same_frame(demo.light, steered));
}
