// ShadowMap on the real driver: its two files, the fixed attribute locations,
// the uniform look-ups and what set_params uploads.
#include "shader/shadow_map.h"

#include <GL/glew.h>

#include <string>

#include "graphics/graphics.h"
#include "tests/support/gl_fixture.h"
#include "tests/support/temp_dir.h"

namespace {

std::string vertex_source(bool color_first) {
    const std::string position = "attribute vec3 attr_position;\n";
    const std::string color = "attribute float attr_color;\n";
    return "#version 120\n" + (color_first ? color + position : position + color) +
           "uniform mat4 mvp;\n"
           "uniform mat4 shadowmvp;\n"
           "varying vec4 shadow_coord;\n"
           "varying float tint;\n"
           "void main() {\n"
           "    tint = attr_color;\n"
           "    shadow_coord = shadowmvp * vec4(attr_position, 1.0);\n"
           "    gl_Position = mvp * vec4(attr_position, 1.0);\n"
           "}\n";
}

std::string fragment_source(bool with_color) {
    return std::string("#version 120\n") + "uniform sampler2D ShadowMap;\n" +
           (with_color ? "uniform vec3 color;\n" : "const vec3 color = vec3(1.0);\n") +
           "varying vec4 shadow_coord;\n"
           "varying float tint;\n"
           "void main() {\n"
           "    float depth = texture2D(ShadowMap, shadow_coord.xy / shadow_coord.w).r;\n"
           "    gl_FragColor = vec4(color * depth, tint);\n"
           "}\n";
}

class ShadowMapProgram : public GlTest {
  protected:
    static std::string header() {
        return std::string("OpenGL Version ") +
               reinterpret_cast<const char*>(glGetString(GL_VERSION)) + "\nOpenGL Renderer " +
               reinterpret_cast<const char*>(glGetString(GL_RENDERER)) + "\nMax vertex attribs " +
               std::to_string(get_integer(GL_MAX_VERTEX_ATTRIBS)) + "\n";
    }

    static matrix4 numbered(float first) {
        matrix4 m;
        for (int i = 0; i < 16; ++i) m.m[i] = first + 0.5f * static_cast<float>(i);
        return m;
    }

    static void expect_matrix(GLuint program, GLint location, const matrix4& expected) {
        GLfloat stored[16] = {};
        glGetUniformfv(program, location, stored);
        for (int i = 0; i < 16; ++i) EXPECT_EQ(stored[i], expected.m[i]) << "element " << i;
    }

