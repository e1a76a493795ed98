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

namespace {

int scaled(int v, int to, int from) {
    return from > 0 ? static_cast<int>(static_cast<long long>(v) * to / from) : v;
}

}  // namespace

SDL_Point PointerScale::warp_target(int xcenter, int ycenter) const {
    return {scaled(xcenter, window_w, pixel_w), scaled(ycenter, window_h, pixel_h)};
}

SDL_Point PointerScale::to_pixels(int x, int y, int xcenter, int ycenter) const {
    SDL_Point warp = warp_target(xcenter, ycenter);
    if (x == warp.x && y == warp.y) return {xcenter, ycenter};
    return {scaled(x, pixel_w, window_w), scaled(y, pixel_h, window_h)};
}
