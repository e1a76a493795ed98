#include <cstring>

#include "demo/demo.h"

namespace {

// The order in which names are compared, with the entry each one sets.
struct NamedKey {
    const char* name;
    int index;
};

constexpr NamedKey named_keys[] = {
    {"enter", KeyState::enter_index},
    {"leftbutton", KeyState::leftbutton_index},
    {"middlebutton", KeyState::middlebutton_index},
    {"rightbutton", KeyState::rightbutton_index},
    {"shift", KeyState::shift_index},
    {"control", KeyState::control_index},
    {"escape", KeyState::escape_index},
    {"up", KeyState::up_index},
    {"left", KeyState::left_index},
    {"down", KeyState::down_index},
    {"right", KeyState::right_index},
};

}  // namespace

void Demo::keypress(const char* name, bool pressed) {
    if (name == nullptr) return;
    for (const NamedKey& key : named_keys) {
        if (std::strcmp(name, key.name) == 0) {
            keys[key.index] = pressed;
            return;
        }
    }
}

bool Demo::mousemove(int /*x*/, int /*y*/, int dx, int dy) {
    if (!keys.leftbutton) return false;
    const vec2 delta((float)dx, (float)dy);
    if (keys.control) {
        light.look(delta);
    } else {
        camera.look(delta);
    }
    return true;
}
