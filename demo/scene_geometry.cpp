#include "demo/scene_geometry.h"

#include <GL/glew.h>

void emit_box_triangles(float half_size) {
    const float h = half_size;
    const float vertices[36][3] = {
        {-h, -h, -h}, {-h, -h, h}, {-h, h, -h},  // x = -h
        {-h, -h, h},  {-h, h, h},  {-h, h, -h},  //
        {h, h, h},    {-h, -h, h}, {h, -h, h},   // z = +h
        {h, h, h},    {-h, h, h},  {-h, -h, h},  //
        {h, -h, h},   {h, h, -h},  {h, h, h},    // x = +h
        {h, -h, h},   {h, -h, -h}, {h, h, -h},   //
        {-h, -h, -h}, {-h, h, -h}, {h, h, -h},   // z = -h
        {-h, -h, -h}, {h, h, -h},  {h, -h, -h},  //
        {-h, -h, -h}, {h, -h, -h}, {-h, -h, h},  // y = -h
        {-h, -h, h},  {h, -h, -h}, {h, -h, h},   //
        {-h, h, -h},  {-h, h, h},  {h, h, -h},   // y = +h
        {-h, h, h},   {h, h, h},   {h, h, -h},   //
    };
    glBegin(GL_TRIANGLES);
    for (const auto& v : vertices) glVertex3f(v[0], v[1], v[2]);
    glEnd();
}

void emit_floor_quads(float half_size, const vec3& color) {
    const float s = half_size;
    glBegin(GL_QUADS);
    glColor3f(color.x, color.y, color.z);
    glTexCoord2f(1, 1);
    glVertex3f(s, 0, s);
    glTexCoord2f(1, 0);
    glVertex3f(s, 0, -s);
    glTexCoord2f(0, 0);
    glVertex3f(-s, 0, -s);
    glTexCoord2f(0, 1);
    glVertex3f(-s, 0, s);
    glTexCoord2f(1, 1);
    glVertex3f(s, 0, s);
    glTexCoord2f(0, 1);
    glVertex3f(-s, 0, s);
    glTexCoord2f(0, 0);
    glVertex3f(-s, 0, -s);
    glTexCoord2f(1, 0);
    glVertex3f(s, 0, -s);
    glEnd();
}
