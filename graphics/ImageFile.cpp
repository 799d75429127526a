#include "graphics/ImageFile.h"

#include "foundation/PakFileSystem.h"
#include "graphics/DXTImage.h"
#include "platform/File.h"
#include "platform/d3d8/D3D8Types.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace
{

int MaxLevels(std::uint32_t width, std::uint32_t height)
{
    int levels = 1;
    for (std::uint32_t side = std::max(width, height); side > 1; side >>= 1)
        ++levels;
    return levels;
}

std::uint32_t BytesPerStoredPixel(bool compressed, std::uint32_t format)
{
    if (compressed) return 1;
    return format == kImageFormatA8R8G8B8 ? 4 : 3;
}

std::uint16_t Le16(const std::uint8_t* p)
{
    return std::uint16_t(p[0] | p[1] << 8);
}

// One channel layout of the levels MakeMipLevel fills.
struct SChannels
{
    int count;
    int bytes; // per pixel
    int shift[4];
    std::uint32_t mask[4];
};

const SChannels kArgb32 = {4, 4, {0, 8, 16, 24}, {255, 255, 255, 255}};
const SChannels kArgb4444 = {4, 2, {0, 4, 8, 12}, {15, 15, 15, 15}};
const SChannels kRgb565 = {3, 2, {0, 5, 11, 0}, {31, 63, 31, 0}};

std::uint32_t LoadPixel(const std::uint8_t* row, std::uint32_t x, int bytes)
{
    if (bytes == 4)
    {
        std::uint32_t v;
        std::memcpy(&v, row + x * 4, 4);
        return v;
    }
    return Le16(row + x * 2);
}

void StorePixel(std::uint8_t* row, std::uint32_t x, int bytes, std::uint32_t v)
{
    if (bytes == 4)
        std::memcpy(row + x * 4, &v, 4);
    else
    {
        row[x * 2] = std::uint8_t(v);
        row[x * 2 + 1] = std::uint8_t(v >> 8);
    }
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(std::uint8_t(v >> (8 * i)));
}

} // namespace

std::uint32_t CImageFileReader::StoredLevelSize(std::uint32_t width, std::uint32_t height, int level) const
{
    const std::uint32_t w = std::max(1u, width >> level), h = std::max(1u, height >> level);
    if (IsCompressed()) return StoredCompressedSize(w, h);
    return w * h * BytesPerStoredPixel(false, m_nFileFormat);
}

