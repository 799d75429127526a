#include "platform/d3dx/ImageFile.h"

#include "platform/File.h"
#include "platform/d3d8/Format.h"

#include <stb/stb_image.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace plat::d3d::detail
{

namespace
{

std::uint32_t Le32(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

std::uint32_t Le16(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8;
}

std::uint32_t FullChain(std::uint32_t w, std::uint32_t h)
{
    std::uint32_t n = 1;
    while (w > 1 || h > 1)
    {
        w = std::max(1u, w / 2);
        h = std::max(1u, h / 2);
        ++n;
    }
    return n;
}

// ---------------------------------------------------------------- DDS
//
// Layout (little-endian):
//   0   4  magic "DDS "
//   4   4  header size, 124
//   8   4  flags (0x20000: the mip count is valid)
//   12  4  height
//   16  4  width
//   20  4  pitch or linear size (not needed: levels are packed)
//   24  4  depth
//   28  4  mip count
//   32  44 reserved
//   76  4  pixel format size, 32
//   80  4  pixel format flags (1 alpha present, 2 alpha only, 4 FourCC,
//          0x40 RGB, 0x20000 luminance, 0x80000 signed du/dv)
//   84  4  FourCC
//   88  4  bits per pixel
//   92  16 red, green, blue, alpha masks
//   108 4  caps
//   112 4  caps2 (0x200 cube map, 0x200000 volume)
//   116 12 caps3, caps4, reserved
//   128 -  level 0, then each smaller level, packed rows
constexpr std::size_t kDdsHeaderBytes = 128;
constexpr std::uint32_t kDdsMipCount = 0x20000;
constexpr std::uint32_t kDdpfAlphaPixels = 0x1;
constexpr std::uint32_t kDdpfAlpha = 0x2;
constexpr std::uint32_t kDdpfFourCc = 0x4;
constexpr std::uint32_t kDdpfRgb = 0x40;
constexpr std::uint32_t kDdpfLuminance = 0x20000;
constexpr std::uint32_t kDdpfBumpDuDv = 0x80000;
constexpr std::uint32_t kDdsCubeMap = 0x200;
constexpr std::uint32_t kDdsVolume = 0x200000;

struct SDdsLayout
{
    Format format = D3DFMT_UNKNOWN; // a known format, stored as it is
    // Otherwise an RGB/luminance/alpha layout unpacked through its masks.
    std::uint32_t bits = 0;
    std::uint32_t mask[4] = {}; // r, g, b, a
    bool luminance = false;
};

struct SMaskFormat
{
    std::uint32_t kind; // 0 rgb, 1 luminance, 2 alpha only, 3 du/dv
    std::uint32_t bits, r, g, b, a;
    Format format;
};

const SMaskFormat kMaskFormats[] = {
    {0, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000, D3DFMT_A8R8G8B8},
    {0, 32, 0xFF0000, 0xFF00, 0xFF, 0, D3DFMT_X8R8G8B8},
    {0, 24, 0xFF0000, 0xFF00, 0xFF, 0, D3DFMT_R8G8B8},
    {0, 16, 0xF800, 0x7E0, 0x1F, 0, D3DFMT_R5G6B5},
    {0, 16, 0x7C00, 0x3E0, 0x1F, 0x8000, D3DFMT_A1R5G5B5},
    {0, 16, 0x7C00, 0x3E0, 0x1F, 0, D3DFMT_X1R5G5B5},
    {0, 16, 0xF00, 0xF0, 0xF, 0xF000, D3DFMT_A4R4G4B4},
    {0, 16, 0xF00, 0xF0, 0xF, 0, D3DFMT_X4R4G4B4},
    {1, 8, 0xFF, 0, 0, 0, D3DFMT_L8},
    {1, 16, 0xFF, 0, 0, 0xFF00, D3DFMT_A8L8},
    {2, 8, 0, 0, 0, 0xFF, D3DFMT_A8},
    {3, 16, 0xFF, 0xFF00, 0, 0, D3DFMT_V8U8},
    {3, 16, 0x1F, 0x3E0, 0xFC00, 0, D3DFMT_L6V5U5},
    {3, 32, 0xFF, 0xFF00, 0xFF0000, 0, D3DFMT_X8L8V8U8},
    {3, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000, D3DFMT_Q8W8V8U8},
};

bool ParseDdsLayout(const std::uint8_t* h, SDdsLayout* out, std::string* error)
{
    const std::uint32_t flags = Le32(h + 80), fourCc = Le32(h + 84), bits = Le32(h + 88);
    const std::uint32_t r = Le32(h + 92), g = Le32(h + 96), b = Le32(h + 100), a = Le32(h + 104);
    if (flags & kDdpfFourCc)
    {
        // DXT2 and DXT4 hold colour premultiplied by alpha; they decode as
        // DXT3 and DXT5.
        if (fourCc == MakeFourCc('D', 'X', 'T', '1'))
            out->format = D3DFMT_DXT1;
        else if (fourCc == MakeFourCc('D', 'X', 'T', '2') || fourCc == MakeFourCc('D', 'X', 'T', '3'))
            out->format = D3DFMT_DXT3;
        else if (fourCc == MakeFourCc('D', 'X', 'T', '4') || fourCc == MakeFourCc('D', 'X', 'T', '5'))
            out->format = D3DFMT_DXT5;
        else if (fourCc < 256 && GetFormatInfo(fourCc).known && !GetFormatInfo(fourCc).depth &&
                 fourCc != D3DFMT_P8)
            out->format = fourCc; // some writers store the format number itself
        else
        {
            *error = "unsupported DDS pixel format";
            return false;
        }
        return true;
    }
    std::uint32_t kind;
    if (flags & kDdpfBumpDuDv)
        kind = 3;
    else if (flags & kDdpfLuminance)
        kind = 1;
    else if (flags & kDdpfRgb)
        kind = 0;
    else if (flags & kDdpfAlpha)
        kind = 2;
    else
    {
        *error = "DDS pixel format has no colour layout";
        return false;
    }
    const std::uint32_t alphaMask = (flags & (kDdpfAlphaPixels | kDdpfAlpha)) ? a : 0;
    for (const SMaskFormat& m : kMaskFormats)
        if (m.kind == kind && m.bits == bits && m.r == (kind == 2 ? 0 : r) && m.g == (kind == 2 ? 0 : g) &&
            m.b == (kind == 2 ? 0 : b) && m.a == alphaMask)
        {
            out->format = m.format;
            return true;
        }
    if (kind == 3 || (bits != 8 && bits != 16 && bits != 24 && bits != 32))
    {
        *error = "unsupported DDS pixel format";
        return false;
    }
    out->bits = bits;
    out->mask[0] = kind == 2 ? 0 : r;
    out->mask[1] = kind == 1 || kind == 2 ? 0 : g;
    out->mask[2] = kind == 1 || kind == 2 ? 0 : b;
    out->mask[3] = alphaMask;
    out->luminance = kind == 1;
    return true;
}

std::uint32_t MaskChannel(std::uint32_t v, std::uint32_t mask, std::uint32_t missing)
{
    if (!mask) return missing;
    int shift = 0;
    while (!((mask >> shift) & 1))
        ++shift;
    const std::uint32_t max = mask >> shift;
    return std::uint32_t((std::uint64_t((v & mask) >> shift) * 255 + max / 2) / max);
}

// An RGB layout no format matches, unpacked to A8R8G8B8.
void UnpackMasks(const SDdsLayout& l, const std::uint8_t* src, std::uint32_t pixels, std::uint8_t* dst)
{
    const std::uint32_t bpp = l.bits / 8;
    for (std::uint32_t i = 0; i < pixels; ++i)
    {
        std::uint32_t v = 0;
        for (std::uint32_t k = 0; k < bpp; ++k)
            v |= std::uint32_t(src[i * bpp + k]) << (8 * k);
        const std::uint32_t red = MaskChannel(v, l.mask[0], 0);
        const std::uint32_t green = l.luminance ? red : MaskChannel(v, l.mask[1], 0);
        const std::uint32_t blue = l.luminance ? red : MaskChannel(v, l.mask[2], 0);
        const std::uint32_t alpha = MaskChannel(v, l.mask[3], 255);
        dst[i * 4 + 0] = std::uint8_t(blue);
        dst[i * 4 + 1] = std::uint8_t(green);
        dst[i * 4 + 2] = std::uint8_t(red);
        dst[i * 4 + 3] = std::uint8_t(alpha);
    }
}

bool ReadDds(const std::uint8_t* data, std::size_t size, bool pixels, std::uint32_t levelLimit, SImage* image,
             std::string* error)
{
    if (size < kDdsHeaderBytes)
    {
        *error = "DDS header truncated";
        return false;
    }
    if (Le32(data + 4) != 124 || Le32(data + 76) != 32)
    {
        *error = "DDS header size is wrong";
        return false;
    }
    const std::uint32_t height = Le32(data + 12), width = Le32(data + 16);
    if (width == 0 || height == 0)
    {
        *error = "DDS image has no pixels";
        return false;
    }
    if (std::uint64_t(width) * height > kMaxImagePixels)
    {
        *error = "DDS image too large";
        return false;
    }
    if (Le32(data + 112) & (kDdsCubeMap | kDdsVolume))
    {
        *error = "DDS cube maps and volumes are not supported";
        return false;
    }
    SDdsLayout layout;
    if (!ParseDdsLayout(data, &layout, error)) return false;
    std::uint32_t levels = 1;
    if ((Le32(data + 8) & kDdsMipCount) && Le32(data + 28) > 1)
        levels = std::min(Le32(data + 28), FullChain(width, height));
    SImageInfo& info = image->info;
    info.Width = width;
    info.Height = height;
    info.Depth = 1;
    info.MipLevels = levels;
    info.Format = layout.format != D3DFMT_UNKNOWN ? layout.format
                  : layout.mask[3]                ? D3DFMT_A8R8G8B8
                                                  : D3DFMT_X8R8G8B8;
    info.ResourceType = D3DRTYPE_TEXTURE;
    info.ImageFileFormat = D3DXIFF_DDS;
    image->format = info.Format;
    if (!pixels) return true;
    auto levelBytes = [&](std::uint32_t w, std::uint32_t h)
    {
        return layout.format != D3DFMT_UNKNOWN ? ImageBytes(layout.format, w, h)
                                               : std::size_t(w) * h * (layout.bits / 8);
    };
    // Every level the header announces must be there, also when fewer are
    // read: a cut file is refused as a whole.
    std::size_t offset = kDdsHeaderBytes;
    std::uint32_t w = width, h = height;
    for (std::uint32_t l = 0; l < levels; ++l)
    {
        if (levelBytes(w, h) > size - offset)
        {
            *error = "DDS level " + std::to_string(l) + " truncated";
            return false;
        }
        offset += levelBytes(w, h);
        w = std::max(1u, w / 2);
        h = std::max(1u, h / 2);
    }
    const std::uint32_t read = levelLimit ? std::min(levels, levelLimit) : levels;
    offset = kDdsHeaderBytes;
    w = width;
    h = height;
    for (std::uint32_t l = 0; l < read; ++l)
    {
        const std::size_t bytes = levelBytes(w, h);
        SImageLevel level;
        level.width = w;
        level.height = h;
        if (layout.format != D3DFMT_UNKNOWN)
            level.bytes.assign(data + offset, data + offset + bytes);
        else
        {
            level.bytes.resize(std::size_t(w) * h * 4);
            UnpackMasks(layout, data + offset, w * h, level.bytes.data());
        }
        image->levels.push_back(std::move(level));
        offset += bytes;
        w = std::max(1u, w / 2);
        h = std::max(1u, h / 2);
    }
    return true;
}

// ---------------------------------------------------------------- stb_image

bool HasPrefix(const std::uint8_t* data, std::size_t size, const char* magic, std::size_t n)
{
    return size >= n && std::memcmp(data, magic, n) == 0;
}

// The file's own layout, as far as its header tells.
Format StbFileFormat(const std::uint8_t* data, std::size_t size, std::uint32_t fileFormat, int components)
{
    if (fileFormat == D3DXIFF_BMP && size >= 30)
    {
        switch (Le16(data + 28))
        {
        case 32:
            return D3DFMT_X8R8G8B8;
        case 24:
            return D3DFMT_R8G8B8;
        case 16:
            return D3DFMT_X1R5G5B5;
        default:
            return D3DFMT_P8;
        }
    }
    if (fileFormat == D3DXIFF_TGA && size >= 18)
    {
        const std::uint32_t type = data[2] & 7;
        if (type == 1) return D3DFMT_P8;
        if (type == 3) return D3DFMT_L8;
        switch (data[16])
        {
        case 32:
            return D3DFMT_A8R8G8B8;
        case 24:
            return D3DFMT_R8G8B8;
        case 16:
            return (data[17] & 15) ? D3DFMT_A1R5G5B5 : D3DFMT_X1R5G5B5;
        case 15:
            return D3DFMT_X1R5G5B5;
        default:
            break;
        }
    }
    switch (components)
    {
    case 1:
        return D3DFMT_L8;
    case 2:
        return D3DFMT_A8L8;
    case 4:
        return D3DFMT_A8R8G8B8;
    default:
        return D3DFMT_X8R8G8B8;
    }
}

// stb_image reads zeros past the end of a file instead of failing, so the
// layouts whose size the header fixes are checked here first: a cut file
// must fail, not load as a picture with black rows.
bool CheckComplete(const std::uint8_t* data, std::size_t size, std::uint32_t fileFormat, std::string* error)
{
    if (fileFormat == D3DXIFF_BMP && size >= 34 && Le32(data + 14) >= 40)
    {
        const std::uint32_t compression = Le32(data + 30);
        if (compression != 0 && compression != 3)
            return true; // run-length data: its size is not known beforehand
        const std::uint64_t w = Le32(data + 18);
        const std::int32_t h = std::int32_t(Le32(data + 22));
        const std::uint64_t rows = std::uint64_t(h < 0 ? -std::int64_t(h) : h);
        const std::uint64_t rowBytes = (w * Le16(data + 28) + 31) / 32 * 4;
        if (std::uint64_t(Le32(data + 10)) + rowBytes * rows > size)
        {
            *error = "BMP pixel data truncated";
            return false;
        }
    }
    else if (fileFormat == D3DXIFF_TGA && size < 18)
    {
        // stb_image would take the missing header bytes as zeros and the
        // run-length walk below would not run: a few bytes could claim a
        // picture of millions of pixels.
        *error = "TGA header truncated";
        return false;
    }
    else if (fileFormat == D3DXIFF_TGA)
    {
        const std::uint32_t type = data[2];
        const std::uint64_t pixels = std::uint64_t(Le16(data + 12)) * Le16(data + 14);
        const std::uint32_t bpp = (data[16] + 7u) / 8u;
        std::uint64_t at =
            18u + data[0] + (data[1] ? std::uint64_t(Le16(data + 5)) * ((data[7] + 7u) / 8u) : 0);
        if (type >= 1 && type <= 3)
            at += pixels * bpp;
        else if (type >= 9 && type <= 11)
        {
            // Walk the packets: a run packet holds one pixel, a raw packet
            // as many as it counts.
            for (std::uint64_t done = 0; done < pixels;)
            {
                if (at >= size)
                {
                    at = size + 1;
                    break;
                }
                const std::uint32_t head = data[at++];
                const std::uint32_t count = (head & 0x7F) + 1;
                at += (head & 0x80) ? bpp : std::uint64_t(count) * bpp;
                done += count;
            }
        }
        if (at > size)
        {
            *error = "TGA pixel data truncated";
            return false;
        }
    }
    else if (fileFormat == D3DXIFF_JPG)
    {
        // The entropy-coded data after the last start-of-scan must end with
        // the end-of-image marker.
        std::size_t scan = 0;
        for (std::size_t i = 0; i + 1 < size; ++i)
            if (data[i] == 0xFF && data[i + 1] == 0xDA) scan = i;
        bool end = false;
        for (std::size_t i = scan; scan && i + 1 < size && !end; ++i)
            end = data[i] == 0xFF && data[i + 1] == 0xD9;
        if (!end)
        {
            *error = "JPEG data truncated";
            return false;
        }
    }
    return true;
}

bool ReadStb(const std::uint8_t* data, std::size_t size, bool pixels, SImage* image, std::string* error)
{
    if (size > std::size_t(0x7FFFFFFF))
    {
        *error = "image file too large";
        return false;
    }
    std::uint32_t fileFormat;
    if (HasPrefix(data, size, "BM", 2))
        fileFormat = D3DXIFF_BMP;
    else if (HasPrefix(data, size, "\x89PNG", 4))
        fileFormat = D3DXIFF_PNG;
    else if (HasPrefix(data, size, "\xFF\xD8", 2))
        fileFormat = D3DXIFF_JPG;
    else
        fileFormat = D3DXIFF_TGA; // the one format without a signature
    int w = 0, h = 0, comp = 0;
    if (!stbi_info_from_memory(data, int(size), &w, &h, &comp))
    {
        const char* why = stbi_failure_reason();
        *error = fileFormat == D3DXIFF_TGA
                     ? std::string("unknown image format")
                     : std::string("corrupt image header") + (why ? std::string(": ") + why : "");
        return false;
    }
    if (w <= 0 || h <= 0 || std::uint64_t(w) * std::uint64_t(h) > kMaxImagePixels)
    {
        *error = "image too large";
        return false;
    }
    SImageInfo& info = image->info;
    info.Width = std::uint32_t(w);
    info.Height = std::uint32_t(h);
    info.Depth = 1;
    info.MipLevels = 1;
    info.Format = StbFileFormat(data, size, fileFormat, comp);
    info.ResourceType = D3DRTYPE_TEXTURE;
    info.ImageFileFormat = fileFormat;
    image->format = D3DFMT_A8R8G8B8;
    if (!pixels) return true;
    if (!CheckComplete(data, size, fileFormat, error)) return false;
    int rw = 0, rh = 0, rc = 0;
    stbi_uc* rgba = stbi_load_from_memory(data, int(size), &rw, &rh, &rc, 4);
    if (!rgba)
    {
        const char* why = stbi_failure_reason();
        *error = std::string("corrupt image data") + (why ? std::string(": ") + why : "");
        return false;
    }
    SImageLevel level;
    level.width = std::uint32_t(rw);
    level.height = std::uint32_t(rh);
    level.bytes.resize(std::size_t(rw) * rh * 4);
    for (std::size_t i = 0; i < std::size_t(rw) * rh; ++i)
    {
        // stb gives R, G, B, A bytes; A8R8G8B8 memory is B, G, R, A.
        level.bytes[i * 4 + 0] = rgba[i * 4 + 2];
        level.bytes[i * 4 + 1] = rgba[i * 4 + 1];
        level.bytes[i * 4 + 2] = rgba[i * 4 + 0];
        level.bytes[i * 4 + 3] = rgba[i * 4 + 3];
    }
    stbi_image_free(rgba);
    image->levels.push_back(std::move(level));
    return true;
}

bool Read(const std::uint8_t* data, std::size_t size, bool pixels, std::uint32_t levelLimit, SImage* image,
          std::string* error)
{
    *image = SImage{};
    if (!data || size == 0)
    {
        *error = "empty file";
        return false;
    }
    if (HasPrefix(data, size, "DDS ", 4)) return ReadDds(data, size, pixels, levelLimit, image, error);
    return ReadStb(data, size, pixels, image, error);
}

} // namespace

bool ReadImageInfo(const std::uint8_t* data, std::size_t size, SImageInfo* info, std::string* error)
{
    SImage image;
    if (!Read(data, size, false, 0, &image, error)) return false;
    *info = image.info;
    return true;
}

bool ReadImage(const std::uint8_t* data, std::size_t size, std::uint32_t levelLimit, SImage* image,
               std::string* error)
{
    return Read(data, size, true, levelLimit, image, error);
}

bool LevelToArgb(const SImage& image, std::uint32_t level, std::vector<std::uint32_t>* argb)
{
    if (level >= image.levels.size()) return false;
    const SImageLevel& l = image.levels[level];
    argb->resize(std::size_t(l.width) * l.height);
    return DecodeToArgb(image.format, l.bytes.data(), RowPitch(image.format, l.width), l.width, l.height,
                        argb->data());
}

bool ReadFileBytes(const char* path, std::vector<std::uint8_t>* bytes, bool* missing, std::string* error)
{
    *missing = false;
    std::FILE* f = path ? plat::FOpen(path, "rb") : nullptr;
    if (!f)
    {
        *missing = true;
        *error = "file not found";
        return false;
    }
    bytes->clear();
    std::uint8_t buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof(buf), f)) > 0)
        bytes->insert(bytes->end(), buf, buf + n);
    const bool bad = std::ferror(f) != 0;
    std::fclose(f);
    if (bad)
    {
        *error = "read error";
        return false;
    }
    return true;
}

} // namespace plat::d3d::detail
