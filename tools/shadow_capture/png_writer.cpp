#include "tools/shadow_capture/png_writer.h"

#include <png.h>

#include <cerrno>
#include <cstring>

bool write_png(std::FILE* file, int width, int height, const std::vector<unsigned char>& rgb,
               std::string& error) {
    if (width <= 0 || height <= 0 ||
        rgb.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3) {
        error = "the image buffer does not match its size";
        return false;
    }
    png_image image;
    std::memset(&image, 0, sizeof(image));
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGB;

    // A negative stride starts at the last row: GL's bottom-up rows come out top down.
    const png_int_32 stride = -static_cast<png_int_32>(width * 3);
    errno = 0;
    const int ok = png_image_write_to_stdio(&image, file, 0, rgb.data(), stride, nullptr);
    // A failed write says why (a full disk, the file size limit) better than
    // libpng's "Write Error" does.
    const int write_error = std::ferror(file) != 0 ? errno : 0;
    if (ok == 0 || PNG_IMAGE_FAILED(image) || write_error != 0) {
        if (write_error != 0) {
            error = std::strerror(write_error);
        } else {
            error = image.message[0] != '\0' ? image.message : "libpng could not write the image";
        }
        png_image_free(&image);
        return false;
    }
    return true;
}
