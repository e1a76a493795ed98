// Turns window-system events into the demo's seven operations. Shared by every
// host, so that each delivers the same calls in the same order; only the window
// system calls (creating the window, warping the cursor) stay in the host.
#pragma once

#include <iterator>

#include "host/key_table.h"

// Target is the demo, or anything with its seven operations.
template <class Target>
class EventRouter {
  public:
    explicit EventRouter(Target& demo) : demo_(demo) {}

    template <class Window, class Context>
    int init(Window* window, Context* context) {
        return demo_.init(window, context);
    }

    // A new client size; a minimised window passes 0 x 0 through as well.
    void size(int width, int height) {
        xcenter = width / 2;
        ycenter = height / 2;
        demo_.resize(width, height);
    }

    void timer() {
        timer_count += 1;
        demo_.tick();
    }

    void render() { demo_.render(); }

    // Returns false for a key outside the table, which is dropped.
    bool key(unsigned virtual_key, bool pressed) {
        const char* name = key_name(virtual_key);
        if (name == nullptr) return false;
        report(slot_of_key(virtual_key), name, pressed);
        return true;
    }

    void button(MouseButton which, bool pressed) {
        report(key_slots + static_cast<int>(which), button_name(which), pressed);
    }

    // The left button went down at (x, y). The cursor is put at the centre only
    // after a move, so the first move is measured from here: from the centre it
    // would turn the view by the whole distance at once.
    void left_pressed_at(int x, int y) {
        press_x_ = x;
        press_y_ = y;
        from_press_ = true;
    }

    // A pointer move in client coordinates. Returns true when the host must put
    // the cursor back at (xcenter, ycenter).
    bool mouse_move(int x, int y) {
        // The move our own warp produces.
        if (x == xcenter && y == ycenter) return false;
        // At most one move per tick reaches the demo.
        if (timer_count == last_move_count) return false;
        last_move_count = timer_count;
        const int from_x = from_press_ ? press_x_ : xcenter;
        const int from_y = from_press_ ? press_y_ : ycenter;
        from_press_ = false;
        return demo_.mousemove(x, y, x - from_x, y - from_y);
    }

    // The window never sees the release of a key held while it loses focus, so
    // everything reported pressed is released here; otherwise the view would
    // keep moving until that key is pressed again.
    void focus_lost() {
        for (int i = 0; i < key_slots; ++i) {
            if (held_[i]) report(i, key_name(table_keys[i]), false);
        }
        buttons_lost();
    }

    // Likewise for the buttons alone, when the host loses the mouse capture.
    void buttons_lost() {
        for (int i = 0; i < button_slots; ++i) {
            if (held_[key_slots + i]) {
                MouseButton which = static_cast<MouseButton>(i);
                report(key_slots + i, button_name(which), false);
            }
        }
    }

    bool any_button_held() const {
        for (int i = 0; i < button_slots; ++i) {
            if (held_[key_slots + i]) return true;
        }
        return false;
    }

    void destroy() { demo_.destroy(); }

    int xcenter = 0;
    int ycenter = 0;
    int timer_count = 0;
    int last_move_count = 0;

  private:
    static constexpr int key_slots = static_cast<int>(std::size(table_keys));
    static constexpr int button_slots = static_cast<int>(std::size(table_buttons));

    static int slot_of_key(unsigned virtual_key) {
        for (int i = 0; i < key_slots; ++i) {
            if (table_keys[i] == virtual_key) return i;
        }
        return 0;
    }

    void report(int slot, const char* name, bool pressed) {
        held_[slot] = pressed;
        demo_.keypress(name, pressed);
    }

    Target& demo_;
    bool held_[key_slots + button_slots] = {};
    int press_x_ = 0;
    int press_y_ = 0;
    bool from_press_ = false;
};
