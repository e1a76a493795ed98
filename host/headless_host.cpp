#include "host/headless_host.h"

#include <GL/glew.h>

#include "host/key_table.h"

HeadlessHost::HeadlessHost() : demo_(std::make_unique<Demo>()), router_(*demo_) {}

HeadlessHost::~HeadlessHost() {
    shutdown();
}

bool HeadlessHost::start(int width, int height, std::string& error) {
    if (!context_.create(width, height)) {
        error = context_.error();
        return false;
    }
    width_ = width;
    height_ = height;
    started_ = true;
    router_.init(context_.window_handle(), context_.device_context());
    router_.size(width, height);
    return true;
}

bool HeadlessHost::program_loaded() const {
    return demo_->shadowmap.program_handle > 0;
}

bool HeadlessHost::press(const std::string& name, bool pressed) {
    NamedInput input;
    if (!find_input(name, input)) return false;
    if (!input.is_button) return router_.key(input.virtual_key, pressed);
    router_.button(input.button, pressed);
    return true;
}

void HeadlessHost::tick() {
    router_.timer();
}

void HeadlessHost::render() {
    router_.render();
}

std::vector<unsigned char> HeadlessHost::read_pixels() const {
    std::vector<unsigned char> rgb(static_cast<std::size_t>(width_) *
                                   static_cast<std::size_t>(height_) * 3);
    if (rgb.empty()) return rgb;
    GLint previous_read = 0;
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &previous_read);
    // Render-target creation leaves its framebuffer bound for reading.
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width_, height_, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(previous_read));
    return rgb;
}

void HeadlessHost::shutdown() {
    if (!started_) return;
    started_ = false;
    context_.destroy();
    router_.destroy();
}
