// Inside the platform layer only: what other parts of the layer (the
// graphics device, input, video) need of a window.
#pragma once

#include "platform/Window.h"

struct SDL_Window;

namespace plat::detail
{

// Initialises SDL's video subsystem once (events included); false when no
// video driver can be opened.
bool InitVideo();

// The SDL window behind an engine window; null for a proxy or a bad handle.
// Windows are created with SDL_WINDOW_OPENGL when the driver can do it.
SDL_Window* GetSdlWindow(Window* hwnd);

// The engine window of an SDL window id, or null.
Window* FindWindowBySdlId(std::uint32_t windowId);

} // namespace plat::detail
