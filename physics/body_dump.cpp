#include "physics/body_dump.h"

#include <cstdio>
#include <cstring>
#include <sstream>

namespace {

void put_floats(std::ostream& out, const char* name, const float* v, int n) {
    out << ' ' << name << '(';
    char buffer[32];
    for (int i = 0; i < n; ++i) {
        std::snprintf(buffer, sizeof buffer, "%.9g", static_cast<double>(v[i]));
        out << (i ? ", " : "") << buffer;
    }
    out << ')';
}

void put_vec3(std::ostream& out, const char* name, const vec3& v) {
    const float f[3] = {v.x, v.y, v.z};
    put_floats(out, name, f, 3);
}

class Fnv1a {
  public:
    void add(const void* data, std::size_t size) {
        const unsigned char* p = static_cast<const unsigned char*>(data);
        for (std::size_t i = 0; i < size; ++i) {
            hash_ ^= p[i];
            hash_ *= 0x100000001b3ull;
        }
    }
    void add(float f) {
        std::uint32_t bits;
        std::memcpy(&bits, &f, sizeof bits);
        add(&bits, sizeof bits);
    }
    void add(const vec3& v) {
        add(v.x);
        add(v.y);
        add(v.z);
    }
    void add(const matrix3& m) {
        for (float f : m.m) add(f);
    }
    void add(bool b) {
        const unsigned char c = b ? 1 : 0;
        add(&c, 1);
    }
    std::uint64_t value() const { return hash_; }

  private:
    std::uint64_t hash_ = 0xcbf29ce484222325ull;
};

}  // namespace

void dump_body(std::ostream& out, const RigidBody& body, std::size_t index) {
    out << "body " << index << (body.frozen ? " frozen" : " moving");
    put_vec3(out, "position", body.position);
    put_floats(out, "orientation", body.orientation.m, 9);
    put_vec3(out, "velocity", body.velocity);
    put_vec3(out, "angular_velocity", body.angular_velocity);
    out << '\n';
}

void dump_bodies(std::ostream& out, const BodyList& bodies, long tick) {
    out << "tick " << tick << ": " << bodies.size() << " bodies\n";
    for (std::size_t i = 0; i < bodies.size(); ++i) dump_body(out, *bodies[i], i);
}

std::string dump_bodies(const BodyList& bodies, long tick) {
    std::ostringstream out;
    dump_bodies(out, bodies, tick);
    return out.str();
}

std::uint64_t state_hash(const BodyList& bodies) {
    Fnv1a h;
    for (const auto& b : bodies) {
        h.add(b->restitution);
        h.add(b->frozen);
        h.add(b->use_gravity);
        h.add(b->mass);
        h.add(b->inverse_inertia);
        h.add(b->world_inverse_inertia);
        h.add(b->velocity);
        h.add(b->angular_velocity);
        h.add(b->force);
        h.add(b->torque);
        h.add(b->position);
        h.add(b->orientation);
        h.add(b->previous_position);
        h.add(b->previous_orientation);
        for (const vec3& v : b->vertices) h.add(v);
        h.add(b->offset);
    }
    return h.value();
}
