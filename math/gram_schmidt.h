// The orthonormalisation shared by matrix3 and matrix4: Gram-Schmidt through cross
// products, keeping the direction of the first axis. The old third axis is not read.
#pragma once

#include "math/vector.h"

inline void orthonormalize_axes(vec3& x, vec3& y, vec3& z) {
    x.normalize();
    z = cross(x, y);
    z.normalize();
    y = cross(z, x);
    y.normalize();
}
