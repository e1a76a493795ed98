// Frames rendered by the demo on a headless pbuffer, read back and checked by
// rules computed from the light, the camera and the bodies' positions.
#include <EGL/egl.h>
#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "host/headless/headless_host.h"
#include "tests/demo/scene_probe.h"
#include "tests/support/output_capture.h"
#include "tests/support/temp_dir.h"

namespace {

constexpr int width = 320;
constexpr int height = 240;

using Floats = std::vector<float>;

Floats floats(const matrix4& m) {
    return Floats(m.m, m.m + 16);
}

Floats current_colour() {
    Floats c(4);
    glGetFloatv(GL_CURRENT_COLOR, c.data());
    return c;
}

// Diagonal positions, apart from each other both from the camera and from the light.
vec3 row_position(int i) {
    return vec3(-3.0f + 2.0f * static_cast<float>(i), 1.5f, -6.0f - 2.5f * static_cast<float>(i));
}

class DemoRenderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        copy_shaders_here();
        std::string error;
        ASSERT_TRUE(host.start(width, height, error)) << error;
        ASSERT_TRUE(host.program_loaded());
    }

    Demo& demo() { return host.demo(); }
    Image frame() const { return Image{width, height, host.read_pixels()}; }
    WindowPoint seen(const vec3& p) {
        return project(demo().camera, demo().projection, p, width, height);
    }
    WindowPoint seen_by_light(const vec3& p) {
        return project(demo().light, demo().projection, p, width, height);
    }
    Floats uniform(GLint location, int count) {
        Floats v(static_cast<std::size_t>(count));
        glGetUniformfv(static_cast<GLuint>(demo().shadowmap.program_handle), location, v.data());
        return v;
    }
    Floats shadow_map() {
        Floats depth(static_cast<std::size_t>(demo().shadow_width) *
                     static_cast<std::size_t>(demo().shadow_height));
        glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(demo().depth_texture));
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT, GL_FLOAT, depth.data());
        return depth;
    }

    ScopedTempDir dir;
    HeadlessHost host;
};

}  // namespace

TEST_F(DemoRenderTest, InitPlacesTheSceneAndTheTarget) {
    EXPECT_EQ(demo().znear, 1.0f);
    EXPECT_EQ(demo().zfar, 1001.0f);
    EXPECT_EQ(demo().light.position, vec3(-32, 12, 0));
    vec3 forward(-0.8454f, 0.3135f, 0.4286f);
    vec3 up(0.2796f, 0.9478f, -0.1418f);
    EXPECT_EQ(demo().light.forward, forward.normalize());
    EXPECT_EQ(demo().light.up, up.normalize());
    EXPECT_EQ(demo().camera.position, vec3(0, 3, 0));
    EXPECT_EQ(demo().camera.forward, vec3(0, 0, 1));
    EXPECT_EQ(std::make_pair(demo().width, demo().height), std::make_pair(width, height));
    matrix4 expected;
    expected.perspective(45, (float)width / (float)height, 1.0f, 1001.0f, false);
    EXPECT_EQ(floats(demo().projection), floats(expected));

    ASSERT_NE(demo().fbo, 0);
    ASSERT_NE(demo().depth_texture, 0);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(demo().depth_texture));
    GLint w = 0, h = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
    EXPECT_EQ(std::make_pair(w, h), std::make_pair(2048, 2048));
}

TEST_F(DemoRenderTest, OnlyTheFloorBeforeTheFirstSpawnThenRedAndBlueBoxes) {
    for (int i = 0; i < 119; ++i) {
        host.tick();
        host.render();
    }
    ASSERT_TRUE(demo().world.bodies.empty());
    const Image image = frame();
    // The far edge of the floor is the horizon, a little below the centre.
    const WindowPoint horizon = seen(vec3(0, 0, -500));
    ASSERT_TRUE(horizon.visible);
    for (int y = 0; y < height; ++y) {
        if (std::abs(y - horizon.y) <= 1) continue;
        for (int x = 0; x < width; ++x) {
            const Rgb c = image.at(x, y);
            // Lit dark green, 0.3 of full green, below; the clear colour above.
            ASSERT_TRUE(y < horizon.y ? c.r == 0 && c.b == 0 && (c.g == 76 || c.g == 77)
                                      : is_black(c))
                << describe(c) << " at " << x << "," << y;
        }
    }
    host.tick();
    for (std::size_t n = 1; n <= 2; ++n) {
        host.render();
        ASSERT_EQ(demo().world.bodies.size(), n);
        const WindowPoint p = seen(demo().world.bodies[n - 1]->position);
        ASSERT_TRUE(p.visible);
        EXPECT_TRUE(is_list_colour(frame().at(p), n - 1))
            << "spawned " << n << describe(frame().at(p));
        for (int i = 0; i < 120; ++i) host.tick();
    }
}

