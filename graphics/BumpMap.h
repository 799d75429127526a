// Bump-map conversion: turns a loaded 32-bit texture (a height map or a
// normal map) into a bump texture of format V8U8 (60), L6V5U5 (61) or
// X8L8V8U8 (62), level by level.
//
// The source is read, never changed; the caller releases it afterwards. The
// new texture is created in the managed pool with the source's size and
// level count and handed to the caller through *out (owned by the caller).
// Both converters return false, with one error-log line and *out left
// null, when the source is empty, a format is not one of the three, the
// destination cannot be created or a level cannot be locked.
// Threads: the texture manager's loader thread (the device is multithreaded).
#pragma once

#include "platform/d3d8/D3D8Types.h"

#include <cstdint>

class CTexture;

// One level of texels, 4 bytes each, row after row (pitch in bytes).
struct SBumpLevel
{
    const std::uint8_t* source;
    std::uint32_t sourcePitch;
    std::uint8_t* destination;
    std::uint32_t destinationPitch;
    std::uint32_t width;
    std::uint32_t height;
};

// The row conversions on plain memory, for the converters and for tests.
// The neighbours of a texel are the texels beside it in the level (the
// texel itself past the level's first or last texel) and in the rows above
// and below (the row itself past the first or last row).
bool ConvertHeightLevel(const SBumpLevel& level, plat::d3d::Format format);
bool ConvertNormalLevel(const SBumpLevel& level, plat::d3d::Format format);

bool CreateBumpMapFromHeight(CTexture** out, CTexture* source, plat::d3d::Format format);
bool CreateBumpMapFromNormals(CTexture** out, CTexture* source, plat::d3d::Format format);
