#include "host/sdl_keys.h"

#include "host/key_table.h"

unsigned virtual_key_from_sdl(SDL_Keycode key) {
    switch (key) {
        // VK_RETURN covers the keypad's Enter as well.
        case SDLK_RETURN:
        case SDLK_KP_ENTER:
            return vk_return;
        // VK_SHIFT and VK_CONTROL do not tell left from right.
        case SDLK_LSHIFT:
        case SDLK_RSHIFT:
            return vk_shift;
        case SDLK_LCTRL:
        case SDLK_RCTRL:
            return vk_control;
        case SDLK_ESCAPE:
            return vk_escape;
        case SDLK_LEFT:
            return vk_left;
        case SDLK_UP:
            return vk_up;
        case SDLK_RIGHT:
            return vk_right;
        case SDLK_DOWN:
            return vk_down;
        default:
            return 0;
    }
}
