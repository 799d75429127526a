// A Direct3D 8 device for the fuzz targets whose readers put geometry into
// device buffers (complex objects, OBJ meshes): a hidden 64 x 48 window and
// the global device `graph` on it, opened once per process. Runs headless
// under SDL's offscreen driver and Mesa's software rasteriser (tools/fuzz.sh
// and ctest set SDL_VIDEODRIVER=offscreen and LIBGL_ALWAYS_SOFTWARE=1).
#pragma once

#include "foundation/Graphic.h"
#include "platform/Window.h"

#include <cstdio>
#include <cstdlib>

namespace fuzz
{

inline void CloseDevice()
{
    graph.Release();
}

// Once per process; false when no device can be made (the target then
// returns without running its reader).
inline bool OpenDevice()
{
    plat::RegisterClass(plat::WindowClass{0,
                                          [](plat::Window* w, std::uint32_t m, plat::WParam wp, plat::LParam lp)
                                          { return plat::DefWindowProc(w, m, wp, lp); },
                                          "FuzzWindow", nullptr});
    plat::Window* window = plat::CreateWindow("FuzzWindow", "fuzz", plat::WS_OVERLAPPED, 0, 0, 64, 48);
    SDisplayParameters params;
    params.width = 64;
    params.height = 48;
    params.windowed = 1;
    if (!window || !graph.CreateDirect3D() || !graph.CreateDevice(params, window))
    {
        std::fprintf(stderr, "fuzz: no graphics device\n");
        return false;
    }
    std::atexit(CloseDevice);
    return true;
}

} // namespace fuzz
