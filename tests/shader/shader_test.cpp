// Shader and ShadowMap on the real compiler and linker: the "infolog.txt"
// account line by line, each failure path, what the objects hold afterwards,
// the fixed attribute locations and what set_params uploads.
#include <GL/glew.h>

#include <gmock/gmock.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "graphics/graphics.h"
#include "shader/shadow_map.h"
#include "tests/support/gl_fixture.h"
#include "tests/support/temp_dir.h"

namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

// What the loader writes before any stage, then the lines of the stages read.
std::string loaded(const std::string& vs = "", const std::string& fs = "") {
    return std::string("OpenGL Version ") + reinterpret_cast<const char*>(glGetString(GL_VERSION)) +
           "\nOpenGL Renderer " + reinterpret_cast<const char*>(glGetString(GL_RENDERER)) +
           "\nMax vertex attribs " + std::to_string(get_integer(GL_MAX_VERTEX_ATTRIBS)) + "\n" +
           (vs.empty() ? "" : "Loaded vertex shader " + vs + "\n") +
           (fs.empty() ? "" : "Loaded fragment shader " + fs + "\n");
}

// Records what the loader has done by the time it calls prelink.
struct RecordingShader : Shader {
    void prelink() override {
        prelinks += 1;
        attached_at_prelink = query(glGetProgramiv, GLuint(program_handle), GL_ATTACHED_SHADERS);
    }

    int prelinks = 0;
    GLint attached_at_prelink = -1;
};

class ShaderTest : public GlTest {
  protected:
    ScopedTempDir dir;
    Graphics gfx{};
};

// The names destroy deletes, in order; OpenGL ignores name 0, so it is left out.
std::vector<std::pair<char, GLuint>> deleted;
PFNGLDELETESHADERPROC driver_delete_shader;
PFNGLDELETEPROGRAMPROC driver_delete_program;
void GLAPIENTRY record_delete_shader(GLuint name) {
    if (name != 0) deleted.emplace_back('s', name);
    driver_delete_shader(name);
}
void GLAPIENTRY record_delete_program(GLuint name) {
    if (name != 0) deleted.emplace_back('p', name);
    driver_delete_program(name);
}

