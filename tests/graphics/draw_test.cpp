// Indexed draws into a small render target, read back pixel by pixel: where the
// start index and base vertex point, which primitive each code draws, and the
// error check that comes first.
#include <GL/glew.h>

#include <cstdint>
#include <cstring>

#include "graphics/graphics.h"
#include "tests/graphics/test_program.h"
#include "tests/support/gl_fixture.h"
#include "tests/support/output_capture.h"

namespace {

constexpr int kSize = 8;

class GraphicsDraw : public GlTest {
  protected:
    void SetUp() override {
        GlTest::SetUp();
        gfx.init(context.window_handle(), context.device_context());
        ASSERT_EQ(gfx.create_render_target(kSize, kSize, &framebuffer, &color, &depth), 0);
        gfx.bind_render_target(framebuffer);
        glViewport(0, 0, kSize, kSize);
        glDisable(GL_CULL_FACE);
        glClearColor(0, 0, 0, 1);
        program = build_test_program();
        gfx.select_program(program);
        gfx.create_vertex_array();

        // Three triangles that each cover the whole target, told apart by colour.
        const int colors[3] = {40, 120, 200};
        Vertex vertices[9];
        std::memset(vertices, 0, sizeof(vertices));
        const float corners[3][2] = {{-1, -1}, {-1, 3}, {3, -1}};
        for (int v = 0; v < 9; ++v) {
            vertices[v].position[0] = corners[v % 3][0];
            vertices[v].position[1] = corners[v % 3][1];
            vertices[v].color = colors[v / 3];
        }
        gfx.create_vertex_buffer(vertices, 9);
        const GLuint indices[9] = {0, 1, 2, 0, 1, 2, 3, 4, 5};
        gfx.create_index_buffer(indices, 9);
    }

    void TearDown() override {
        glDeleteProgram(program);
        GlTest::TearDown();
    }

    // The red channel of one texel of the target, after a fresh clear and a draw.
    int draw_and_read(int primitive, int start, int base, int count) {
        gfx.clear();
        gfx.draw_elements(primitive, start, base, count);
        return red_at(kSize / 2, kSize / 2);
    }

    static int red_at(int x, int y) {
        GLubyte rgba[4] = {};
        glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
        return rgba[0];
    }

    // Points every attribute somewhere else, to see whether a draw redeclares them.
    static void scramble_layout() {
        for (GLuint i = 0; i < 6; ++i)
            glVertexAttribPointer(i, 4, GL_SHORT, GL_TRUE, 8, reinterpret_cast<void*>(4));
    }

    static void expect_vertex_layout(bool declared) {
        const GLint sizes[6] = {3, 2, 2, 3, 1, 4};
        const GLint types[6] = {GL_FLOAT, GL_FLOAT, GL_FLOAT, GL_FLOAT, GL_INT, GL_FLOAT};
        const std::uintptr_t offsets[6] = {0, 12, 20, 28, 40, 44};
        for (GLuint i = 0; i < 6; ++i) {
            GLint size = 0, type = 0, stride = 0;
            void* pointer = nullptr;
            glGetVertexAttribiv(i, GL_VERTEX_ATTRIB_ARRAY_SIZE, &size);
            glGetVertexAttribiv(i, GL_VERTEX_ATTRIB_ARRAY_TYPE, &type);
            glGetVertexAttribiv(i, GL_VERTEX_ATTRIB_ARRAY_STRIDE, &stride);
            glGetVertexAttribPointerv(i, GL_VERTEX_ATTRIB_ARRAY_POINTER, &pointer);
            EXPECT_EQ(size, declared ? sizes[i] : 4) << "attribute " << i;
            EXPECT_EQ(type, declared ? types[i] : GL_SHORT) << "attribute " << i;
            EXPECT_EQ(stride, declared ? 60 : 8) << "attribute " << i;
            EXPECT_EQ(reinterpret_cast<std::uintptr_t>(pointer), declared ? offsets[i] : 4u)
                << "attribute " << i;
        }
    }

    Graphics gfx{};
    GLuint framebuffer = 0, color = 0, depth = 0, program = 0;
};

TEST_F(GraphicsDraw, StartIndexIsAnOffsetOfFourBytesAnIndex) {
    EXPECT_EQ(draw_and_read(0, 0, 0, 3), 40);
    EXPECT_EQ(draw_and_read(0, 3, 0, 3), 40);
    EXPECT_EQ(draw_and_read(0, 6, 0, 3), 120);  // indices 3, 4, 5 at byte offset 24
    EXPECT_EQ(take_error(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(GraphicsDraw, BaseVertexIsAddedToEveryIndex) {
    EXPECT_EQ(draw_and_read(0, 0, 3, 3), 120);
    EXPECT_EQ(draw_and_read(0, 6, 3, 3), 200);
    EXPECT_EQ(draw_and_read(0, 0, 6, 3), 200);
    EXPECT_EQ(take_error(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(GraphicsDraw, EachCodeDrawsItsPrimitive) {
    // Six indices make 2 triangles, 4 strip triangles, 5 strip lines, 3 lines
    // or 6 points; the other codes make nothing.
    const struct {
        int code;
        GLuint primitives;
    } cases[] = {{0, 2}, {1, 4}, {2, 5}, {3, 3}, {4, 6}, {5, 0}, {-1, 0}, {6, 0}};
    GLuint query = 0;
    glGenQueries(1, &query);
    for (const auto& c : cases) {
        glBeginQuery(GL_PRIMITIVES_GENERATED, query);
        gfx.draw_elements(c.code, 0, 0, 6);
        glEndQuery(GL_PRIMITIVES_GENERATED);
        GLuint generated = 99;
        glGetQueryObjectuiv(query, GL_QUERY_RESULT, &generated);
        EXPECT_EQ(generated, c.primitives) << "code " << c.code;
    }
    glDeleteQueries(1, &query);
    EXPECT_EQ(take_error(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(GraphicsDraw, UnknownCodeDrawsNothingButRedeclaresTheLayout) {
    scramble_layout();
    EXPECT_EQ(draw_and_read(5, 0, 0, 3), 0);
    expect_vertex_layout(true);
    EXPECT_EQ(take_error(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(GraphicsDraw, PendingErrorIsPrintedAndSkipsTheDraw) {
    gfx.clear();
    scramble_layout();
    glEnable(0x1234);  // GL_INVALID_ENUM, left pending
    OutputCapture out(stdout);
    gfx.draw_elements(0, 0, 0, 3);
    EXPECT_EQ(out.finish(), "GL_ERROR 1280\n");
    EXPECT_EQ(red_at(kSize / 2, kSize / 2), 0);
    expect_vertex_layout(false);

    // The check took the error: the next draw goes through.
    EXPECT_EQ(take_error(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_EQ(draw_and_read(0, 0, 0, 3), 40);
}

}  // namespace
