// Frames rendered by the demo on a headless pbuffer, read back and checked by
// rules computed from the light, the camera and the bodies' positions.
#include <EGL/egl.h>
#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "host/headless/headless_host.h"
#include "tests/demo/scene_probe.h"
#include "tests/support/output_capture.h"
#include "tests/support/temp_dir.h"

namespace {

constexpr int width = 320;
constexpr int height = 240;

class DemoRenderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        copy_shaders_here();
        std::string error;
        ASSERT_TRUE(host.start(width, height, error)) << error;
        ASSERT_TRUE(host.program_loaded());
    }

    Demo& demo() { return host.demo(); }

    Image frame() const { return Image(width, height, host.read_pixels()); }

    WindowPoint seen_by_camera(const vec3& p) {
        return project(camera_view(demo()), demo().projection, p, width, height);
    }

    // The floor point in the camera pass (y = 0) that the light sees through
    // `p`: where p's shadow falls.
    static vec3 shadow_on_floor(const vec3& light, const vec3& p) {
        const float t = light.y / (light.y - p.y);
        return light + (p - light) * t;
    }

    std::vector<float> shadow_map() {
        std::vector<float> depth(static_cast<std::size_t>(demo().shadow_width) *
                                 static_cast<std::size_t>(demo().shadow_height));
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(demo().depth_texture));
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT, GL_FLOAT, depth.data());
        glBindTexture(GL_TEXTURE_2D, 0);
        return depth;
    }

    ScopedTempDir dir;
    HeadlessHost host;
};

std::vector<float> uniform_floats(GLuint program, GLint location, int count) {
    std::vector<float> v(static_cast<std::size_t>(count));
    glGetUniformfv(program, location, v.data());
    return v;
}

std::vector<float> floats(const matrix4& m) {
    return std::vector<float>(m.m, m.m + 16);
}

// The box diagonal positions used by several tests: apart from each other both
// in the camera's picture and in the light's.
vec3 row_position(int i) {
    return vec3(-3.0f + 2.0f * static_cast<float>(i), 1.5f, -6.0f - 2.5f * static_cast<float>(i));
}

}  // namespace

TEST_F(DemoRenderTest, InitPlacesTheSceneAndTheTarget) {
    EXPECT_EQ(demo().znear, 1.0f);
    EXPECT_EQ(demo().zfar, 1001.0f);
    EXPECT_EQ(demo().shadow_width, 2048);
    EXPECT_EQ(demo().shadow_height, 2048);
    EXPECT_EQ(demo().light.position, vec3(-32, 12, 0));
    vec3 forward(-0.8454f, 0.3135f, 0.4286f);
    vec3 up(0.2796f, 0.9478f, -0.1418f);
    EXPECT_EQ(demo().light.forward, forward.normalize());
    EXPECT_EQ(demo().light.up, up.normalize());
    EXPECT_EQ(demo().camera.position, vec3(0, 3, 0));
    EXPECT_EQ(demo().camera.forward, vec3(0, 0, 1));
    EXPECT_EQ(demo().width, width);
    EXPECT_EQ(demo().height, height);

    matrix4 expected;
    expected.perspective(45, (float)width / (float)height, 1.0f, 1001.0f, false);
    EXPECT_EQ(std::memcmp(expected.m, demo().projection.m, sizeof(expected.m)), 0);

    GLfloat clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_EQ(clear[0], 0.0f);
    EXPECT_EQ(clear[1], 0.0f);
    EXPECT_EQ(clear[2], 0.0f);
    EXPECT_EQ(clear[3], 1.0f);
    GLint value = 0;
    glGetIntegerv(GL_FRONT_FACE, &value);
    EXPECT_EQ(value, GL_CCW);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));

    ASSERT_NE(demo().fbo, 0);
    ASSERT_NE(demo().depth_texture, 0);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(demo().depth_texture));
    GLint w = 0, h = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
    glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_EQ(w, 2048);
    EXPECT_EQ(h, 2048);
}

