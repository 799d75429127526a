// mksample's textures in "Data\Textures\": a DXT5 "TM" file, an
// uncompressed "TM" file and a TGA of the orientation picture, the lamp's
// light, the engine glow, the boundary's field (4 x 4 frames), two water
// ripple tiles and the pictures of fights (fireball, spark, smoke, scorch,
// flash and shock atlases), written with the engine's own writers.
// Prints what went wrong and returns false on failure.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

bool WriteSampleTextures(const std::string& root);
// An uncompressed 32-bit TGA of ARGB pixels given top row first (written
// bottom row first, as the format's default); false when it cannot be
// written.
bool WriteTga(const std::string& path, const std::vector<std::uint32_t>& px, std::uint32_t width,
              std::uint32_t height);
