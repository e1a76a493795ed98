// What the render tests need to look at a frame: where a world point lands in
// the window, the pixel there, and bodies placed by hand.
#pragma once

#include <string>
#include <vector>

#include "demo/demo.h"

struct Rgb {
    int r = 0, g = 0, b = 0;
};

std::string describe(const Rgb& c);
// The brightest channel: how much light a pixel of one of the scene's colours got.
int level(const Rgb& c);
// The scene's hues at any brightness: 0 black, 1 floor green, 2 red, 3 blue,
// 4 magenta, 5 anything else.
int hue(const Rgb& c);
inline bool is_black(const Rgb& c) {
    return hue(c) == 0;
}
inline bool is_floor_green(const Rgb& c) {
    return hue(c) == 1;
}
inline bool is_red(const Rgb& c) {
    return hue(c) == 2;
}
inline bool is_blue(const Rgb& c) {
    return hue(c) == 3;
}

struct WindowPoint {
    int x = 0, y = 0;  // y from the bottom, as GL reads rows
    bool visible = false;
};

// Through the view of `frame` and `projection` into a window of width x height.
WindowPoint project(const Frame& frame, const matrix4& projection, const vec3& p, int width,
                    int height);

// Tightly packed RGB rows, bottom row first.
struct Image {
    int width, height;
    std::vector<unsigned char> rgb;
    Rgb at(int x, int y) const;
    Rgb at(const WindowPoint& p) const { return at(p.x, p.y); }
    // The pixel and its four neighbours have one hue.
    bool uniform_hue(const WindowPoint& p) const;
    // Brighter, or darker, than both neighbours along x and both along y by more
    // than `step` levels: a speckle. (A real feature one pixel thin, a shadow or
    // a face seen edge-on, stands out along one axis only.)
    bool isolated(const WindowPoint& p, int step) const;
};

// A body at rest at `position`, appended to the demo's list.
RigidBody& add_body(Demo& demo, const vec3& position);

// Copies shadow.vs and shadow.fs from the build's binary directory into the
// working directory.
void copy_shaders_here();
