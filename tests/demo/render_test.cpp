// Frames rendered by the demo on a headless pbuffer, read back and checked by
// rules computed from the light, the camera and the bodies' positions.
#include <EGL/egl.h>
#include <GL/glew.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>

#include "host/headless/headless_host.h"
#include "tests/demo/scene_probe.h"
#include "tests/support/output_capture.h"
#include "tests/support/temp_dir.h"

namespace {

constexpr float h = 0.25f;  // a box's half-size
// Share of its colour a surface keeps out of the light, and the least a lit one shows.
constexpr float shadow_low = 0.2f, shadow_high = 0.36f, lit_least = 0.45f;
constexpr float floor_base = 0.3f * 255;

vec3 row_position(int i) {
    return vec3(-3.0f + 2.0f * static_cast<float>(i), 1.5f, -6.0f - 2.5f * static_cast<float>(i));
}

bool in_shadow_band(int value, float base) {
    return value >= shadow_low * base && value <= shadow_high * base;
}

class DemoRenderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        copy_shaders_here();
        start(320, 240);
    }
    void start(int width, int height) {
        host.reset();
        host = std::make_unique<HeadlessHost>();
        std::string error;
        ASSERT_TRUE(host->start(width, height, error)) << error;
        ASSERT_TRUE(host->program_loaded());
    }
    Demo& demo() { return host->demo(); }
    Image frame() const { return Image{host->width(), host->height(), host->read_pixels()}; }
    WindowPoint seen(const vec3& p, bool from_light = false) {
        return project(from_light ? demo().light : demo().camera, demo().projection, p,
                       host->width(), host->height());
    }

    ScopedTempDir dir;
    std::unique_ptr<HeadlessHost> host;
};

}  // namespace

TEST_F(DemoRenderTest, InitPlacesTheLightTheCameraAndTheMap) {
    EXPECT_EQ(demo().light.position, vec3(-32, 12, 0));
    vec3 forward(-0.8454f, 0.3135f, 0.4286f), up(0.2796f, 0.9478f, -0.1418f);
    EXPECT_EQ(demo().light.forward, forward.normalize());
    EXPECT_EQ(demo().light.up, up.normalize());
    EXPECT_EQ(demo().camera.position, vec3(0, 3, 0));
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(demo().depth_texture));
    GLint w = 0, ht = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &ht);
    EXPECT_EQ(std::make_pair(w, ht), std::make_pair(2048, 2048));
}

TEST_F(DemoRenderTest, FacesFollowTheLightAndABoxInAnothersShadowDropsToTheShadowLevel) {
    // `shaded` lies further along the light ray through `open`: hidden from the
    // light, not from the camera.
    const vec3 light = demo().light.position, open(-2, 1.5f, -6);
    const vec3 shaded = light + (open - light) * 1.12f;
    add_body(demo(), open);
    RigidBody& second = add_body(demo(), shaded);
    host->render();
    Image image = frame();
    // The camera sees the top, the front and the side turned away from the light.
    const Rgb top = image.at(seen(open + vec3(0, h, 0)));
    const Rgb front = image.at(seen(open + vec3(0, 0, h)));
    const Rgb away = image.at(seen(open + vec3(h, 0, 0)));
    EXPECT_TRUE(hue(top) == 2 && level(top) >= lit_least * 255) << describe(top);
    EXPECT_GE(level(top) - level(front), 20) << describe(top) << describe(front);
    EXPECT_TRUE(in_shadow_band(level(away), 255)) << describe(away);
    const Rgb dark = image.at(seen(shaded + vec3(0, h, 0)));
    EXPECT_TRUE(hue(dark) == 3 && std::abs(level(dark) - level(away)) <= 3) << describe(dark);

    // Moved out of the ray, the second box is lit.
    second.position = shaded + vec3(0, 0, -2);
    host->render();
    const Rgb moved = frame().at(seen(second.position + vec3(0, h, 0)));
    EXPECT_TRUE(hue(moved) == 3 && level(moved) >= lit_least * 255) << describe(moved);
}

