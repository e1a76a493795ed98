// SDL input in the demo's terms: key codes as the Win32 virtual keys of the key
// table, pointer positions in drawable pixels.
#pragma once

#include <SDL_keycode.h>
#include <SDL_rect.h>

// The virtual key for an SDL key code; 0 for a key outside the table.
unsigned virtual_key_from_sdl(SDL_Keycode key);

// Pointer positions and warps are in window units, the demo's sizes in drawable
// pixels; they differ on HiDPI screens.
struct PointerScale {
    int window_w = 1, window_h = 1, pixel_w = 1, pixel_h = 1;

    // The demo's centre in window units: where the cursor is warped to.
    SDL_Point warp_target(int xcenter, int ycenter) const;
    // A position in window units, in pixels; the warp target lands exactly on
    // the centre, which the scaling alone might miss by a pixel.
    SDL_Point to_pixels(int x, int y, int xcenter, int ycenter) const;
};
