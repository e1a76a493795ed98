// Input needs no GL: a demo that was never initialised records keys and turns
// its frames all the same.
#include <gtest/gtest.h>

#include <cstring>

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

}  // namespace

TEST(InputTest, EveryNameSetsItsOwnEntry) {
    const struct {
        const char* name;
        int index;
    } names[] = {{"leftbutton", 0}, {"middlebutton", 1}, {"rightbutton", 2}, {"enter", 3},
                 {"escape", 4},     {"shift", 5},        {"control", 6},     {"up", 7},
                 {"left", 8},       {"down", 9},         {"right", 10}};
    for (const auto& entry : names) {
        Demo demo;
        demo.keypress(entry.name, true);
        for (int i = 0; i < KeyState::count; ++i) {
            EXPECT_EQ(demo.keys[i], i == entry.index) << entry.name << " read at " << i;
        }
        demo.keypress(entry.name, true);  // auto-repeat
        EXPECT_TRUE(demo.keys[entry.index]);
        demo.keypress(entry.name, false);
        EXPECT_FALSE(demo.keys[entry.index]);
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

TEST(InputTest, MouseLooksOnlyWhileTheLeftButtonIsHeld) {
    Demo demo;
    const Frame camera = demo.camera;
    const Frame light = demo.light;
    EXPECT_FALSE(demo.mousemove(500, 400, 100, 100));
    demo.keypress("rightbutton", true);
    demo.keypress("middlebutton", true);
    EXPECT_FALSE(demo.mousemove(500, 400, 100, 100));
    EXPECT_TRUE(same_frame(demo.camera, camera));
    EXPECT_TRUE(same_frame(demo.light, light));

    demo.keypress("leftbutton", true);
    EXPECT_TRUE(demo.mousemove(0, 0, 25, -10));
    Frame expected = camera;
    expected.look(vec2(25, -10));
    EXPECT_TRUE(same_frame(demo.camera, expected));
    EXPECT_TRUE(same_frame(demo.light, light));

    // The absolute position plays no part.
    Demo other;
    other.keypress("leftbutton", true);
    EXPECT_TRUE(other.mousemove(9999, -5, 25, -10));
    EXPECT_TRUE(same_frame(other.camera, expected));
}

TEST(InputTest, ControlSteersTheLightUntilReleased) {
    Demo demo;
    demo.keypress("leftbutton", true);
    demo.keypress("control", true);
    const Frame camera = demo.camera;
    Frame light = demo.light;
    EXPECT_TRUE(demo.mousemove(0, 0, -40, 15));
    light.look(vec2(-40, 15));
    EXPECT_TRUE(same_frame(demo.light, light));
    EXPECT_TRUE(same_frame(demo.camera, camera));

    // Released: the camera turns again at once, the light keeps its new pose.
    demo.keypress("control", false);
    EXPECT_TRUE(demo.mousemove(0, 0, 10, 0));
    Frame turned = camera;
    turned.look(vec2(10, 0));
    EXPECT_TRUE(same_frame(demo.camera, turned));
    EXPECT_TRUE(same_frame(demo.light, light));
}

TEST(DemoTest, StartsZeroedWithDefaultFrames) {
    Demo demo;
    EXPECT_TRUE(demo.world.bodies.empty());
    EXPECT_EQ(demo.width, 0);
    EXPECT_EQ(demo.height, 0);
    EXPECT_EQ(demo.znear, 0.0f);
    EXPECT_EQ(demo.zfar, 0.0f);
    EXPECT_EQ(demo.fbo, 0);
    EXPECT_EQ(demo.depth_texture, 0);
    EXPECT_EQ(demo.color_texture, 0);
    EXPECT_EQ(demo.shadow_width, 0);
    for (float v : demo.shadow_mvp.m) EXPECT_EQ(v, 0.0f);
    for (float v : demo.projection.m) EXPECT_EQ(v, 0.0f);
    EXPECT_EQ(demo.camera.forward, vec3(0, 0, 1));
    EXPECT_EQ(demo.light.up, vec3(0, 1, 0));
    EXPECT_EQ(demo.hwnd, nullptr);
    EXPECT_EQ(demo.hdc, nullptr);
}

TEST(DemoTest, TickForwardsToTheWorld) {
    Demo demo;
    for (int i = 0; i < 119; ++i) demo.tick();
    EXPECT_TRUE(demo.world.bodies.empty());
    demo.tick();
    ASSERT_EQ(demo.world.bodies.size(), 1u);
    EXPECT_EQ(demo.world.spawn_timer, 120);
}
