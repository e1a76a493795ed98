// 8-bit RGB images to PNG files through libpng's simplified API.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

// `rgb` holds height rows of width * 3 bytes, bottom row first (as glReadPixels
// returns them); the file shows the top row first. False with `error` set when
// libpng refuses or a write to the stream fails; flushing and closing the
// stream, and their errors, are the caller's.
bool write_png(std::FILE* file, int width, int height, const std::vector<unsigned char>& rgb,
               std::string& error);
