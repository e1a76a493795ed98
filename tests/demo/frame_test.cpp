#include "demo/frame.h"

#include <gtest/gtest.h>

#include <cmath>

#include "math/fast_math.h"

namespace {

// Each renormalisation through inv_sqrt may shorten a vector by up to 0.17523%.
void expect_near(const vec3& v, const vec3& e) {
    EXPECT_NEAR(v.x, e.x, 0.004f);
    EXPECT_NEAR(v.y, e.y, 0.004f);
    EXPECT_NEAR(v.z, e.z, 0.004f);
}

Frame looked(float dx, float dy) {
    Frame frame;
    frame.look(vec2(dx, dy));
    return frame;
}

vec3 moved(std::initializer_list<int> held, const vec3& up = vec3(0, 1, 0)) {
    KeyState keys;
    for (int i : held) keys[i] = true;
    Frame frame;
    frame.up = up;
    frame.move(keys);
    return frame.position;
}

}  // namespace

TEST(FrameTest, ResetGivesTheIdentityViewAndARaisedFrameMovesDown) {
    Frame frame;
    frame.position = vec3(4, 5, 6);
    frame.up = vec3(1, 0, 0);
    frame.reset();
    EXPECT_EQ(frame.position, vec3(0, 0, 0));
    EXPECT_EQ(frame.up, vec3(0, 1, 0));
    EXPECT_EQ(frame.forward, vec3(0, 0, 1));
    // The right axis is (1, 0, 0) normalised by inv_sqrt, the only inexact entry.
    const float one = inv_sqrt(1.0f);
    EXPECT_NEAR(one, 1.0f, 0.0018f);
    float expected[16] = {one, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    matrix4 view;
    frame.view_matrix(view);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(view.m[i], expected[i]) << "element " << i;

    frame.position = vec3(0, 3, 0);
    expected[13] = -3;
    frame.view_matrix(view);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(view.m[i], expected[i]) << "raised, " << i;

    matrix3 b;
    frame.basis(b);  // columns -forward, up, right
    const float basis[9] = {0, 0, -1, 0, 1, 0, one, 0, 0};
    for (int i = 0; i < 9; ++i) EXPECT_EQ(b.m[i], basis[i]) << "basis element " << i;
}

TEST(FrameTest, LookByFiftyPixelsTurnsOneRadian) {
    const float s = std::sin(1.0f);
    const float c = std::cos(1.0f);
    // Pointer right turns the view towards +x, so forward (opposite to the
    // viewing direction) swings to -x.
    expect_near(looked(50, 0).forward, vec3(-s, 0, c));
    expect_near(looked(50, 0).up, vec3(0, 1, 0));
    // Pointer down turns the view down.
    expect_near(looked(0, 50).forward, vec3(0, s, c));
    expect_near(looked(0, 50).up, vec3(0, c, -s));
    EXPECT_EQ(looked(0, 50).position, vec3(0, 0, 0));
}

TEST(FrameTest, MoveStepsByHeldKeys) {
    EXPECT_EQ(moved({KeyState::up_index}), vec3(0, 0, -0.05f));
    EXPECT_EQ(moved({KeyState::left_index}), vec3(-0.05f, 0, 0));
    EXPECT_EQ(moved({KeyState::up_index, KeyState::down_index}), vec3(0, 0, 0));
    EXPECT_EQ(moved({KeyState::enter_index, KeyState::right_index}), vec3(0.05f, 0.05f, 0));
    EXPECT_EQ(moved({KeyState::shift_index}), vec3(0, -0.05f, 0));
    // The side is cross(up, forward), not normalised: twice the step here.
    EXPECT_EQ(moved({KeyState::right_index}, vec3(0, 2, 0)), vec3(0.1f, 0, 0));
    EXPECT_EQ(moved({KeyState::leftbutton_index, KeyState::middlebutton_index,
                     KeyState::rightbutton_index, KeyState::escape_index, KeyState::control_index}),
              vec3(0, 0, 0));
}

TEST(RotateAboutAxisTest, PositiveAngleTurnsClockwiseFromTheTip) {
    vec3 v(1, 0, 0);
    rotate_about_axis(1.0f, v, vec3(0, 0, 1));
    EXPECT_EQ(v, vec3(static_cast<float>(std::cos(1.0)), -static_cast<float>(std::sin(1.0)), 0));
}
