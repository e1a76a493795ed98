// Frames rendered by the demo on a headless pbuffer, read back and checked by
// rules computed from the light, the camera and the bodies' positions.
#include <GL/glew.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "host/headless_host.h"
#include "tests/demo/scene_probe.h"
#include "tests/support/gl_fixture.h"
#include "tests/support/temp_dir.h"

namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::FloatNear;
using ::testing::Pointwise;

constexpr float h = 0.25f;  // a box's half-size
// Share of its colour a surface keeps out of the light, and a little more than that.
constexpr float ambient = 0.3f, shadow_high = 0.36f;
constexpr float floor_base = 0.3f * 255;

vec3 row_position(int i) {
    return vec3(-3.0f + 2.0f * static_cast<float>(i), 1.5f, -6.0f - 2.5f * static_cast<float>(i));
}

void expect_near(const vec3& got, const vec3& want, float tolerance) {
    EXPECT_NEAR(got.x, want.x, tolerance);
    EXPECT_NEAR(got.y, want.y, tolerance);
    EXPECT_NEAR(got.z, want.z, tolerance);
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

// A lit surface shows 0.3 of its colour plus 0.7 times the eased angle to the
// light, 1 - (1 - f)^2 with f the cosine between its normal and the way from the
// body's middle to the light; a shadowed or turned-away one keeps the 0.3.
TEST_F(DemoRenderTest, EachSurfaceShowsTheAmbientThirdPlusItsEasedAngleToTheLight) {
    // `shaded` lies further along the light ray through `open`: hidden from the
    // light, not from the camera.
    const vec3 light = demo().light.position, open(-2, 1.5f, -6);
    const vec3 shaded = light + (open - light) * 1.12f;
    add_body(demo(), open);
    add_body(demo(), shaded);
    host->render();
    const Image image = frame();
    // Light at (-32, 12, 0): from `open` the way is (-30, 10.5, 6), 32.346 long.
    const struct {
        const char* surface;
        vec3 point;
        int channel;  // 0 red, 1 green, 2 blue
        float level;
    } surfaces[] = {
        {"top, f = 0.32462", open + vec3(0, h, 0), 0, 173.58f},
        {"front, f = 0.18550", open + vec3(0, 0, h), 0, 136.58f},
        {"side turned away", open + vec3(h, 0, 0), 0, 76.5f},
        {"top in the other's shadow", shaded + vec3(0, h, 0), 2, 76.5f},
        // The floor's green is 0.3; f = 12 / 34.176 from its origin, the same everywhere.
        {"floor, f = 0.35112", vec3(3.5f, 0, -10.5f), 1, 53.95f},
    };
    for (const auto& s : surfaces) {
        const Rgb c = image.at(seen(s.point));
        const int channels[3] = {c.r, c.g, c.b};
        EXPECT_NEAR(channels[s.channel], s.level, 1.0) << s.surface << describe(c);
        EXPECT_EQ(c.r + c.g + c.b, channels[s.channel]) << s.surface << describe(c);
    }
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
    EXPECT_EQ(hue(contact), 1) << describe(contact);
    EXPECT_NEAR(level(contact), ambient * floor_base, 1.0) << describe(contact);
    EXPECT_EQ(hue(lit), 1) << describe(lit);
    EXPECT_GE(level(lit), level(contact) + 15) << describe(lit) << describe(contact);
    // The floor's grid line at x = 1 darkens the lit floor a little.
    const int line = level(image.at(seen(vec3(1, 0, -5.4f))));
    EXPECT_LT(line, level(lit) - 3);
    EXPECT_GT(line, level(lit) * 0.8);
    // Across the edge that runs along the light: a few pixels between the two levels.
    const WindowPoint from = seen(vec3(0.8f, 0, -6)), to = seen(vec3(0.8f, 0, -5.4f));
    int between = 0;
    for (int y = std::min(from.y, to.y); y <= std::max(from.y, to.y); ++y) {
        const int v = level(image.at(from.x, y));
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
                looked += w.visible;
                speckles += w.visible && image.isolated(w, 8);
            };
            for (const auto& body : demo().world.bodies) {
                for (int q = 0; q < 625; ++q) {
                    const vec3 d(0.1f * static_cast<float>(q % 25 - 12), 0,
                                 0.1f * static_cast<float>(q / 25 - 12));
                    look(vec3(body->position.x, 0, body->position.z) + d);
                }
                // Faces turned to both the camera and the light.
                for (int face = 0; face < 6; ++face) {
                    const vec3 middle = face_point(*body, face, 0, 0), n = middle - body->position;
                    vec3 to_camera = demo().camera.position - middle;
                    vec3 to_light = demo().light.position - middle;
                    if (n.dot(to_camera.normalize()) < 0.1f || n.dot(to_light.normalize()) < 0.075f)
                        continue;
                    for (int q = 0; q < 9; ++q)
                        look(face_point(*body, face, 0.4f * static_cast<float>(q % 3 - 1),
                                        0.4f * static_cast<float>(q / 3 - 1)));
                }
            }
            EXPECT_EQ(speckles, 0)
                << "of " << looked << " at " << size.first << " wide, tick " << tick;
            EXPECT_GT(looked, 200) << size.first << " wide, tick " << tick;
        }
    }
}

