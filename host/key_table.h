// The names under which keys and mouse buttons reach the demo. Keys are given
// as Win32 virtual-key codes; other hosts translate their own codes first.
#pragma once

#include <string_view>

// Virtual-key codes of the keys the demo knows.
enum VirtualKey : unsigned {
    vk_return = 13,
    vk_shift = 16,
    vk_control = 17,
    vk_escape = 27,
    vk_left = 37,
    vk_up = 38,
    vk_right = 39,
    vk_down = 40,
};

enum class MouseButton { left, right, middle };

// Every key and button of the table, in table order.
inline constexpr unsigned table_keys[] = {vk_return, vk_shift, vk_control, vk_escape,
                                          vk_left,   vk_up,    vk_right,   vk_down};
inline constexpr MouseButton table_buttons[] = {MouseButton::left, MouseButton::right,
                                                MouseButton::middle};

// The demo's name for a virtual key, or nullptr for a key it ignores.
const char* key_name(unsigned virtual_key);

const char* button_name(MouseButton button);

// A key or button of the table, as found by the demo's name for it.
struct NamedInput {
    bool is_button = false;
    unsigned virtual_key = 0;
    MouseButton button = MouseButton::left;
};

// False for a name outside the table.
bool find_input(std::string_view name, NamedInput& found);
