// Whether any display could take the SDL window, found before SDL looks: SDL's
// own search ends in a generic failure (and the Wayland client library's
// complaint about XDG_RUNTIME_DIR), never in which display failed and why.
#pragma once

#include <string>

// Empty when an X server or a Wayland compositor answers (or when that cannot be
// told from here: a remote X display, a socket handed down, a driver the user
// chose); otherwise the message to print, naming each display and why it failed.
std::string missing_display();
