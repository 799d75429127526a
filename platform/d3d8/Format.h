// Pixel formats of the Direct3D 8 layer: sizes, pitches and conversion to
// and from 32-bit A8R8G8B8, DXT block decoding and encoding.
//
// Contract: pure functions over caller memory; safe from any thread.
// Conversions handle every format the engine creates textures and surfaces
// in (16/24/32-bit colour, A8, L8, bump formats V8U8/L6V5U5/X8L8V8U8, DXT1/3/5).
#pragma once

#include "platform/d3d8/D3D8Types.h"

#include <cstddef>
#include <cstdint>

namespace plat::d3d
{

struct SFormatInfo
{
    bool known = false;
    bool compressed = false; // 4x4 blocks
    bool depth = false;
    bool bump = false;       // signed du/dv (and luminance) texels
    bool alpha = false;      // carries an alpha channel
    std::uint32_t bytes = 0; // per pixel, or per 4x4 block when compressed
};

SFormatInfo GetFormatInfo(Format format);
// Bytes of one row of pixels (of one row of 4x4 blocks when compressed).
std::size_t RowPitch(Format format, std::uint32_t width);
// Rows of the memory image: height, or block rows when compressed.
std::uint32_t RowCount(Format format, std::uint32_t height);
std::size_t ImageBytes(Format format, std::uint32_t width, std::uint32_t height);

// Converts a width x height image to A8R8G8B8 (rows of width pixels, no pad).
// Bump formats map du, dv, l to red, green, blue as biased unsigned bytes.
// False for formats it cannot read (depth, P8, unknown).
bool DecodeToArgb(Format format, const std::uint8_t* src, std::size_t pitch, std::uint32_t width,
                  std::uint32_t height, std::uint32_t* argb);
// Converts A8R8G8B8 into the format (DXT3 and DXT5 through a block encoder).
bool EncodeFromArgb(Format format, const std::uint32_t* argb, std::uint32_t width, std::uint32_t height,
                    std::uint8_t* dst, std::size_t pitch);

// One 4x4 DXT block to 16 A8R8G8B8 pixels, row by row.
void DecodeDxtBlock(Format format, const std::uint8_t* block, std::uint32_t out[16]);

} // namespace plat::d3d
