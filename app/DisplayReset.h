// The display size changed while the game runs (the options dialog's
// resolution): the application lets go of its device objects, a windowed
// game's window takes the new size, the device is reset with the new
// back-buffer size and the objects come back. When the device refuses the
// new size, the previous size is set again (window and device) and the
// reason is logged and returned: the game keeps drawing either way.
//
// Afterwards the engine settings' and the graphics device's screen size
// are the size in effect.
//
// Threads: main thread only, between frames.
#pragma once

#include <string>

// False when the device did not take the size; why then says what failed.
bool ResetDisplaySize(int width, int height, std::string* why);
