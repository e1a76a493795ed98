// The object that owns everything the window shows, driven by a host through
// seven operations: init, resize, tick, render, keypress, mousemove, destroy.
#pragma once

#include "demo/frame.h"
#include "demo/key_state.h"
#include "graphics/graphics.h"
#include "graphics/platform_handles.h"
#include "math/matrix4.h"
#include "math/vector.h"
#include "physics/world.h"
#include "shader/shadow_map.h"

class Demo {
  public:
    // The host's operations.
    // Returns the render target's creation result (0, or -1 when incomplete).
    int init(WindowHandle* hwnd, DeviceContext* hdc);
    void resize(int width, int height);
    void tick();
    void render();
    void keypress(const char* name, bool pressed);
    // True when the host must put the cursor back at the window centre.
    bool mousemove(int x, int y, int dx, int dy);
    void destroy();

    // bias x projection x light view, from the light view held in `view`.
    void update_shadow_mvp();
    // The floor, then every body in list order.
    void render_scene(bool depth_pass);
    void draw_floor(plane& floor, bool depth_pass);
    // The 36 vertices of a cube of half-size 0.25.
    void draw_box();

    // The bodies and their simulation; owns the bodies.
    World world{};
    KeyState keys{};
    Graphics graphics{};
    int width = 0;
    int height = 0;
    float znear = 0;
    float zfar = 0;
    // View of the pass being drawn.
    matrix4 view{};
    // Shared by both passes.
    matrix4 projection{};
    int color_texture = 0;
    // The shadow map.
    int depth_texture = 0;
    int fbo = 0;
    int shadow_width = 0;
    int shadow_height = 0;
    ShadowMap shadowmap{};
    Frame light{};
    Frame camera{};
    // Without any model matrix; each object's own goes in front of it on upload.
    matrix4 shadow_mvp{};
    WindowHandle hwnd{};
    DeviceContext hdc{};
};
