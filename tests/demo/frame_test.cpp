#include "demo/frame.h"

#include <gtest/gtest.h>

#include <cmath>

static vec3 moved(std::initializer_list<int> held, float up = 1) {
    KeyState keys;
    for (int i : held) keys[i] = true;
    Frame frame;
    frame.up = vec3(0, up, 0);
    frame.move(keys);
    return frame.position;
}

TEST(FrameTest, ViewMatrixLookAndMove) {
    Frame frame;
    frame.position = vec3(4, 5, 6), frame.up = vec3(1, 0, 0);
    frame.reset();
    // The identity but for the right axis, (1, 0, 0) through inv_sqrt; raised by 3,
    // the translation is -3 on y.
    matrix4 view;
    for (float y : {0.0f, 3.0f}) {
        frame.position.y = y;
        frame.view_matrix(view);
        const float expected[16] = {0.99830717f, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, -y, 0, 1};
        for (int i = 0; i < 16; ++i) EXPECT_EQ(view.m[i], expected[i]) << y << ", " << i;
    }

    // 50 pixels a radian. Pointer right turns the view towards +x, so forward
    // (opposite to the viewing direction) swings to -x; pointer down turns the
    // view down. Each renormalisation through inv_sqrt may shorten a vector by
    // up to 0.17523%.
    const float s = std::sin(1.0f), c = std::cos(1.0f);
    Frame right, down;
    right.look(vec2(50, 0));
    down.look(vec2(0, 50));
    auto near = [](const vec3& v, const vec3& e) {
        EXPECT_NEAR(v.x, e.x, 5e-3f);
        EXPECT_NEAR(v.y, e.y, 5e-3f);
        EXPECT_NEAR(v.z, e.z, 5e-3f);
    };
    near(right.forward, vec3(-s, 0, c)), near(right.up, vec3(0, 1, 0));
    near(down.forward, vec3(0, s, c)), near(down.up, vec3(0, c, -s));
    vec3 v(1, 0, 0);
    rotate_about_axis(1.0f, v, vec3(0, 0, 1));  // clockwise seen from the tip of the axis
    EXPECT_EQ(v, vec3(float(std::cos(1.0)), -float(std::sin(1.0)), 0));

    using K = KeyState;
    EXPECT_EQ(moved({K::up_index}), vec3(0, 0, -0.05f));
    EXPECT_EQ(moved({K::left_index}), vec3(-0.05f, 0, 0));
    EXPECT_EQ(moved({K::up_index, K::down_index}), vec3(0, 0, 0));
    EXPECT_EQ(moved({K::enter_index, K::right_index}), vec3(0.05f, 0.05f, 0));
    EXPECT_EQ(moved({K::shift_index}), vec3(0, -0.05f, 0));
    EXPECT_EQ(moved({K::right_index}, 2), vec3(0.1f, 0, 0));  // the side is not normalised
    EXPECT_EQ(moved({K::leftbutton_index, K::escape_index, K::control_index}), vec3(0, 0, 0));
}
