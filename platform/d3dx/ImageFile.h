// Inside the D3DX subset: image files in memory to pixel levels.
//
// Contract: pure functions over caller memory, safe from any thread. Every
// reader checks sizes against the bytes it was given before it allocates or
// copies; on failure it returns false and sets the reason (one short
// phrase, no file name: the caller adds that).
#pragma once

#include "platform/d3dx/D3DX.h"

#include <string>
#include <vector>

namespace plat::d3d::detail
{

struct SImageLevel
{
    std::uint32_t width = 0, height = 0;
    std::vector<std::uint8_t> bytes; // rows of RowPitch(format, width), no padding
};

// A decoded file: one or more mip levels in `format`, which is a format the
// layer knows (files in layouts it has no format for arrive as A8R8G8B8).
struct SImage
{
    Format format = D3DFMT_UNKNOWN;
    SImageInfo info; // what the file says about itself
    std::vector<SImageLevel> levels;
};

// The largest image accepted, in pixels of level 0: a header claiming more is
// treated as corrupt rather than trusted with the allocation.
constexpr std::uint64_t kMaxImagePixels = 8192ull * 8192ull;

bool ReadImageInfo(const std::uint8_t* data, std::size_t size, SImageInfo* info, std::string* error);
// levelLimit: levels wanted at most (0: all the file has).
bool ReadImage(const std::uint8_t* data, std::size_t size, std::uint32_t levelLimit, SImage* image,
               std::string* error);
// A level as A8R8G8B8, width x height pixels.
bool LevelToArgb(const SImage& image, std::uint32_t level, std::vector<std::uint32_t>* argb);

// Reads a whole file named by an engine path. False with the reason when it
// is missing (*missing set) or unreadable.
bool ReadFileBytes(const char* path, std::vector<std::uint8_t>* bytes, bool* missing, std::string* error);

} // namespace plat::d3d::detail