TEST_F(DemoRenderTest, OnlyTheFloorBeforeTheFirstSpawn) {
    for (int i = 0; i < 119; ++i) {
        host.tick();
        host.render();
    }
    ASSERT_TRUE(demo().world.bodies.empty());
    const Image image = frame();
    // The far edge of the floor is the horizon, a little below the centre.
    const WindowPoint horizon = seen_by_camera(vec3(0, 0, -500));
    ASSERT_TRUE(horizon.visible);
    int checked = 0;
    for (int y = 0; y < height; ++y) {
        if (std::abs(y - horizon.y) <= 1) continue;
        for (int x = 0; x < width; ++x) {
            const Rgb c = image.at(x, y);
            if (y < horizon.y) {
                // Lit dark green: 0.3 of full green.
                ASSERT_TRUE(c.r == 0 && c.b == 0 && (c.g == 76 || c.g == 77))
                    << describe(c) << " at " << x << "," << y;
            } else {
                ASSERT_TRUE(c.r == 0 && c.g == 0 && c.b == 0)
                    << describe(c) << " at " << x << "," << y;
            }
            ++checked;
        }
    }
    EXPECT_GT(checked, width * (height - 3) - 1);

    host.tick();
    EXPECT_EQ(demo().world.bodies.size(), 1u);
}

TEST_F(DemoRenderTest, SpawnedBoxesAreRedThenBlue) {
    for (int i = 0; i < 120; ++i) host.tick();
    host.render();
    ASSERT_EQ(demo().world.bodies.size(), 1u);
    WindowPoint first = seen_by_camera(demo().world.bodies[0]->position);
    ASSERT_TRUE(first.visible);
    EXPECT_TRUE(is_red(frame().at(first))) << describe(frame().at(first));

    for (int i = 0; i < 120; ++i) host.tick();
    host.render();
    ASSERT_EQ(demo().world.bodies.size(), 2u);
    // The new body has moved one step from the spawn point.
    WindowPoint second = seen_by_camera(demo().world.bodies[1]->position);
    ASSERT_TRUE(second.visible);
    EXPECT_TRUE(is_blue(frame().at(second))) << describe(frame().at(second));
}

TEST_F(DemoRenderTest, BoxColoursFollowListOrder) {
    for (int i = 0; i < 5; ++i) add_body(demo(), row_position(i));
    host.render();
    const Image image = frame();
    for (int i = 0; i < 5; ++i) {
        const WindowPoint p = seen_by_camera(row_position(i));
        ASSERT_TRUE(p.visible) << i;
        const Rgb c = image.at(p);
        if (i % 2 == 0) {
            EXPECT_TRUE(is_red(c)) << "body " << i << " " << describe(c);
        } else {
            EXPECT_TRUE(is_blue(c)) << "body " << i << " " << describe(c);
        }
    }
}

TEST_F(DemoRenderTest, BoxShadowDarkensTheFloorWhereTheLightIsBlocked) {
    const vec3 box(0, 1, -10);
    add_body(demo(), box);
    host.render();
    const Image image = frame();

    const vec3 shadow = shadow_on_floor(demo().light.position, box);
    // Across the light's direction on the floor, well clear of the shadow.
    vec3 across(-demo().light.forward.z, 0, demo().light.forward.x);
    across.normalize();
    const WindowPoint dark = seen_by_camera(shadow);
    const WindowPoint lit_near = seen_by_camera(shadow + across * 1.5f);
    const WindowPoint lit_far = seen_by_camera(shadow - across * 1.5f);
    ASSERT_TRUE(dark.visible && lit_near.visible && lit_far.visible);

    const Rgb d = image.at(dark);
    const Rgb a = image.at(lit_near);
    const Rgb b = image.at(lit_far);
    EXPECT_TRUE(is_floor_green(d) && is_floor_green(a) && is_floor_green(b))
        << describe(d) << describe(a) << describe(b);
    EXPECT_LT(d.g, 40) << describe(d);
    EXPECT_GE(a.g, 76) << describe(a);
    EXPECT_GE(b.g, 76) << describe(b);

    // Without the box the same place is lit.
    demo().world.bodies.clear();
    host.render();
    EXPECT_GE(frame().at(dark).g, 76);
}

