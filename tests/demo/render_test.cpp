// Frames rendered by the demo on a headless pbuffer, read back and checked by
// rules computed from the light, the camera and the bodies' positions.
#include <GL/glew.h>
#include <gtest/gtest.h>

#include "host/headless_host.h"
#include "tests/demo/scene_probe.h"
#include "tests/support/temp_dir.h"

namespace {

constexpr float h = 0.25f;  // a box's half-size
// Share of its colour a surface keeps out of the light, and the least a lit one shows.
constexpr float shadow_low = 0.2f, shadow_high = 0.36f;
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

TEST_F(DemoRenderTest, FacesFollowTheLightAndABoxInAnothersShadowDropsToTheShadowLevel) {
    // `shaded` lies further along the light ray through `open`: hidden from the
    // light, not from the camera.
    const vec3 light = demo().light.position, open(-2, 1.5f, -6);
    const vec3 shaded = light + (open - light) * 1.12f;
    add_body(demo(), open);
    add_body(demo(), shaded);
    host->render();
    const Image image = frame();
    // The camera sees the top, the front and the side turned away from the light.
    const Rgb top = image.at(seen(open + vec3(0, h, 0)));
    const Rgb front = image.at(seen(open + vec3(0, 0, h)));
    const Rgb away = image.at(seen(open + vec3(h, 0, 0)));
    EXPECT_TRUE(hue(top) == 2 && level(top) - level(front) >= 20)
        << describe(top) << describe(front);
    EXPECT_TRUE(in_shadow_band(level(away), 255)) << describe(away);
    const Rgb dark = image.at(seen(shaded + vec3(0, h, 0)));
    EXPECT_TRUE(hue(dark) == 3 && std::abs(level(dark) - level(away)) <= 3) << describe(dark);
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
    // The floor's grid line at x = 1 darkens the lit floor a little.
    const int line = level(image.at(seen(vec3(1, 0, -5.4f))));
    EXPECT_TRUE(line < level(lit) - 3 && line > level(lit) * 0.8) << line;
    // Across the edge that runs along the light: a few pixels between the two levels.
    const WindowPoint from = seen(vec3(0.8f, 0, -6)), to = seen(vec3(0.8f, 0, -5.4f));
    int between = 0;
    for (int y = std::min(from.y, to.y); y <= std::max(from.y, to.y); ++y) {
        const int v = level(image.at(from.x, y));
        between += v > level(contact) + 3 && v < level(lit) - 3;
    }
    EXPECT_TRUE(between >= 1 && between <= 8) << between;
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
            EXPECT_TRUE(speckles == 0 && looked > 200)
                << speckles << " of " << looked << " at " << size.first << " wide, tick " << tick;
        }
    }
}

TEST_F(DemoRenderTest, LightViewIsLitEverywhereAndNeverSamplesTheLastMap) {
    for (int i = 0; i < 4; ++i) add_body(demo(), row_position(i));
    host->render();  // a camera frame leaves their shadows in the map
    ASSERT_TRUE(host->press("control", true));
    host->render();
    const Image image = frame();
    // The map it left stays the 2048 x 2048 one.
    EXPECT_EQ(std::make_pair(demo().shadow_width, demo().shadow_height),
              std::make_pair(2048, 2048));
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
}

TEST_F(DemoRenderTest, FrozenBoxShowsMagentaAndTheOthersTheirListColour) {
    add_body(demo(), row_position(0));
    RigidBody& second = add_body(demo(), row_position(1));
    second.frozen = true;
    host->render();
    EXPECT_EQ(hue(frame().at(seen(row_position(1)))), 4);
    EXPECT_EQ(hue(frame().at(seen(row_position(0)))), 2);
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

TEST_F(DemoRenderTest, ResizeSetsTheViewportAndZeroSizesKeepTheLastProjection) {
    const matrix4 before = demo().projection;
    for (const auto& size : {std::make_pair(320, 0), {0, 0}, {0, 240}}) {
        host->router().size(size.first, size.second);
        EXPECT_TRUE(std::equal(before.m, before.m + 16, demo().projection.m));
    }
    host->router().size(200, 100);
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(std::make_pair(viewport[2], viewport[3]), std::make_pair(200, 100));
    EXPECT_FALSE(std::equal(before.m, before.m + 16, demo().projection.m));
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
        EXPECT_TRUE(in_shadow_band(level(first), floor_base)) << describe(first);
        EXPECT_GE(level(lit), level(first) + 15) << describe(lit);
    }
    EXPECT_GE(checked, 1);
}
