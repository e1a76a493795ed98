// What the render tests need to look at a frame: where a world point lands in
// the window, the pixel there, and bodies placed and turned by hand.
#pragma once

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "demo/demo.h"
#include "tests/support/scene_colours.h"

struct WindowPoint {
    int x = 0, y = 0;  // y from the bottom, as GL reads rows
    bool visible = false;
};

// Through the view of `frame` and `projection` into a window of width x height.
inline WindowPoint project(const Frame& frame, const matrix4& projection, const vec3& p, int width,
                           int height) {
    matrix4 view;
    frame.view_matrix(view);
    const vec4 c = (view * projection).transform(vec4(p.x, p.y, p.z, 1));
    const int x = static_cast<int>(std::floor((c.x / c.w + 1) / 2 * static_cast<float>(width)));
    const int y = static_cast<int>(std::floor((c.y / c.w + 1) / 2 * static_cast<float>(height)));
    return WindowPoint{x, y, c.w > 0 && x >= 0 && y >= 0 && x < width && y < height};
}

// Tightly packed RGB rows, bottom row first.
struct Image {
    int width, height;
    std::vector<unsigned char> rgb;
    Rgb at(int x, int y) const {
        if (x < 0 || y < 0 || x >= width || y >= height) return Rgb{-1, -1, -1};
        const std::size_t i = static_cast<std::size_t>(y * width + x) * 3;
        return Rgb{rgb[i], rgb[i + 1], rgb[i + 2]};
    }
    Rgb at(const WindowPoint& p) const { return at(p.x, p.y); }
    // Of one hue with its four neighbours, and brighter, or darker, than both
    // neighbours along x and both along y by more than `step` levels: a speckle.
    // (A real feature one pixel thin, a shadow or a face seen edge-on, stands
    // out along one axis only.)
    bool isolated(const WindowPoint& p, int step) const {
        const int c = level(at(p)), h = hue(at(p));
        auto spike = [&](const Rgb& a, const Rgb& b) {
            const int da = c - level(a), db = c - level(b);
            return hue(a) == h && hue(b) == h &&
                   ((da > step && db > step) || (da < -step && db < -step));
        };
        return spike(at(p.x - 1, p.y), at(p.x + 1, p.y)) &&
               spike(at(p.x, p.y - 1), at(p.x, p.y + 1));
    }
};

// The point of face `face` of a body (0, 1, 2: the plus sides of its own x, y,
// z axes; 3, 4, 5: the minus sides) e and f half-sizes from its middle along
// the next two axes.
inline vec3 face_point(const RigidBody& body, int face, float e, float f) {
    const float* m = body.orientation.m;
    auto axis = [m](int i) { return vec3(m[3 * (i % 3)], m[3 * (i % 3) + 1], m[3 * (i % 3) + 2]); };
    const vec3 offset =
        axis(face) * (face < 3 ? 1.0f : -1.0f) + axis(face + 1) * e + axis(face + 2) * f;
    return body.position + offset * 0.25f;
}

// A body at rest at `position`, appended to the demo's list.
inline RigidBody& add_body(Demo& demo, const vec3& position) {
    demo.world.bodies.push_back(std::make_unique<RigidBody>());
    demo.world.bodies.back()->position = position;
    return *demo.world.bodies.back();
}

// Copies shadow.vs and shadow.fs from the build's binary directory into the
// working directory.
inline void copy_shaders_here() {
    namespace fs = std::filesystem;
    for (const char* name : {"shadow.vs", "shadow.fs"}) {
        fs::copy_file(fs::path(SHADOW_BIN_DIR) / name, name, fs::copy_options::overwrite_existing);
    }
}
