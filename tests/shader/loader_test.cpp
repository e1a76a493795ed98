// Shader::init against the real compiler and linker: the "infolog.txt" account
// line by line, each failure path, and what the object holds afterwards.
#include <GL/glew.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "graphics/graphics.h"
#include "shader/shader.h"
#include "tests/shader/infolog.h"
#include "tests/support/output_capture.h"
#include "tests/support/scoped_override.h"
#include "tests/support/temp_dir.h"

namespace {

const char* const kSyntaxError = "#version 120\nvoid main() { gl_FragColor = vec4(1.0) }\n";
// Compiles, but the linker finds no body for helper().
const char* const kUnresolved =
    "#version 120\nvec4 helper();\nvoid main() { gl_FragColor = helper(); }\n";

// Records what the loader has done by the time it calls prelink.
class RecordingShader : public Shader {
  public:
    void prelink() override {
        prelinks += 1;
        attached_at_prelink = query(glGetProgramiv, GLuint(program_handle), GL_ATTACHED_SHADERS);
        linked_at_prelink = query(glGetProgramiv, GLuint(program_handle), GL_LINK_STATUS);
    }

    int prelinks = 0;
    GLint attached_at_prelink = -1, linked_at_prelink = -1;
};

template <class GetIv, class GetLog>
std::string info_log(GetIv get_iv, GetLog get_log, GLuint name) {
    std::string text(static_cast<size_t>(query(get_iv, name, GL_INFO_LOG_LENGTH)), '\0');
    get_log(name, static_cast<GLsizei>(text.size()), nullptr, &text[0]);
    return text.c_str();
}

class ShaderLoader : public GlTest {
  protected:
    void SetUp() override {
        GlTest::SetUp();
        write_file("a.vs",
                   "#version 120\nattribute vec3 attr_position;\n"
                   "void main() { gl_Position = vec4(attr_position, 1.0); }\n");
        write_file("a.fs", "#version 120\nvoid main() { gl_FragColor = vec4(1.0); }\n");
        write_file("bad.fs", kSyntaxError);
        write_file("unresolved.fs", kUnresolved);
    }

