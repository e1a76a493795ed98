// What the render tests need to look at a frame: where a world point lands in
// the window, the pixel there, and bodies placed by hand.
#pragma once

#include <string>
#include <vector>

#include "demo/demo.h"
#include "math/matrix4.h"
#include "math/vector.h"

struct Rgb {
    int r = 0, g = 0, b = 0;
};

std::string describe(const Rgb& c);

struct WindowPoint {
    int x = 0;  // from the left
    int y = 0;  // from the bottom, as GL reads rows
    bool visible = false;
};

// Through `view` and the demo's projection into a window of width x height.
WindowPoint project(const matrix4& view, const matrix4& projection, const vec3& p, int width,
                    int height);

class Image {
  public:
    Image(int width, int height, std::vector<unsigned char> rgb);
    Rgb at(int x, int y) const;
    Rgb at(const WindowPoint& p) const { return at(p.x, p.y); }
    int width() const { return width_; }
    int height() const { return height_; }

  private:
    int width_;
    int height_;
    std::vector<unsigned char> rgb_;
};

// Only the list colour (possibly shadowed) and nothing of the other channels.
bool is_red(const Rgb& c);
bool is_blue(const Rgb& c);
bool is_floor_green(const Rgb& c);

// A body at rest at `position`, appended to the demo's list.
RigidBody& add_body(Demo& demo, const vec3& position);

// The camera's and the light's current view matrices.
matrix4 camera_view(const Demo& demo);
matrix4 light_view(const Demo& demo);

// Copies shadow.vs and shadow.fs from the build's binary directory into the
// working directory.
void copy_shaders_here();
