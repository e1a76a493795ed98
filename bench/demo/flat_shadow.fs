#version 130
// The flat-colour pair the demo drew with before its lighting, kept unchanged
// as the benchmark's yardstick for the camera pass.
// Shadow test against the raw depth map: a fragment is in shadow where it lies
// further from the light than what the depth pass stored, filtered over 3 x 3
// texels. Fragments the light frustum does not cover stay lit.

uniform sampler2D ShadowMap;
uniform vec3 color;

in vec4 shadow_coord;
in float vertex_tag;

out vec4 frag_color;

// Depth offset that keeps a surface from shadowing itself; about a tenth of a
// unit at the distance of the boxes from the light.
const float bias = 0.0001;
// What a fully shadowed surface keeps of its colour.
const float shadow_brightness = 0.4;

float lit_fraction() {
    if (shadow_coord.w <= 0.0) return 1.0;
    vec3 s = shadow_coord.xyz / shadow_coord.w;
    if (any(lessThan(s, vec3(0.0))) || any(greaterThan(s, vec3(1.0)))) return 1.0;

    // Nothing bound (the light view draws before any map exists): no shadows.
    vec2 size = vec2(textureSize(ShadowMap, 0));
    if (size.x < 1.0 || size.y < 1.0) return 1.0;
    vec2 texel = 1.0 / size;
    float lit = 0.0;
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            float stored = texture(ShadowMap, s.xy + vec2(dx, dy) * texel).r;
            lit += (s.z - bias <= stored) ? 1.0 : 0.0;
        }
    }
    return lit / 9.0;
}

void main() {
    float shade = mix(shadow_brightness, 1.0, lit_fraction());
    // A negative tag never occurs in the demo's draws; it keeps the layout's
    // colour attribute part of the program's interface.
    if (vertex_tag < -1.0e30) shade = 0.0;
    frag_color = vec4(color * shade, 1.0);
}
