#version 130
// Both passes. Everything the lighting needs is worked out in the object's own
// space, where the draws give their positions: the light's position comes from
// the shadow matrix and the viewer's from mvp (for each, the one point the
// transform sends to infinity), so no uniform beyond the transforms is needed.

in vec3 attr_position;
// Part of the fixed vertex layout; the demo's draws never set it.
in float attr_color;

uniform mat4 mvp;
uniform mat4 shadowmvp;

out vec4 shadow_coord;
out vec3 position;
out vec3 to_light;
out vec3 to_eye;
out vec2 floor_coord;
flat out vec3 marked;

// The point p with m * p = (0, 0, z, 0), where a perspective transform's
// viewer stands: rows x, y and w of the matrix all vanish there (a bias only
// mixes w into x, y and z).
vec3 centre(mat4 m) {
    mat4 t = transpose(m);
    vec3 a = t[0].xyz, b = t[1].xyz, c = t[3].xyz;
    vec3 bc = cross(b, c), ca = cross(c, a), ab = cross(a, b);
    return -(t[0].w * bc + t[1].w * ca + t[3].w * ab) / dot(a, bc);
}

void main() {
    vec4 p = vec4(attr_position, 1.0);
    shadow_coord = shadowmvp * p;
    position = attr_position;
    // Towards the light from the object's origin: each face of a box, and the
    // whole floor, evenly lit by its angle to the light.
    to_light = centre(shadowmvp);
    to_eye = centre(mvp) - attr_position;
    // The floor's texture coordinates span its 1000 units; boxes send none, so
    // theirs stay constant.
    floor_coord = gl_MultiTexCoord0.st * 1000.0;
    // The immediate-mode colour: the demo turns it magenta for a frozen body.
    marked = attr_color < -1.0e30 ? vec3(0.0) : gl_Color.rgb;
    gl_Position = mvp * p;
}
