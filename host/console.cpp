#include "host/console.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdint>
#include <cstdio>

namespace {

int bind_stream(DWORD which, const char* mode, FILE* stream) {
    intptr_t handle = reinterpret_cast<intptr_t>(GetStdHandle(which));
    int fd = _open_osfhandle(handle, _O_TEXT);
    if (fd == -1) return -1;
    FILE* fp = _fdopen(fd, mode);
    if (fp == nullptr) return -1;
    *stream = *fp;
    return setvbuf(stream, nullptr, _IONBF, 0);
}

}  // namespace

int open_console() {
    AllocConsole();

    // 512 rows of scroll-back.
    CONSOLE_SCREEN_BUFFER_INFO coninfo = {};
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (GetConsoleScreenBufferInfo(out, &coninfo)) {
        coninfo.dwSize.Y = 512;
        SetConsoleScreenBufferSize(out, coninfo.dwSize);
    }

    bind_stream(STD_OUTPUT_HANDLE, "w", stdout);
    bind_stream(STD_INPUT_HANDLE, "r", stdin);
    return bind_stream(STD_ERROR_HANDLE, "w", stderr);
}
