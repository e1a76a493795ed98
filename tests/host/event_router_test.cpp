#include "host/event_router.h"
#include "host/sdl_keys.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

// Records every call the router makes, in order, each ending in ';'.
struct RecordingDemo {
    std::ostringstream calls;

    int init(int* w, int* c) { return calls << "init " << *w << *c << ';', -1; }
    void resize(int width, int height) { calls << "resize " << width << ' ' << height << ';'; }
    void tick() { calls << "tick;"; }
    void render() { calls << "render;"; }
    void keypress(const char* name, bool down) { calls << name << (down ? " down;" : " up;"); }
    bool mousemove(int x, int y, int dx, int dy) {
        return calls << "move " << x << ' ' << y << ' ' << dx << ' ' << dy << ';', true;
    }
    void destroy() { calls << "destroy;"; }
};

TEST(EventRouter, PassesCallsOnInOrderMovesAtMostOncePerTickFromTheCentreOrALeftPress) {
    RecordingDemo demo;
    EventRouter<RecordingDemo> router{demo};
    int window = 7, context = 9;
    EXPECT_EQ(router.init(&window, &context), -1);
    router.size(0, 0);  // minimised: passed on as it is
    router.size(301, 201);
    router.render();
    EXPECT_FALSE(router.mouse_move(5, 5));  // no tick yet
    router.timer();
    EXPECT_TRUE(router.mouse_move(10, 190));
    EXPECT_FALSE(router.mouse_move(20, 20));
    router.timer();
    // The warp's own move does not use up the tick.
    EXPECT_FALSE(router.mouse_move(150, 100));
    EXPECT_TRUE(router.mouse_move(151, 100));
    // The first move after a left press is measured from the press, the next from the centre.
    router.timer();
    router.left_pressed_at(10, 20);
    EXPECT_FALSE(router.mouse_move(150, 100));  // the centre, as a warp's echo
    router.mouse_move(11, 19);
    router.timer();
    router.mouse_move(152, 100);
    router.destroy();
    EXPECT_EQ(demo.calls.str(),
              "init 79;resize 0 0;resize 301 201;render;tick;move 10 190 -140 90;tick;"
              "move 151 100 1 0;tick;move 11 19 1 -1;tick;move 152 100 2 0;destroy;");
}

// Each code and button by its name, pressed out of table order; a key held down
// repeats its press. Control and the middle button come up before the focus goes.
TEST(EventRouter, EachKeyByItsNameARepeatPressesAgainAndFocusLossReleasesWhatIsHeldOnce) {
    RecordingDemo demo;
    EventRouter<RecordingDemo> router{demo};
    for (unsigned code : {40u, 17u, 13u, 39u, 16u, 38u, 27u, 37u})
        EXPECT_TRUE(router.key(code, true)) << code;
    for (MouseButton b : {MouseButton::middle, MouseButton::left, MouseButton::right})
        router.button(b, true);
    router.key(17, true);
    router.key(vk_control, false);
    // Neighbours and look-alikes of the table's keys: Alt, Home, 0x29, 'A', F4.
    for (unsigned code : {0u, 12u, 14u, 18u, 36u, 41u, 65u, 115u})
        EXPECT_FALSE(router.key(code, true)) << code;
    router.button(MouseButton::middle, false);
    EXPECT_EQ(demo.calls.str(),
              "down down;control down;enter down;right down;shift down;up down;escape down;"
              "left down;middlebutton down;leftbutton down;rightbutton down;control down;"
              "control up;middlebutton up;");
    demo.calls.str("");
    router.focus_lost();
    router.focus_lost();
    EXPECT_EQ(demo.calls.str(),
              "enter up;shift up;escape up;left up;up up;right up;down up;leftbutton up;"
              "rightbutton up;");
}

TEST(SdlKeys, BothSidesAndTheKeypadMapToTheOneVirtualKeyOtherKeysAreDropped) {
    const std::pair<SDL_Keycode, const char*> keys[] = {
        {SDLK_RETURN, "enter"},  {SDLK_KP_ENTER, "enter"}, {SDLK_LSHIFT, "shift"},
        {SDLK_RSHIFT, "shift"},  {SDLK_LCTRL, "control"},  {SDLK_RCTRL, "control"},
        {SDLK_ESCAPE, "escape"}, {SDLK_LEFT, "left"},      {SDLK_UP, "up"},
        {SDLK_RIGHT, "right"},   {SDLK_DOWN, "down"}};
    for (auto [key, name] : keys) EXPECT_STREQ(key_name(virtual_key_from_sdl(key)), name) << key;
    // SDL's codes for letters and Space coincide with virtual keys of other meaning
    // ('&' is 38 = VK_UP): none of them may leak through.
    for (SDL_Keycode key : {SDLK_a, SDLK_SPACE, SDLK_AMPERSAND, SDLK_QUOTE, SDLK_LALT, SDLK_KP_8})
        EXPECT_EQ(virtual_key_from_sdl(key), 0u) << key;
}

TEST(SdlPointer, WindowUnitsScaleToPixelsAndTheWarpTargetBackToTheCentre) {
    const PointerScale hidpi{333, 250, 666, 500};  // twice the pixels of the window
    auto pair = [](SDL_Point p) { return std::make_pair(p.x, p.y); };
    // The warp target, (166, 125) in window units, is the centre itself.
    EXPECT_EQ(pair(hidpi.to_pixels(166, 125, 333, 251)), std::make_pair(333, 251));
    EXPECT_EQ(pair(hidpi.to_pixels(167, 7, 333, 251)), std::make_pair(334, 14));
}

}  // namespace
