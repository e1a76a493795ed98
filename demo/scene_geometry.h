// The scene's two shapes in immediate mode, drawn alike by the demo and by the
// benchmark's bare reference frame.
#pragma once

#include "math/vector.h"

// A cube of the given half size about the origin: twelve triangles,
// counter-clockwise seen from outside.
void emit_box_triangles(float half_size);

// The square of the given half size in the y = 0 plane, in `color`, as two
// quads wound both ways so that one survives either culled face.
void emit_floor_quads(float half_size, const vec3& color);