void CImageFileReader::Fail(std::uint32_t offset, const char* format, ...) const
{
    char what[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(what, sizeof(what), format, args);
    va_end(args);
    char message[512];
    std::snprintf(message, sizeof(message), "'%s' at offset %u: %s", m_Path.c_str(), offset, what);
    throw CImageFileError(message);
}

std::uint32_t StoredCompressedSize(std::uint32_t width, std::uint32_t height)
{
    return std::max(width, 1u) * std::max(height, 1u);
}

void ReadCompressedBlocks(CImageFileReader& reader, CPakStream& stream, std::uint32_t width, std::uint32_t height,
                          std::vector<std::uint8_t>& blocks)
{
    blocks.assign(CDXTImage::CompressedSize(width, height), 0);
    const std::uint32_t stored = StoredCompressedSize(width, height);
    const std::uint32_t at = stream.Tell();
    if (stream.ReadBytes(blocks.data(), stored) != stored)
        reader.Fail(at, "%ux%u compressed level could not be read (%u bytes)", width, height, stored);
}

void CloseResFile(CPakStream& stream)
{
    if (stream.IsOpen()) stream.Close();
}

bool CDXTImage::ReadHeader(CImageFileReader& reader, CPakStream& stream, const char* path, int bits,
                           int levelsToDrop)
{
    reader.m_Path = path ? path : "";
    if (!path || !GetPakFileSystem().OpenStream(path, stream)) return false;

    SImageFileHeader& h = reader.m_Header;
    const std::uint32_t got = stream.ReadBytes(&h, sizeof(h));
    if (got != sizeof(h))
        reader.Fail(got, "header cut short (%u of %u bytes)", got, std::uint32_t(sizeof(h)));
    if (h.width == 0 || h.height == 0 || h.width > kMaxImageSide || h.height > kMaxImageSide)
        reader.Fail(0, "size %ux%u out of range", h.width, h.height);
    if (!reader.IsCompressed() && h.format != kImageFormatA8R8G8B8 && h.format != kImageFormatX8R8G8B8)
        reader.Fail(8, "uncompressed format %u is neither 21 nor 22", h.format);
    // A count of 0 reads as 1: level 0 always follows the header, and the
    // texture's further levels are then made from it.
    if (h.mipLevels == 0) h.mipLevels = 1;
    if (h.mipLevels > std::uint32_t(MaxLevels(h.width, h.height)))
        reader.Fail(20, "%u mip levels for a %ux%u image", h.mipLevels, h.width, h.height);
    reader.m_nFileWidth = h.width;
    reader.m_nFileHeight = h.height;
    reader.m_nFileFormat = h.format;

    // Every level the header announces must be in the file before any of
    // them is allocated for.
    std::uint64_t needed = sizeof(h);
    for (int level = 0; level < int(h.mipLevels); ++level)
        needed += reader.StoredLevelSize(h.width, h.height, level);
    const std::uint32_t length = stream.GetLength();
    if (length < needed)
        reader.Fail(length, "data cut short: %u levels need %llu bytes, the file has %u", h.mipLevels,
                    static_cast<unsigned long long>(needed), length);

    // Levels can only be dropped while one stays to be read.
    int drop = std::clamp(levelsToDrop, 0, int(h.mipLevels) - 1);
    if (!((h.width >> drop) > 16 && (h.height >> drop) > 16))
    {
        // Small images keep their detail and their colour depth.
        drop = 0;
        bits = 32;
    }
    reader.m_nLevelsToDrop = drop;
    std::uint32_t offset = sizeof(h);
    for (int level = 0; level < drop; ++level)
        offset += reader.StoredLevelSize(h.width, h.height, level);
    reader.m_nFileOffset = offset;

    h.width = std::max(1u, h.width >> drop);
    h.height = std::max(1u, h.height >> drop);
    reader.m_nPixelCount = std::int32_t(h.width * h.height);
    if (bits == 16 && !reader.IsCompressed())
        h.format = h.format == kImageFormatA8R8G8B8 ? kImageFormatA4R4G4B4 : kImageFormatR5G6B5;
    stream.Seek(std::int32_t(offset), SEEK_SET);
    return true;
}

bool CDXTImage::ReadData(CImageFileReader& reader, CPakStream& stream, const plat::d3d::SLockedRect& locked)
{
    const SImageFileHeader& h = reader.m_Header;
    const std::uint32_t n = std::uint32_t(reader.m_nPixelCount);
    std::uint32_t plane1Size = 2 * n, plane2Size = 0;
    switch (h.format)
    {
    case kImageFormatA8R8G8B8:
        plane2Size = 2 * n;
        break;
    case kImageFormatX8R8G8B8:
        plane2Size = n;
        break;
    case kImageFormatA4R4G4B4:
    case kImageFormatR5G6B5:
        break;
    default:
        reader.Fail(reader.m_nFileOffset, "format %u cannot be read", h.format);
    }
    // The header check has made sure the file holds these bytes; a short
    // read now means the stream itself failed (a damaged pack block).
    std::vector<std::uint8_t> plane1(plane1Size), plane2(plane2Size);
    stream.Seek(std::int32_t(reader.m_nFileOffset), SEEK_SET);
    if (stream.ReadBytes(plane1.data(), plane1Size) != plane1Size ||
        (plane2Size && stream.ReadBytes(plane2.data(), plane2Size) != plane2Size))
        reader.Fail(reader.m_nFileOffset, "level data could not be read (%u bytes)", plane1Size + plane2Size);

    for (std::uint32_t y = 0; y < h.height; ++y)
    {
        auto* row = static_cast<std::uint8_t*>(locked.pBits) + std::size_t(y) * std::size_t(locked.Pitch);
        for (std::uint32_t x = 0; x < h.width; ++x)
        {
            const std::uint32_t i = y * h.width + x;
            const std::uint32_t top = Le16(&plane1[2 * i]);
            switch (h.format)
            {
            case kImageFormatA8R8G8B8:
            {
                const std::uint32_t low = Le16(&plane2[2 * i]);
                std::uint32_t pixel = 0;
                for (int c = 0; c < 4; ++c)
                    pixel |= (((top >> (4 * c)) & 15) * 16 + ((low >> (4 * c)) & 15)) << (8 * c);
                StorePixel(row, x, 4, pixel);
                break;
            }
            case kImageFormatX8R8G8B8:
            {
                const std::uint32_t low = plane2[i];
                const std::uint32_t r = ((top >> 11) & 31) * 8 + ((low >> 5) & 7);
                const std::uint32_t g = ((top >> 5) & 63) * 4 + ((low >> 3) & 3);
                const std::uint32_t b = (top & 31) * 8 + (low & 7);
                StorePixel(row, x, 4, r << 16 | g << 8 | b);
                break;
            }
            default:
                StorePixel(row, x, 2, top);
                break;
            }
        }
    }
    return true;
}

void CDXTImage::MakeMipLevel(const CImageFileReader& reader, const plat::d3d::SLockedRect& source,
                             const plat::d3d::SLockedRect& destination, int level)
{
    const SImageFileHeader& h = reader.m_Header;
    const SChannels* ch = &kArgb32;
    if (!reader.IsCompressed() && h.format == kImageFormatA4R4G4B4)
        ch = &kArgb4444;
    else if (!reader.IsCompressed() && h.format == kImageFormatR5G6B5)
        ch = &kRgb565;
    const std::uint32_t w = std::max(1u, h.width >> (level - 1)), hgt = std::max(1u, h.height >> (level - 1));
    const std::uint32_t outW = std::max(1u, w / 2), outH = std::max(1u, hgt / 2);
    const auto* in = static_cast<const std::uint8_t*>(source.pBits);
    auto* out = static_cast<std::uint8_t*>(destination.pBits);
    for (std::uint32_t y = 0; y < outH; ++y)
    {
        // A previous level one pixel high or wide is averaged with itself
        // along that side.
        const std::uint8_t* row0 = in + std::size_t(std::min(2 * y, hgt - 1)) * std::size_t(source.Pitch);
        const std::uint8_t* row1 = in + std::size_t(std::min(2 * y + 1, hgt - 1)) * std::size_t(source.Pitch);
        std::uint8_t* dst = out + std::size_t(y) * std::size_t(destination.Pitch);
        for (std::uint32_t x = 0; x < outW; ++x)
        {
            const std::uint32_t x0 = std::min(2 * x, w - 1), x1 = std::min(2 * x + 1, w - 1);
            const std::uint32_t p[4] = {LoadPixel(row0, x0, ch->bytes), LoadPixel(row0, x1, ch->bytes),
                                        LoadPixel(row1, x0, ch->bytes), LoadPixel(row1, x1, ch->bytes)};
            std::uint32_t pixel = 0;
            for (int c = 0; c < ch->count; ++c)
            {
                std::uint32_t sum = 2;
                for (std::uint32_t v : p)
                    sum += (v >> ch->shift[c]) & ch->mask[c];
                pixel |= (sum / 4) << ch->shift[c];
            }
            StorePixel(dst, x, ch->bytes, pixel);
        }
    }
}

// ---- writing ----------------------------------------------------------------

SImageFileLevels MakeImageLevels(const std::vector<std::uint32_t>& level0, std::uint32_t width,
                                 std::uint32_t height, std::uint32_t count)
{
    SImageFileLevels image;
    image.width = width;
    image.height = height;
    image.levels.push_back(level0);
    const std::uint32_t limit = count ? count : std::uint32_t(MaxLevels(width, height));
    CImageFileReader shape;
    shape.m_Header.width = width;
    shape.m_Header.height = height;
    shape.m_Header.format = kImageFormatA8R8G8B8;
    for (std::uint32_t level = 1; level < limit; ++level)
    {
        const std::uint32_t w = std::max(1u, width >> (level - 1)), h = std::max(1u, height >> (level - 1));
        std::vector<std::uint32_t> next(std::size_t(std::max(1u, w / 2)) * std::max(1u, h / 2));
        plat::d3d::SLockedRect src{std::int32_t(w * 4), image.levels.back().data()};
        plat::d3d::SLockedRect dst{std::int32_t(std::max(1u, w / 2) * 4), next.data()};
        CDXTImage::MakeMipLevel(shape, src, dst, int(level));
        image.levels.push_back(std::move(next));
    }
    return image;
}

std::vector<std::uint8_t> BuildImageFile(const SImageFileLevels& image, bool compressed, std::uint32_t format)
{
    std::vector<std::uint8_t> out;
    Put32(out, image.width);
    Put32(out, image.height);
    Put32(out, compressed ? plat::d3d::D3DFMT_DXT5 : format);
    Put32(out, 0);
    Put32(out, compressed ? 1 : 0);
    Put32(out, std::uint32_t(image.levels.size()));
    out.resize(sizeof(SImageFileHeader), 0);
    for (std::size_t level = 0; level < image.levels.size(); ++level)
    {
        const std::uint32_t w = std::max(1u, image.width >> level), h = std::max(1u, image.height >> level);
        const std::vector<std::uint32_t>& px = image.levels[level];
        if (compressed)
        {
            // One byte per pixel: a level below 4 x 4 keeps the start of its block.
            const std::vector<std::uint8_t> blocks = EncodeDXT5(px.data(), w, h);
            out.insert(out.end(), blocks.begin(), blocks.begin() + StoredCompressedSize(w, h));
            continue;
        }
        // Plane 1 for every pixel, then plane 2.
        for (std::uint32_t p : px)
        {
            std::uint16_t top;
            if (format == kImageFormatA8R8G8B8)
                top = std::uint16_t((p >> 28 & 15) << 12 | (p >> 20 & 15) << 8 | (p >> 12 & 15) << 4 |
                                    (p >> 4 & 15));
            else
                top = std::uint16_t((p >> 19 & 31) << 11 | (p >> 10 & 63) << 5 | (p >> 3 & 31));
            out.push_back(std::uint8_t(top));
            out.push_back(std::uint8_t(top >> 8));
        }
        for (std::uint32_t p : px)
        {
            if (format == kImageFormatA8R8G8B8)
            {
                const std::uint16_t low =
                    std::uint16_t((p >> 24 & 15) << 12 | (p >> 16 & 15) << 8 | (p >> 8 & 15) << 4 | (p & 15));
                out.push_back(std::uint8_t(low));
                out.push_back(std::uint8_t(low >> 8));
            }
            else
                out.push_back(std::uint8_t((p >> 16 & 7) << 5 | (p >> 8 & 3) << 3 | (p & 7)));
        }
    }
    return out;
}

bool WriteImageFile(const char* path, const SImageFileLevels& image, bool compressed, std::uint32_t format)
{
    const std::vector<std::uint8_t> bytes = BuildImageFile(image, compressed, format);
    std::FILE* f = plat::FOpen(path, "wb");
    if (!f) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}
