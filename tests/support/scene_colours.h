// How the tests tell the scene's colours apart: each is a pure hue scaled by the
// lighting, so the hue survives any brightness. Shared by the render tests and
// the screenshot probe of the window tests, so both judge a pixel alike.
#pragma once

#include <algorithm>
#include <string>

struct Rgb {
    int r = 0, g = 0, b = 0;
};

inline std::string describe(const Rgb& c) {
    return "(" + std::to_string(c.r) + ", " + std::to_string(c.g) + ", " + std::to_string(c.b) +
           ")";
}

// The brightest channel: how much light a pixel of one of the scene's colours got.
inline int level(const Rgb& c) {
    return std::max(c.r, std::max(c.g, c.b));
}

// 0 black, 1 floor green, 2 red, 3 blue, 4 magenta, 5 anything else.
inline int hue(const Rgb& c) {
    if (c.r == 0 && c.g == 0 && c.b == 0) return 0;
    if (c.r == 0 && c.b == 0) return 1;
    if (c.g != 0) return 5;
    return c.b == 0 ? 2 : c.r == 0 ? 3 : c.r == c.b ? 4 : 5;
}