    ScopedTempDir dir;
    Graphics gfx{};
};

TEST_F(ShaderLoader, SuccessfulLoadsAppendTheirLinesAndKeepTheShaders) {
    write_file("infolog.txt", "an earlier run\n");
    write_file("b.vs", "#version 150 compatibility\nvoid main() { gl_Position = vec4(0.0); }\n");
    write_file("b.gs",
               "#version 150\nlayout(points) in;\nlayout(points, max_vertices = 1) out;\n"
               "void main() { gl_Position = gl_in[0].gl_Position; EmitVertex(); }\n");
    RecordingShader shader, with_geometry;
    ASSERT_EQ(shader.init(&gfx, "a.vs", nullptr, "a.fs"), 0);
    ASSERT_EQ(with_geometry.init(&gfx, "b.vs", "b.gs", "a.fs"), 0);
    // The geometry stage is read between the other two.
    EXPECT_EQ(read_file("infolog.txt"), "an earlier run\n" + loaded("a.vs", "a.fs") +
                                            "Link successful\n" + infolog_header() +
                                            "Loaded vertex shader b.vs\n"
                                            "Loaded geometry shader b.gs\n"
                                            "Loaded fragment shader a.fs\n"
                                            "Link successful\n");
    EXPECT_NE(shader.program_handle, with_geometry.program_handle);
    EXPECT_TRUE(shader.vertex_src == nullptr && shader.fragment_src == nullptr);
    const GLuint program = static_cast<GLuint>(shader.program_handle);
    EXPECT_EQ(query(glGetProgramiv, program, GL_LINK_STATUS), GL_TRUE);
    // Attached before prelink, linked only after it, and still attached.
    EXPECT_EQ(shader.prelinks, 1);
    EXPECT_EQ(shader.attached_at_prelink, 2);
    EXPECT_EQ(with_geometry.attached_at_prelink, 3);
    EXPECT_EQ(shader.linked_at_prelink, GL_FALSE);
    EXPECT_EQ(query(glGetProgramiv, program, GL_ATTACHED_SHADERS), 2);
    EXPECT_EQ(query(glGetShaderiv, shader.vertex_handle, GL_DELETE_STATUS), GL_FALSE);
    EXPECT_EQ(query(glGetShaderiv, shader.fragment_handle, GL_DELETE_STATUS), GL_FALSE);
    EXPECT_EQ(query(glGetShaderiv, with_geometry.geometry_handle, GL_SHADER_TYPE),
              GL_GEOMETRY_SHADER);
    shader.select();
    EXPECT_EQ(get_integer(GL_CURRENT_PROGRAM), shader.program_handle);
    EXPECT_EQ(glGetError(), kNoError);
}

TEST_F(ShaderLoader, EachFailureLogsWhereItStoppedWithTheDriversText) {
    RecordingShader missing, syntax, link;
    EXPECT_EQ(missing.init(&gfx, "missing.vs", nullptr, "a.fs"), -1);
    EXPECT_EQ(syntax.init(&gfx, "a.vs", nullptr, "bad.fs"), -1);
    EXPECT_EQ(link.init(&gfx, "a.vs", nullptr, "unresolved.fs"), -1);
    const std::string compiler =
        info_log(glGetShaderiv, glGetShaderInfoLog, syntax.fragment_handle);
    const GLuint program = static_cast<GLuint>(link.program_handle);
    const std::string linker = info_log(glGetProgramiv, glGetProgramInfoLog, program);
    ASSERT_FALSE(compiler.empty() || linker.empty());
    // The first never opened its fragment file; no line break of the loader's
    // own follows the driver's text.
    EXPECT_EQ(read_file("infolog.txt"),
              infolog_header() + "Unable to load vertex shader missing.vs\n" +
                  loaded("a.vs", "bad.fs") + "Error compiling: " + compiler +
                  loaded("a.vs", "unresolved.fs") + "Error linking: " + linker);
    EXPECT_TRUE(missing.vertex_handle == 0u && missing.fragment_handle == 0u);
    EXPECT_EQ(missing.fragment_src, nullptr);
    EXPECT_TRUE(missing.program_handle == 0 && syntax.program_handle == 0);
    EXPECT_EQ(missing.prelinks + syntax.prelinks, 0);
    EXPECT_EQ(link.prelinks, 1);
    EXPECT_STREQ(syntax.fragment_src, kSyntaxError);  // held until destroy
    syntax.destroy();
    EXPECT_EQ(syntax.fragment_src, nullptr);
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
    EXPECT_EQ(query(glGetProgramiv, GLuint(shader.program_handle), GL_LINK_STATUS), GL_TRUE);
    EXPECT_TRUE(std::filesystem::is_empty("infolog.txt"));
}

// Drivers may report a log length of 0 for a failure without text.
// glGetShaderiv and glGetProgramiv share one signature: [0] and [1] here.
PFNGLGETSHADERIVPROC real_get_iv[2] = {};
template <int which>
void GLAPIENTRY iv_without_log(GLuint name, GLenum pname, GLint* value) {
    real_get_iv[which](name, pname, value);
    if (pname == GL_INFO_LOG_LENGTH) *value = 0;
}

TEST_F(ShaderLoader, EmptyInfoLogPrintsAsEmptyText) {
    ScopedOverride<PFNGLGETSHADERIVPROC> shader_hook(__glewGetShaderiv, &iv_without_log<0>);
    ScopedOverride<PFNGLGETPROGRAMIVPROC> program_hook(__glewGetProgramiv, &iv_without_log<1>);
    real_get_iv[0] = shader_hook.saved();
    real_get_iv[1] = program_hook.saved();
    RecordingShader compile_failure, link_failure;
    EXPECT_EQ(compile_failure.init(&gfx, "a.vs", nullptr, "bad.fs"), -1);
    EXPECT_EQ(link_failure.init(&gfx, "a.vs", nullptr, "unresolved.fs"), -1);
    EXPECT_EQ(read_file("infolog.txt"), loaded("a.vs", "bad.fs") + "Error compiling: " +
                                            loaded("a.vs", "unresolved.fs") + "Error linking: ");
}

std::vector<std::pair<char, GLuint>> deletions;
// glDeleteProgram and glDeleteShader share one signature: 'p' and 's' here.
PFNGLDELETESHADERPROC real_delete[2] = {};
template <char kind>
void GLAPIENTRY record_delete(GLuint name) {
    deletions.emplace_back(kind, name);
    real_delete[kind == 's'](name);
}

TEST_F(ShaderLoader, DestroyDeletesProgramThenShadersOnceAndNothingWithoutAContext) {
    // Hooked after the context's glewInit, which loads every entry point afresh.
    ScopedOverride<PFNGLDELETEPROGRAMPROC> program_hook(__glewDeleteProgram, &record_delete<'p'>);
    ScopedOverride<PFNGLDELETESHADERPROC> shader_hook(__glewDeleteShader, &record_delete<'s'>);
    real_delete[0] = program_hook.saved();
    real_delete[1] = shader_hook.saved();
    deletions.clear();
    RecordingShader shader, failed;
    ASSERT_EQ(shader.init(&gfx, "a.vs", nullptr, "a.fs"), 0);
    const GLuint program = GLuint(shader.program_handle), vertex = shader.vertex_handle;
    const std::vector<std::pair<char, GLuint>> expected = {
        {'p', program}, {'s', vertex}, {'s', 0u}, {'s', shader.fragment_handle}};
    shader.destroy();
    EXPECT_EQ(deletions, expected);
    EXPECT_FALSE(glIsProgram(program) || glIsShader(vertex));
    // A second destroy (the destructor's) must not delete names again: OpenGL
    // may have given them to new objects meanwhile.
    shader.destroy();
    for (size_t i = expected.size(); i < deletions.size(); ++i) EXPECT_EQ(deletions[i].second, 0u);
    deletions.resize(expected.size());

    // As at process exit: the host deleted the context before the demo goes.
    EXPECT_EQ(failed.init(&gfx, "a.vs", nullptr, "bad.fs"), -1);
    context.destroy();
    failed.destroy();
    EXPECT_EQ(deletions, expected);
    EXPECT_EQ(failed.fragment_src, nullptr);
    EXPECT_TRUE(failed.vertex_handle == 0u && failed.fragment_handle == 0u);
    deletions.clear();
}

}  // namespace
