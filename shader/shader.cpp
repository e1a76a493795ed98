#include "shader/shader.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

namespace {

// Every line of a load goes to "infolog.txt". When it cannot be opened, or is
// something other than a regular file (a pipe would block the open, a device
// swallow the lines), the load goes on without its account. The log closes
// itself when the load returns, whichever way it ends.
class Log {
  public:
    Log() {
        std::error_code error;
        const auto type = std::filesystem::status("infolog.txt", error).type();
        if (type == std::filesystem::file_type::not_found ||
            type == std::filesystem::file_type::regular)
            file_ = std::fopen("infolog.txt", "a");
        if (file_ == nullptr)
            std::fprintf(stderr, "Unable to open infolog.txt, the shader log is not written\n");
    }
    ~Log() { close(); }
    Log(const Log&) = delete;
    Log& operator=(const Log&) = delete;

#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    void
    line(const char* format, ...) {
        if (file_ == nullptr) return;
        va_list args;
        va_start(args, format);
        if (std::vfprintf(file_, format, args) < 0) failed_ = true;
        va_end(args);
    }

    // The line of the step that failed, kept for standard error should the log
    // lose it.
    void failure(const std::string& text) {
        failure_ = text;
        line("%s", text.c_str());
    }

  private:
    // Buffered lines meet a full disk only here; the load itself still counts. A
    // failure the log did not keep (the compiler's message above all) goes to
    // standard error instead, on a line of its own.
    void close() {
        bool lost = file_ == nullptr;
        if (file_ != nullptr) {
            const bool written = !failed_ && std::ferror(file_) == 0;
            if (std::fclose(file_) != 0 || !written) {
                std::fprintf(stderr, "Unable to write infolog.txt, the shader log is incomplete\n");
                lost = true;
            }
            file_ = nullptr;
        }
        if (!lost || failure_.empty()) return;
        if (failure_.back() != '\n') failure_ += '\n';
        std::fputs(failure_.c_str(), stderr);
    }

    FILE* file_ = nullptr;
    bool failed_ = false;
    std::string failure_;
};

// A reported length of 0 (no text at all) gives an empty string; the buffer is
// never read before OpenGL has written it.
template <class Fetch>
char* fetch_info_log(GLint info_size, Fetch fetch) {
    char* text = new char[info_size > 0 ? info_size : 1];
    text[0] = '\0';
    if (info_size > 0) {
        fetch(info_size, text);
        text[info_size - 1] = '\0';
    }
    return text;
}

// Reads, compiles and checks one stage; false (logged) on any failure.
bool compile_stage(Log& log, const char* stage, GLenum type, const char* path, char** src,
                   GLuint* handle) {
    *src = load_text_file(path);
    if (*src == nullptr) {
        log.failure(std::string("Unable to load ") + stage + " shader " + path + "\n");
        return false;
    }
    log.line("Loaded %s shader %s\n", stage, path);

    *handle = glCreateShader(type);
    const GLchar* const sources[1] = {*src};
    glShaderSource(*handle, 1, sources, nullptr);
    glCompileShader(*handle);

    GLint success = 0;
    glGetShaderiv(*handle, GL_COMPILE_STATUS, &success);
    if (success == 0) {
        GLint info_size = 0;
        glGetShaderiv(*handle, GL_INFO_LOG_LENGTH, &info_size);
        const GLuint shader = *handle;
        char* info = fetch_info_log(info_size, [shader](GLint size, char* text) {
            glGetShaderInfoLog(shader, size, nullptr, text);
        });
        log.failure(std::string("Error compiling: ") + info);
        delete[] info;
        return false;
    }
    delete[] * src;
    *src = nullptr;
    return true;
}

// glGetString answers null when no context is current, as at process exit after
// the host has deleted its context.
bool context_current() {
    return glGetString(GL_VERSION) != nullptr;
}

}  // namespace

// Anything but a regular file (a directory, a pipe, a device) has no size that
// seeking can tell, and a pipe would block the open. A size beyond the cap is a
// mistake (a sparse file, say), not a shader worth allocating for.
std::string text_file_problem(const char* path) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::file_type type = fs::status(path, error).type();
    const std::string name = path;
    if (type == fs::file_type::not_found) return name + " is missing";
    if (error) return name + ": " + error.message();
    if (type == fs::file_type::directory) return name + " is a directory";
    if (type != fs::file_type::regular) return name + " is not a regular file";
    const std::uintmax_t size_on_disk = fs::file_size(path, error);
    if (error) return name + ": " + error.message();
    if (size_on_disk > kMaxTextFileSize)
        return name + " is larger than " + std::to_string(kMaxTextFileSize >> 20) + " MiB";
    return "";
}

