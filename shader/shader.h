// A shader program built from up to three source files (vertex, geometry,
// fragment), with an account of every load appended to "infolog.txt".
#pragma once

#include <GL/glew.h>

#include <cstdint>
#include <string>

class Graphics;

// Shader sources are kilobytes; anything larger is refused unread.
constexpr std::uintmax_t kMaxTextFileSize = 16 * 1024 * 1024;

// The whole file as a new NUL-terminated array (release with delete[]); null when
// the path is not a regular file of at most kMaxTextFileSize bytes that can be
// opened and read whole, or when it holds a NUL byte.
char* load_text_file(const char* path);

// Why load_text_file would refuse the path, found without opening it (a pipe
// would block the open), as "PATH is missing" and the like; empty when the path
// is a regular file within the size cap.
std::string text_file_problem(const char* path);

class Shader {
  public:
    Shader();
    // Objects are held by value and never deleted through a Shader pointer.
    ~Shader();
    // The sources and the GL names are owned: a copy would release them twice.
    Shader(const Shader&) = delete;
    Shader& operator=(const Shader&) = delete;

    // A null path leaves that stage out. 0 when the program linked, -1 otherwise.
    int init(Graphics* graphics, const char* vertex_path, const char* geometry_path,
             const char* fragment_path);
    // Runs once per init that reaches linking, after the shaders are attached.
    virtual void prelink() = 0;
    void select();
    void destroy();

    char* vertex_src;
    char* geometry_src;
    char* fragment_src;
    Graphics* gfx;
    int program_handle;
    GLuint vertex_handle;
    GLuint geometry_handle;
    GLuint fragment_handle;
};
