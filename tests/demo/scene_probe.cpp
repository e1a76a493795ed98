#include "tests/demo/scene_probe.h"

#include <cmath>
#include <filesystem>
#include <memory>

Rgb Image::at(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return Rgb{-1, -1, -1};
    const std::size_t i = static_cast<std::size_t>(y * width + x) * 3;
    return Rgb{rgb[i], rgb[i + 1], rgb[i + 2]};
}

std::string describe(const Rgb& c) {
    return "(" + std::to_string(c.r) + ", " + std::to_string(c.g) + ", " + std::to_string(c.b) +
           ")";
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

bool is_red(const Rgb& c) {
    return c.r >= 90 && c.g == 0 && c.b == 0;
}

bool is_blue(const Rgb& c) {
    return c.b >= 90 && c.r == 0 && c.g == 0;
}

bool is_list_colour(const Rgb& c, std::size_t index) {
    return index % 2 == 0 ? is_red(c) : is_blue(c);
}

bool is_floor_green(const Rgb& c) {
    return c.g > 0 && c.g <= 77 && c.r == 0 && c.b == 0;
}

bool is_black(const Rgb& c) {
    return c.r == 0 && c.g == 0 && c.b == 0;
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
