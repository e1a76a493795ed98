// A host without a window: a pbuffer of the window's size on a headless EGL
// context. It drives the demo through the same router, and so the same seven
// operations in the same order, as the window hosts: init, resize, then ticks,
// renders and input, and at the end the context goes before destroy.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "demo/demo.h"
#include "host/egl_context.h"
#include "host/event_router.h"

class HeadlessHost {
  public:
    HeadlessHost();
    ~HeadlessHost();
    HeadlessHost(const HeadlessHost&) = delete;
    HeadlessHost& operator=(const HeadlessHost&) = delete;

    // Makes the context, then init and the first size message. False with
    // `error` set when there is no context; the demo is then never started.
    bool start(int width, int height, std::string& error);
    // Whether the demo's shader program loaded (the loader has logged either way).
    bool program_loaded() const;

    // A press (or release) of a key or button name from the host's key table;
    // false for any other name.
    bool press(const std::string& name, bool pressed);
    void tick();
    void render();

    // The window's pixels, RGB rows bottom row first.
    std::vector<unsigned char> read_pixels() const;

    // Deletes the context, then destroy, as a window's destruction does. Runs
    // once; the destructor calls it when nobody did.
    void shutdown();

    Demo& demo() { return *demo_; }
    EglContext& context() { return context_; }
    EventRouter<Demo>& router() { return router_; }
    int width() const { return width_; }
    int height() const { return height_; }

  private:
    std::unique_ptr<Demo> demo_;
    EglContext context_;
    EventRouter<Demo> router_;
    int width_ = 0;
    int height_ = 0;
    bool started_ = false;
};
