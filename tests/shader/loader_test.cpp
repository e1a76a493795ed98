// Shader::init against the real compiler and linker: the "infolog.txt" account
// line by line, each failure path, and what the object holds afterwards.
#include <GL/glew.h>

#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "graphics/graphics.h"
#include "shader/shader.h"
#include "tests/support/gl_fixture.h"
#include "tests/support/output_capture.h"
#include "tests/support/scoped_override.h"
#include "tests/support/temp_dir.h"

namespace {

const char* const kVertex =
    "#version 120\n"
    "attribute vec3 attr_position;\n"
    "void main() { gl_Position = vec4(attr_position, 1.0); }\n";
const char* const kFragment =
    "#version 120\n"
    "void main() { gl_FragColor = vec4(1.0); }\n";
const char* const kFragmentSyntaxError =
    "#version 120\n"
    "void main() { gl_FragColor = vec4(1.0) }\n";
// Compiles, but the linker finds no body for helper().
const char* const kFragmentUnresolved =
    "#version 120\n"
    "vec4 helper();\n"
    "void main() { gl_FragColor = helper(); }\n";

// Records what the loader has done by the time it calls prelink.
class RecordingShader : public Shader {
  public:
    void prelink() override {
        prelinks += 1;
        const GLuint program = static_cast<GLuint>(program_handle);
        glGetProgramiv(program, GL_ATTACHED_SHADERS, &attached_at_prelink);
        glGetProgramiv(program, GL_LINK_STATUS, &linked_at_prelink);
    }

    int prelinks = 0;
    GLint attached_at_prelink = -1;
    GLint linked_at_prelink = -1;
};

class ShaderLoader : public GlTest {
  protected:
    void SetUp() override {
        GlTest::SetUp();
        write_file("a.vs", kVertex);
        write_file("a.fs", kFragment);
    }

    static std::string header() {
        return std::string("OpenGL Version ") +
               reinterpret_cast<const char*>(glGetString(GL_VERSION)) + "\nOpenGL Renderer " +
               reinterpret_cast<const char*>(glGetString(GL_RENDERER)) + "\nMax vertex attribs " +
               std::to_string(get_integer(GL_MAX_VERTEX_ATTRIBS)) + "\n";
    }

    static std::string shader_log(GLuint shader) {
        GLint size = 0;
        glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &size);
        std::string text(static_cast<size_t>(size), '\0');
        glGetShaderInfoLog(shader, size, nullptr, &text[0]);
        return text.c_str();
    }

    static std::string program_log(GLuint program) {
        GLint size = 0;
        glGetProgramiv(program, GL_INFO_LOG_LENGTH, &size);
        std::string text(static_cast<size_t>(size), '\0');
        glGetProgramInfoLog(program, size, nullptr, &text[0]);
        return text.c_str();
    }

    static GLint shader_int(GLuint shader, GLenum pname) {
        GLint value = -1;
        glGetShaderiv(shader, pname, &value);
        return value;
    }

    static GLint program_int(int program, GLenum pname) {
        GLint value = -1;
        glGetProgramiv(static_cast<GLuint>(program), pname, &value);
        return value;
    }

    ScopedTempDir dir;
    Graphics gfx{};
};

