#include <GL/glew.h>

#include "demo/demo.h"
#include "demo/scene_geometry.h"

namespace {

constexpr float half_size = 0.25f;
constexpr float floor_half_size = 500.0f;

}  // namespace

void Demo::render_scene(bool depth_pass) {
    vec3 color(0, 0, 0);
    plane floor(vec3(0, 1, 0), 3.0f);
    draw_floor(floor, depth_pass);

    for (std::size_t i = 0; i < world.bodies.size(); ++i) {
        const RigidBody& body = *world.bodies[i];
        color = (i % 2 == 0) ? vec3(1, 0, 0) : vec3(0, 0, 1);
        glColor3f(color.x, color.y, color.z);
        // Frozen shows only in the immediate-mode colour; the program keeps the
        // list colour.
        if (body.frozen) glColor3f(1, 0, 1);
        const matrix4 matrix = body.model_matrix();
        const matrix4 mvp = view.premultiply(matrix) * projection;
        // The shadow lookup needs the body's own placement as well: model first,
        // then the light's transform.
        const matrix4 body_shadow_mvp = matrix * shadow_mvp;
        shadowmap.set_params(mvp, body_shadow_mvp, color);
        draw_box();
    }
}

void Demo::draw_floor(plane& floor, bool depth_pass) {
    const vec3 color(0, 0.3f, 0);
    const vec3 right(1, 0, 0);
    const vec3 forward(0, 0, 1);
    const float s = floor_half_size;

    // The light records the floor 3 units lower than the camera pass draws it.
    if (!depth_pass) floor.distance = 0;

    matrix4 mat;
    mat.m[0] = right.x;
    mat.m[1] = right.y;
    mat.m[2] = right.z;
    mat.m[3] = 0;
    mat.m[4] = floor.normal.x;
    mat.m[5] = floor.normal.y;
    mat.m[6] = floor.normal.z;
    mat.m[7] = 0;
    mat.m[8] = forward.x;
    mat.m[9] = forward.y;
    mat.m[10] = forward.z;
    mat.m[11] = 0;
    mat.m[12] = -right.dot(vec3(0, 0, 0));
    mat.m[13] = -floor.normal.dot(vec3(0, floor.distance, 0));
    mat.m[14] = -forward.dot(vec3(0, 0, 0));
    mat.m[15] = 1;

    const matrix4 mvp = view.premultiply(mat) * projection;
    shadowmap.set_params(mvp, shadow_mvp, color);

    emit_floor_quads(s, color);
}

void Demo::draw_box() {
    emit_box_triangles(half_size);
}
