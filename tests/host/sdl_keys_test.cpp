#include "host/sdl_keys.h"

#include <gtest/gtest.h>

#include "host/key_table.h"

namespace {

TEST(SdlKeys, BothSidesAndTheKeypadMapToTheOneVirtualKeyOtherKeysAreDropped) {
    const std::pair<SDL_Keycode, const char*> keys[] = {
        {SDLK_RETURN, "enter"},  {SDLK_KP_ENTER, "enter"}, {SDLK_LSHIFT, "shift"},
        {SDLK_RSHIFT, "shift"},  {SDLK_LCTRL, "control"},  {SDLK_RCTRL, "control"},
        {SDLK_ESCAPE, "escape"}, {SDLK_LEFT, "left"},      {SDLK_UP, "up"},
        {SDLK_RIGHT, "right"},   {SDLK_DOWN, "down"}};
    for (auto [key, name] : keys) EXPECT_STREQ(key_name(virtual_key_from_sdl(key)), name) << key;
    // SDL's codes for letters and Space coincide with virtual keys of other meaning
    // ('&' is 38 = VK_UP): none of them may leak through.
    for (SDL_Keycode key : {SDLK_a, SDLK_SPACE, SDLK_AMPERSAND, SDLK_QUOTE, SDLK_LALT, SDLK_F4,
                            SDLK_KP_8, SDLK_TAB, SDLK_UNKNOWN})
        EXPECT_EQ(virtual_key_from_sdl(key), 0u) << key;
}

}  // namespace
