// Graphics against a real headless context: state, objects, indexed draws,
// render targets and diagnostics, all read back from OpenGL.
#include "graphics/graphics.h"

#include <GL/glew.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <sstream>
#include <string>

#include "tests/support/gl_fixture.h"
#include "tests/support/output_capture.h"
#include "tests/support/temp_dir.h"

namespace {

class GraphicsTest : public GlTest {
  protected:
    void SetUp() override {
        GlTest::SetUp();
        gfx.init(context.window_handle(), context.device_context());
    }

    static float depth_at_centre() {
        GLfloat depth = 0;
        glReadPixels(32, 32, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
        return depth;
    }

    Graphics gfx{};
    ScopedTempDir dir;
};

TEST_F(GraphicsTest, InitStateResizeClearsSettersAndTextureUnits) {
    GLfloat clear[4] = {};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_TRUE(clear[0] == 0.25f && clear[1] == 0.25f && clear[2] == 0.25f && clear[3] == 1);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST) && glIsEnabled(GL_CULL_FACE) && !glIsEnabled(GL_BLEND));
    EXPECT_TRUE(get_integer(GL_FRONT_FACE) == GL_CW && get_integer(GL_BLEND_SRC_RGB) == GL_ONE &&
                get_integer(GL_BLEND_DST_ALPHA) == GL_ONE_MINUS_SRC_ALPHA);
    for (GLuint i = 0; i < 8; ++i)
        EXPECT_EQ(query(glGetVertexAttribiv, i, GL_VERTEX_ATTRIB_ARRAY_ENABLED), i < 6) << i;

    gfx.resize(800, 0);  // a zero height reaches the viewport as 1
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_TRUE(viewport[2] == 800 && viewport[3] == 1 && gfx.width == 800 && gfx.height == 0);

    // clear takes colour, depth and stencil; clear_depth only depth.
    glClearColor(1, 0, 0, 1), glClearDepth(0.5), glClearStencil(4);
    gfx.clear();
    EXPECT_NEAR(depth_at_centre(), 0.5f, 1e-6);
    glClearColor(0, 0, 0, 1), glClearDepth(0.75), glClearStencil(8);
    gfx.clear_depth();
    GLubyte red = 0, stencil = 0;
    glReadPixels(5, 5, 1, 1, GL_RED, GL_UNSIGNED_BYTE, &red);
    glReadPixels(5, 5, 1, 1, GL_STENCIL_INDEX, GL_UNSIGNED_BYTE, &stencil);
    EXPECT_TRUE(red == 255 && stencil == 4 && std::fabs(depth_at_centre() - 0.75f) < 1e-6f);

    // Each from a state none of them produces: any name but "back" culls front
    // faces; an unknown (or null) depth function or stencil action changes nothing.
    const char *cull[] = {"back", "Back", "", nullptr}, *depth[] = {"<=", "<", "==", nullptr};
    const GLint modes[] = {GL_BACK, GL_FRONT, GL_FRONT, GL_FRONT};
    const GLint funcs[] = {GL_LEQUAL, GL_LESS, GL_GREATER, GL_GREATER};
    for (int i = 0; i < 4; ++i) {
        glCullFace(GL_FRONT_AND_BACK), glDepthFunc(GL_GREATER);
        gfx.cull_face(cull[i]), gfx.depth_func(depth[i]);
        EXPECT_EQ(get_integer(GL_CULL_FACE_MODE), modes[i]) << i;
        EXPECT_EQ(get_integer(GL_DEPTH_FUNC), funcs[i]) << i;
    }
    // stencil_op reads only its last name; the other two actions become GL_KEEP.
    glStencilOp(GL_ZERO, GL_ZERO, GL_REPLACE);
    gfx.stencil_op("decr", "zero", "zero");
    gfx.stencil_op("decr", "zero", nullptr);
    EXPECT_EQ(get_integer(GL_STENCIL_PASS_DEPTH_PASS), GL_REPLACE);
    gfx.stencil_op("decr", "zero", "incr");
    EXPECT_TRUE(get_integer(GL_STENCIL_FAIL) == GL_KEEP &&
                get_integer(GL_STENCIL_PASS_DEPTH_PASS) == GL_INCR);

    // A negative name is negated; the unit given stays active; other units keep theirs.
    gfx.select_texture(3, -7);
    EXPECT_TRUE(get_integer(GL_ACTIVE_TEXTURE) == GL_TEXTURE3 &&
                get_integer(GL_TEXTURE_BINDING_2D) == 7);
    gfx.select_texture(1, 5);
    gfx.deselect_texture(3);
    EXPECT_TRUE(get_integer(GL_ACTIVE_TEXTURE) == GL_TEXTURE3 &&
                get_integer(GL_TEXTURE_BINDING_2D) == 0);
    glActiveTexture(GL_TEXTURE1);
    EXPECT_EQ(get_integer(GL_TEXTURE_BINDING_2D), 5);
}