TEST_F(ShaderLoader, SuccessfulLoadAppendsSixLinesAndKeepsTheShaders) {
    RecordingShader shader;
    ASSERT_EQ(shader.init(&gfx, "a.vs", nullptr, "a.fs"), 0);
    EXPECT_EQ(read_file("infolog.txt"), header() +
                                            "Loaded vertex shader a.vs\n"
                                            "Loaded fragment shader a.fs\n"
                                            "Link successful\n");
    EXPECT_EQ(shader.gfx, &gfx);
    EXPECT_EQ(shader.vertex_src, nullptr);
    EXPECT_EQ(shader.geometry_src, nullptr);
    EXPECT_EQ(shader.fragment_src, nullptr);
    EXPECT_EQ(shader.geometry_handle, 0u);
    EXPECT_EQ(program_int(shader.program_handle, GL_LINK_STATUS), GL_TRUE);

    // Attached before prelink, linked only after it, and still attached.
    EXPECT_EQ(shader.prelinks, 1);
    EXPECT_EQ(shader.attached_at_prelink, 2);
    EXPECT_EQ(shader.linked_at_prelink, GL_FALSE);
    EXPECT_EQ(program_int(shader.program_handle, GL_ATTACHED_SHADERS), 2);
    EXPECT_EQ(shader_int(shader.vertex_handle, GL_SHADER_TYPE), GL_VERTEX_SHADER);
    EXPECT_EQ(shader_int(shader.fragment_handle, GL_SHADER_TYPE), GL_FRAGMENT_SHADER);
    EXPECT_EQ(shader_int(shader.vertex_handle, GL_DELETE_STATUS), GL_FALSE);
    EXPECT_EQ(shader_int(shader.fragment_handle, GL_DELETE_STATUS), GL_FALSE);

    shader.select();
    EXPECT_EQ(get_integer(GL_CURRENT_PROGRAM), shader.program_handle);
    EXPECT_EQ(take_error(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(ShaderLoader, GeometryStageIsReadBetweenTheOthers) {
    write_file("b.vs",
               "#version 150 compatibility\n"
               "in vec3 attr_position;\n"
               "void main() { gl_Position = vec4(attr_position, 1.0); }\n");
    write_file(
        "b.gs",
        "#version 150\n"
        "layout(triangles) in;\n"
        "layout(triangle_strip, max_vertices = 3) out;\n"
        "void main() {\n"
        "    for (int i = 0; i < 3; ++i) { gl_Position = gl_in[i].gl_Position; EmitVertex(); }\n"
        "    EndPrimitive();\n"
        "}\n");
    write_file("b.fs",
               "#version 150\n"
               "out vec4 frag;\n"
               "void main() { frag = vec4(1.0); }\n");
    RecordingShader shader;
    ASSERT_EQ(shader.init(&gfx, "b.vs", "b.gs", "b.fs"), 0);
    EXPECT_EQ(read_file("infolog.txt"), header() +
                                            "Loaded vertex shader b.vs\n"
                                            "Loaded geometry shader b.gs\n"
                                            "Loaded fragment shader b.fs\n"
                                            "Link successful\n");
    EXPECT_EQ(shader.attached_at_prelink, 3);
    EXPECT_EQ(shader_int(shader.geometry_handle, GL_SHADER_TYPE), GL_GEOMETRY_SHADER);
}

TEST_F(ShaderLoader, MissingVertexFileStopsBeforeAnythingIsCreated) {
    RecordingShader shader;
    EXPECT_EQ(shader.init(&gfx, "missing.vs", nullptr, "a.fs"), -1);
    // The fragment stage was never reached: no line of its own, not even a failure.
    EXPECT_EQ(read_file("infolog.txt"), header() + "Unable to load vertex shader missing.vs\n");
    EXPECT_EQ(shader.program_handle, 0);
    EXPECT_EQ(shader.vertex_handle, 0u);
    EXPECT_EQ(shader.fragment_handle, 0u);
    EXPECT_EQ(shader.fragment_src, nullptr);
    EXPECT_EQ(shader.prelinks, 0);
    EXPECT_EQ(glIsShader(1), GL_FALSE);
    EXPECT_EQ(glIsProgram(1), GL_FALSE);
}

TEST_F(ShaderLoader, FragmentSyntaxErrorLogsTheCompilerText) {
    write_file("bad.fs", kFragmentSyntaxError);
    RecordingShader shader;
    EXPECT_EQ(shader.init(&gfx, "a.vs", nullptr, "bad.fs"), -1);
    const std::string compiler = shader_log(shader.fragment_handle);
    ASSERT_FALSE(compiler.empty());
    // No line break of the loader's own after the compiler's text.
    EXPECT_EQ(read_file("infolog.txt"), header() +
                                            "Loaded vertex shader a.vs\n"
                                            "Loaded fragment shader bad.fs\n"
                                            "Error compiling: " +
                                            compiler);
    EXPECT_EQ(shader.program_handle, 0);
    EXPECT_EQ(shader.prelinks, 0);
    EXPECT_EQ(shader_int(shader.vertex_handle, GL_COMPILE_STATUS), GL_TRUE);
    EXPECT_EQ(shader_int(shader.fragment_handle, GL_COMPILE_STATUS), GL_FALSE);
    ASSERT_NE(shader.fragment_src, nullptr);  // held until destroy
    EXPECT_STREQ(shader.fragment_src, kFragmentSyntaxError);
    shader.destroy();
    EXPECT_EQ(shader.fragment_src, nullptr);
}

TEST_F(ShaderLoader, LinkErrorLogsTheLinkerTextAndKeepsTheProgram) {
    write_file("unresolved.fs", kFragmentUnresolved);
    RecordingShader shader;
    EXPECT_EQ(shader.init(&gfx, "a.vs", nullptr, "unresolved.fs"), -1);
    ASSERT_NE(shader.program_handle, 0);
    EXPECT_EQ(glIsProgram(static_cast<GLuint>(shader.program_handle)), GL_TRUE);
    EXPECT_EQ(program_int(shader.program_handle, GL_LINK_STATUS), GL_FALSE);
    const std::string linker = program_log(static_cast<GLuint>(shader.program_handle));
    ASSERT_FALSE(linker.empty());
    EXPECT_EQ(read_file("infolog.txt"), header() +
                                            "Loaded vertex shader a.vs\n"
                                            "Loaded fragment shader unresolved.fs\n"
                                            "Error linking: " +
                                            linker);
    EXPECT_EQ(shader.prelinks, 1);
    EXPECT_EQ(shader.vertex_src, nullptr);
    EXPECT_EQ(shader.fragment_src, nullptr);
}

TEST_F(ShaderLoader, LoadsAppendToWhatIsThere) {
    write_file("infolog.txt", "an earlier run\n");
    RecordingShader first;
    RecordingShader second;
    ASSERT_EQ(first.init(&gfx, "a.vs", nullptr, "a.fs"), 0);
    ASSERT_EQ(second.init(&gfx, "a.vs", nullptr, "a.fs"), 0);
    const std::string block = header() +
                              "Loaded vertex shader a.vs\n"
                              "Loaded fragment shader a.fs\n"
                              "Link successful\n";
    EXPECT_EQ(read_file("infolog.txt"), "an earlier run\n" + block + block);
    EXPECT_NE(first.program_handle, second.program_handle);
}

TEST_F(ShaderLoader, UnwritableLogStillLoadsAndSaysSoOnStandardError) {
    // Root ignores directory permissions; a directory in the file's place
    // cannot be opened for appending by anyone.
    std::filesystem::create_directory("infolog.txt");
    RecordingShader shader;
    OutputCapture err(stderr);
    OutputCapture out(stdout);
    const int result = shader.init(&gfx, "a.vs", nullptr, "a.fs");
    EXPECT_EQ(out.finish(), "");
    EXPECT_EQ(err.finish(), "Unable to open infolog.txt, the shader log is not written\n");
    EXPECT_EQ(result, 0);
    EXPECT_EQ(program_int(shader.program_handle, GL_LINK_STATUS), GL_TRUE);
    EXPECT_TRUE(std::filesystem::is_empty("infolog.txt"));

    write_file("bad.fs", kFragmentSyntaxError);
    RecordingShader failing;
    OutputCapture err2(stderr);
    EXPECT_EQ(failing.init(&gfx, "a.vs", nullptr, "bad.fs"), -1);
    EXPECT_EQ(err2.finish(), "Unable to open infolog.txt, the shader log is not written\n");
}

// Drivers may report a log length of 0 for a failure without text.
PFNGLGETSHADERIVPROC real_get_shader_iv = nullptr;
PFNGLGETPROGRAMIVPROC real_get_program_iv = nullptr;
void GLAPIENTRY shader_iv_without_log(GLuint shader, GLenum pname, GLint* value) {
    real_get_shader_iv(shader, pname, value);
    if (pname == GL_INFO_LOG_LENGTH) *value = 0;
}
void GLAPIENTRY program_iv_without_log(GLuint program, GLenum pname, GLint* value) {
    real_get_program_iv(program, pname, value);
    if (pname == GL_INFO_LOG_LENGTH) *value = 0;
}

TEST_F(ShaderLoader, EmptyInfoLogPrintsAsEmptyText) {
    ScopedOverride<PFNGLGETSHADERIVPROC> shader_hook(__glewGetShaderiv, &shader_iv_without_log);
    ScopedOverride<PFNGLGETPROGRAMIVPROC> program_hook(__glewGetProgramiv, &program_iv_without_log);
    real_get_shader_iv = shader_hook.saved();
    real_get_program_iv = program_hook.saved();

    write_file("bad.fs", kFragmentSyntaxError);
    RecordingShader compile_failure;
    EXPECT_EQ(compile_failure.init(&gfx, "a.vs", nullptr, "bad.fs"), -1);
    const std::string compiled = header() +
                                 "Loaded vertex shader a.vs\n"
                                 "Loaded fragment shader bad.fs\n"
                                 "Error compiling: ";
    EXPECT_EQ(read_file("infolog.txt"), compiled);

    write_file("unresolved.fs", kFragmentUnresolved);
    RecordingShader link_failure;
    EXPECT_EQ(link_failure.init(&gfx, "a.vs", nullptr, "unresolved.fs"), -1);
    EXPECT_EQ(read_file("infolog.txt"), compiled + header() +
                                            "Loaded vertex shader a.vs\n"
                                            "Loaded fragment shader unresolved.fs\n"
                                            "Error linking: ");
}

std::vector<std::pair<char, GLuint>> deletions;
PFNGLDELETEPROGRAMPROC real_delete_program = nullptr;
PFNGLDELETESHADERPROC real_delete_shader = nullptr;
void GLAPIENTRY record_delete_program(GLuint name) {
    deletions.emplace_back('p', name);
    real_delete_program(name);
}
void GLAPIENTRY record_delete_shader(GLuint name) {
    deletions.emplace_back('s', name);
    real_delete_shader(name);
}

class ShaderDestroy : public ShaderLoader {
  protected:
    void SetUp() override {
        ShaderLoader::SetUp();
        // After the context's glewInit, which loads every entry point afresh.
        program_hook = std::make_unique<ScopedOverride<PFNGLDELETEPROGRAMPROC>>(
            __glewDeleteProgram, &record_delete_program);
        shader_hook = std::make_unique<ScopedOverride<PFNGLDELETESHADERPROC>>(
            __glewDeleteShader, &record_delete_shader);
        real_delete_program = program_hook->saved();
        real_delete_shader = shader_hook->saved();
        deletions.clear();
    }

    std::unique_ptr<ScopedOverride<PFNGLDELETEPROGRAMPROC>> program_hook;
    std::unique_ptr<ScopedOverride<PFNGLDELETESHADERPROC>> shader_hook;
};

TEST_F(ShaderDestroy, DeletesProgramThenShadersOnce) {
    RecordingShader shader;
    ASSERT_EQ(shader.init(&gfx, "a.vs", nullptr, "a.fs"), 0);
    const GLuint program = static_cast<GLuint>(shader.program_handle);
    const GLuint vertex = shader.vertex_handle;
    const GLuint fragment = shader.fragment_handle;
    shader.destroy();
    const std::vector<std::pair<char, GLuint>> expected = {
        {'p', program}, {'s', vertex}, {'s', 0u}, {'s', fragment}};
    EXPECT_EQ(deletions, expected);
    EXPECT_EQ(glIsProgram(program), GL_FALSE);
    EXPECT_EQ(glIsShader(vertex), GL_FALSE);

    // A second destroy (the destructor's) must not delete names again: OpenGL
    // may have given them to new objects meanwhile.
    shader.destroy();
    EXPECT_EQ(take_error(), static_cast<GLenum>(GL_NO_ERROR));
    deletions.clear();
}

TEST_F(ShaderDestroy, WithoutAContextReleasesTextsAndCallsNoGl) {
    write_file("bad.fs", kFragmentSyntaxError);
    RecordingShader shader;
    EXPECT_EQ(shader.init(&gfx, "a.vs", nullptr, "bad.fs"), -1);
    ASSERT_NE(shader.fragment_src, nullptr);
    RecordingShader live;
    live.destroy();
    ASSERT_EQ(deletions.size(), 4u);  // the hooks see deletes while a context is current
    deletions.clear();
    // As at process exit: the host deleted the context before the demo goes.
    context.destroy();
    shader.destroy();
    EXPECT_TRUE(deletions.empty());
    EXPECT_EQ(shader.fragment_src, nullptr);
    EXPECT_EQ(shader.vertex_handle, 0u);
    EXPECT_EQ(shader.fragment_handle, 0u);
}

}  // namespace