TEST_F(DemoRenderTest, BoxInAnotherBoxsShadowIsDarkened) {
    // `open` stands in the light; `shaded` further along the same light ray,
    // clear of it, so `open` hides it from the light but not from the camera.
    const vec3 light = demo().light.position;
    const vec3 open(-2, 3, -8);
    const vec3 shaded = light + (open - light) * 1.12f;
    add_body(demo(), open);
    add_body(demo(), shaded);
    host.render();
    const Image image = frame();

    const WindowPoint p_open = seen_by_camera(open);
    const WindowPoint p_shaded = seen_by_camera(shaded);
    ASSERT_TRUE(p_open.visible && p_shaded.visible);
    const Rgb red = image.at(p_open);
    const Rgb blue = image.at(p_shaded);
    EXPECT_TRUE(is_red(red)) << describe(red);
    EXPECT_GE(red.r, 254) << "the box in the open is lit: " << describe(red);
    EXPECT_TRUE(is_blue(blue)) << describe(blue);
    EXPECT_LT(blue.b, 128) << "the box in the shadow is darkened: " << describe(blue);

    // Moved out of the ray, the second box is lit as well.
    demo().world.bodies[1]->position = shaded + vec3(0, 0, 2);
    host.render();
    const Rgb moved = frame().at(seen_by_camera(shaded + vec3(0, 0, 2)));
    EXPECT_TRUE(is_blue(moved)) << describe(moved);
    EXPECT_GE(moved.b, 254) << describe(moved);
}

TEST_F(DemoRenderTest, UploadsPlaceEachObjectInTheLightsView) {
    const GLuint program = static_cast<GLuint>(demo().shadowmap.program_handle);
    host.render();
    // Floor only: the frame's own matrix, and the identity model in the camera pass.
    EXPECT_EQ(uniform_floats(program, demo().shadowmap.shadowmvp_location, 16),
              floats(demo().shadow_mvp));
    EXPECT_EQ(uniform_floats(program, demo().shadowmap.mvp_location, 16),
              floats(demo().view.premultiply(matrix4::identity()) * demo().projection));

    RigidBody& body = add_body(demo(), vec3(1, 2, -7));
    host.render();
    EXPECT_EQ(uniform_floats(program, demo().shadowmap.shadowmvp_location, 16),
              floats(body.model_matrix() * demo().shadow_mvp));
    EXPECT_EQ(uniform_floats(program, demo().shadowmap.mvp_location, 16),
              floats(demo().view.premultiply(body.model_matrix()) * demo().projection));
    GLint unit = -1;
    glGetUniformiv(program, demo().shadowmap.shadowmap_location, &unit);
    EXPECT_EQ(unit, 3);

    // A point on the light's axis lands in the middle of the shadow map.
    const vec3 ahead = demo().light.position - demo().light.forward * 40.0f;
    const vec4 s = demo().shadow_mvp.transform(vec4(ahead.x, ahead.y, ahead.z, 1));
    EXPECT_NEAR(s.x / s.w, 0.5f, 1e-4);
    EXPECT_NEAR(s.y / s.w, 0.5f, 1e-4);
    EXPECT_GT(s.z / s.w, 0.5f);
    EXPECT_LT(s.z / s.w, 1.0f);
}

TEST_F(DemoRenderTest, CameraPassLeavesTheWindowStateForTheNextFrame) {
    host.render();
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], width);
    EXPECT_EQ(viewport[3], height);
    GLint value = -1;
    glGetIntegerv(GL_CULL_FACE_MODE, &value);
    EXPECT_EQ(value, GL_BACK);
    glGetIntegerv(GL_CURRENT_PROGRAM, &value);
    EXPECT_EQ(value, 0);
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &value);
    EXPECT_EQ(value, 0);
    GLboolean mask[4];
    glGetBooleanv(GL_COLOR_WRITEMASK, mask);
    EXPECT_TRUE(mask[0] && mask[1] && mask[2] && mask[3]);
    glGetIntegerv(GL_ACTIVE_TEXTURE, &value);
    EXPECT_EQ(value, GL_TEXTURE3);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &value);
    EXPECT_EQ(value, demo().depth_texture);
}

