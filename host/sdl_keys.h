// SDL key codes in terms of the Win32 virtual keys of the key table.
#pragma once

#include <SDL_keycode.h>

// The virtual key for an SDL key code; 0 for a key outside the table.
unsigned virtual_key_from_sdl(SDL_Keycode key);
