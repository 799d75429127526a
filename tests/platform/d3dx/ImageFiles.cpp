#include "ImageFiles.h"

#include <stb/stb_image_write.h>

namespace d3dxtest
{

namespace
{

void Add16(Bytes& b, std::uint32_t v)
{
    b.push_back(std::uint8_t(v));
    b.push_back(std::uint8_t(v >> 8));
}

void Add32(Bytes& b, std::uint32_t v)
{
    Add16(b, v & 0xFFFF);
    Add16(b, v >> 16);
}

void ToFunc(void* context, void* data, int size)
{
    auto* out = static_cast<Bytes*>(context);
    const auto* p = static_cast<const std::uint8_t*>(data);
    out->insert(out->end(), p, p + size);
}

Bytes Rgba(const Pixels& argb)
{
    Bytes rgba;
    for (std::uint32_t c : argb)
        for (int s : {16, 8, 0, 24})
            rgba.push_back(std::uint8_t(c >> s));
    return rgba;
}

} // namespace

void Put32(Bytes& b, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + std::size_t(i)] = std::uint8_t(v >> (8 * i));
}

std::uint32_t FourCc(const char* s)
{
    return std::uint32_t(std::uint8_t(s[0])) | std::uint32_t(std::uint8_t(s[1])) << 8 |
           std::uint32_t(std::uint8_t(s[2])) << 16 | std::uint32_t(std::uint8_t(s[3])) << 24;
}

Bytes WriteBmp(const Pixels& argb, std::uint32_t w, std::uint32_t h, int bits)
{
    const std::uint32_t bpp = std::uint32_t(bits) / 8;
    const std::uint32_t row = (w * bpp + 3) & ~3u;
    Bytes b{'B', 'M'};
    Add32(b, 54 + row * h);
    Add32(b, 0);
    Add32(b, 54);
    Add32(b, 40);
    Add32(b, w);
    Add32(b, h); // positive: bottom row first
    Add16(b, 1);
    Add16(b, std::uint32_t(bits));
    Add32(b, 0);
    Add32(b, row * h);
    Add32(b, 2835);
    Add32(b, 2835);
    Add32(b, 0);
    Add32(b, 0);
    for (std::uint32_t y = h; y-- > 0;)
    {
        for (std::uint32_t x = 0; x < w; ++x)
        {
            const std::uint32_t c = argb[y * w + x];
            for (std::uint32_t k = 0; k < bpp; ++k)
                b.push_back(std::uint8_t(c >> (8 * k)));
        }
        for (std::uint32_t p = w * bpp; p < row; ++p)
            b.push_back(0);
    }
    return b;
}

Bytes WriteTga(const Pixels& argb, std::uint32_t w, std::uint32_t h, int bits, bool topFirst, bool rle)
{
    Bytes b(18, 0);
    b[2] = rle ? 10 : 2;
    b[12] = std::uint8_t(w);
    b[13] = std::uint8_t(w >> 8);
    b[14] = std::uint8_t(h);
    b[15] = std::uint8_t(h >> 8);
    b[16] = std::uint8_t(bits);
    b[17] = std::uint8_t((bits == 32 ? 8 : 0) | (topFirst ? 0x20 : 0));
    const std::uint32_t bpp = std::uint32_t(bits) / 8;
    auto pixel = [&](std::uint32_t c)
    {
        for (std::uint32_t k = 0; k < bpp; ++k)
            b.push_back(std::uint8_t(c >> (8 * k)));
    };
    for (std::uint32_t r = 0; r < h; ++r)
    {
        const std::uint32_t y = topFirst ? r : h - 1 - r;
        for (std::uint32_t x = 0; x < w;)
        {
            const std::uint32_t c = argb[y * w + x];
            if (!rle)
            {
                pixel(c);
                ++x;
                continue;
            }
            std::uint32_t n = 1;
            while (x + n < w && n < 128 && argb[y * w + x + n] == c)
                ++n;
            b.push_back(std::uint8_t(0x80 | (n - 1)));
            pixel(c);
            x += n;
        }
    }
    return b;
}

Bytes WritePng(const Pixels& argb, std::uint32_t w, std::uint32_t h)
{
    Bytes out;
    const Bytes rgba = Rgba(argb);
    stbi_write_png_to_func(ToFunc, &out, int(w), int(h), 4, rgba.data(), int(w * 4));
    return out;
}

Bytes WriteJpeg(const Pixels& argb, std::uint32_t w, std::uint32_t h)
{
    Bytes out;
    const Bytes rgba = Rgba(argb);
    stbi_write_jpg_to_func(ToFunc, &out, int(w), int(h), 4, rgba.data(), 100);
    return out;
}

Bytes WriteDds(std::uint32_t w, std::uint32_t h, const SDdsFormat& f, const std::vector<Bytes>& levels,
               std::uint32_t caps2)
{
    Bytes b(128, 0);
    b[0] = 'D', b[1] = 'D', b[2] = 'S', b[3] = ' ';
    Put32(b, 4, 124);
    Put32(b, 8, 0x1007 | (levels.size() > 1 ? 0x20000 : 0));
    Put32(b, 12, h);
    Put32(b, 16, w);
    Put32(b, 28, std::uint32_t(levels.size()));
    Put32(b, 76, 32);
    Put32(b, 80, f.flags);
    Put32(b, 84, f.fourCc);
    Put32(b, 88, f.bits);
    Put32(b, 92, f.r);
    Put32(b, 96, f.g);
    Put32(b, 100, f.b);
    Put32(b, 104, f.a);
    Put32(b, 108, 0x1000);
    Put32(b, 112, caps2);
    for (const Bytes& l : levels)
        b.insert(b.end(), l.begin(), l.end());
    return b;
}

} // namespace d3dxtest
