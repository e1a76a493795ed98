#include "demo/demo.h"

#include <GL/glew.h>

#include <cstdio>

int Demo::init(WindowHandle* hwnd_ptr, DeviceContext* hdc_ptr) {
    if (hwnd_ptr != nullptr) hwnd = *hwnd_ptr;
    if (hdc_ptr != nullptr) hdc = *hdc_ptr;
    graphics.init(hwnd_ptr, hdc_ptr);

    znear = 1.0f;
    zfar = 1001.0f;

    // Two of these replace what Graphics::init chose: black, counter-clockwise.
    glClearColor(0, 0, 0, 1);
    glClearStencil(0);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glFrontFace(GL_CCW);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);

    light.reset();
    light.position = vec3(-32, 12, 0);
    light.forward = vec3(-0.8454f, 0.3135f, 0.4286f);
    light.forward.normalize();
    light.up = vec3(0.2796f, 0.9478f, -0.1418f);
    light.up.normalize();

    camera.reset();
    camera.position = vec3(0, 3, 0);

    // Both sizes are still 0 here; the first size message rebuilds it.
    projection.perspective(45, (float)width / (float)height, znear, zfar, false);

    shadow_width = 2048;
    shadow_height = 2048;

    shadowmap.init(&graphics);

    GLuint target = 0;
    GLuint color = 0;
    GLuint depth = 0;
    const int result =
        graphics.create_render_target(shadow_width, shadow_height, &target, &color, &depth);
    fbo = static_cast<int>(target);
    color_texture = static_cast<int>(color);
    depth_texture = static_cast<int>(depth);
    return result;
}

void Demo::resize(int new_width, int new_height) {
    width = new_width;
    height = new_height;
    glViewport(0, 0, width, height);
    // A minimised window has no area: keep the last usable projection rather
    // than one built from an infinite (or zero) aspect ratio.
    if (width <= 0 || height <= 0) return;
    projection.perspective(45, (float)width / (float)height, znear, zfar, false);
}

void Demo::tick() {
    world.tick();
}

void Demo::render() {
    const bool lightview = keys.control;

    if (lightview) {
        light.move(keys);
    } else {
        camera.move(keys);
    }

    shadowmap.select();
    // Never sample the shadow map while it is being rendered into.
    graphics.select_texture(3, 0);

    if (!lightview) {
        graphics.bind_render_target(static_cast<GLuint>(fbo));
        glViewport(0, 0, shadow_width, shadow_height);
        graphics.color_mask(false);
    }

    graphics.clear();
    light.view_matrix(view);
    update_shadow_mvp();
    glCullFace(GL_FRONT);
    render_scene(true);

    if (lightview) {
        // The depth pass went straight to the window; the shadow map is kept.
        graphics.swap();
        return;
    }

    graphics.bind_render_target(0);
    graphics.resize(width, height);
    graphics.color_mask(true);
    graphics.clear();
    camera.view_matrix(view);
    shadowmap.select();
    graphics.select_texture(3, depth_texture);
    glCullFace(GL_BACK);
    render_scene(false);
    graphics.select_program(0);
    graphics.swap();
}

void Demo::update_shadow_mvp() {
    // Clip coordinates [-1, 1] to texture coordinates [0, 1].
    const matrix4 bias = {{0.5f, 0, 0, 0, 0, 0.5f, 0, 0, 0, 0, 0.5f, 0, 0.5f, 0.5f, 0.5f, 1}};
    shadow_mvp = (view * projection) * bias;
}

void Demo::destroy() {
    std::printf("Shutting down.\n");
    graphics.destroy();
}
