// Shared by the object and draw tests.
#pragma once

#include <GL/glew.h>

// A linked program: position from attribute 0, the integer colour of attribute 4
// written out as red (value / 255).
GLuint build_test_program();

// Expects attributes 0-5 to read back as the 60-byte Vertex layout sourced from buffer.
void expect_vertex_layout(GLuint buffer);
