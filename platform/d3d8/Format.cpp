#include "platform/d3d8/Format.h"

#include <stb/stb_dxt.h>

#include <algorithm>
#include <cstring>

namespace plat::d3d
{

SFormatInfo GetFormatInfo(Format format)
{
    SFormatInfo i;
    i.known = true;
    switch (format)
    {
    case D3DFMT_A8R8G8B8:
        i.bytes = 4;
        i.alpha = true;
        break;
    case D3DFMT_X8R8G8B8:
        i.bytes = 4;
        break;
    case D3DFMT_R8G8B8:
        i.bytes = 3;
        break;
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_X4R4G4B4:
        i.bytes = 2;
        break;
    case D3DFMT_A1R5G5B5:
    case D3DFMT_A4R4G4B4:
    case D3DFMT_A8L8:
        i.bytes = 2;
        i.alpha = true;
        break;
    case D3DFMT_A8:
        i.bytes = 1;
        i.alpha = true;
        break;
    case D3DFMT_L8:
    case D3DFMT_P8:
        i.bytes = 1;
        break;
    case D3DFMT_V8U8:
    case D3DFMT_L6V5U5:
        i.bytes = 2;
        i.bump = true;
        break;
    case D3DFMT_X8L8V8U8:
    case D3DFMT_Q8W8V8U8:
        i.bytes = 4;
        i.bump = true;
        break;
    case D3DFMT_DXT1:
        i.bytes = 8;
        i.compressed = true;
        i.alpha = true;
        break;
    case D3DFMT_DXT3:
    case D3DFMT_DXT5:
        i.bytes = 16;
        i.compressed = true;
        i.alpha = true;
        break;
    case D3DFMT_D16:
    case D3DFMT_D16_LOCKABLE:
    case D3DFMT_D15S1:
        i.bytes = 2;
        i.depth = true;
        break;
    case D3DFMT_D24S8:
    case D3DFMT_D24X8:
    case D3DFMT_D24X4S4:
    case D3DFMT_D32:
        i.bytes = 4;
        i.depth = true;
        break;
    default:
        i.known = false;
        break;
    }
    return i;
}

std::size_t RowPitch(Format format, std::uint32_t width)
{
    const SFormatInfo i = GetFormatInfo(format);
    if (i.compressed) return std::size_t((width + 3) / 4) * i.bytes;
    return std::size_t(width) * i.bytes;
}

std::uint32_t RowCount(Format format, std::uint32_t height)
{
    return GetFormatInfo(format).compressed ? (height + 3) / 4 : height;
}

std::size_t ImageBytes(Format format, std::uint32_t width, std::uint32_t height)
{
    return RowPitch(format, width) * RowCount(format, height);
}

namespace
{

std::uint32_t Expand565(std::uint16_t c)
{
    const std::uint32_t r = (c >> 11) & 31, g = (c >> 5) & 63, b = c & 31;
    return ((r << 3 | r >> 2) << 16) | ((g << 2 | g >> 4) << 8) | (b << 3 | b >> 2);
}

std::uint32_t Lerp(std::uint32_t a, std::uint32_t b, int wa, int wb, int div)
{
    std::uint32_t out = 0;
    for (int s = 0; s < 24; s += 8)
    {
        const int ca = (a >> s) & 255, cb = (b >> s) & 255;
        out |= std::uint32_t((ca * wa + cb * wb) / div) << s;
    }
    return out;
}

void DecodeColorBlock(const std::uint8_t* b, bool allowThreeColour, std::uint32_t rgb[16],
                      bool transparent[16])
{
    const std::uint16_t c0 = std::uint16_t(b[0] | b[1] << 8), c1 = std::uint16_t(b[2] | b[3] << 8);
    std::uint32_t pal[4];
    pal[0] = Expand565(c0);
    pal[1] = Expand565(c1);
    bool three = allowThreeColour && c0 <= c1;
    if (!three)
    {
        pal[2] = Lerp(pal[0], pal[1], 2, 1, 3);
        pal[3] = Lerp(pal[0], pal[1], 1, 2, 3);
    }
    else
    {
        pal[2] = Lerp(pal[0], pal[1], 1, 1, 2);
        pal[3] = 0;
    }
    const std::uint32_t bits = std::uint32_t(b[4]) | std::uint32_t(b[5]) << 8 | std::uint32_t(b[6]) << 16 |
                               std::uint32_t(b[7]) << 24;
    for (int i = 0; i < 16; ++i)
    {
        const std::uint32_t idx = (bits >> (2 * i)) & 3;
        rgb[i] = pal[idx];
        transparent[i] = three && idx == 3;
    }
}

} // namespace

void DecodeDxtBlock(Format format, const std::uint8_t* block, std::uint32_t out[16])
{
    std::uint32_t rgb[16];
    bool transparent[16];
    std::uint8_t alpha[16];
    if (format == D3DFMT_DXT1)
    {
        DecodeColorBlock(block, true, rgb, transparent);
        for (int i = 0; i < 16; ++i)
            alpha[i] = transparent[i] ? 0 : 255;
    }
    else if (format == D3DFMT_DXT3)
    {
        for (int i = 0; i < 16; ++i)
        {
            const std::uint8_t nib = (block[i / 2] >> ((i & 1) * 4)) & 15;
            alpha[i] = std::uint8_t(nib * 17);
        }
        DecodeColorBlock(block + 8, false, rgb, transparent);
    }
    else
    {
        const int a0 = block[0], a1 = block[1];
        int pal[8] = {a0, a1};
        if (a0 > a1)
            for (int k = 1; k < 7; ++k)
                pal[k + 1] = ((7 - k) * a0 + k * a1) / 7;
        else
        {
            for (int k = 1; k < 5; ++k)
                pal[k + 1] = ((5 - k) * a0 + k * a1) / 5;
            pal[6] = 0;
            pal[7] = 255;
        }
        std::uint64_t bits = 0;
        for (int k = 0; k < 6; ++k)
            bits |= std::uint64_t(block[2 + k]) << (8 * k);
        for (int i = 0; i < 16; ++i)
            alpha[i] = std::uint8_t(pal[(bits >> (3 * i)) & 7]);
        DecodeColorBlock(block + 8, false, rgb, transparent);
    }
    for (int i = 0; i < 16; ++i)
        out[i] = rgb[i] | std::uint32_t(alpha[i]) << 24;
}

namespace
{

std::uint32_t Bits(std::uint32_t v, int bits) // n-bit value to 8 bits
{
    const std::uint32_t max = (1u << bits) - 1;
    return (v * 255 + max / 2) / max;
}

std::uint32_t Biased(int s, int bits) // signed n-bit value to a biased byte
{
    const int max = (1 << (bits - 1)) - 1;
    const int v = std::clamp(s, -max, max);
    return std::uint32_t(std::clamp(128 + v * 127 / max, 0, 255));
}

int SignExtend(std::uint32_t v, int bits)
{
    const std::uint32_t m = 1u << (bits - 1);
    return int((v ^ m) - m);
}

std::uint32_t ReadPixel(Format f, const std::uint8_t* p, std::uint32_t bytes)
{
    // One-byte formats have no second byte to read: the last pixel of an
    // image would read past its end.
    const std::uint32_t v16 = bytes >= 2 ? std::uint32_t(p[0] | p[1] << 8) : p[0];
    switch (f)
    {
    case D3DFMT_A8R8G8B8:
        return std::uint32_t(p[0] | p[1] << 8 | p[2] << 16) | std::uint32_t(p[3]) << 24;
    case D3DFMT_X8R8G8B8:
        return 0xFF000000u | std::uint32_t(p[0] | p[1] << 8 | p[2] << 16);
    case D3DFMT_R8G8B8:
        return 0xFF000000u | std::uint32_t(p[0] | p[1] << 8 | p[2] << 16);
    case D3DFMT_R5G6B5:
        return 0xFF000000u | Expand565(std::uint16_t(v16));
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
    {
        const std::uint32_t a = f == D3DFMT_X1R5G5B5 || (v16 & 0x8000) ? 255 : 0;
        return a << 24 | Bits((v16 >> 10) & 31, 5) << 16 | Bits((v16 >> 5) & 31, 5) << 8 | Bits(v16 & 31, 5);
    }
    case D3DFMT_A4R4G4B4:
    case D3DFMT_X4R4G4B4:
    {
        const std::uint32_t a = f == D3DFMT_X4R4G4B4 ? 255 : ((v16 >> 12) & 15) * 17;
        return a << 24 | ((v16 >> 8) & 15) * 17 << 16 | ((v16 >> 4) & 15) * 17 << 8 | (v16 & 15) * 17;
    }
    case D3DFMT_A8:
        return std::uint32_t(p[0]) << 24;
    case D3DFMT_L8:
        return 0xFF000000u | p[0] * 0x010101u;
    case D3DFMT_A8L8:
        return std::uint32_t(p[1]) << 24 | p[0] * 0x010101u;
    case D3DFMT_V8U8:
        return 0xFF000000u | Biased(std::int8_t(p[0]), 8) << 16 | Biased(std::int8_t(p[1]), 8) << 8 | 0xFF;
    case D3DFMT_L6V5U5:
        return 0xFF000000u | Biased(SignExtend(v16 & 31, 5), 5) << 16 |
               Biased(SignExtend((v16 >> 5) & 31, 5), 5) << 8 | Bits((v16 >> 10) & 63, 6);
    case D3DFMT_X8L8V8U8:
        return 0xFF000000u | Biased(std::int8_t(p[0]), 8) << 16 | Biased(std::int8_t(p[1]), 8) << 8 | p[2];
    case D3DFMT_Q8W8V8U8:
        return Biased(std::int8_t(p[3]), 8) << 24 | Biased(std::int8_t(p[0]), 8) << 16 |
               Biased(std::int8_t(p[1]), 8) << 8 | Biased(std::int8_t(p[2]), 8);
    default:
        return 0;
    }
}

void WritePixel(Format f, std::uint32_t c, std::uint8_t* p)
{
    const std::uint32_t a = c >> 24, r = (c >> 16) & 255, g = (c >> 8) & 255, b = c & 255;
    auto put16 = [p](std::uint32_t v)
    {
        p[0] = std::uint8_t(v);
        p[1] = std::uint8_t(v >> 8);
    };
    auto sbyte = [](std::uint32_t biased) { return std::uint8_t(std::int8_t(int(biased) - 128)); };
    switch (f)
    {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
        p[0] = std::uint8_t(b), p[1] = std::uint8_t(g), p[2] = std::uint8_t(r);
        p[3] = std::uint8_t(f == D3DFMT_X8R8G8B8 ? 255 : a);
        break;
    case D3DFMT_R8G8B8:
        p[0] = std::uint8_t(b), p[1] = std::uint8_t(g), p[2] = std::uint8_t(r);
        break;
    case D3DFMT_R5G6B5:
        put16((r >> 3) << 11 | (g >> 2) << 5 | b >> 3);
        break;
    case D3DFMT_X1R5G5B5:
        put16(0x8000 | (r >> 3) << 10 | (g >> 3) << 5 | b >> 3);
        break;
    case D3DFMT_A1R5G5B5:
        put16((a >= 128 ? 0x8000 : 0) | (r >> 3) << 10 | (g >> 3) << 5 | b >> 3);
        break;
    case D3DFMT_A4R4G4B4:
        put16((a >> 4) << 12 | (r >> 4) << 8 | (g >> 4) << 4 | b >> 4);
        break;
    case D3DFMT_X4R4G4B4:
        put16(0xF000 | (r >> 4) << 8 | (g >> 4) << 4 | b >> 4);
        break;
    case D3DFMT_A8:
        p[0] = std::uint8_t(a);
        break;
    case D3DFMT_L8:
        p[0] = std::uint8_t((r * 77 + g * 150 + b * 29) >> 8);
        break;
    case D3DFMT_A8L8:
        p[0] = std::uint8_t((r * 77 + g * 150 + b * 29) >> 8), p[1] = std::uint8_t(a);
        break;
    case D3DFMT_V8U8:
        p[0] = sbyte(r), p[1] = sbyte(g);
        break;
    case D3DFMT_X8L8V8U8:
        p[0] = sbyte(r), p[1] = sbyte(g), p[2] = std::uint8_t(b), p[3] = 255;
        break;
    case D3DFMT_Q8W8V8U8:
        p[0] = sbyte(r), p[1] = sbyte(g), p[2] = sbyte(b), p[3] = sbyte(a);
        break;
    case D3DFMT_L6V5U5:
    {
        const std::uint32_t u = std::uint32_t((int(r) - 128) * 15 / 127) & 31;
        const std::uint32_t v = std::uint32_t((int(g) - 128) * 15 / 127) & 31;
        put16((b >> 2) << 10 | v << 5 | u);
        break;
    }
    default:
        break;
    }
}

} // namespace

bool DecodeToArgb(Format format, const std::uint8_t* src, std::size_t pitch, std::uint32_t width,
                  std::uint32_t height, std::uint32_t* argb)
{
    const SFormatInfo info = GetFormatInfo(format);
    if (!info.known || info.depth || format == D3DFMT_P8) return false;
    if (info.compressed)
    {
        for (std::uint32_t by = 0; by < (height + 3) / 4; ++by)
            for (std::uint32_t bx = 0; bx < (width + 3) / 4; ++bx)
            {
                std::uint32_t px[16];
                DecodeDxtBlock(format, src + by * pitch + bx * info.bytes, px);
                for (std::uint32_t y = 0; y < 4 && by * 4 + y < height; ++y)
                    for (std::uint32_t x = 0; x < 4 && bx * 4 + x < width; ++x)
                        argb[(by * 4 + y) * width + bx * 4 + x] = px[y * 4 + x];
            }
        return true;
    }
    for (std::uint32_t y = 0; y < height; ++y)
        for (std::uint32_t x = 0; x < width; ++x)
            argb[y * width + x] = ReadPixel(format, src + y * pitch + x * info.bytes, info.bytes);
    return true;
}

bool EncodeFromArgb(Format format, const std::uint32_t* argb, std::uint32_t width, std::uint32_t height,
                    std::uint8_t* dst, std::size_t pitch)
{
    const SFormatInfo info = GetFormatInfo(format);
    if (!info.known || info.depth || format == D3DFMT_P8) return false;
    if (info.compressed)
    {
        for (std::uint32_t by = 0; by < (height + 3) / 4; ++by)
            for (std::uint32_t bx = 0; bx < (width + 3) / 4; ++bx)
            {
                // Edge blocks repeat the last row and column, which keeps the
                // encoder's colour end points inside the image.
                unsigned char rgba[64];
                std::uint8_t alpha[16];
                for (std::uint32_t i = 0; i < 16; ++i)
                {
                    const std::uint32_t x = std::min(bx * 4 + i % 4, width - 1);
                    const std::uint32_t y = std::min(by * 4 + i / 4, height - 1);
                    const std::uint32_t c = argb[y * width + x];
                    rgba[i * 4 + 0] = std::uint8_t(c >> 16);
                    rgba[i * 4 + 1] = std::uint8_t(c >> 8);
                    rgba[i * 4 + 2] = std::uint8_t(c);
                    rgba[i * 4 + 3] = std::uint8_t(c >> 24);
                    alpha[i] = std::uint8_t(c >> 24);
                }
                std::uint8_t* out = dst + by * pitch + bx * info.bytes;
                if (format == D3DFMT_DXT5)
                    stb_compress_dxt_block(out, rgba, 1, STB_DXT_HIGHQUAL);
                else if (format == D3DFMT_DXT3)
                {
                    for (int i = 0; i < 8; ++i)
                        out[i] = std::uint8_t(((alpha[2 * i] + 8) / 17) | ((alpha[2 * i + 1] + 8) / 17) << 4);
                    stb_compress_dxt_block(out + 8, rgba, 0, STB_DXT_HIGHQUAL);
                }
                else
                    stb_compress_dxt_block(out, rgba, 0, STB_DXT_HIGHQUAL);
            }
        return true;
    }
    for (std::uint32_t y = 0; y < height; ++y)
        for (std::uint32_t x = 0; x < width; ++x)
            WritePixel(format, argb[y * width + x], dst + y * pitch + x * info.bytes);
    return true;
}

} // namespace plat::d3d