TEST_F(GraphicsTest, IndexedDrawsFromTheBuffersItCreates) {
    // Three triangles over the whole window at depths 0.25, 0.5 and 0.75: the
    // depth read back tells which one a draw took.
    const GLuint vao = gfx.create_vertex_array();
    EXPECT_TRUE(vao != 0 && gfx.vao == vao && get_integer(GL_VERTEX_ARRAY_BINDING) == GLint(vao));
    Vertex vertices[10] = {};
    for (int v = 0; v < 9; ++v) {
        vertices[v].position[0] = v % 3 == 2 ? 3 : -1;
        vertices[v].position[1] = v % 3 == 1 ? 3 : -1;
        vertices[v].position[2] = v / 3 * 0.5f - 0.5f;
    }
    const GLuint indices[10] = {0, 1, 2, 0, 1, 2, 3, 4, 5, 0xFFFFFFFFu};
    gfx.create_vertex_buffer(vertices, 10);
    gfx.create_index_buffer(indices, 10);
    EXPECT_EQ(query(glGetBufferParameteriv, GL_ARRAY_BUFFER, GL_BUFFER_SIZE), 600);
    EXPECT_EQ(query(glGetBufferParameteriv, GL_ELEMENT_ARRAY_BUFFER, GL_BUFFER_SIZE), 40);
    const float cases[][3] = {{0, 0, 0.25f}, {3, 0, 0.25f}, {6, 0, 0.5f},
                              {0, 3, 0.5f},  {6, 3, 0.75f}, {0, 6, 0.75f}};
    for (const auto& c : cases) {
        gfx.clear();
        gfx.draw_elements(0, int(c[0]), int(c[1]), 3);
        EXPECT_NEAR(depth_at_centre(), c[2], 1e-4) << "start " << c[0] << " base " << c[1];
    }

    // Six indices make 2 triangles, 4 strip triangles, 5 strip lines, 3 lines or
    // 6 points; other codes nothing. Each draw declares the 60-byte layout again:
    // components, type and offset of attributes 0 to 5.
    const int codes[][2] = {{0, 2}, {1, 4}, {2, 5}, {3, 3}, {4, 6}, {5, 0}, {-1, 0}};
    const int layout[6][4] = {{3, GL_FLOAT, 0, 60},  {2, GL_FLOAT, 12, 60}, {2, GL_FLOAT, 20, 60},
                              {3, GL_FLOAT, 28, 60}, {1, GL_INT, 40, 60},   {4, GL_FLOAT, 44, 60}};
    GLuint counter = 0, generated = 99;
    glGenQueries(1, &counter);
    for (const auto& c : codes) {
        for (GLuint i = 0; i < 6; ++i)
            glVertexAttribPointer(i, 4, GL_SHORT, GL_TRUE, 8, reinterpret_cast<void*>(4));
        glBeginQuery(GL_PRIMITIVES_GENERATED, counter);
        gfx.draw_elements(c[0], 0, 0, 6);
        glEndQuery(GL_PRIMITIVES_GENERATED);
        glGetQueryObjectuiv(counter, GL_QUERY_RESULT, &generated);
        EXPECT_EQ(generated, GLuint(c[1])) << "code " << c[0];
        for (GLuint i = 0; i < 6; ++i) {
            void* offset = nullptr;
            glGetVertexAttribPointerv(i, GL_VERTEX_ATTRIB_ARRAY_POINTER, &offset);
            const int got[4] = {query(glGetVertexAttribiv, i, GL_VERTEX_ATTRIB_ARRAY_SIZE),
                                query(glGetVertexAttribiv, i, GL_VERTEX_ATTRIB_ARRAY_TYPE),
                                int(reinterpret_cast<std::uintptr_t>(offset)),
                                query(glGetVertexAttribiv, i, GL_VERTEX_ATTRIB_ARRAY_STRIDE)};
            EXPECT_TRUE(std::equal(got, got + 4, layout[i])) << "code " << c[0] << ", " << i;
        }
    }
    // A pending error is printed and taken, and nothing is drawn; then the draw goes through.
    glEnable(0x1234);
    OutputCapture out(stdout);
    gfx.clear();
    gfx.draw_elements(0, 0, 0, 3);
    EXPECT_EQ(depth_at_centre(), 1.0f);
    EXPECT_EQ(out.finish(), "GL_ERROR 1280\n");
    gfx.draw_elements(0, 0, 0, 3);
    EXPECT_NEAR(depth_at_centre(), 0.25f, 1e-4);
}

GLenum forced_status = 0;
GLenum GLAPIENTRY forced_check_status(GLenum) {
    return forced_status;
}

