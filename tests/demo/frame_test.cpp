#include "demo/frame.h"

#include <gtest/gtest.h>

#include <cmath>

#include "math/fast_math.h"

namespace {

// Each renormalisation through inv_sqrt may shorten a vector by up to 0.17523%.
constexpr float normalize_tolerance = 0.004f;

void expect_near(const vec3& v, float x, float y, float z, float tolerance) {
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}

KeyState holding(std::initializer_list<int> indices) {
    KeyState keys;
    for (int i : indices) keys[i] = true;
    return keys;
}

}  // namespace

TEST(KeyStateTest, NamesSitAtTheirFixedIndices) {
    const struct {
        bool KeyState::*member;
        int index;
    } order[] = {
        {&KeyState::leftbutton, 0}, {&KeyState::middlebutton, 1}, {&KeyState::rightbutton, 2},
        {&KeyState::enter, 3},      {&KeyState::escape, 4},       {&KeyState::shift, 5},
        {&KeyState::control, 6},    {&KeyState::up, 7},           {&KeyState::left, 8},
        {&KeyState::down, 9},       {&KeyState::right, 10}};
    for (const auto& entry : order) {
        KeyState keys;
        keys.*entry.member = true;
        for (int i = 0; i < KeyState::count; ++i) {
            EXPECT_EQ(keys[i], i == entry.index) << "set entry " << entry.index << ", read " << i;
        }
    }
}

