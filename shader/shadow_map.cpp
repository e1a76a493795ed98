#include "shader/shadow_map.h"

int ShadowMap::init(Graphics* graphics) {
    if (Shader::init(graphics, "shadow.vs", nullptr, "shadow.fs") != 0) {
        // A failed link leaves its program behind; once marked it could not be
        // named for deletion any more.
        if (program_handle > 0) glDeleteProgram(static_cast<GLuint>(program_handle));
        program_handle = -1;
        return -1;
    }
    const GLuint program = static_cast<GLuint>(program_handle);
    mvp_location = glGetUniformLocation(program, "mvp");
    shadowmvp_location = glGetUniformLocation(program, "shadowmvp");
    shadowmap_location = glGetUniformLocation(program, "ShadowMap");
    color_location = glGetUniformLocation(program, "color");
    return 0;
}

void ShadowMap::prelink() {
    const GLuint program = static_cast<GLuint>(program_handle);
    glBindAttribLocation(program, 0, "attr_position");
    glBindAttribLocation(program, 4, "attr_color");
}

void ShadowMap::set_params(const matrix4& mvp, const matrix4& shadowmvp, vec3 color) {
    glUniformMatrix4fv(mvp_location, 1, GL_FALSE, mvp.m);
    glUniformMatrix4fv(shadowmvp_location, 1, GL_FALSE, shadowmvp.m);
    // The depth texture of the render target sits on texture unit 3.
    glUniform1i(shadowmap_location, 3);
    glUniform3f(color_location, color.x, color.y, color.z);
}