TEST_F(DemoRenderTest, LightViewIsLitEverywhereAndNeverSamplesTheLastMap) {
    for (int i = 0; i < 4; ++i) add_body(demo(), row_position(i));
    host->render();  // a camera frame leaves their shadows in the map
    ASSERT_TRUE(host->press("control", true));
    host->render();
    const Image image = frame();
    for (int i = 0; i < 4; ++i) {
        const Rgb c = image.at(seen(row_position(i), true));
        EXPECT_EQ(hue(c), 2 + i % 2) << i << describe(c);
        EXPECT_GT(level(c), shadow_high * 255) << i << describe(c);
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
        for (int face = 3 * i; face < 3 * i + 3; ++face) {
            for (int q = 0; q < 4; ++q) {
                const float e = static_cast<float>(q % 2) - 0.5f,
                            f = static_cast<float>(q / 2) - 0.5f;
                const Rgb c = image.at(seen(face_point(*demo().world.bodies[i], face, e, f)));
                EXPECT_EQ(hue(c), 2 + i) << "face " << face << " quarter " << q << describe(c);
            }
        }
    }
}

TEST_F(DemoRenderTest, AtTick1500ABoxRestingOnTheFloorHasItsShadowAtItsFoot) {
    for (int t = 0; t < 1500; ++t) demo().tick();
    host->render();
    const Image image = frame();
    const vec3 light = demo().light.position;
    int checked = 0;
    for (const auto& body : demo().world.bodies) {
        float foot = 1e9f;
        for (const vec3& corner : body->vertices)
            foot = std::min(foot, (body->orientation.transform(corner) + body->position).y);
        if (foot > 0.05f) continue;
        // From the box's middle along the floor, away from the light: the first
        // floor the camera sees past the box lies in its shadow; towards the
        // light, the floor is lit.
        vec3 away = body->position - light;
        away.y = 0;
        away.normalize();
        const vec3 base(body->position.x, 0, body->position.z);
        Rgb first{-1, -1, -1};
        for (float d = 0.2f; d < 0.8f && hue(first) != 1; d += 0.02f)
            first = image.at(seen(base + away * d));
        const Rgb lit = image.at(seen(base - away * 0.8f));
        if (hue(first) != 1 || hue(lit) != 1) continue;  // hidden behind another box
        ++checked;
        EXPECT_NEAR(level(first), ambient * floor_base, 1.0) << describe(first);
        EXPECT_GE(level(lit), level(first) + 15) << describe(lit);
    }
    EXPECT_GE(checked, 1);
}

TEST_F(DemoRenderTest, InitPlacesBothViewsSetsTheStateAndResizeBuildsThe45DegreeProjection) {
    // As the host leaves it: init, then the first size message, 320 x 240.
    EXPECT_EQ(demo().znear, 1.0f);
    EXPECT_EQ(demo().zfar, 1001.0f);
    EXPECT_EQ(demo().shadow_width, 2048);
    EXPECT_EQ(demo().shadow_height, 2048);
    EXPECT_EQ(demo().light.position, vec3(-32, 12, 0));
    // (-0.8454, 0.3135, 0.4286) and (0.2796, 0.9478, -0.1418) made unit length,
    // through inv_sqrt, which is 0.18 % short at worst.
    expect_near(demo().light.forward, vec3(-0.84680f, 0.31402f, 0.42931f), 2e-3f);
    expect_near(demo().light.up, vec3(0.28008f, 0.94941f, -0.14204f), 2e-3f);
    EXPECT_EQ(demo().camera.position, vec3(0, 3, 0));
    EXPECT_EQ(demo().camera.forward, vec3(0, 0, 1));
    EXPECT_EQ(demo().camera.up, vec3(0, 1, 0));
    GLfloat clear[4] = {};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_THAT(clear, ElementsAre(0, 0, 0, 1));
    EXPECT_EQ(glIsEnabled(GL_BLEND), GL_FALSE);
    const GLenum state[] = {GL_STENCIL_CLEAR_VALUE, GL_FRONT_FACE, GL_BLEND_SRC_RGB,
                            GL_BLEND_DST_RGB};
    std::vector<GLint> got;
    for (GLenum pname : state) got.push_back(query(glGetIntegerv, pname));
    EXPECT_THAT(got, ElementsAre(0, GL_CCW, GL_ONE, GL_ONE_MINUS_SRC_ALPHA));
    // cot(22.5 degrees) = 2.4142136; (f + n) / (n - f) and 2 f n / (n - f) for 1 and 1001.
    const float cot = 2.4142136f;
    EXPECT_THAT(demo().projection.m,
                Pointwise(FloatNear(2e-6f), {cot * 0.75f, 0.f, 0.f, 0.f, 0.f, cot, 0.f, 0.f, 0.f,
                                             0.f, -1.002f, -1.f, 0.f, 0.f, -2.002f, 0.f}));
    // Zero sizes keep the last projection; 200 x 100 sets the viewport and an
    // aspect of 2: cot(22.5 degrees) / 2.
    const matrix4 before = demo().projection;
    for (const auto& size : {std::make_pair(320, 0), {0, 0}, {0, 240}}) {
        host->router().size(size.first, size.second);
        EXPECT_THAT(demo().projection.m, ElementsAreArray(before.m));
    }
    host->router().size(200, 100);
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(std::make_pair(viewport[2], viewport[3]), std::make_pair(200, 100));
    EXPECT_NEAR(demo().projection.m[0], 1.2071068f, 2e-6);
    EXPECT_NEAR(demo().projection.m[5], 2.4142136f, 2e-6);
}

