// Runs the six-box scene headless and prints what it did.
//   physics_trace TICKS           the state digest after TICKS ticks, as 16 hex digits
//   physics_trace TICKS --dump    the full state after TICKS ticks
//   physics_trace TICKS --report  spawns, freezes and wakes with the total energy, room
//                                 excursions, and the ticks where energy grew
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <vector>

#include "physics/body_dump.h"
#include "physics/world.h"

namespace {

constexpr double g = 9.8;
// The plane test lets a vertex sink this far behind a wall before it is too deep.
constexpr double tolerance = 0.25;

double energy(const RigidBody& b) {
    const vec3& v = b.velocity;
    const vec3& w = b.angular_velocity;
    // The inverse inertia is isotropic (0.018 on the diagonal), so the body-space
    // inertia is its reciprocal on every axis.
    const double inertia = 1.0 / b.inverse_inertia.m[0];
    const double linear =
        0.5 * b.mass * (double(v.x) * v.x + double(v.y) * v.y + double(v.z) * v.z);
    const double angular =
        0.5 * inertia * (double(w.x) * w.x + double(w.y) * w.y + double(w.z) * w.z);
    return linear + angular + b.mass * g * b.position.y;
}

// How far the body's worst vertex lies outside the room (<= 0 inside).
double excursion(const RigidBody& b) {
    double worst = -1e30;
    for (const vec3& c : b.vertices) {
        const vec3 p = b.orientation.transform(c) + b.position;
        const double out[6] = {-p.y, p.y - 10.0, -10.0 - p.x, p.x - 10.0, -25.0 - p.z, p.z};
        for (double o : out) worst = o > worst ? o : worst;
    }
    return worst;
}

bool finite(const RigidBody& b) {
    double sum = 0;
    for (const vec3* v : {&b.position, &b.velocity, &b.angular_velocity}) sum += v->x + v->y + v->z;
    for (float f : b.orientation.m) sum += f;
    return std::isfinite(sum);
}

int report(long ticks) {
    World world;
    std::vector<double> last_energy;
    std::vector<bool> was_frozen;
    double worst_excursion = -1e30, worst_growth = 0, last_total = 0, worst_rise = 0;
    long worst_tick = 0, grow_count = 0, rise_count = 0;
    for (long t = 1; t <= ticks; ++t) {
        const std::size_t before = world.bodies.size();
        world.tick();
        double total = 0;
        for (const auto& b : world.bodies) total += energy(*b);
        // A tick that spawns brings its own energy; only the others may not add any.
        if (world.bodies.size() == before && t > 1 && total > last_total + 1e-9) {
            ++rise_count;
            worst_rise = std::max(worst_rise, total - last_total);
        }
        last_total = total;
        for (std::size_t i = 0; i < world.bodies.size(); ++i) {
            const RigidBody& b = *world.bodies[i];
            const double e = energy(b);
            if (i >= before) {
                std::printf("tick %ld: body %zu spawned (total energy %.3f)\n", t, i, total);
                last_energy.push_back(e);
                was_frozen.push_back(false);
            }
            if (!finite(b)) {
                std::printf("tick %ld: body %zu is not finite\n", t, i);
                return 1;
            }
            if (b.frozen != was_frozen[i]) {
                std::printf("tick %ld: body %zu %s at y %.4f (energy %.3f, total energy %.3f)\n", t,
                            i, b.frozen ? "froze" : "woke", b.position.y, e, total);
                was_frozen[i] = b.frozen;
            }
            // A frozen body's velocities are a leftover, not motion; compare only
            // bodies that moved through this tick.
            if (!b.frozen && i < before && e > last_energy[i] + 1e-9) {
                ++grow_count;
                worst_growth = std::max(worst_growth, e - last_energy[i]);
            }
            last_energy[i] = e;
            if (excursion(b) > worst_excursion) worst_excursion = excursion(b), worst_tick = t;
        }
    }
    std::printf("worst excursion outside the room: %.6f at tick %ld (tolerated %.2f)\n",
                worst_excursion, worst_tick, tolerance);
    std::printf("ticks where a moving body's energy grew: %ld; largest growth %.4f\n", grow_count,
                worst_growth);
    std::printf("ticks where the total energy rose: %ld; largest rise %.4f\n", rise_count,
                worst_rise);
    std::printf("tick %ld: total energy %.3f\n", ticks, last_total);
    std::fputs(dump_bodies(world.bodies, ticks).c_str(), stdout);
    return 0;
}

// TICKS as plain decimal digits up to INT_MAX: strtol alone takes "", " 7" and
// "+7", and clamps an overflow to LONG_MAX, which would run for ever.
bool parse_ticks(const char* text, long& ticks) {
    if (*text == '\0' || std::strspn(text, "0123456789") != std::strlen(text)) return false;
    errno = 0;
    ticks = std::strtol(text, nullptr, 10);
    return errno == 0 && ticks <= INT_MAX;
}

// Whether everything printed has reached standard output; says why not.
bool output_written() {
    // stdio first: std::cout writes through it, and its flush would take the errno.
    const bool flushed = std::fflush(stdout) == 0;
    const int why = errno;
    std::cout.flush();
    if (flushed && std::ferror(stdout) == 0 && std::cout.good()) return true;
    std::fprintf(stderr, "physics_trace: cannot write standard output: %s\n",
                 flushed ? "an earlier write failed" : std::strerror(why));
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    const char* const usage = "usage: physics_trace TICKS [--dump | --report]\n";
    long ticks = 0;
    if (argc < 2 || argc > 3 || !parse_ticks(argv[1], ticks)) {
        if (argc >= 2 && !parse_ticks(argv[1], ticks))
            std::fprintf(stderr,
                         "physics_trace: TICKS wants a whole number from 0 to %d, not '%s'\n",
                         INT_MAX, argv[1]);
        std::fputs(usage, stderr);
        return 2;
    }
    const char* mode = argc > 2 ? argv[2] : nullptr;
    const bool dump = mode != nullptr && std::strcmp(mode, "--dump") == 0;
    const bool full_report = mode != nullptr && std::strcmp(mode, "--report") == 0;
    // Refused before the ticks are spent, not after; an empty word is a mode too.
    if (mode != nullptr && !dump && !full_report) {
        std::fprintf(stderr, "physics_trace: unknown option '%s'\n%s", mode, usage);
        return 2;
    }
    // Nothing else is opened, but a closed standard output loses every line.
    if (fcntl(STDOUT_FILENO, F_GETFD) == -1) {
        std::fprintf(stderr, "physics_trace: cannot write standard output: %s\n",
                     std::strerror(errno));
        return 1;
    }
    if (full_report) {
        const int status = report(ticks);
        return output_written() ? status : 1;
    }

    World world;
    for (long t = 0; t < ticks; ++t) world.tick();
    if (dump) {
        dump_bodies(std::cout, world.bodies, ticks);
    } else {
        std::printf("%016" PRIx64 "\n", state_hash(world.bodies));
    }
    return output_written() ? 0 : 1;
}
