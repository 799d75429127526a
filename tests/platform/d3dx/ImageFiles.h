// Image files written by the D3DX tests themselves: BMP, TGA and DDS by
// hand (so the exact layouts are known), PNG and JPEG through stb's writer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace d3dxtest
{

using Bytes = std::vector<std::uint8_t>;
using Pixels = std::vector<std::uint32_t>; // A8R8G8B8, rows top first

Bytes WriteBmp(const Pixels& argb, std::uint32_t w, std::uint32_t h, int bits); // 24 or 32, bottom-up
// 24 or 32 bits; topFirst sets the origin bit; rle writes one run packet
// per run of equal pixels.
Bytes WriteTga(const Pixels& argb, std::uint32_t w, std::uint32_t h, int bits, bool topFirst, bool rle);
Bytes WritePng(const Pixels& argb, std::uint32_t w, std::uint32_t h);
Bytes WriteJpeg(const Pixels& argb, std::uint32_t w, std::uint32_t h);

struct SDdsFormat
{
    std::uint32_t flags, fourCc, bits, r, g, b, a;
};
constexpr SDdsFormat kDdsArgb = {0x41, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000};
constexpr SDdsFormat kDdsAbgr = {0x41, 0, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000};
constexpr SDdsFormat kDds565 = {0x40, 0, 16, 0xF800, 0x7E0, 0x1F, 0};
constexpr SDdsFormat kDdsL8 = {0x20000, 0, 8, 0xFF, 0, 0, 0};
// A DDS file: the 128-byte header and then the given level bytes, packed.
Bytes WriteDds(std::uint32_t w, std::uint32_t h, const SDdsFormat& format, const std::vector<Bytes>& levels,
               std::uint32_t caps2 = 0);
std::uint32_t FourCc(const char* s);

void Put32(Bytes& b, std::size_t at, std::uint32_t v);

} // namespace d3dxtest
