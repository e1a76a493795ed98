// A console window for a GUI process, with the C standard streams bound to it.
// Nothing calls it by default; add a call early in WinMain to see the output.
#pragma once

int open_console();
