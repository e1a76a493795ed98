#include <cstdio>
#include <cstring>

#include "graphics/graphics.h"

namespace {

constexpr GLuint kMaxMessages = 1000;
constexpr GLsizei kTextBytes = 4096;

}  // namespace

bool Graphics::check_error() {
    const GLenum code = glGetError();
    if (code == GL_NO_ERROR) return false;
    std::printf("GL_ERROR %d\n", static_cast<int>(code));
    return true;
}

void Graphics::get_debug_log() {
    // Contexts older than 4.3 without KHR_debug leave the entry point unloaded.
    if (glGetDebugMessageLog == nullptr) {
        std::printf("glGetDebugMessageLog is not available\n");
        return;
    }

    char buffer[kTextBytes];
    GLenum source[kMaxMessages];
    GLenum type[kMaxMessages];
    GLuint id[kMaxMessages];
    GLenum severity[kMaxMessages];
    GLsizei length[kMaxMessages];
    std::memset(buffer, 0, sizeof(buffer));

    const GLuint count =
        glGetDebugMessageLog(kMaxMessages, kTextBytes, source, type, id, severity, length, buffer);

    FILE* file = std::fopen("error.log", "w+");
    if (file == nullptr) {
        std::printf("Unable to open error.log\n");
        return;
    }
    GLsizei offset = 0;
    for (GLuint i = 0; i < count; ++i) {
        std::fprintf(file, "source %d type %d id %d severity %d msg [%s]\n",
                     static_cast<int>(source[i]), static_cast<int>(type[i]),
                     static_cast<int>(id[i]), static_cast<int>(severity[i]), buffer + offset);
        offset += length[i];
    }
    std::fclose(file);
}
