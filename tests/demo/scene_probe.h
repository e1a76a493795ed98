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
};

// Only the list colour (possibly shadowed) and nothing of the other channels.
bool is_red(const Rgb& c);
bool is_blue(const Rgb& c);
bool is_list_colour(const Rgb& c, std::size_t index);
bool is_floor_green(const Rgb& c);
bool is_black(const Rgb& c);

// A body at rest at `position`, appended to the demo's list.
RigidBody& add_body(Demo& demo, const vec3& position);

// Copies shadow.vs and shadow.fs from the build's binary directory into the
// working directory.
void copy_shaders_here();
