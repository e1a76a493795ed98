#include "host/key_table.h"

const char* key_name(unsigned virtual_key) {
    switch (virtual_key) {
        case vk_return:
            return "enter";
        case vk_shift:
            return "shift";
        case vk_control:
            return "control";
        case vk_escape:
            return "escape";
        case vk_left:
            return "left";
        case vk_up:
            return "up";
        case vk_right:
            return "right";
        case vk_down:
            return "down";
        default:
            return nullptr;
    }
}

const char* button_name(MouseButton button) {
    switch (button) {
        case MouseButton::left:
            return "leftbutton";
        case MouseButton::right:
            return "rightbutton";
        case MouseButton::middle:
            return "middlebutton";
    }
    return nullptr;
}

bool find_input(std::string_view name, NamedInput& found) {
    for (unsigned key : table_keys) {
        if (name == key_name(key)) {
            found = NamedInput{false, key, MouseButton::left};
            return true;
        }
    }
    for (MouseButton button : table_buttons) {
        if (name == button_name(button)) {
            found = NamedInput{true, 0, button};
            return true;
        }
    }
    return false;
}
