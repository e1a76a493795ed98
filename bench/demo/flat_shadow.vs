#version 130
// The flat-colour pair the demo drew with before its lighting, kept unchanged
// as the benchmark's yardstick for the camera pass.
// Both passes: the position in the pass's clip space, and the same point in
// shadow-map coordinates ([0, 1] on all three axes inside the light frustum).

in vec3 attr_position;
// Part of the fixed vertex layout; the demo's immediate-mode draws leave it at
// its current value and colour comes from the "color" uniform.
in float attr_color;

uniform mat4 mvp;
uniform mat4 shadowmvp;

out vec4 shadow_coord;
out float vertex_tag;

void main() {
    vec4 p = vec4(attr_position, 1.0);
    shadow_coord = shadowmvp * p;
    vertex_tag = attr_color;
    gl_Position = mvp * p;
}
