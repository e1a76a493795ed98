#include "tests/demo/scene_probe.h"

#include <cmath>
#include <filesystem>
#include <memory>

Rgb Image::at(int x, int y) const {
    Rgb c;
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return Rgb{-1, -1, -1};
    const std::size_t i = (static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                           static_cast<std::size_t>(x)) *
                          3;
    c.r = rgb_[i];
    c.g = rgb_[i + 1];
    c.b = rgb_[i + 2];
    return c;
}

Image::Image(int width, int height, std::vector<unsigned char> rgb)
    : width_(width), height_(height), rgb_(std::move(rgb)) {}

std::string describe(const Rgb& c) {
    return "(" + std::to_string(c.r) + ", " + std::to_string(c.g) + ", " + std::to_string(c.b) +
           ")";
}

WindowPoint project(const matrix4& view, const matrix4& projection, const vec3& p, int width,
                    int height) {
    const vec4 clip = (view * projection).transform(vec4(p.x, p.y, p.z, 1));
    WindowPoint w;
    if (clip.w <= 0) return w;
    const float x = clip.x / clip.w;
    const float y = clip.y / clip.w;
    w.x = static_cast<int>(std::floor((x + 1) / 2 * static_cast<float>(width)));
    w.y = static_cast<int>(std::floor((y + 1) / 2 * static_cast<float>(height)));
    w.visible = w.x >= 0 && w.y >= 0 && w.x < width && w.y < height;
    return w;
}

bool is_red(const Rgb& c) {
    return c.r >= 90 && c.g == 0 && c.b == 0;
}

bool is_blue(const Rgb& c) {
    return c.b >= 90 && c.r == 0 && c.g == 0;
}

bool is_floor_green(const Rgb& c) {
    return c.g > 0 && c.g <= 77 && c.r == 0 && c.b == 0;
}

RigidBody& add_body(Demo& demo, const vec3& position) {
    auto body = std::make_unique<RigidBody>();
    body->position = position;
    demo.world.bodies.push_back(std::move(body));
    return *demo.world.bodies.back();
}

matrix4 camera_view(const Demo& demo) {
    matrix4 v;
    demo.camera.view_matrix(v);
    return v;
}

matrix4 light_view(const Demo& demo) {
    matrix4 v;
    demo.light.view_matrix(v);
    return v;
}

void copy_shaders_here() {
    namespace fs = std::filesystem;
    for (const char* name : {"shadow.vs", "shadow.fs"}) {
        fs::copy_file(fs::path(SHADOW_BIN_DIR) / name, name, fs::copy_options::overwrite_existing);
    }
}
