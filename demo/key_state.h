// Held state of the eleven keys and buttons the demo knows. Input writes an
// entry by its name (keys.control); Frame::move reads entries by index.
#pragma once

struct KeyState {
    // The fixed index order of the entries.
    enum Index {
        leftbutton_index = 0,
        middlebutton_index = 1,
        rightbutton_index = 2,
        enter_index = 3,
        escape_index = 4,
        shift_index = 5,
        control_index = 6,
        up_index = 7,
        left_index = 8,
        down_index = 9,
        right_index = 10,
    };
    static constexpr int count = 11;

    bool leftbutton = false;
    bool middlebutton = false;
    bool rightbutton = false;
    bool enter = false;
    bool escape = false;
    bool shift = false;
    bool control = false;
    bool up = false;
    bool left = false;
    bool down = false;
    bool right = false;

    // Entry `index` (0 to 10) by the order above.
    bool operator[](int index) const { return this->*entries[index]; }
    bool& operator[](int index) { return this->*entries[index]; }

  private:
    static constexpr bool KeyState::*entries[count] = {
        &KeyState::leftbutton, &KeyState::middlebutton, &KeyState::rightbutton, &KeyState::enter,
        &KeyState::escape,     &KeyState::shift,        &KeyState::control,     &KeyState::up,
        &KeyState::left,       &KeyState::down,         &KeyState::right,
    };
};