char* load_text_file(const char* path) {
    if (!text_file_problem(path).empty()) return nullptr;

    FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return nullptr;
    long length = -1;
    if (std::fseek(file, 0, SEEK_END) == 0) length = std::ftell(file);
    if (length < 0 || std::fseek(file, 0, SEEK_SET) != 0 ||
        static_cast<std::uintmax_t>(length) > kMaxTextFileSize) {
        std::fclose(file);
        return nullptr;
    }
    const size_t size = static_cast<size_t>(length);
    char* text = new char[size + 1];
    if (std::fread(text, 1, size, file) != size) {
        std::fclose(file);
        delete[] text;
        return nullptr;
    }
    std::fclose(file);
    // The compiler would stop at a NUL and take the rest for absent: a file
    // holding one is no shader text, and is refused as unreadable.
    if (std::memchr(text, '\0', size) != nullptr) {
        delete[] text;
        return nullptr;
    }
    text[size] = '\0';
    return text;
}

Shader::Shader()
    : vertex_src(nullptr),
      geometry_src(nullptr),
      fragment_src(nullptr),
      gfx(nullptr),
      program_handle(0),
      vertex_handle(0),
      geometry_handle(0),
      fragment_handle(0) {}

Shader::~Shader() {
    destroy();
}

int Shader::init(Graphics* graphics, const char* vertex_path, const char* geometry_path,
                 const char* fragment_path) {
    gfx = graphics;
    Log log;

    log.line("OpenGL Version %s\n", reinterpret_cast<const char*>(glGetString(GL_VERSION)));
    log.line("OpenGL Renderer %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
    GLint max_attrib = 0;
    glGetIntegerv(GL_MAX_VERTEX_ATTRIBS, &max_attrib);
    log.line("Max vertex attribs %d\n", max_attrib);

    if (vertex_path != nullptr &&
        !compile_stage(log, "vertex", GL_VERTEX_SHADER, vertex_path, &vertex_src, &vertex_handle)) {
        return -1;
    }
    if (geometry_path != nullptr &&
        !compile_stage(log, "geometry", GL_GEOMETRY_SHADER, geometry_path, &geometry_src,
                       &geometry_handle)) {
        return -1;
    }
    if (fragment_path != nullptr &&
        !compile_stage(log, "fragment", GL_FRAGMENT_SHADER, fragment_path, &fragment_src,
                       &fragment_handle)) {
        return -1;
    }

    program_handle = static_cast<int>(glCreateProgram());
    const GLuint program = static_cast<GLuint>(program_handle);
    if (vertex_path != nullptr) glAttachShader(program, vertex_handle);
    if (geometry_path != nullptr) glAttachShader(program, geometry_handle);
    if (fragment_path != nullptr) glAttachShader(program, fragment_handle);

    prelink();

    glLinkProgram(program);
    GLint success = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &success);
    if (success == 0) {
        GLint info_size = 0;
        glGetProgramiv(program, GL_INFO_LOG_LENGTH, &info_size);
        char* info = fetch_info_log(info_size, [program](GLint size, char* text) {
            glGetProgramInfoLog(program, size, nullptr, text);
        });
        log.failure(std::string("Error linking: ") + info);
        delete[] info;
        return -1;
    }

    log.line("Link successful\n");
    return 0;
}

void Shader::select() {
    glUseProgram(static_cast<GLuint>(program_handle));
}

void Shader::destroy() {
    delete[] vertex_src;
    delete[] geometry_src;
    delete[] fragment_src;
    vertex_src = nullptr;
    geometry_src = nullptr;
    fragment_src = nullptr;

    // Without a current context the objects went with it, and the entry points
    // must not be called.
    if (context_current()) {
        // -1 marks a failed load whose program is already gone.
        if (program_handle != -1) glDeleteProgram(static_cast<GLuint>(program_handle));
        glDeleteShader(vertex_handle);
        glDeleteShader(geometry_handle);
        glDeleteShader(fragment_handle);
    }
    // A second destroy (the destructor after an explicit one) must not delete
    // names that OpenGL may have handed out again meanwhile.
    program_handle = 0;
    vertex_handle = 0;
    geometry_handle = 0;
    fragment_handle = 0;
}
