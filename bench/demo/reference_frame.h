// The bare frame the demo is measured against: the same two passes over the
// same geometry, straight OpenGL calls and matrices worked out once, nothing
// else. It takes any shader pair, so the demo's can be weighed against another.
#pragma once

#include <GL/glew.h>

#include <string>
#include <vector>

#include "math/matrix4.h"
#include "math/vector.h"

struct ReferenceScene {
    int width = 0;
    int height = 0;
    // Per object, in drawing order (floor first): camera pass and depth pass.
    std::vector<matrix4> camera_mvp;
    std::vector<matrix4> depth_mvp;
    std::vector<matrix4> shadow_mvp;
    std::vector<vec3> color;
    std::vector<bool> frozen;
};

class ReferenceFrame {
  public:
    ~ReferenceFrame();
    // Compiles the two shader files (shadow.vs / shadow.fs: the demo's) and
    // makes the 2048 x 2048 target; false with `error` set on failure.
    bool init(const ReferenceScene& scene, const char* vertex_path, const char* fragment_path,
              std::string& error);
    // Both passes; `mark` (may be null) runs between them.
    void render(void (*mark)(void*), void* user);

  private:
    void draw_scene(bool depth_pass);

    ReferenceScene scene_;
    GLuint program_ = 0;
    GLuint fbo_ = 0;
    GLuint color_texture_ = 0;
    GLuint depth_texture_ = 0;
    GLint mvp_ = -1;
    GLint shadowmvp_ = -1;
    GLint sampler_ = -1;
    GLint color_ = -1;
};
