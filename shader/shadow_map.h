// The demo's one program, "shadow.vs" + "shadow.fs": fixed attribute locations
// for the Vertex layout and the four per-object uniforms.
#pragma once

#include "math/matrix4.h"
#include "math/vector.h"
#include "shader/shader.h"

class ShadowMap : public Shader {
  public:
    // 0 when loaded; -1 otherwise, with program_handle set to -1.
    int init(Graphics* graphics);
    void prelink() override;
    // Uploads to the program in use: the caller selects it first.
    void set_params(const matrix4& mvp, const matrix4& shadowmvp, vec3 color);

    GLint mvp_location = 0;
    GLint shadowmvp_location = 0;
    GLint color_location = 0;
    GLint shadowmap_location = 0;
};