TEST_F(ShaderTest, EachLoadAppendsItsAccountStopsWhereItFailsAndDestroyDeletesOnce) {
    write_file("infolog.txt", "an earlier run\n");
    write_file("a.vs", "#version 120\r\nvoid main() { gl_Position = vec4(0.0); }\r\n");
    write_file("a.fs", "#version 120\nvoid main() { gl_FragColor = vec4(1.0); }\n");
    write_file("b.gs",
               "#version 150\nlayout(points) in;\nlayout(points, max_vertices = 1) out;\n"
               "void main() { EmitVertex(); }\n");
    write_file("empty.fs", "");  // read as it is: the compiler's verdict decides
    // Compiles, but the linker finds no body for helper().
    write_file("unresolved.fs",
               "#version 120\nvec4 helper();\nvoid main() { gl_FragColor = helper(); }\n");
    write_file("nul.fs", std::string("#version 120\nvoid main() {}\0junk", 31));
    RecordingShader shader, with_geometry, missing, empty, link, nul;
    ASSERT_EQ(shader.init(&gfx, "a.vs", nullptr, "a.fs"), 0);
    ASSERT_EQ(with_geometry.init(&gfx, "a.vs", "b.gs", "a.fs"), 0);
    EXPECT_EQ(missing.init(&gfx, "missing.vs", nullptr, "a.fs"), -1);
    EXPECT_EQ(empty.init(&gfx, "a.vs", nullptr, "empty.fs"), -1);
    EXPECT_EQ(link.init(&gfx, "a.vs", nullptr, "unresolved.fs"), -1);
    EXPECT_EQ(nul.init(&gfx, "a.vs", nullptr, "nul.fs"), -1);  // refused, not cut at the NUL
    GLchar compiler[4096] = {}, linker[4096] = {};
    glGetShaderInfoLog(empty.fragment_handle, 4096, nullptr, compiler);
    glGetProgramInfoLog(GLuint(link.program_handle), 4096, nullptr, linker);
    // The geometry stage is read between the other two; a missing vertex file
    // leaves the fragment file unread; the driver's text ends its own line.
    EXPECT_EQ(read_file("infolog.txt"),
              "an earlier run\n" + loaded("a.vs", "a.fs") + "Link successful\n" + loaded("a.vs") +
                  "Loaded geometry shader b.gs\nLoaded fragment shader a.fs\nLink successful\n" +
                  loaded() + "Unable to load vertex shader missing.vs\n" +
                  loaded("a.vs", "empty.fs") + "Error compiling: " + compiler +
                  loaded("a.vs", "unresolved.fs") + "Error linking: " + linker + loaded("a.vs") +
                  "Unable to load fragment shader nul.fs\n");
    // The text reaches the compiler as the file holds it, line ends included.
    GLchar source[128] = {};
    glGetShaderSource(shader.vertex_handle, sizeof source, nullptr, source);
    EXPECT_STREQ(source, "#version 120\r\nvoid main() { gl_Position = vec4(0.0); }\r\n");

    // Attached before prelink and still attached after the link.
    EXPECT_EQ(query(glGetProgramiv, GLuint(shader.program_handle), GL_ATTACHED_SHADERS), 2);
    EXPECT_EQ(std::make_pair(shader.attached_at_prelink, with_geometry.attached_at_prelink),
              std::make_pair(2, 3));
    // shader, link, missing, empty, nul: only a load that reaches linking calls prelink.
    EXPECT_THAT(std::vector<int>({shader.prelinks, link.prelinks, missing.prelinks, empty.prelinks,
                                  nul.prelinks}),
                ElementsAre(1, 1, 0, 0, 0));
    EXPECT_EQ(shader.vertex_src, nullptr);  // a compiled stage's text is released
    // A missing vertex file: nothing created.
    EXPECT_THAT(std::vector<GLuint>({GLuint(missing.program_handle), missing.vertex_handle,
                                     missing.fragment_handle}),
                ElementsAre(0u, 0u, 0u));

    // The program, then each stage; twice, as the destructor follows, deletes
    // nothing the second time: OpenGL may have handed the names out anew.
    const std::vector<std::pair<char, GLuint>> names = {{'p', GLuint(with_geometry.program_handle)},
                                                        {'s', with_geometry.vertex_handle},
                                                        {'s', with_geometry.geometry_handle},
                                                        {'s', with_geometry.fragment_handle}};
    driver_delete_shader = __glewDeleteShader, driver_delete_program = __glewDeleteProgram;
    __glewDeleteShader = &record_delete_shader, __glewDeleteProgram = &record_delete_program;
    with_geometry.destroy();
    with_geometry.destroy();
    __glewDeleteShader = driver_delete_shader, __glewDeleteProgram = driver_delete_program;
    EXPECT_EQ(deleted, names);
    // The text that failed to compile is held until destroy, which releases it
    // even after the host has deleted the context, as at process exit.
    EXPECT_STREQ(empty.fragment_src, "");
    context.destroy();
    empty.destroy();
    EXPECT_EQ(empty.fragment_src, nullptr);
}

// A compiler that has no text to give for its failure.
PFNGLGETSHADERIVPROC driver_get_shader;
void GLAPIENTRY no_log_text(GLuint shader, GLenum pname, GLint* value) {
    driver_get_shader(shader, pname, value);
    if (pname == GL_INFO_LOG_LENGTH) *value = 0;
}

TEST_F(ShaderTest, AFailureTheLogCannotKeepGoesToStandardErrorOnALineOfItsOwn) {
    write_file("a.vs", "#version 120\nvoid main() { gl_Position = vec4(0.0); }\n");
    write_file("bad.fs", "bad");
    std::filesystem::create_directory("infolog.txt");
    RecordingShader bad, missing;
    testing::internal::CaptureStderr();
    driver_get_shader = __glewGetShaderiv;
    __glewGetShaderiv = &no_log_text;
    EXPECT_EQ(bad.init(&gfx, "a.vs", nullptr, "bad.fs"), -1);
    __glewGetShaderiv = driver_get_shader;
    EXPECT_EQ(missing.init(&gfx, "none.vs", nullptr, "bad.fs"), -1);
    const std::string unopened = "Unable to open infolog.txt, the shader log is not written\n";
    EXPECT_EQ(testing::internal::GetCapturedStderr(), unopened + "Error compiling: \n" + unopened +
                                                          "Unable to load vertex shader none.vs\n");
}

// "attr_color" first: left to itself the linker would give it location 0.
void write_shadow_sources(const char* fragment_uniforms) {
    write_file(
        "shadow.vs",
        "#version 120\nattribute float attr_color;\nattribute vec3 attr_position;\n"
        "uniform mat4 mvp, shadowmvp;\n"
        "void main() { gl_Position = mvp * shadowmvp * vec4(attr_position, attr_color); }\n");
    write_file("shadow.fs", std::string("#version 120\nuniform sampler2D ShadowMap;\n") +
                                fragment_uniforms +
                                "void main() { gl_FragColor = vec4(color, 1.0) * "
                                "texture2D(ShadowMap, vec2(0.5)).r; }\n");
}

