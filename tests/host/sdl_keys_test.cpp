#include "host/sdl_keys.h"

#include <gtest/gtest.h>

#include "host/key_table.h"

namespace {

TEST(SdlKeys, BothSidesAndTheKeypadMapToTheOneVirtualKey) {
    EXPECT_STREQ(key_name(virtual_key_from_sdl(SDLK_RETURN)), "enter");
    EXPECT_STREQ(key_name(virtual_key_from_sdl(SDLK_KP_ENTER)), "enter");
    EXPECT_STREQ(key_name(virtual_key_from_sdl(SDLK_LSHIFT)), "shift");
    EXPECT_STREQ(key_name(virtual_key_from_sdl(SDLK_RSHIFT)), "shift");
    EXPECT_STREQ(key_name(virtual_key_from_sdl(SDLK_LCTRL)), "control");
    EXPECT_STREQ(key_name(virtual_key_from_sdl(SDLK_RCTRL)), "control");
    EXPECT_STREQ(key_name(virtual_key_from_sdl(SDLK_ESCAPE)), "escape");
    EXPECT_STREQ(key_name(virtual_key_from_sdl(SDLK_LEFT)), "left");
    EXPECT_STREQ(key_name(virtual_key_from_sdl(SDLK_UP)), "up");
    EXPECT_STREQ(key_name(virtual_key_from_sdl(SDLK_RIGHT)), "right");
    EXPECT_STREQ(key_name(virtual_key_from_sdl(SDLK_DOWN)), "down");
}

TEST(SdlKeys, OtherKeysAreDropped) {
    // SDL's codes for letters and Space coincide with virtual keys of other meaning
    // ('&' is 38 = VK_UP): none of them may leak through.
    for (SDL_Keycode key : {SDLK_a, SDLK_SPACE, SDLK_AMPERSAND, SDLK_QUOTE, SDLK_LALT, SDLK_F4,
                            SDLK_KP_8, SDLK_TAB, SDLK_UNKNOWN}) {
        EXPECT_EQ(virtual_key_from_sdl(key), 0u) << key;
    }
}

}  // namespace
