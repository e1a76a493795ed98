// A minimal linked program for the draw tests: position from attribute 0, and
// the integer colour of attribute 4 written out as red (value / 255).
#pragma once

#include <GL/glew.h>

GLuint build_test_program();