    ScopedTempDir dir;
    Graphics gfx{};
};

TEST_F(ShadowMapProgram, LoadsItsFilesWithFixedLocationsInEitherDeclarationOrder) {
    for (bool color_first : {true, false}) {
        ScopedTempDir run;
        write_file("shadow.vs", vertex_source(color_first));
        write_file("shadow.fs", fragment_source(true));
        ShadowMap shadow;
        ASSERT_EQ(shadow.init(&gfx), 0) << read_file("infolog.txt");
        EXPECT_EQ(read_file("infolog.txt"), header() +
                                                "Loaded vertex shader shadow.vs\n"
                                                "Loaded fragment shader shadow.fs\n"
                                                "Link successful\n");
        const GLuint program = static_cast<GLuint>(shadow.program_handle);
        EXPECT_EQ(glGetAttribLocation(program, "attr_position"), 0) << color_first;
        EXPECT_EQ(glGetAttribLocation(program, "attr_color"), 4) << color_first;
        EXPECT_EQ(shadow.geometry_handle, 0u);

        EXPECT_EQ(shadow.mvp_location, glGetUniformLocation(program, "mvp"));
        EXPECT_EQ(shadow.shadowmvp_location, glGetUniformLocation(program, "shadowmvp"));
        EXPECT_EQ(shadow.shadowmap_location, glGetUniformLocation(program, "ShadowMap"));
        EXPECT_EQ(shadow.color_location, glGetUniformLocation(program, "color"));
        for (GLint location : {shadow.mvp_location, shadow.shadowmvp_location,
                               shadow.shadowmap_location, shadow.color_location})
            EXPECT_GE(location, 0);
    }
}

TEST_F(ShadowMapProgram, SetParamsUploadsAllFourValues) {
    write_file("shadow.vs", vertex_source(false));
    write_file("shadow.fs", fragment_source(true));
    ShadowMap shadow;
    ASSERT_EQ(shadow.init(&gfx), 0) << read_file("infolog.txt");
    const GLuint program = static_cast<GLuint>(shadow.program_handle);
    shadow.select();
    glUniform1i(shadow.shadowmap_location, 0);
    gfx.select_texture(5, 9);  // whatever is bound, the sampler reads unit 3

    const matrix4 mvp = numbered(1.0f);
    const matrix4 shadowmvp = numbered(-3.25f);
    shadow.set_params(mvp, shadowmvp, vec3(0.5f, 0.25f, 0.125f));
    EXPECT_EQ(take_error(), static_cast<GLenum>(GL_NO_ERROR));
    expect_matrix(program, shadow.mvp_location, mvp);  // untransposed
    expect_matrix(program, shadow.shadowmvp_location, shadowmvp);
    GLint unit = -1;
    glGetUniformiv(program, shadow.shadowmap_location, &unit);
    EXPECT_EQ(unit, 3);
    GLfloat color[3] = {};
    glGetUniformfv(program, shadow.color_location, color);
    EXPECT_EQ(color[0], 0.5f);
    EXPECT_EQ(color[1], 0.25f);
    EXPECT_EQ(color[2], 0.125f);
}

TEST_F(ShadowMapProgram, ProgramWithoutColorLinksAndTakesTheOtherValues) {
    write_file("shadow.vs", vertex_source(true));
    write_file("shadow.fs", fragment_source(false));
    ShadowMap shadow;
    ASSERT_EQ(shadow.init(&gfx), 0) << read_file("infolog.txt");
    EXPECT_EQ(shadow.color_location, -1);
    const GLuint program = static_cast<GLuint>(shadow.program_handle);
    shadow.select();
    const matrix4 mvp = numbered(2.0f);
    const matrix4 shadowmvp = numbered(7.0f);
    shadow.set_params(mvp, shadowmvp, vec3(1.0f, 1.0f, 1.0f));
    EXPECT_EQ(take_error(), static_cast<GLenum>(GL_NO_ERROR));
    expect_matrix(program, shadow.mvp_location, mvp);
    expect_matrix(program, shadow.shadowmvp_location, shadowmvp);
    GLint unit = -1;
    glGetUniformiv(program, shadow.shadowmap_location, &unit);
    EXPECT_EQ(unit, 3);
}

TEST_F(ShadowMapProgram, MissingFragmentFileMarksTheProgramFailed) {
    write_file("shadow.vs", vertex_source(false));
    ShadowMap shadow;
    EXPECT_EQ(shadow.init(&gfx), -1);
    EXPECT_EQ(shadow.program_handle, -1);
    EXPECT_EQ(read_file("infolog.txt"), header() +
                                            "Loaded vertex shader shadow.vs\n"
                                            "Unable to load fragment shader shadow.fs\n");
    // Not looked up after a failure.
    EXPECT_EQ(shadow.mvp_location, 0);
    EXPECT_EQ(shadow.color_location, 0);

    // The demo carries on: selecting the failed program only raises an error.
    shadow.select();
    EXPECT_EQ(take_error(), static_cast<GLenum>(GL_INVALID_VALUE));
    EXPECT_EQ(get_integer(GL_CURRENT_PROGRAM), 0);
}

TEST_F(ShadowMapProgram, CompileFailureAlsoMarksTheProgramFailed) {
    write_file("shadow.vs", "#version 120\nvoid main() { gl_Position = ; }\n");
    write_file("shadow.fs", fragment_source(true));
    ShadowMap shadow;
    EXPECT_EQ(shadow.init(&gfx), -1);
    EXPECT_EQ(shadow.program_handle, -1);
    EXPECT_EQ(read_file("infolog.txt").rfind("Error compiling: "),
              (header() + "Loaded vertex shader shadow.vs\n").size());
}

}  // namespace
