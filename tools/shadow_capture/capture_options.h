// Command line of the headless capture tool.
#pragma once

#include <string>
#include <vector>

struct CaptureOptions {
    int width = 800;
    int height = 600;
    // Simulation ticks before the capture, each followed by one render: by 900
    // all six boxes have spawned and come to rest.
    int ticks = 900;
    // Renders after the ticks, without ticking, for timing.
    int frames = 0;
    // The window's pixels after the last frame; empty writes nothing.
    std::string out;
    // Key and button names held from the start, in the order given.
    std::vector<std::string> hold;
    bool stats = false;
    bool help = false;
};

// Fills `options` from argv; false with `error` set on bad input.
bool parse_capture_options(int argc, const char* const* argv, CaptureOptions& options,
                           std::string& error);

// The usage text, naming the program as `program`.
std::string capture_usage(const char* program);

// True when `name` is a key or button name of the host's key table.
bool is_holdable_name(const std::string& name);
