#include "bench/demo/reference_frame.h"

#include <fstream>
#include <sstream>

#include "demo/scene_geometry.h"

namespace {

constexpr int map_size = 2048;

bool compile(GLenum stage, const char* path, GLuint& shader, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = std::string("cannot read ") + path;
        return false;
    }
    std::stringstream text;
    text << in.rdbuf();
    const std::string source = text.str();
    const char* src = source.c_str();
    shader = glCreateShader(stage);
    glShaderSource(shader, 1, &src, nullptr);
    glCompileShader(shader);
    GLint ok = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok == 0) error = std::string(path) + " does not compile";
    return ok != 0;
}

}  // namespace

ReferenceFrame::~ReferenceFrame() {
    glDeleteProgram(program_);
    glDeleteFramebuffers(1, &fbo_);
    glDeleteTextures(1, &color_texture_);
    glDeleteTextures(1, &depth_texture_);
}

bool ReferenceFrame::init(const ReferenceScene& scene, const char* vertex_path,
                          const char* fragment_path, std::string& error) {
    scene_ = scene;
    GLuint vs = 0, fs = 0;
    if (!compile(GL_VERTEX_SHADER, vertex_path, vs, error) ||
        !compile(GL_FRAGMENT_SHADER, fragment_path, fs, error)) {
        glDeleteShader(vs);
        glDeleteShader(fs);
        return false;
    }
    program_ = glCreateProgram();
    glAttachShader(program_, vs);
    glAttachShader(program_, fs);
    glBindAttribLocation(program_, 0, "attr_position");
    glBindAttribLocation(program_, 4, "attr_color");
    glLinkProgram(program_);
    glDeleteShader(vs);
    glDeleteShader(fs);
    GLint ok = 0;
    glGetProgramiv(program_, GL_LINK_STATUS, &ok);
    if (ok == 0) {
        error = std::string(vertex_path) + " and " + fragment_path + " do not link";
        return false;
    }
    mvp_ = glGetUniformLocation(program_, "mvp");
    shadowmvp_ = glGetUniformLocation(program_, "shadowmvp");
    sampler_ = glGetUniformLocation(program_, "ShadowMap");
    color_ = glGetUniformLocation(program_, "color");

    // The same target: RGB colour and a depth texture, nearest filtering.
    glGenFramebuffers(1, &fbo_);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo_);
    glGenTextures(1, &color_texture_);
    glBindTexture(GL_TEXTURE_2D, color_texture_);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, map_size, map_size, 0, GL_RGB, GL_UNSIGNED_BYTE,
                 nullptr);
    glGenTextures(1, &depth_texture_);
    glBindTexture(GL_TEXTURE_2D, depth_texture_);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT, map_size, map_size, 0, GL_DEPTH_COMPONENT,
                 GL_UNSIGNED_BYTE, nullptr);
    glBindTexture(GL_TEXTURE_2D, 0);
    glFramebufferTexture(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, color_texture_, 0);
    glFramebufferTexture(GL_DRAW_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, depth_texture_, 0);
    const bool complete = glCheckFramebufferStatus(GL_DRAW_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    if (!complete) error = "the 2048 x 2048 target is incomplete";
    return complete;
}

void ReferenceFrame::draw_scene(bool depth_pass) {
    const std::vector<matrix4>& mvp = depth_pass ? scene_.depth_mvp : scene_.camera_mvp;
    for (std::size_t i = 0; i < mvp.size(); ++i) {
        if (i > 0) {
            const vec3& c = scene_.color[i];
            glColor3f(c.x, c.y, c.z);
            if (scene_.frozen[i]) glColor3f(1, 0, 1);
        }
        glUniformMatrix4fv(mvp_, 1, GL_FALSE, mvp[i].m);
        glUniformMatrix4fv(shadowmvp_, 1, GL_FALSE, scene_.shadow_mvp[i].m);
        glUniform1i(sampler_, 3);
        glUniform3f(color_, scene_.color[i].x, scene_.color[i].y, scene_.color[i].z);
        if (i == 0) {
            emit_floor_quads(500.0f, vec3(0, 0.3f, 0));
        } else {
            emit_box_triangles(0.25f);
        }
    }
}

void ReferenceFrame::render(void (*mark)(void*), void* user) {
    static const GLenum attachment = GL_COLOR_ATTACHMENT0;
    glUseProgram(program_);
    glActiveTexture(GL_TEXTURE3);
    glBindTexture(GL_TEXTURE_2D, 0);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, fbo_);
    glDrawBuffers(1, &attachment);
    glViewport(0, 0, map_size, map_size);
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glCullFace(GL_FRONT);
    draw_scene(true);

    if (mark != nullptr) mark(user);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glViewport(0, 0, scene_.width, scene_.height);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glActiveTexture(GL_TEXTURE3);
    glBindTexture(GL_TEXTURE_2D, depth_texture_);
    glCullFace(GL_BACK);
    draw_scene(false);
    glUseProgram(0);
}