TEST_F(GraphicsTest, RenderTargetsAndTheirStatusReport) {
    GLuint fb = 0, color = 0, depth = 0;
    glActiveTexture(GL_TEXTURE2);  // creation works on whatever unit is active
    EXPECT_EQ(gfx.create_render_target(2048, 2048, &fb, &color, &depth), 0);
    EXPECT_TRUE(get_integer(GL_DRAW_FRAMEBUFFER_BINDING) == 0 &&
                get_integer(GL_READ_FRAMEBUFFER_BINDING) == GLint(fb) &&
                get_integer(GL_TEXTURE_BINDING_2D) == 0);
    // The depth texture: nearest, clamped, no comparison.
    glBindTexture(GL_TEXTURE_2D, depth);
    EXPECT_TRUE(query(glGetTexLevelParameteriv, GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT) == 2048 &&
                query(glGetTexParameteriv, GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER) == GL_NEAREST &&
                query(glGetTexParameteriv, GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER) == GL_NEAREST &&
                query(glGetTexParameteriv, GL_TEXTURE_2D, GL_TEXTURE_WRAP_S) == GL_CLAMP &&
                query(glGetTexParameteriv, GL_TEXTURE_2D, GL_TEXTURE_COMPARE_MODE) == GL_NONE);
    glBindFramebuffer(GL_FRAMEBUFFER, fb);
    // Binding the target makes its colour attachment the draw buffer; binding the
    // window leaves the window's draw buffer as it was.
    glDrawBuffer(GL_NONE);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    const GLint window_draw_buffer = get_integer(GL_DRAW_BUFFER);
    gfx.bind_render_target(fb);
    EXPECT_EQ(get_integer(GL_DRAW_BUFFER0), GL_COLOR_ATTACHMENT0);
    gfx.bind_render_target(0);
    EXPECT_EQ(get_integer(GL_DRAW_BUFFER), window_draw_buffer);

    // Zero-sized images make both attachments incomplete; the target stays bound.
    OutputCapture out(stdout);
    EXPECT_EQ(gfx.create_render_target(0, 0, &fb, &color, &depth), -1);
    EXPECT_EQ(out.finish(), "Render to texture failedGL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT");
    EXPECT_EQ(get_integer(GL_DRAW_FRAMEBUFFER_BINDING), GLint(fb));
    // The driver cannot be made to give every status: the query answers what the
    // test asks for. The last two are outside the table of names.
    const PFNGLCHECKFRAMEBUFFERSTATUSPROC driver_check = __glewCheckFramebufferStatus;
    __glewCheckFramebufferStatus = &forced_check_status;
    const GLenum statuses[] = {0x8219, 0x8CD6, 0x8CD7, 0x8CDB, 0x8CDC,
                               0x8CDD, 0x8D56, 0x8DA8, 0,      0x8CD8};
    std::istringstream names(
        "UNDEFINED INCOMPLETE_ATTACHMENT INCOMPLETE_MISSING_ATTACHMENT INCOMPLETE_DRAW_BUFFER "
        "INCOMPLETE_READ_BUFFER UNSUPPORTED INCOMPLETE_MULTISAMPLE INCOMPLETE_LAYER_TARGETS");
    for (GLenum status : statuses) {
        std::string name;
        forced_status = status;
        OutputCapture report(stdout);
        EXPECT_EQ(gfx.check_framebuffer_status(), -1);
        EXPECT_EQ(report.finish(),
                  "Render to texture failed" + (names >> name ? "GL_FRAMEBUFFER_" + name : name));
    }
    __glewCheckFramebufferStatus = driver_check;
}

void insert(GLuint id, GLenum severity, const std::string& text) {
    glDebugMessageInsert(GL_DEBUG_SOURCE_APPLICATION, GL_DEBUG_TYPE_MARKER, id, severity, -1,
                         text.c_str());
}

TEST_F(GraphicsTest, ErrorCheckAndDebugLog) {
    glLineWidth(-1.0f);
    OutputCapture out(stdout);
    EXPECT_TRUE(gfx.check_error());
    EXPECT_FALSE(gfx.check_error());
    EXPECT_EQ(out.finish(), "GL_ERROR 1281\n");
    glEnable(GL_DEBUG_OUTPUT);  // without a debug context the log records only so

    // In order, each text between brackets; 1501 bytes each with the NUL, so two
    // fit in 4096 and the third waits for the next call, which rewrites the file.
    insert(22, GL_DEBUG_SEVERITY_HIGH, "");
    for (char c : {'a', 'b', 'c'}) insert(7, GL_DEBUG_SEVERITY_NOTIFICATION, std::string(1500, c));
    const std::string line = "source 33354 type 33384 id 7 severity 33387 msg [";
    gfx.get_debug_log();
    EXPECT_EQ(read_file("error.log"), "source 33354 type 33384 id 22 severity 37190 msg []\n" +
                                          line + std::string(1500, 'a') + "]\n" + line +
                                          std::string(1500, 'b') + "]\n");
    gfx.get_debug_log();
    EXPECT_EQ(read_file("error.log"), line + std::string(1500, 'c') + "]\n");

    // Root ignores directory permissions: a directory in the file's place cannot
    // be opened for writing by anyone.
    std::filesystem::remove("error.log");
    std::filesystem::create_directory("error.log");
    insert(1, GL_DEBUG_SEVERITY_NOTIFICATION, "lost");
    OutputCapture unopenable(stdout);
    gfx.get_debug_log();
    EXPECT_EQ(unopenable.finish(), "Unable to open error.log\n");
    EXPECT_EQ(get_integer(GL_DEBUG_LOGGED_MESSAGES), 0);
}

}  // namespace