TEST_F(DemoRenderTest, BoxShadowDarkensTheFloorWhereTheLightIsBlocked) {
    const vec3 box(0, 1, -10);
    add_body(demo(), box);
    host.render();
    const Image image = frame();
    // The floor point (y = 0 in the camera pass) the light sees through the box,
    // and two points across the light's direction, well clear of the shadow.
    const vec3 light = demo().light.position;
    const vec3 shadow = light + (box - light) * (light.y / (light.y - box.y));
    vec3 across(-demo().light.forward.z, 0, demo().light.forward.x);
    across.normalize();
    const WindowPoint dark = seen(shadow);
    const WindowPoint lit[] = {seen(shadow + across * 1.5f), seen(shadow - across * 1.5f)};
    ASSERT_TRUE(dark.visible && lit[0].visible && lit[1].visible);
    const Rgb d = image.at(dark);
    EXPECT_TRUE(is_floor_green(d) && d.g < 40) << describe(d);
    for (const WindowPoint& p : lit) {
        EXPECT_TRUE(is_floor_green(image.at(p)) && image.at(p).g >= 76) << describe(image.at(p));
    }
    // Without the box the same place is lit.
    demo().world.bodies.clear();
    host.render();
    EXPECT_GE(frame().at(dark).g, 76);
}

TEST_F(DemoRenderTest, BoxInAnotherBoxsShadowIsDarkened) {
    // `shaded` lies further along the light ray through `open`, clear of it:
    // `open` hides it from the light but not from the camera.
    const vec3 light = demo().light.position;
    const vec3 open(-2, 3, -8);
    const vec3 shaded = light + (open - light) * 1.12f;
    add_body(demo(), open);
    add_body(demo(), shaded);
    host.render();
    const Image image = frame();
    ASSERT_TRUE(seen(open).visible && seen(shaded).visible);
    const Rgb red = image.at(seen(open));
    const Rgb blue = image.at(seen(shaded));
    EXPECT_TRUE(is_red(red) && red.r >= 254) << "the box in the open is lit: " << describe(red);
    EXPECT_TRUE(is_blue(blue) && blue.b < 128)
        << "the shadowed box is darkened: " << describe(blue);

    // Moved out of the ray, the second box is lit as well.
    demo().world.bodies[1]->position = shaded + vec3(0, 0, 2);
    host.render();
    const Rgb moved = frame().at(seen(shaded + vec3(0, 0, 2)));
    EXPECT_TRUE(is_blue(moved) && moved.b >= 254) << describe(moved);
}

TEST_F(DemoRenderTest, UploadsPlaceEachObjectInTheLightsView) {
    const ShadowMap& shader = demo().shadowmap;
    host.render();
    // Floor only: the frame's own matrix, and the identity model in the camera pass.
    EXPECT_EQ(uniform(shader.shadowmvp_location, 16), floats(demo().shadow_mvp));
    EXPECT_EQ(uniform(shader.mvp_location, 16),
              floats(demo().view.premultiply(matrix4::identity()) * demo().projection));

    RigidBody& body = add_body(demo(), vec3(1, 2, -7));
    host.render();
    EXPECT_EQ(uniform(shader.shadowmvp_location, 16),
              floats(body.model_matrix() * demo().shadow_mvp));
    EXPECT_EQ(uniform(shader.mvp_location, 16),
              floats(demo().view.premultiply(body.model_matrix()) * demo().projection));
    GLint unit = -1;
    glGetUniformiv(static_cast<GLuint>(shader.program_handle), shader.shadowmap_location, &unit);
    EXPECT_EQ(unit, 3);
}