TEST_F(DemoRenderTest, EachFrameMovesTheViewControlSteersAndTheLightViewKeepsTheMap) {
    // Up held: each frame moves the camera, or with Control the light, 0.05 along its view.
    const Frame camera = demo().camera, light = demo().light;
    host->press("up", true);
    host->render();
    expect_near(demo().camera.position, camera.position - camera.forward * 0.05f, 1e-6f);
    EXPECT_EQ(demo().light.position, light.position);
    for (int i = 0; i < 4; ++i) add_body(demo(), row_position(i));
    host->render();  // the camera frame that fills the map
    const GLuint map = GLuint(demo().depth_texture);
    auto read_map = [map] {
        std::vector<float> depth(2048 * 2048);
        glFinish();  // llvmpipe may still be drawing into it
        glBindTexture(GL_TEXTURE_2D, map);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT, GL_FLOAT, depth.data());
        return depth;
    };
    const std::vector<float> filled = read_map();
    const vec3 camera_before = demo().camera.position;
    ASSERT_TRUE(host->press("control", true));
    demo().world.bodies[0]->position.y += 1;  // the map would change if drawn
    host->render();
    expect_near(demo().light.position, light.position - light.forward * 0.05f, 1e-5f);
    EXPECT_EQ(demo().camera.position, camera_before);
    EXPECT_EQ(query(glGetIntegerv, GL_CULL_FACE_MODE), GL_FRONT);
    // The shadow matrix follows the moved light: a point 10 along its view lands in
    // the map's middle, at the depth planes 1 and 1001 give it (0.0005 more from
    // the light before it moved).
    const vec3 f = demo().light.forward, p = demo().light.position - f * 10;
    const vec4 s = demo().shadow_mvp.transform(vec4(p.x, p.y, p.z, 1));
    EXPECT_NEAR(s.x / s.w, 0.5f, 1e-3);
    EXPECT_NEAR(s.y / s.w, 0.5f, 1e-3);
    EXPECT_NEAR(s.z / s.w, 1.001f * (1 - 1 / (10 * f.dot(f))), 5e-5);
    const std::vector<float> after = read_map();
    EXPECT_EQ(std::mismatch(filled.begin(), filled.end(), after.begin()).first - filled.begin(),
              2048 * 2048);                                            // no texel differs
    EXPECT_LT(*std::min_element(filled.begin(), filled.end()), 1.0f);  // the boxes are in it
}

TEST_F(DemoRenderTest, BeforeTick120OnlyTheFloorAndAFrozenBoxShowsMagentaKeepingItsListColour) {
    for (int t = 1; t < 120; ++t) demo().tick();
    EXPECT_EQ(demo().world.bodies.size(), 0u);
    host->render();
    const Image image = frame();
    int floor = 0;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const int h = hue(image.at(x, y));
            ASSERT_TRUE(h == 0 || h == 1) << x << "," << y << describe(image.at(x, y));
            floor += h == 1;
        }
    EXPECT_GT(floor, image.width * image.height / 3);

    // A frozen box shows magenta, the others their list colour; the program's
    // "color" after the frozen one, at an odd place in the list, stays blue.
    add_body(demo(), row_position(0));
    add_body(demo(), row_position(1)).frozen = true;
    host->render();
    EXPECT_EQ(hue(frame().at(seen(row_position(1)))), 4);
    EXPECT_EQ(hue(frame().at(seen(row_position(0)))), 2);
    const GLuint program = GLuint(demo().shadowmap.program_handle);
    GLfloat color[3] = {};
    glGetUniformfv(program, glGetUniformLocation(program, "color"), color);
    EXPECT_THAT(color, ElementsAre(0, 0, 1));
}
