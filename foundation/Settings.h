// The engine settings: one process-wide record read directly by the whole
// program, each field named after its key in "cfg.ini".
#pragma once

#include <cstdint>

struct SEngineSettings
{
    std::int32_t JPGQuality = 70;
    std::uint8_t UseSystemCursor = 0;
};

extern SEngineSettings g_Settings;
