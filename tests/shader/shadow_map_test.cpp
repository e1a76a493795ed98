// ShadowMap on the real driver: its two files, the fixed attribute locations,
// the uniform look-ups and what set_params uploads.
#include "shader/shadow_map.h"

#include <GL/glew.h>

#include <cstdio>
#include <string>

#include "graphics/graphics.h"
#include "tests/shader/infolog.h"
#include "tests/support/temp_dir.h"

namespace {

void write_sources(bool color_first, bool with_color) {
    const std::string position = "attribute vec3 attr_position;\n";
    const std::string color = "attribute float attr_color;\n";
    write_file("shadow.vs", "#version 120\n" + (color_first ? color + position : position + color) +
                                "uniform mat4 mvp, shadowmvp;\n"
                                "varying vec4 shadow_coord;\nvarying float tint;\n"
                                "void main() { tint = attr_color;\n"
                                "    shadow_coord = shadowmvp * vec4(attr_position, 1.0);\n"
                                "    gl_Position = mvp * vec4(attr_position, 1.0); }\n");
    write_file("shadow.fs",
               std::string("#version 120\nuniform sampler2D ShadowMap;\n") +
                   (with_color ? "uniform vec3 color;\n" : "const vec3 color = vec3(1.0);\n") +
                   "varying vec4 shadow_coord;\nvarying float tint;\n"
                   "void main() {\n"
                   "    float depth = texture2D(ShadowMap, shadow_coord.xy / shadow_coord.w).r;\n"
                   "    gl_FragColor = vec4(color * depth, tint); }\n");
}

class ShadowMapProgram : public GlTest {
  protected:
    ScopedTempDir dir;
    Graphics gfx{};
};

TEST_F(ShadowMapProgram, FixedLocationsAndSetParamsWhateverTheSourceDeclares) {
    const struct {
        bool color_first, with_color;
    } cases[] = {{true, true}, {false, true}, {false, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.color_first ? "colour first" : "position first") +
                     (c.with_color ? ", with color" : ", without color"));
        ScopedTempDir run;
        write_sources(c.color_first, c.with_color);
        ShadowMap shadow;
        ASSERT_EQ(shadow.init(&gfx), 0) << read_file("infolog.txt");
        EXPECT_EQ(read_file("infolog.txt"), loaded("shadow.vs", "shadow.fs") + "Link successful\n");
        const GLuint program = static_cast<GLuint>(shadow.program_handle);
        EXPECT_EQ(glGetAttribLocation(program, "attr_position"), 0);
        EXPECT_EQ(glGetAttribLocation(program, "attr_color"), 4);
        EXPECT_EQ(shadow.mvp_location, glGetUniformLocation(program, "mvp"));
        EXPECT_EQ(shadow.shadowmvp_location, glGetUniformLocation(program, "shadowmvp"));
        EXPECT_EQ(shadow.shadowmap_location, glGetUniformLocation(program, "ShadowMap"));
        EXPECT_EQ(shadow.color_location, glGetUniformLocation(program, "color"));

        shadow.select();
        gfx.select_texture(5, 9);  // whatever is bound, the sampler reads unit 3
        matrix4 mvp, shadowmvp;
        for (int i = 0; i < 16; ++i) {
            mvp.m[i] = 1.0f + 0.5f * static_cast<float>(i);
            shadowmvp.m[i] = -3.25f + 0.75f * static_cast<float>(i);
        }
        shadow.set_params(mvp, shadowmvp, vec3(0.5f, 0.25f, 0.125f));
        EXPECT_EQ(glGetError(), kNoError);
        GLfloat stored[2][16] = {}, color[3] = {};
        glGetUniformfv(program, shadow.mvp_location, stored[0]);
        glGetUniformfv(program, shadow.shadowmvp_location, stored[1]);
        for (int i = 0; i < 16; ++i) {  // untransposed
            EXPECT_EQ(stored[0][i], mvp.m[i]) << i;
            EXPECT_EQ(stored[1][i], shadowmvp.m[i]) << i;
        }
        EXPECT_EQ(query(glGetUniformiv, program, shadow.shadowmap_location), 3);
        if (!c.with_color) continue;
        glGetUniformfv(program, shadow.color_location, color);
        EXPECT_TRUE(color[0] == 0.5f && color[1] == 0.25f && color[2] == 0.125f);
    }
}

TEST_F(ShadowMapProgram, FailedLoadMarksTheProgramAndLooksNothingUp) {
    write_sources(false, true);
    std::remove("shadow.fs");
    ShadowMap missing;
    EXPECT_EQ(missing.init(&gfx), -1);
    EXPECT_EQ(missing.program_handle, -1);
    EXPECT_EQ(read_file("infolog.txt"), infolog_header() +
                                            "Loaded vertex shader shadow.vs\n"
                                            "Unable to load fragment shader shadow.fs\n");
    EXPECT_EQ(missing.mvp_location, 0);  // not looked up after a failure
    EXPECT_EQ(missing.color_location, 0);
    // The demo carries on: selecting the failed program only raises an error.
    missing.select();
    EXPECT_EQ(glGetError(), GLenum(GL_INVALID_VALUE));
    EXPECT_EQ(get_integer(GL_CURRENT_PROGRAM), 0);
}

}  // namespace
