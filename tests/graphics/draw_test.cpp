// Indexed draws into a small render target, read back pixel by pixel: where the
// start index and base vertex point, which primitive each code draws, and the
// error check that comes first.
#include <GL/glew.h>

#include <string>

#include "tests/graphics/draw_support.h"
#include "tests/support/output_capture.h"

namespace {

class GraphicsDraw : public GraphicsTest {
  protected:
    void SetUp() override {
        GraphicsTest::SetUp();
        GLuint framebuffer = 0, color = 0, depth = 0;
        ASSERT_EQ(gfx.create_render_target(8, 8, &framebuffer, &color, &depth), 0);
        gfx.bind_render_target(framebuffer);
        glViewport(0, 0, 8, 8);
        glDisable(GL_CULL_FACE);
        glClearColor(0, 0, 0, 1);
        gfx.select_program(build_test_program());
        gfx.create_vertex_array();
        // Three triangles that each cover the whole target, told apart by colour.
        Vertex vertices[9] = {};
        const float corners[3][2] = {{-1, -1}, {-1, 3}, {3, -1}};
        for (int v = 0; v < 9; ++v) {
            vertices[v].position[0] = corners[v % 3][0];
            vertices[v].position[1] = corners[v % 3][1];
            vertices[v].color = 40 + 80 * (v / 3);
        }
        vbo = gfx.create_vertex_buffer(vertices, 9);
        const GLuint indices[9] = {0, 1, 2, 0, 1, 2, 3, 4, 5};
        gfx.create_index_buffer(indices, 9);
    }

    // The red channel of the target's centre after a fresh clear and a draw.
    int draw_and_read(int primitive, int start, int base, int count) {
        gfx.clear();
        gfx.draw_elements(primitive, start, base, count);
        GLubyte red = 0;
        glReadPixels(4, 4, 1, 1, GL_RED, GL_UNSIGNED_BYTE, &red);
        return red;
    }

    // Points every attribute elsewhere, to see whether a draw redeclares them.
    static void scramble_layout() {
        for (GLuint i = 0; i < 6; ++i)
            glVertexAttribPointer(i, 4, GL_SHORT, GL_TRUE, 8, reinterpret_cast<void*>(4));
    }

    GLuint vbo = 0;
};

TEST_F(GraphicsDraw, StartIndexIsFourBytesAnIndexAndBaseVertexIsAdded) {
    const struct {
        int start, base, red;
    } cases[] = {{0, 0, 40}, {3, 0, 40}, {6, 0, 120}, {0, 3, 120}, {6, 3, 200}, {0, 6, 200}};
    for (const auto& c : cases)
        EXPECT_EQ(draw_and_read(0, c.start, c.base, 3), c.red) << c.start << " " << c.base;
    EXPECT_EQ(glGetError(), kNoError);
}

TEST_F(GraphicsDraw, EachCodeDrawsItsPrimitiveAfterRedeclaringTheLayout) {
    // Six indices make 2 triangles, 4 strip triangles, 5 strip lines, 3 lines
    // or 6 points; the other codes make nothing.
    const struct {
        int code;
        GLuint primitives;
    } cases[] = {{0, 2}, {1, 4}, {2, 5}, {3, 3}, {4, 6}, {5, 0}, {-1, 0}, {6, 0}};
    GLuint counter = 0;
    glGenQueries(1, &counter);
    for (const auto& c : cases) {
        SCOPED_TRACE("code " + std::to_string(c.code));
        scramble_layout();
        glBeginQuery(GL_PRIMITIVES_GENERATED, counter);
        gfx.draw_elements(c.code, 0, 0, 6);
        glEndQuery(GL_PRIMITIVES_GENERATED);
        GLuint generated = 99;
        glGetQueryObjectuiv(counter, GL_QUERY_RESULT, &generated);
        EXPECT_EQ(generated, c.primitives);
        expect_vertex_layout(vbo);
    }
    EXPECT_EQ(glGetError(), kNoError);
}

TEST_F(GraphicsDraw, PendingErrorIsPrintedAndSkipsTheDraw) {
    scramble_layout();
    glEnable(0x1234);  // GL_INVALID_ENUM, left pending
    OutputCapture out(stdout);
    EXPECT_EQ(draw_and_read(0, 0, 0, 3), 0);
    EXPECT_EQ(out.finish(), "GL_ERROR 1280\n");
    EXPECT_EQ(query(glGetVertexAttribiv, 0, GL_VERTEX_ATTRIB_ARRAY_TYPE), GL_SHORT);  // untouched
    // The check took the error: the next draw goes through.
    EXPECT_EQ(glGetError(), kNoError);
    EXPECT_EQ(draw_and_read(0, 0, 0, 3), 40);
}

}  // namespace