TEST(FrameTest, ResetGivesTheIdentityView) {
    Frame frame;
    frame.position = vec3(4, 5, 6);
    frame.up = vec3(1, 0, 0);
    frame.reset();
    EXPECT_EQ(frame.position, vec3(0, 0, 0));
    EXPECT_EQ(frame.up, vec3(0, 1, 0));
    EXPECT_EQ(frame.forward, vec3(0, 0, 1));

    matrix4 view;
    frame.view_matrix(view);
    // The right axis is (1, 0, 0) normalised by inv_sqrt, the only inexact entry.
    const float one = inv_sqrt(1.0f);
    const float expected[16] = {one, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    for (int i = 0; i < 16; ++i) EXPECT_EQ(view.m[i], expected[i]) << "element " << i;
    EXPECT_NEAR(one, 1.0f, 0.0018f);
}

TEST(FrameTest, RaisedFrameTranslatesByMinusItsHeight) {
    Frame frame;
    frame.position = vec3(0, 3, 0);
    matrix4 view;
    frame.view_matrix(view);
    EXPECT_EQ(view.m[13], -3.0f);
    EXPECT_EQ(view.m[12], 0.0f);
    EXPECT_EQ(view.m[14], 0.0f);
    EXPECT_EQ(view.m[5], 1.0f);
    EXPECT_EQ(view.m[10], 1.0f);
    EXPECT_EQ(view.m[15], 1.0f);
}

TEST(FrameTest, ViewMatrixRowsAreRightUpForward) {
    Frame frame;
    frame.position = vec3(1, 2, 3);
    frame.look(vec2(20, -10));
    matrix4 view;
    frame.view_matrix(view);
    vec3 right = cross(frame.up, frame.forward);
    right.normalize();
    // The position maps to the view-space origin.
    const vec4 eye = view.transform(vec4(1, 2, 3, 1));
    EXPECT_NEAR(eye.x, 0, 1e-5);
    EXPECT_NEAR(eye.y, 0, 1e-5);
    EXPECT_NEAR(eye.z, 0, 1e-5);
    // A point along forward lands on view-space +z (forward is not negated).
    const vec3 ahead = frame.position + frame.forward * 5.0f;
    const vec4 p = view.transform(vec4(ahead.x, ahead.y, ahead.z, 1));
    EXPECT_NEAR(p.x, 0, 1e-4);
    EXPECT_NEAR(p.y, 0, 1e-4);
    EXPECT_NEAR(p.z, 5 * frame.forward.squared_length(), 1e-4);
    EXPECT_EQ(view.m[0], right.x);
    EXPECT_EQ(view.m[4], right.y);
    EXPECT_EQ(view.m[8], right.z);
}

TEST(FrameTest, LookByFiftyPixelsTurnsOneRadian) {
    const float s = std::sin(1.0f);
    const float c = std::cos(1.0f);

    Frame still;
    still.look(vec2(0, 0));
    expect_near(still.forward, 0, 0, 1, normalize_tolerance);
    expect_near(still.up, 0, 1, 0, normalize_tolerance);

    // Pointer right: the view turns right, towards +x; forward (opposite to the
    // viewing direction) swings to -x.
    Frame yaw;
    yaw.look(vec2(50, 0));
    expect_near(yaw.forward, -s, 0, c, normalize_tolerance);
    expect_near(yaw.up, 0, 1, 0, normalize_tolerance);

    // Pointer down: the view turns down.
    Frame pitch;
    pitch.look(vec2(0, 50));
    expect_near(pitch.forward, 0, s, c, normalize_tolerance);
    expect_near(pitch.up, 0, c, -s, normalize_tolerance);
    EXPECT_EQ(pitch.position, vec3(0, 0, 0));
}

TEST(FrameTest, MoveStepsByHeldKeys) {
    Frame forward;
    forward.move(holding({KeyState::up_index}));
    EXPECT_EQ(forward.position, vec3(0, 0, -0.05f));

    Frame strafe;
    strafe.move(holding({KeyState::left_index}));
    EXPECT_EQ(strafe.position, vec3(-0.05f, 0, 0));

    Frame both;
    both.move(holding({KeyState::up_index, KeyState::down_index}));
    EXPECT_EQ(both.position, vec3(0, 0, 0));

    Frame rise;
    rise.move(holding({KeyState::enter_index, KeyState::right_index}));
    EXPECT_EQ(rise.position, vec3(0.05f, 0.05f, 0));
    rise.move(holding({KeyState::shift_index}));
    EXPECT_EQ(rise.position, vec3(0.05f, 0, 0));

    // Buttons, escape and control move nothing.
    Frame idle;
    idle.move(
        holding({KeyState::leftbutton_index, KeyState::middlebutton_index,
                 KeyState::rightbutton_index, KeyState::escape_index, KeyState::control_index}));
    EXPECT_EQ(idle.position, vec3(0, 0, 0));
    EXPECT_EQ(idle.forward, vec3(0, 0, 1));
}

TEST(FrameTest, MoveUsesTheUnnormalisedSide) {
    Frame frame;
    frame.up = vec3(0, 2, 0);
    frame.move(holding({KeyState::right_index}));
    // cross((0, 2, 0), (0, 0, 1)) is (2, 0, 0): twice the step.
    EXPECT_EQ(frame.position, vec3(0.1f, 0, 0));
}

TEST(RotateAboutAxisTest, PositiveAngleTurnsClockwiseFromTheTip) {
    const float c = static_cast<float>(std::cos(1.0));
    const float s = static_cast<float>(std::sin(1.0));
    vec3 v(1, 0, 0);
    rotate_about_axis(1.0f, v, vec3(0, 0, 1));
    EXPECT_EQ(v, vec3(c, -s, 0));

    vec3 along(0, 0, 2);
    rotate_about_axis(0.7f, along, vec3(0, 0, 1));
    EXPECT_NEAR(along.x, 0, 1e-6);
    EXPECT_NEAR(along.y, 0, 1e-6);
    EXPECT_NEAR(along.z, 2, 1e-6);
}

TEST(FrameTest, BasisColumnsAreMinusForwardUpRight) {
    Frame frame;
    matrix3 b;
    frame.basis(b);
    const float one = inv_sqrt(1.0f);
    const float expected[9] = {0, 0, -1, 0, 1, 0, one, 0, 0};
    for (int i = 0; i < 9; ++i) EXPECT_EQ(b.m[i], expected[i]) << "element " << i;
}
