// Graphics against a real headless context: state, objects, indexed draws,
// render targets and diagnostics, all read back from OpenGL.
#include "graphics/graphics.h"

#include <GL/glew.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include <gmock/gmock.h>

#include "tests/support/gl_fixture.h"
#include "tests/support/temp_dir.h"

namespace {

using ::testing::ElementsAre;
using ::testing::internal::CaptureStdout;
using ::testing::internal::GetCapturedStdout;

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

// A switch reads back as on or off; a mask as one bit per channel.
GLint state(GLenum pname) {
    if (pname == GL_DEPTH_TEST || pname == GL_CULL_FACE || pname == GL_BLEND ||
        pname == GL_STENCIL_TEST)
        return glIsEnabled(pname);
    if (pname != GL_COLOR_WRITEMASK && pname != GL_DEPTH_WRITEMASK) return get_integer(pname);
    GLboolean b[4] = {};
    glGetBooleanv(pname, b);
    return b[0] | b[1] << 1 | b[2] << 2 | b[3] << 3;
}

// Values none of the setters produce, and nothing bound, before each call.
void scramble() {
    glCullFace(GL_FRONT_AND_BACK), glDepthFunc(GL_GREATER), glBlendFunc(GL_ZERO, GL_ZERO);
    glStencilFunc(GL_GEQUAL, 9, 0xf0), glStencilOp(GL_ZERO, GL_ZERO, GL_REPLACE);
    glBindVertexArray(0), glBindBuffer(GL_ARRAY_BUFFER, 0), glUseProgram(0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0), glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
}

TEST_F(GraphicsTest, InitSettersSelectsDeletesAndSwapReachTheContext) {
    GLfloat clear[4] = {};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_THAT(clear, ElementsAre(0.25f, 0.25f, 0.25f, 1));
    for (GLuint i = 0; i < 8; ++i)
        EXPECT_EQ(query(glGetVertexAttribiv, i, GL_VERTEX_ATTRIB_ARRAY_ENABLED), i < 6) << i;
    const GLuint array = gfx.create_vertex_array(), cube = gfx.create_cubemap();
    const GLuint buffer = gfx.create_vertex_buffer(nullptr, 0);
    const GLuint index = gfx.create_index_buffer(nullptr, 0), program = glCreateProgram();
    glLinkProgram(program);  // no stages: the fixed pipeline, but a program to use
    const GLubyte texel[3] = {};
    const GLuint texture = gfx.load_texture(1, 1, GL_RGB, GL_RGB, texel);
    // A row without a call reads what the rows before it left. Any cull name but
    // "back" culls front faces; an unknown (or null) name elsewhere changes
    // nothing; stencil_op reads only its last name and keeps on the other two.
    constexpr GLenum kPass = GL_STENCIL_PASS_DEPTH_PASS;
    const struct {
        const char* what;
        std::function<void()> call;
        GLenum pname;
        long want;
    } rows[] = {
        {"init", nullptr, GL_DEPTH_TEST, 1},
        {"init", nullptr, GL_CULL_FACE, 1},
        {"init", nullptr, GL_FRONT_FACE, GL_CW},
        {"init", nullptr, GL_BLEND_SRC_RGB, GL_ONE},
        {"init", nullptr, GL_BLEND_DST_ALPHA, GL_ONE_MINUS_SRC_ALPHA},
        {"blend on", [&] { gfx.blend(true); }, GL_BLEND, 1},
        {"blend off", [&] { gfx.blend(false); }, GL_BLEND, 0},
        {"stencil on", [&] { gfx.stencil(true); }, GL_STENCIL_TEST, 1},
        {"stencil off", [&] { gfx.stencil(false); }, GL_STENCIL_TEST, 0},
        {"color_mask off", [&] { gfx.color_mask(false); }, GL_COLOR_WRITEMASK, 0},
        {"color_mask on", [&] { gfx.color_mask(true); }, GL_COLOR_WRITEMASK, 15},
        {"depth_mask off", [&] { gfx.depth_mask(false); }, GL_DEPTH_WRITEMASK, 0},
        {"depth_mask on", [&] { gfx.depth_mask(true); }, GL_DEPTH_WRITEMASK, 1},
        {"blend_func", [&] { gfx.blend_func(); }, GL_BLEND_SRC_RGB, GL_ONE},
        {"blend_func", nullptr, GL_BLEND_DST_RGB, GL_ONE_MINUS_SRC_ALPHA},
        {"cull back", [&] { gfx.cull_face("back"); }, GL_CULL_FACE_MODE, GL_BACK},
        {"cull Back", [&] { gfx.cull_face("Back"); }, GL_CULL_FACE_MODE, GL_FRONT},
        {"cull null", [&] { gfx.cull_face(nullptr); }, GL_CULL_FACE_MODE, GL_FRONT},
        {"depth <=", [&] { gfx.depth_func("<="); }, GL_DEPTH_FUNC, GL_LEQUAL},
        {"depth <", [&] { gfx.depth_func("<"); }, GL_DEPTH_FUNC, GL_LESS},
        {"depth null", [&] { gfx.depth_func(nullptr); }, GL_DEPTH_FUNC, GL_GREATER},
        {"always", [&] { gfx.stencil_func("always", 3, 0x0f); }, GL_STENCIL_FUNC, GL_ALWAYS},
        {"always", nullptr, GL_STENCIL_REF, 3},
        {"always", nullptr, GL_STENCIL_VALUE_MASK, 0x0f},
        {"equal", [&] { gfx.stencil_func("equal", 1, 1); }, GL_STENCIL_FUNC, GL_EQUAL},
        {"never", [&] { gfx.stencil_func("never", 2, 2); }, GL_STENCIL_FUNC, GL_GEQUAL},
        {"op null", [&] { gfx.stencil_op("decr", "zero", nullptr); }, kPass, GL_REPLACE},
        {"op incr", [&] { gfx.stencil_op("decr", "zero", "incr"); }, kPass, GL_INCR},
        {"op incr", nullptr, GL_STENCIL_FAIL, GL_KEEP},
        {"op incr", nullptr, GL_STENCIL_PASS_DEPTH_FAIL, GL_KEEP},
        {"op decr", [&] { gfx.stencil_op("incr", "incr", "decr"); }, kPass, GL_DECR},
        {"op keep", [&] { gfx.stencil_op("incr", "incr", "keep"); }, kPass, GL_KEEP},
        {"vao", [&] { gfx.select_vertex_array(array); }, GL_VERTEX_ARRAY_BINDING, array},
        {"vbo", [&] { gfx.select_vertex_buffer(buffer); }, GL_ARRAY_BUFFER_BINDING, buffer},
        {"ibo", [&] { gfx.select_index_buffer(index); }, GL_ELEMENT_ARRAY_BUFFER_BINDING, index},
        {"cubemap", [&] { gfx.select_cubemap(cube); }, GL_TEXTURE_BINDING_CUBE_MAP, cube},
        {"program", [&] { gfx.select_program(program); }, GL_CURRENT_PROGRAM, program},
        // A negative name is negated; the unit given stays active; other units keep theirs.
        {"texture -7", [&] { gfx.select_texture(3, -7); }, GL_ACTIVE_TEXTURE, GL_TEXTURE3},
        {"texture -7", nullptr, GL_TEXTURE_BINDING_2D, 7},
        {"deselect 3", [&] { gfx.select_texture(1, 5), gfx.deselect_texture(3); },
         GL_ACTIVE_TEXTURE, GL_TEXTURE3},
        {"deselect 3", nullptr, GL_TEXTURE_BINDING_2D, 0},
        {"unit 1", [&] { glActiveTexture(GL_TEXTURE1); }, GL_TEXTURE_BINDING_2D, 5},
    };
    for (const auto& row : rows) {
        if (row.call) scramble(), row.call();
        EXPECT_EQ(long(state(row.pname)), row.want) << row.what;
    }
    gfx.delete_texture(texture), gfx.delete_vertex_buffer(buffer);
    gfx.delete_index_buffer(index), gfx.delete_vertex_array(array);
    EXPECT_THAT(std::vector<GLint>({glIsTexture(texture), glIsBuffer(buffer), glIsBuffer(index),
                                    glIsVertexArray(array)}),
                ElementsAre(0, 0, 0, 0));
    EXPECT_EQ(glGetError(), kNoError);

    // swap presents through the device context init was given.
    int presents = 0;
    PresentSurface surface{[](void* user) { *static_cast<int*>(user) += 1; }, &presents};
    WindowHandle window = nullptr;
    DeviceContext device = &surface;
    gfx.init(&window, &device);
    gfx.swap();
    EXPECT_EQ(presents, 1);
}

TEST_F(GraphicsTest, ResizeClearsAndIndexedDrawsFromTheBuffersItCreates) {
    gfx.resize(800, 0);  // a zero height reaches the viewport as 1
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_THAT(viewport, ElementsAre(0, 0, 800, 1));
    EXPECT_EQ(std::make_pair(gfx.width, gfx.height), std::make_pair(800, 0));
    gfx.resize(64, 64);
    // clear takes colour and stencil (and depth, which the draws below need);
    // clear_depth only depth.
    glClearColor(1, 0, 0, 1), glClearStencil(4);
    gfx.clear();
    glClearColor(0, 0, 0, 1), glClearDepth(0.75), glClearStencil(8);
    gfx.clear_depth();
    GLubyte red = 0, stencil = 0;
    glReadPixels(5, 5, 1, 1, GL_RED, GL_UNSIGNED_BYTE, &red);
    glReadPixels(5, 5, 1, 1, GL_STENCIL_INDEX, GL_UNSIGNED_BYTE, &stencil);
    EXPECT_EQ(std::make_pair(red, stencil), std::make_pair(GLubyte(255), GLubyte(4)));
    EXPECT_NEAR(depth_at_centre(), 0.75f, 1e-6);
    glClearDepth(1);

    // Three triangles over the whole window at depths 0.25, 0.5 and 0.75: the
    // depth read back tells which one a draw took.
    const GLuint vao = gfx.create_vertex_array();
    EXPECT_NE(vao, 0u);
    EXPECT_THAT(std::vector<GLint>({GLint(gfx.vao), get_integer(GL_VERTEX_ARRAY_BINDING)}),
                ElementsAre(GLint(vao), GLint(vao)));
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
    const struct {
        int start, base;
        float depth;
    } draws[] = {{0, 0, 0.25f}, {3, 0, 0.25f}, {6, 0, 0.5f},
                 {0, 3, 0.5f},  {6, 3, 0.75f}, {0, 6, 0.75f}};
    for (const auto& d : draws) {
        gfx.clear();
        gfx.draw_elements(0, d.start, d.base, 3);
        EXPECT_NEAR(depth_at_centre(), d.depth, 1e-4) << "start " << d.start << " base " << d.base;
    }

    // Six indices make 2 triangles, 4 strip triangles, 5 strip lines, 3 lines or
    // 6 points; other codes nothing. Each draw declares the 60-byte layout again:
    // offset, components, type and stride of attributes 0 to 5.
    const struct {
        int code;
        GLuint primitives;
    } codes[] = {{0, 2}, {1, 4}, {2, 5}, {3, 3}, {4, 6}, {5, 0}, {-1, 0}};
    const std::vector<int> layout[6] = {{0, 3, GL_FLOAT, 60},  {12, 2, GL_FLOAT, 60},
                                        {20, 2, GL_FLOAT, 60}, {28, 3, GL_FLOAT, 60},
                                        {40, 1, GL_INT, 60},   {44, 4, GL_FLOAT, 60}};
    GLuint counter = 0, generated = 99;
    glGenQueries(1, &counter);
    for (const auto& c : codes) {
        for (GLuint i = 0; i < 6; ++i)
            glVertexAttribPointer(i, 4, GL_SHORT, GL_TRUE, 8, reinterpret_cast<void*>(4));
        glBeginQuery(GL_PRIMITIVES_GENERATED, counter);
        gfx.draw_elements(c.code, 0, 0, 6);
        glEndQuery(GL_PRIMITIVES_GENERATED);
        glGetQueryObjectuiv(counter, GL_QUERY_RESULT, &generated);
        EXPECT_EQ(generated, c.primitives) << "code " << c.code;
        for (GLuint i = 0; i < 6; ++i) {
            void* offset = nullptr;
            glGetVertexAttribPointerv(i, GL_VERTEX_ATTRIB_ARRAY_POINTER, &offset);
            std::vector<int> got = {int(reinterpret_cast<std::uintptr_t>(offset))};
            for (GLenum pname : {GL_VERTEX_ATTRIB_ARRAY_SIZE, GL_VERTEX_ATTRIB_ARRAY_TYPE,
                                 GL_VERTEX_ATTRIB_ARRAY_STRIDE})
                got.push_back(query(glGetVertexAttribiv, i, pname));
            EXPECT_EQ(got, layout[i]) << "code " << c.code << ", attribute " << i;
        }
    }
    // check_error prints a pending error and takes it: nothing is drawn, then the
    // next draw goes through.
    glEnable(0x1234);
    CaptureStdout();
    gfx.clear();
    gfx.draw_elements(0, 0, 0, 3);
    EXPECT_EQ(depth_at_centre(), 1.0f);
    gfx.draw_elements(0, 0, 0, 3);
    EXPECT_EQ(GetCapturedStdout(), "GL_ERROR 1280\n");
    EXPECT_NEAR(depth_at_centre(), 0.25f, 1e-4);
}

GLenum forced_status = 0;
GLenum GLAPIENTRY forced_check_status(GLenum) {
    return forced_status;
}

TEST_F(GraphicsTest, RenderTargetsAndTheirStatusReport) {
    GLuint fb = 0, color = 0, depth = 0;
    glActiveTexture(GL_TEXTURE2);  // creation works on whatever unit is active
    CaptureStdout();               // success says nothing
    EXPECT_EQ(gfx.create_render_target(2048, 2048, &fb, &color, &depth), 0);
    EXPECT_EQ(GetCapturedStdout(), "");
    EXPECT_EQ(get_integer(GL_DRAW_FRAMEBUFFER_BINDING), 0);
    EXPECT_EQ(get_integer(GL_READ_FRAMEBUFFER_BINDING), GLint(fb));
    EXPECT_EQ(get_integer(GL_TEXTURE_BINDING_2D), 0);
    // Colour: RGB, one level, linear, clamped; depth: nearest, clamped, no comparison.
    auto texture = [](GLuint name) {
        glBindTexture(GL_TEXTURE_2D, name);
        std::vector<GLint> got;
        for (GLenum pname : {GL_TEXTURE_WIDTH, GL_TEXTURE_HEIGHT, GL_TEXTURE_INTERNAL_FORMAT})
            got.push_back(query(glGetTexLevelParameteriv, GL_TEXTURE_2D, 0, pname));
        for (GLenum pname : {GL_TEXTURE_MAX_LEVEL, GL_TEXTURE_MIN_FILTER, GL_TEXTURE_MAG_FILTER,
                             GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T, GL_TEXTURE_COMPARE_MODE})
            got.push_back(query(glGetTexParameteriv, GL_TEXTURE_2D, pname));
        return got;
    };
    EXPECT_THAT(texture(color), ElementsAre(2048, 2048, GL_RGB, 0, GL_LINEAR, GL_LINEAR, GL_CLAMP,
                                            GL_CLAMP, GL_NONE));
    EXPECT_THAT(texture(depth), ElementsAre(2048, 2048, GL_DEPTH_COMPONENT, 1000, GL_NEAREST,
                                            GL_NEAREST, GL_CLAMP, GL_CLAMP, GL_NONE));
    glBindFramebuffer(GL_FRAMEBUFFER, fb);
    auto attached = [](GLenum attachment) {
        return query(glGetFramebufferAttachmentParameteriv, GL_FRAMEBUFFER, attachment,
                     GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME);
    };
    EXPECT_EQ(std::make_pair(attached(GL_COLOR_ATTACHMENT0), attached(GL_DEPTH_ATTACHMENT)),
              std::make_pair(GLint(color), GLint(depth)));
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
    CaptureStdout();
    EXPECT_EQ(gfx.create_render_target(0, 0, &fb, &color, &depth), -1);
    EXPECT_EQ(GetCapturedStdout(), "Render to texture failedGL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT");
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
        CaptureStdout();
        EXPECT_EQ(gfx.check_framebuffer_status(), -1);
        EXPECT_EQ(GetCapturedStdout(),
                  "Render to texture failed" + (names >> name ? "GL_FRAMEBUFFER_" + name : name));
    }
    __glewCheckFramebufferStatus = driver_check;
}

void insert(GLuint id, GLenum severity, const std::string& text) {
    glDebugMessageInsert(GL_DEBUG_SOURCE_APPLICATION, GL_DEBUG_TYPE_MARKER, id, severity, -1,
                         text.c_str());
}

TEST_F(GraphicsTest, DebugLogWritesWhatFitsAndReportsAnUnopenableFile) {
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
    CaptureStdout();
    gfx.get_debug_log();
    EXPECT_EQ(GetCapturedStdout(), "Unable to open error.log\n");
    EXPECT_EQ(get_integer(GL_DEBUG_LOGGED_MESSAGES), 0);
}

}  // namespace
