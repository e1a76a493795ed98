#version 130
// Diffuse light from the light's position, an ambient level where the light
// does not reach, soft-edged shadows from the depth map and a faint grid on
// the floor.

uniform sampler2D ShadowMap;
uniform vec3 color;

in vec4 shadow_coord;
in vec3 position;
in vec3 to_light;
in vec3 to_eye;
in vec2 floor_coord;
flat in vec3 marked;

out vec4 frag_color;

// The depth pass culls front faces, so the map holds the far sides of the
// boxes and a lit face lies well in front of what it is compared with; the
// offset only has to cover rounding, and stays small so that a shadow starts
// right where a box touches what it stands on.
const float bias = 0.00002;
// What a surface keeps in shadow or turned away from the light.
const float ambient = 0.3;
// How much the floor's grid lines darken it.
const float grid_strength = 0.12;

// Share of the light that reaches the fragment: the depth tests of a 3 x 3
// block of texels, each weighted by how much of it a window two texels wide
// around the sample covers (four bilinear-filtered tests in one), so that an
// edge fades over two texels without steps.
float lit_fraction() {
    if (shadow_coord.w <= 0.0) return 1.0;
    vec3 s = shadow_coord.xyz / shadow_coord.w;
    if (any(lessThan(s, vec3(0.0))) || any(greaterThan(s, vec3(1.0)))) return 1.0;

    vec2 size = vec2(textureSize(ShadowMap, 0));
    vec2 texel = 1.0 / size;
    vec2 u = s.xy * size;
    vec2 f = fract(u);
    // Centre of the first texel of the block.
    vec2 corner = (floor(u) - 0.5) * texel;
    float lit = 0.0;
    float furthest = 0.0;
    for (int j = 0; j <= 2; ++j) {
        float wy = j == 0 ? 1.0 - f.y : (j == 2 ? f.y : 1.0);
        for (int i = 0; i <= 2; ++i) {
            float wx = i == 0 ? 1.0 - f.x : (i == 2 ? f.x : 1.0);
            float stored = textureLod(ShadowMap, corner + vec2(i, j) * texel, 0.0).r;
            lit += (s.z - bias <= stored) ? wx * wy : 0.0;
            furthest = max(furthest, stored);
        }
    }
    // Nothing on the unit (the light view unbinds the map before drawing): an
    // incomplete texture reads 0, which no rendered depth is.
    if (furthest == 0.0) return 1.0;
    return lit / 4.0;
}

// 1 on the floor's unit grid lines, fading with distance before the lines
// crowd into a pattern. Only where the texture coordinates follow the surface:
// boxes send none, so theirs stay put.
float grid_line(vec3 dx, vec3 dy) {
    vec2 cell = fwidth(floor_coord);
    float spread = max(cell.x, cell.y);
    vec2 surface = abs(dx.xz) + abs(dy.xz);
    if (spread < 0.5 * max(surface.x, surface.y)) return 0.0;
    vec2 pixels = abs(fract(floor_coord - 0.5) - 0.5) / cell;
    float line = 1.0 - clamp(min(pixels.x, pixels.y) - 0.5, 0.0, 1.0);
    return line * clamp(2.0 - 8.0 * spread, 0.0, 1.0);
}

void main() {
    vec3 dx = dFdx(position), dy = dFdy(position);
    // The face's normal, turned to the side the viewer sees (window systems
    // differ in which way dFdy runs).
    vec3 normal = normalize(cross(dx, dy));
    if (dot(normal, to_eye) < 0.0) normal = -normal;
    float facing = dot(normal, normalize(to_light));
    float grid = grid_line(dx, dy);
    // Eased towards grazing light, so that the low light still reads on the floor.
    float diffuse = facing > 0.0 ? 1.0 - (1.0 - facing) * (1.0 - facing) : 0.0;
    float light = 0.0;
    if (diffuse > 0.0) light = diffuse * lit_fraction();
    float shade = (ambient + (1.0 - ambient) * light) * (1.0 - grid_strength * grid);
    // A frozen body's immediate-mode colour differs from its list colour.
    vec3 base = distance(marked, color) > 0.01 ? marked : color;
    frag_color = vec4(base * shade, 1.0);
}
