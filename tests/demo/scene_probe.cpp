#include "tests/demo/scene_probe.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>

Rgb Image::at(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return Rgb{-1, -1, -1};
    const std::size_t i = static_cast<std::size_t>(y * width + x) * 3;
    return Rgb{rgb[i], rgb[i + 1], rgb[i + 2]};
}

bool Image::uniform_hue(const WindowPoint& p) const {
    const int h = hue(at(p));
    return h == hue(at(p.x - 1, p.y)) && h == hue(at(p.x + 1, p.y)) && h == hue(at(p.x, p.y - 1)) &&
           h == hue(at(p.x, p.y + 1));
}

bool Image::isolated(const WindowPoint& p, int step) const {
    const int c = level(at(p));
    auto spike = [&](const Rgb& a, const Rgb& b) {
        const int da = c - level(a), db = c - level(b);
        return (da > step && db > step) || (da < -step && db < -step);
    };
    return spike(at(p.x - 1, p.y), at(p.x + 1, p.y)) && spike(at(p.x, p.y - 1), at(p.x, p.y + 1));
}

std::string describe(const Rgb& c) {
    return "(" + std::to_string(c.r) + ", " + std::to_string(c.g) + ", " + std::to_string(c.b) +
           ")";
}

int level(const Rgb& c) {
    return std::max(c.r, std::max(c.g, c.b));
}

int hue(const Rgb& c) {
    if (c.r == 0 && c.g == 0 && c.b == 0) return 0;
    if (c.r == 0 && c.b == 0 && c.g > 0) return 1;
    if (c.g != 0) return 5;
    if (c.b == 0) return 2;
    if (c.r == 0) return 3;
    return c.r == c.b ? 4 : 5;
}

WindowPoint project(const Frame& frame, const matrix4& projection, const vec3& p, int width,
                    int height) {
    matrix4 view;
    frame.view_matrix(view);
    const vec4 clip = (view * projection).transform(vec4(p.x, p.y, p.z, 1));
    WindowPoint w;
    if (clip.w <= 0) return w;
    w.x = static_cast<int>(std::floor((clip.x / clip.w + 1) / 2 * static_cast<float>(width)));
    w.y = static_cast<int>(std::floor((clip.y / clip.w + 1) / 2 * static_cast<float>(height)));
    w.visible = w.x >= 0 && w.y >= 0 && w.x < width && w.y < height;
    return w;
}

RigidBody& add_body(Demo& demo, const vec3& position) {
    demo.world.bodies.push_back(std::make_unique<RigidBody>());
    demo.world.bodies.back()->position = position;
    return *demo.world.bodies.back();
}

void copy_shaders_here() {
    namespace fs = std::filesystem;
    for (const char* name : {"shadow.vs", "shadow.fs"}) {
        fs::copy_file(fs::path(SHADOW_BIN_DIR) / name, name, fs::copy_options::overwrite_existing);
    }
}