TEST_F(DemoRenderTest, ControlShowsTheLightsViewAndReleasingReturns) {
    for (int i = 0; i < 4; ++i) add_body(demo(), row_position(i));
    ASSERT_TRUE(host.press("control", true));
    host.render();
    Image image = frame();
    for (int i = 0; i < 4; ++i) {
        const WindowPoint p =
            project(light_view(demo()), demo().projection, row_position(i), width, height);
        ASSERT_TRUE(p.visible) << i;
        const Rgb c = image.at(p);
        EXPECT_TRUE(i % 2 == 0 ? c.r > 0 && c.g == 0 && c.b == 0 : c.b > 0 && c.r == 0 && c.g == 0)
            << "body " << i << " from the light: " << describe(c);
    }
    // The depth pass draws the floor 3 below the camera's; the light's axis meets it.
    const vec3 axis = demo().light.position - demo().light.forward * (15.0f / 0.3135f);
    const WindowPoint floor =
        project(light_view(demo()), demo().projection, vec3(axis.x, -3.0f, axis.z), width, height);
    ASSERT_TRUE(floor.visible);
    EXPECT_TRUE(is_floor_green(image.at(floor))) << describe(image.at(floor));
    const Rgb sky = image.at(width / 2, height - 2);
    EXPECT_TRUE(sky.r == 0 && sky.g == 0 && sky.b == 0) << describe(sky);
    // No camera pass: front faces stay culled, the viewport stays the window's.
    GLint value = -1;
    glGetIntegerv(GL_CULL_FACE_MODE, &value);
    EXPECT_EQ(value, GL_FRONT);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], width);
    EXPECT_EQ(viewport[3], height);

    ASSERT_TRUE(host.press("control", false));
    host.render();
    image = frame();
    for (int i = 0; i < 4; ++i) {
        const Rgb c = image.at(seen_by_camera(row_position(i)));
        EXPECT_TRUE(i % 2 == 0 ? is_red(c) : is_blue(c)) << "body " << i << " " << describe(c);
    }
    const WindowPoint near_floor = seen_by_camera(vec3(-2, 0, -12));
    EXPECT_TRUE(is_floor_green(image.at(near_floor))) << describe(image.at(near_floor));
}

TEST_F(DemoRenderTest, KeysMoveTheLightWhileControlIsHeld) {
    host.press("control", true);
    host.press("up", true);
    const vec3 light = demo().light.position;
    const vec3 camera = demo().camera.position;
    host.render();
    EXPECT_EQ(demo().light.position, light - demo().light.forward * 0.05f);
    EXPECT_EQ(demo().camera.position, camera);
    host.press("control", false);
    host.render();
    EXPECT_EQ(demo().camera.position, vec3(0, 3, -0.05f));
}

TEST_F(DemoRenderTest, LightViewLeavesTheShadowMapAlone) {
    RigidBody& body = add_body(demo(), vec3(0, 1, -10));
    host.render();
    const std::vector<float> before = shadow_map();

    body.position = vec3(2, 2, -12);
    host.press("control", true);
    host.press("left", true);
    const matrix4 old_shadow_mvp = demo().shadow_mvp;
    host.render();
    host.render();
    EXPECT_TRUE(shadow_map() == before) << "the light view rendered into the shadow map";
    // The light has moved, and shadow_mvp followed it.
    EXPECT_NE(std::memcmp(old_shadow_mvp.m, demo().shadow_mvp.m, sizeof(old_shadow_mvp.m)), 0);
    const vec3 ahead = demo().light.position - demo().light.forward * 40.0f;
    const vec4 s = demo().shadow_mvp.transform(vec4(ahead.x, ahead.y, ahead.z, 1));
    EXPECT_NEAR(s.x / s.w, 0.5f, 1e-4);
    EXPECT_NEAR(s.y / s.w, 0.5f, 1e-4);

    host.press("left", false);
    host.press("control", false);
    host.render();
    EXPECT_FALSE(shadow_map() == before) << "the next camera frame renders the moved box";
}