TEST_F(DemoRenderTest, ControlShowsTheLightsViewAndReleasingReturns) {
    for (int i = 0; i < 4; ++i) add_body(demo(), row_position(i));
    ASSERT_TRUE(host.press("control", true));
    host.render();
    const Image image = frame();
    for (int i = 0; i < 4; ++i) {
        const WindowPoint p = seen_by_light(row_position(i));
        ASSERT_TRUE(p.visible) << i;
        const Rgb c = image.at(p);
        // Unlit by the shader: only the list colour's channel, at any level.
        EXPECT_TRUE(i % 2 == 0 ? c.r > 0 && c.g == 0 && c.b == 0 : c.b > 0 && c.r == 0 && c.g == 0)
            << "body " << i << " from the light: " << describe(c);
    }
    // The depth pass draws the floor 3 below the camera's; the light's axis meets it.
    const vec3 axis = demo().light.position - demo().light.forward * (15.0f / 0.3135f);
    const WindowPoint floor = seen_by_light(vec3(axis.x, -3.0f, axis.z));
    ASSERT_TRUE(floor.visible);
    EXPECT_TRUE(is_floor_green(image.at(floor))) << describe(image.at(floor));
    EXPECT_TRUE(is_black(image.at(width / 2, height - 2)))
        << describe(image.at(width / 2, height - 2));
    // No camera pass: front faces stay culled, the viewport stays the window's.
    GLint cull = 0, viewport[4] = {};
    glGetIntegerv(GL_CULL_FACE_MODE, &cull);
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(cull, GL_FRONT);
    EXPECT_EQ(std::make_pair(viewport[2], viewport[3]), std::make_pair(width, height));

    ASSERT_TRUE(host.press("control", false));
    host.render();
    for (int i = 0; i < 4; ++i) {
        const Rgb c = frame().at(seen(row_position(i)));
        EXPECT_TRUE(is_list_colour(c, static_cast<std::size_t>(i))) << i << " " << describe(c);
    }
}

TEST_F(DemoRenderTest, LightViewLeavesTheShadowMapAlone) {
    RigidBody& body = add_body(demo(), vec3(0, 1, -10));
    host.render();
    const Floats before = shadow_map();

    body.position = vec3(2, 2, -12);
    host.press("control", true);
    host.press("left", true);
    const Floats old_shadow_mvp = floats(demo().shadow_mvp);
    Frame light = demo().light;
    KeyState left;
    left.left = true;
    light.move(left);
    light.move(left);
    host.render();
    host.render();
    EXPECT_EQ(demo().light.position, light.position) << "the keys steer the light";
    EXPECT_EQ(demo().camera.position, vec3(0, 3, 0));
    EXPECT_TRUE(shadow_map() == before) << "the light view rendered into the shadow map";
    // The light has moved sideways, and shadow_mvp, with its bias, followed it:
    // the light's axis still meets the middle of the map.
    EXPECT_NE(floats(demo().shadow_mvp), old_shadow_mvp);
    const vec3 ahead = demo().light.position - demo().light.forward * 40.0f;
    const vec4 s = demo().shadow_mvp.transform(vec4(ahead.x, ahead.y, ahead.z, 1));
    EXPECT_NEAR(s.x / s.w, 0.5f, 1e-4);
    EXPECT_NEAR(s.y / s.w, 0.5f, 1e-4);
    EXPECT_TRUE(s.z / s.w > 0.5f && s.z / s.w < 1.0f) << s.z / s.w;

    host.press("left", false);
    host.press("control", false);
    host.render();
    EXPECT_FALSE(shadow_map() == before) << "the next camera frame renders the moved box";
}

TEST_F(DemoRenderTest, FrozenBodyDrawsMagentaImmediateColourWithItsListColour) {
    const GLint color = demo().shadowmap.color_location;
    add_body(demo(), row_position(0));
    RigidBody& second = add_body(demo(), row_position(1));
    second.frozen = true;
    host.render();  // body 1 is the last object drawn
    EXPECT_EQ(current_colour(), (Floats{1, 0, 1, 1}));
    EXPECT_EQ(uniform(color, 3), (Floats{0, 0, 1}));
    // The program's colour is what shows.
    EXPECT_TRUE(is_blue(frame().at(seen(row_position(1)))));

    second.frozen = false;
    host.render();
    EXPECT_EQ(current_colour(), (Floats{0, 0, 1, 1}));

    demo().world.bodies.pop_back();
    demo().world.bodies[0]->frozen = true;
    host.render();
    EXPECT_EQ(current_colour(), (Floats{1, 0, 1, 1}));
    EXPECT_EQ(uniform(color, 3), (Floats{1, 0, 0}));
}

TEST_F(DemoRenderTest, ZeroHeightOrWidthKeepsTheLastProjection) {
    const Floats before = floats(demo().projection);
    for (const auto& size : {std::make_pair(width, 0), {0, 0}, {0, height}}) {
        SCOPED_TRACE(testing::Message() << size.first << "x" << size.second);
        host.router().size(size.first, size.second);
        EXPECT_EQ(std::make_pair(demo().width, demo().height), size);
        EXPECT_EQ(floats(demo().projection), before);
        host.render();
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
    host.router().size(160, 120);
    matrix4 square;
    square.perspective(45, 160.0f / 120.0f, 1.0f, 1001.0f, false);
    EXPECT_EQ(floats(demo().projection), floats(square));
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