// What a uniform holds, read back by name: the locations init looked up must be the right ones.
std::vector<GLfloat> uniform(GLuint program, const char* name, int count) {
    std::vector<GLfloat> values(16);
    glGetUniformfv(program, glGetUniformLocation(program, name), values.data());
    values.resize(count);
    return values;
}

TEST_F(ShaderTest, ShadowMapFailsWithTheMarkerAloneAndLoadsWithFixedLocations) {
    // Compiles, but the linker finds no body for helper().
    write_shadow_sources("vec3 helper();\n#define color helper()\n");
    ShadowMap unlinked, missing, shadow;
    EXPECT_EQ(unlinked.init(&gfx), -1);
    std::remove("shadow.fs");
    EXPECT_EQ(missing.init(&gfx), -1);
    for (ShadowMap* failed : {&unlinked, &missing}) {
        EXPECT_EQ(failed->program_handle, -1);
        EXPECT_EQ(failed->mvp_location, 0);  // not looked up
        // The demo carries on: selecting the failed program only raises an
        // error, and the marker is no name for destroy to delete.
        failed->select();
        EXPECT_EQ(glGetError(), GLenum(GL_INVALID_VALUE));
        failed->destroy();
        EXPECT_EQ(glGetError(), kNoError);
    }
    // The failed link's program went at once: none is left behind.
    for (GLuint name = 1; name < 32; ++name) EXPECT_FALSE(glIsProgram(name)) << name;

    // Without "color" its location is -1 and the other three still arrive.
    write_shadow_sources("const vec3 color = vec3(1.0);\n");
    ASSERT_EQ(shadow.init(&gfx), 0);
    const GLuint program = static_cast<GLuint>(shadow.program_handle);
    EXPECT_EQ(glGetAttribLocation(program, "attr_position"), 0);
    EXPECT_EQ(glGetAttribLocation(program, "attr_color"), 4);
    EXPECT_EQ(shadow.color_location, -1);
    matrix4 mvp, shadowmvp;
    for (int i = 0; i < 16; ++i) mvp.m[i] = 1.0f + 0.5f * float(i), shadowmvp.m[i] = -mvp.m[i];
    shadow.select();
    shadow.set_params(mvp, shadowmvp, vec3(1, 0, 0));
    EXPECT_EQ(glGetError(), kNoError);
    EXPECT_THAT(uniform(program, "mvp", 16), ElementsAreArray(mvp.m));  // untransposed
    EXPECT_THAT(uniform(program, "shadowmvp", 16), ElementsAreArray(shadowmvp.m));
    EXPECT_EQ(query(glGetUniformiv, program, glGetUniformLocation(program, "ShadowMap")), 3);
}

// The shaders the demo ships, against the interface the program relies on.
TEST_F(ShaderTest, TheShippedShadersHaveTheFixedAttributesAndTheFourUniforms) {
    for (const char* name : {"shadow.vs", "shadow.fs"})
        std::filesystem::copy_file(std::filesystem::path(SHADOW_BIN_DIR) / name, name);
    ShadowMap shadow;
    ASSERT_EQ(shadow.init(&gfx), 0);
    const GLuint program = static_cast<GLuint>(shadow.program_handle);
    EXPECT_EQ(glGetAttribLocation(program, "attr_position"), 0);
    EXPECT_EQ(glGetAttribLocation(program, "attr_color"), 4);
    std::map<std::string, GLenum> uniforms;
    for (GLint i = 0; i < query(glGetProgramiv, program, GL_ACTIVE_UNIFORMS); ++i) {
        GLchar name[64] = {};
        GLint size = 0;
        GLenum type = 0;
        glGetActiveUniform(program, GLuint(i), sizeof name, nullptr, &size, &type, name);
        uniforms[name] = type;
    }
    EXPECT_EQ(uniforms, (std::map<std::string, GLenum>{{"ShadowMap", GL_SAMPLER_2D},
                                                       {"color", GL_FLOAT_VEC3},
                                                       {"mvp", GL_FLOAT_MAT4},
                                                       {"shadowmvp", GL_FLOAT_MAT4}}));
    // The colour arrives at the location of its own name.
    shadow.select();
    shadow.set_params(matrix4::identity(), matrix4::identity(), vec3(0.5f, 0.25f, 0.125f));
    EXPECT_THAT(uniform(program, "color", 3), ElementsAre(0.5f, 0.25f, 0.125f));
}

}  // namespace
