// Loading the OpenGL entry points, shared by the Linux hosts.
#pragma once

#include <string>
#include <vector>

// Loads the entry points of the current context through GLEW. Returns an empty
// string when every entry point the demo calls beyond OpenGL 1.1 is there,
// otherwise what went wrong.
std::string load_gl_entry_points();

// The shared objects loaded into the process.
std::vector<std::string> loaded_modules();

// Keeps the modules loaded since `before` resident until exit. Drivers are
// unloaded when their display closes; leak reports made at exit could no longer
// name them, and a second context would load them again.
void keep_resident(const std::vector<std::string>& before);