TEST_F(DemoRenderTest, FrozenBodyDrawsMagentaImmediateColourWithItsListColour) {
    const GLuint program = static_cast<GLuint>(demo().shadowmap.program_handle);
    const GLint color = demo().shadowmap.color_location;
    add_body(demo(), row_position(0));
    RigidBody& second = add_body(demo(), row_position(1));
    second.frozen = true;
    host.render();  // body 1 is the last object drawn

    GLfloat current[4];
    glGetFloatv(GL_CURRENT_COLOR, current);
    EXPECT_EQ(std::vector<float>(current, current + 4), (std::vector<float>{1, 0, 1, 1}));
    EXPECT_EQ(uniform_floats(program, color, 3), (std::vector<float>{0, 0, 1}));
    // The program's colour is what shows.
    const Rgb c = frame().at(seen_by_camera(row_position(1)));
    EXPECT_TRUE(is_blue(c)) << describe(c);

    second.frozen = false;
    host.render();
    glGetFloatv(GL_CURRENT_COLOR, current);
    EXPECT_EQ(std::vector<float>(current, current + 4), (std::vector<float>{0, 0, 1, 1}));

    demo().world.bodies.pop_back();
    demo().world.bodies[0]->frozen = true;
    host.render();
    glGetFloatv(GL_CURRENT_COLOR, current);
    EXPECT_EQ(std::vector<float>(current, current + 4), (std::vector<float>{1, 0, 1, 1}));
    EXPECT_EQ(uniform_floats(program, color, 3), (std::vector<float>{1, 0, 0}));
}

TEST_F(DemoRenderTest, ZeroHeightKeepsTheLastProjection) {
    const matrix4 before = demo().projection;
    host.router().size(width, 0);
    EXPECT_EQ(demo().height, 0);
    EXPECT_EQ(std::memcmp(before.m, demo().projection.m, sizeof(before.m)), 0);
    for (float v : demo().projection.m) EXPECT_TRUE(std::isfinite(v));
    host.render();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    host.router().size(0, 0);
    host.router().size(0, height);
    EXPECT_EQ(std::memcmp(before.m, demo().projection.m, sizeof(before.m)), 0);
    host.render();

    host.router().size(160, 120);
    matrix4 square;
    square.perspective(45, 160.0f / 120.0f, 1.0f, 1001.0f, false);
    EXPECT_EQ(std::memcmp(square.m, demo().projection.m, sizeof(square.m)), 0);
}

TEST(DemoLifecycleTest, DestroyPrintsOnceAfterTheContextIsGone) {
    ScopedTempDir dir;
    copy_shaders_here();
    OutputCapture capture(stdout);
    {
        HeadlessHost host;
        std::string error;
        ASSERT_TRUE(host.start(64, 48, error)) << error;
        host.tick();
        host.render();
        host.shutdown();
        EXPECT_EQ(eglGetCurrentContext(), EGL_NO_CONTEXT);
        host.shutdown();
    }
    EXPECT_EQ(capture.finish(), "Shutting down.\n");
}

TEST(DemoLifecycleTest, MissingShadersDoNotStopTheFrames) {
    ScopedTempDir dir;  // no shader files here
    HeadlessHost host;
    std::string error;
    ASSERT_TRUE(host.start(64, 48, error)) << error;
    EXPECT_FALSE(host.program_loaded());
    EXPECT_EQ(host.demo().shadowmap.program_handle, -1);
    for (int i = 0; i < 3; ++i) {
        host.tick();
        host.render();
    }
    while (glGetError() != GL_NO_ERROR) {
    }
    EXPECT_EQ(read_file("infolog.txt").find("Unable to load vertex shader shadow.vs") !=
                  std::string::npos,
              true);
}