TEST_F(DemoRenderTest, ShadowOnTheFloorStartsAtTheBoxWithASoftNarrowEdge) {
    // Looking straight down at the floor behind a box standing on it.
    add_body(demo(), vec3(0, h, -6));
    demo().camera.position = vec3(0.6f, 2, -6);
    demo().camera.forward = vec3(0, 1, 0);
    demo().camera.up = vec3(0, 0, -1);
    host->render();
    const Image image = frame();
    // Just past the foot of the side turned away from the light, and clear of the shadow.
    const Rgb contact = image.at(seen(vec3(h + 0.1f, 0, -6.1f)));
    const Rgb lit = image.at(seen(vec3(0.8f, 0, -5.4f)));
    EXPECT_TRUE(hue(contact) == 1 && in_shadow_band(level(contact), floor_base))
        << describe(contact);
    EXPECT_TRUE(hue(lit) == 1 && level(lit) >= level(contact) + 15) << describe(lit);
    // Across the edge that runs along the light: a few pixels between the two levels.
    int between = 0;
    WindowPoint last;
    for (float z = -6.0f; z < -5.4f; z += 0.001f) {
        const WindowPoint p = seen(vec3(0.8f, 0, z));
        if (p.x == last.x && p.y == last.y) continue;
        last = p;
        const int v = level(image.at(p));
        between += v > level(contact) + 3 && v < level(lit) - 3;
    }
    EXPECT_GE(between, 1);
    EXPECT_LE(between, 8);
}

TEST_F(DemoRenderTest, NoSpeckleOnLitBoxFacesOrOnTheFloorNearTheBoxes) {
    for (const auto& size : {std::make_pair(320, 240), std::make_pair(318, 238)}) {
        start(size.first, size.second);
        for (int tick = 1; tick <= 1500; ++tick) {
            host->tick();
            if (tick % 500 != 0) continue;
            host->render();
            const Image image = frame();
            int looked = 0, speckles = 0;
            auto look = [&](const vec3& p) {
                const WindowPoint w = seen(p);
                if (!w.visible || !image.uniform_hue(w)) return;
                ++looked;
                speckles += image.isolated(w, 8);
            };
            for (const auto& body : demo().world.bodies) {
                const vec3 c = body->position;
                for (float dx = -1.2f; dx <= 1.2f; dx += 0.1f) {
                    for (float dz = -1.2f; dz <= 1.2f; dz += 0.1f)
                        look(vec3(c.x + dx, 0, c.z + dz));
                }
                // The middle of each face that faces both the camera and the light.
                const float* m = body->orientation.m;
                for (int axis = 0; axis < 6; ++axis) {
                    const float s = axis < 3 ? 1.0f : -1.0f;
                    const int a = axis % 3, b = (a + 1) % 3, d = (a + 2) % 3;
                    const vec3 n = vec3(m[3 * a], m[3 * a + 1], m[3 * a + 2]) * s;
                    const vec3 u(m[3 * b], m[3 * b + 1], m[3 * b + 2]);
                    const vec3 v(m[3 * d], m[3 * d + 1], m[3 * d + 2]);
                    const vec3 centre = c + n * h;
                    vec3 to_camera = demo().camera.position - centre;
                    vec3 to_light = demo().light.position - centre;
                    if (n.dot(to_camera.normalize()) < 0.4f || n.dot(to_light.normalize()) < 0.3f)
                        continue;
                    for (float i : {-0.4f, 0.0f, 0.4f}) {
                        for (float j : {-0.4f, 0.0f, 0.4f})
                            look(centre + u * (i * h) + v * (j * h));
                    }
                }
            }
            EXPECT_EQ(speckles, 0) << size.first << "x" << size.second << " tick " << tick;
            EXPECT_GT(looked, 200) << size.first << "x" << size.second << " tick " << tick;
        }
    }
}

