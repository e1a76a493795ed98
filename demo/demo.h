// Interface draft: the seven operations every host calls. The demo change fills
// in the members and the implementation.
#pragma once

#include "graphics/platform_handles.h"

class Demo {
  public:
    int init(WindowHandle* hwnd, DeviceContext* hdc);
    void resize(int width, int height);
    void tick();
    void render();
    void keypress(const char* name, bool pressed);
    bool mousemove(int x, int y, int dx, int dy);
    void destroy();
};
