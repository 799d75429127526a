// Byte size of a flexible vertex format code.
//
// Shared by the system-memory geometry buffers here and the graphics
// library's meshes, so both agree on the stride of a vertex. Pure function;
// safe from any thread.
#pragma once

#include <cstdint>

// Position by bits 1-3 (XYZ 12, XYZRHW 16, XYZB1 16, XYZB2 20, XYZB3 24,
// anything else 0), + 12 for a normal (0x010), + 4 each for point size
// (0x020), diffuse (0x040) and specular (0x080), + 8 per texture coordinate
// set (count in bits 8-11).
std::uint32_t GetFVFSize(std::uint32_t fvf);