TEST_F(DemoRenderTest, LightViewIsLitEverywhereAndNeverSamplesTheLastMap) {
    for (int i = 0; i < 4; ++i) add_body(demo(), row_position(i));
    host->render();  // a camera frame leaves their shadows in the map
    ASSERT_TRUE(host->press("control", true));
    host->render();
    const Image image = frame();
    // The depth pass on screen: front faces culled, the window's viewport.
    GLint cull = 0, viewport[4] = {};
    glGetIntegerv(GL_CULL_FACE_MODE, &cull);
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(cull, GL_FRONT);
    EXPECT_EQ(std::make_pair(viewport[2], viewport[3]), std::make_pair(320, 240));
    for (int i = 0; i < 4; ++i) {
        const Rgb c = image.at(seen(row_position(i), true));
        EXPECT_TRUE(hue(c) == 2 + i % 2 && level(c) > shadow_high * 255) << i << describe(c);
    }
    // The room's floor, drawn 3 units low there, nowhere at the shadow level.
    int floor = 0;
    for (float x = -10; x <= 10; x += 0.25f) {
        for (float z = -25; z <= 0; z += 0.25f) {
            const Rgb c = image.at(seen(vec3(x, -3, z), true));
            if (hue(c) != 1) continue;
            ++floor;
            ASSERT_GT(level(c), shadow_high * floor_base) << x << "," << z << describe(c);
        }
    }
    EXPECT_GT(floor, 5000);

    ASSERT_TRUE(host->press("control", false));
    host->render();
    EXPECT_EQ(hue(frame().at(seen(row_position(0)))), 2);
}

TEST_F(DemoRenderTest, FrozenBoxShowsMagentaWhileItsColourStaysTheListColour) {
    add_body(demo(), row_position(0));
    RigidBody& second = add_body(demo(), row_position(1));
    second.frozen = true;
    host->render();
    EXPECT_EQ(hue(frame().at(seen(row_position(1)))), 4);
    EXPECT_EQ(hue(frame().at(seen(row_position(0)))), 2);
    float color[3] = {};
    glGetUniformfv(static_cast<GLuint>(demo().shadowmap.program_handle),
                   demo().shadowmap.color_location, color);
    EXPECT_EQ(std::make_pair(color[0], color[2]), std::make_pair(0.0f, 1.0f));
    second.frozen = false;
    host->render();
    EXPECT_EQ(hue(frame().at(seen(row_position(1)))), 3);
}

TEST_F(DemoRenderTest, EveryTriangleOfABoxFacingTheCameraIsDrawn) {
    // Turned so that the camera sees three faces of each: +x, +y, +z of the
    // first, -x, -y, -z of the second.
    const float a = 0.7071f, b = 0.4082f, c = 0.5774f, d = 0.8165f;
    const float turns[2][9] = {{-a, -b, c, a, -b, c, 0, d, c}, {-a, b, -c, a, b, -c, 0, -d, -c}};
    for (int i = 0; i < 2; ++i) {
        RigidBody& body = add_body(demo(), vec3(1.6f * static_cast<float>(i) - 0.8f, 2, -5));
        std::copy(turns[i], turns[i] + 9, body.orientation.m);
    }
    host->render();
    const Image image = frame();
    // A point inside each quarter of each face: whichever diagonal splits the
    // face, each of its two triangles holds one.
    for (int i = 0; i < 2; ++i) {
        const RigidBody& body = *demo().world.bodies[i];
        const float* m = body.orientation.m;
        for (int axis = 0; axis < 3; ++axis) {
            const float s = i == 0 ? h : -h;
            const vec3 n(m[3 * axis], m[3 * axis + 1], m[3 * axis + 2]);
            const int p = (axis + 1) % 3, q = (axis + 2) % 3;
            const vec3 u(m[3 * p], m[3 * p + 1], m[3 * p + 2]),
                v(m[3 * q], m[3 * q + 1], m[3 * q + 2]);
            for (float e : {-0.5f, 0.5f}) {
                for (float f : {-0.5f, 0.5f}) {
                    const Rgb px =
                        image.at(seen(body.position + n * s + u * (e * h) + v * (f * h)));
                    EXPECT_EQ(hue(px), 2 + i) << "body " << i << " axis " << axis << describe(px);
                }
            }
        }
    }
}

TEST_F(DemoRenderTest, ResizeSetsTheViewportAndZeroSizesKeepTheLastProjection) {
    const matrix4 before = demo().projection;
    for (const auto& size : {std::make_pair(320, 0), {0, 0}, {0, 240}}) {
        host->router().size(size.first, size.second);
        EXPECT_EQ(std::make_pair(demo().width, demo().height), size);
        EXPECT_TRUE(std::equal(before.m, before.m + 16, demo().projection.m));
        host->render();
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
    host->router().size(160, 120);
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(std::make_pair(viewport[2], viewport[3]), std::make_pair(160, 120));
    matrix4 square;
    square.perspective(45, 160.0f / 120.0f, 1.0f, 1001.0f, false);
    EXPECT_TRUE(std::equal(square.m, square.m + 16, demo().projection.m));
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
