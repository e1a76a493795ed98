#include "tools/shadow_capture/capture_options.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "host/key_table.h"

namespace {

// A whole decimal number in [low, high], nothing else around it.
bool parse_int(const char* text, int low, int high, int& out) {
    if (text == nullptr || *text == '\0') return false;
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p < '0' || *p > '9') return false;
    }
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || value < low || value > high) return false;
    out = static_cast<int>(value);
    return true;
}

bool parse_size(const char* text, int& width, int& height) {
    const char* x = std::strchr(text, 'x');
    if (x == nullptr) return false;
    const std::string w(text, static_cast<std::size_t>(x - text));
    // Far beyond any pbuffer an implementation gives, but no overflow in w * h * 3.
    constexpr int limit = 16384;
    return parse_int(w.c_str(), 1, limit, width) && parse_int(x + 1, 1, limit, height);
}

std::string holdable_names() {
    std::string names;
    for (unsigned key : table_keys) names += std::string(names.empty() ? "" : ", ") + key_name(key);
    for (MouseButton b : table_buttons) names += std::string(", ") + button_name(b);
    return names;
}

}  // namespace

bool is_holdable_name(const std::string& name) {
    NamedInput unused;
    return find_input(name, unused);
}

bool parse_capture_options(int argc, const char* const* argv, CaptureOptions& options,
                           std::string& error) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            options.help = true;
            continue;
        }
        if (arg == "--stats") {
            options.stats = true;
            continue;
        }
        const bool takes_value = arg == "--size" || arg == "--ticks" || arg == "--frames" ||
                                 arg == "--out" || arg == "--hold";
        if (!takes_value) {
            error = "unknown option '" + arg + "'";
            return false;
        }
        if (i + 1 >= argc) {
            error = "option " + arg + " needs a value";
            return false;
        }
        const char* value = argv[++i];
        if (arg == "--size") {
            if (!parse_size(value, options.width, options.height)) {
                error = "--size wants WIDTHxHEIGHT with both from 1 to 16384, not '" +
                        std::string(value) + "'";
                return false;
            }
        } else if (arg == "--ticks") {
            if (!parse_int(value, 0, INT_MAX, options.ticks)) {
                error = "--ticks wants a whole number from 0 to " + std::to_string(INT_MAX) +
                        ", not '" + std::string(value) + "'";
                return false;
            }
        } else if (arg == "--frames") {
            if (!parse_int(value, 0, INT_MAX, options.frames)) {
                error = "--frames wants a whole number from 0 to " + std::to_string(INT_MAX) +
                        ", not '" + std::string(value) + "'";
                return false;
            }
        } else if (arg == "--out") {
            if (*value == '\0') {
                error = "--out wants a file name";
                return false;
            }
            options.out = value;
        } else {
            if (!is_holdable_name(value)) {
                error = "--hold: unknown key '" + std::string(value) +
                        "' (known: " + holdable_names() + ")";
                return false;
            }
            options.hold.push_back(value);
        }
    }
    return true;
}

std::string capture_usage(const char* program) {
    return std::string("usage: ") + program +
           " [--size WxH] [--ticks N] [--frames N] [--out FILE.png] [--hold KEY]... [--stats]\n"
           "  --size WxH     window size in pixels (default 800x600)\n"
           "  --ticks N      simulation ticks, one render after each (default 900)\n"
           "  --frames N     extra renders after the ticks, for timing (default 0)\n"
           "  --out FILE     write the window's pixels after the last frame as PNG\n"
           "  --hold KEY     hold a key or button from the start (repeatable): " +
           holdable_names() +
           "\n"
           "  --stats        print CPU and GPU time per frame (median, 95th percentile)\n"
           "                 and the frame rate of the timed renders\n";
}
