// What the window and package tests read off a screenshot, printed as named
// figures on one line, so that shell scripts never count columns.
//   screenshot_probe figures <picture.ppm>
//   screenshot_probe compare <before.ppm> <after.ppm>
// Pictures are binary PPM (P6, maxval 255), as ImageMagick writes them; the
// colour rules are the render tests' own.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support/scene_colours.h"

namespace {

// Far above any screenshot the tests take; a header claiming more is refused
// before anything is allocated.
constexpr long max_side = 16384;
constexpr long max_bytes = 256L * 1024 * 1024;

struct Picture {
    long width = 0, height = 0;
    std::vector<unsigned char> rgb;  // rows top first, as on screen
};

[[noreturn]] void refuse(const std::string& path, const std::string& why) {
    std::fprintf(stderr, "screenshot_probe: %s: %s\n", path.c_str(), why.c_str());
    std::exit(1);
}

// One header number after whitespace and comments; at most 5 digits.
long header_number(const std::string& path, const std::string& data, std::size_t& at) {
    while (at < data.size()) {
        if (data[at] == '#') {
            while (at < data.size() && data[at] != '\n') ++at;
        } else if (data[at] == ' ' || data[at] == '\t' || data[at] == '\n' || data[at] == '\r') {
            ++at;
        } else {
            break;
        }
    }
    long value = 0;
    int digits = 0;
    while (at < data.size() && data[at] >= '0' && data[at] <= '9') {
        if (++digits > 5) refuse(path, "a header number too long");
        value = value * 10 + (data[at++] - '0');
    }
    if (digits == 0) refuse(path, "not a binary PPM header");
    return value;
}

Picture read_ppm(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) refuse(path, "cannot open");
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0 || size > max_bytes + 64) refuse(path, "too large or unreadable");
    in.seekg(0);
    const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (data.compare(0, 2, "P6") != 0) refuse(path, "not a binary PPM (no P6)");
    std::size_t at = 2;
    Picture p;
    p.width = header_number(path, data, at);
    p.height = header_number(path, data, at);
    const long maxval = header_number(path, data, at);
    if (p.width < 1 || p.height < 1 || p.width > max_side || p.height > max_side)
        refuse(path, "size " + std::to_string(p.width) + "x" + std::to_string(p.height) +
                         " outside 1.." + std::to_string(max_side));
    if (maxval != 255) refuse(path, "maxval " + std::to_string(maxval) + ", expected 255");
    if (at >= data.size()) refuse(path, "no pixels after the header");
    ++at;  // the single whitespace byte before the pixels
    const std::size_t bytes = static_cast<std::size_t>(p.width * p.height * 3);
    if (data.size() - at != bytes)
        refuse(path, std::to_string(data.size() - at) + " pixel bytes, expected " +
                         std::to_string(bytes));
    p.rgb.assign(data.begin() + static_cast<std::ptrdiff_t>(at), data.end());
    return p;
}

int hue_at(const Picture& p, long i) {
    const unsigned char* c = &p.rgb[static_cast<std::size_t>(i) * 3];
    return hue(Rgb{c[0], c[1], c[2]});
}

// The floor's share, centre and top row; the clear colour's share of the top
// quarter and the floor's of the bottom fifth; red and blue pixels; the
// centre and count of box pixels (red, blue and the magenta of frozen boxes).
void figures(const Picture& p) {
    long floor = 0, top = -1, red = 0, blue = 0, boxes = 0;
    long sky = 0, sky_n = 0, ground = 0, ground_n = 0;
    double floor_x = 0, floor_y = 0, box_x = 0, box_y = 0;
    for (long y = 0; y < p.height; ++y) {
        for (long x = 0; x < p.width; ++x) {
            const int h = hue_at(p, y * p.width + x);
            if (h == 1) {
                ++floor, floor_x += x, floor_y += y;
                if (top < 0) top = y;
            }
            if (h >= 2 && h <= 4) ++boxes, box_x += x, box_y += y;
            red += h == 2, blue += h == 3;
            if (4 * y < p.height) sky += h == 0, ++sky_n;
            if (5 * y >= 4 * p.height) ground += h == 1, ++ground_n;
        }
    }
    const double n = static_cast<double>(p.width * p.height);
    const double f = floor > 0 ? static_cast<double>(floor) : 1, b = boxes > 0 ? boxes : 1;
    std::printf(
        "floor=%.4f floor_x=%.2f floor_y=%.2f edge_row=%ld sky=%.4f ground=%.4f red=%ld blue=%ld "
        "box_x=%.2f box_y=%.2f boxes=%ld\n",
        static_cast<double>(floor) / n, floor_x / f, floor_y / f, top,
        sky_n > 0 ? static_cast<double>(sky) / static_cast<double>(sky_n) : 0.0,
        ground_n > 0 ? static_cast<double>(ground) / static_cast<double>(ground_n) : 0.0, red, blue,
        box_x / b, box_y / b, boxes);
}

// swaps: the share of pixels that are floor in one picture and the clear
// colour in the other (boxes cover either, never turn one into the other; a
// view that moved does). changed: pixels that differ at all.
void compare(const Picture& a, const Picture& b) {
    long swaps = 0, changed = 0;
    for (long i = 0; i < a.width * a.height; ++i) {
        const int ha = hue_at(a, i), hb = hue_at(b, i);
        swaps += (ha == 1 && hb == 0) || (ha == 0 && hb == 1);
        const std::size_t k = static_cast<std::size_t>(i) * 3;
        changed +=
            a.rgb[k] != b.rgb[k] || a.rgb[k + 1] != b.rgb[k + 1] || a.rgb[k + 2] != b.rgb[k + 2];
    }
    std::printf("swaps=%.4f changed=%ld\n",
                static_cast<double>(swaps) / static_cast<double>(a.width * a.height), changed);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "figures" && argc == 3) {
        figures(read_ppm(argv[2]));
        return 0;
    }
    if (mode == "compare" && argc == 4) {
        const Picture a = read_ppm(argv[2]), b = read_ppm(argv[3]);
        if (a.width != b.width || a.height != b.height)
            refuse(argv[3], "a different size from " + std::string(argv[2]));
        compare(a, b);
        return 0;
    }
    std::fprintf(stderr,
                 "usage: screenshot_probe figures <picture.ppm>\n"
                 "       screenshot_probe compare <before.ppm> <after.ppm>\n");
    return 2;
}
