// Bump-map conversion from height maps and normal maps.

#include "graphics/BumpMap.h"

#include "foundation/ErrorLog.h"
#include "foundation/Texture.h"
#include "platform/d3d8/D3D8.h"

#include <algorithm>
#include <cstring>
#include <memory>

using namespace plat::d3d;

namespace
{
constexpr Format kL6V5U5 = 61;
constexpr Format kX8L8V8U8 = 62;

bool IsBumpFormat(Format format)
{
    return format == D3DFMT_V8U8 || format == kL6V5U5 || format == kX8L8V8U8;
}

// The height (first byte) of texel index i of the level, counted row after
// row; indices before the first or past the last texel read the texel at
// the edge, so nothing outside the level is touched.
int Height(const SBumpLevel& level, std::int64_t x, std::int64_t y)
{
    const std::int64_t w = level.width;
    std::int64_t index = y * w + x;
    index = std::clamp<std::int64_t>(index, 0, w * std::int64_t(level.height) - 1);
    const std::int64_t row = index / w;
    const std::int64_t column = index % w;
    return level.source[std::size_t(row) * level.sourcePitch + std::size_t(column) * 4];
}

// Writes the bump texel; bytes per texel follow the format.
void StoreTexel(std::uint8_t* out, Format format, int du, int dv, int luminance)
{
    if (format == D3DFMT_V8U8)
    {
        out[0] = std::uint8_t(du);
        out[1] = std::uint8_t(dv);
    }
    else if (format == kL6V5U5)
    {
        const std::uint16_t word = std::uint16_t(((du >> 3) & 31) | (((dv >> 3) & 31) << 5) |
                                                 ((luminance >> 2) << 10));
        std::memcpy(out, &word, 2);
    }
    else
    {
        out[0] = std::uint8_t(du);
        out[1] = std::uint8_t(dv);
        out[2] = std::uint8_t(luminance);
        out[3] = 0;
    }
}

std::uint32_t TexelBytes(Format format)
{
    return format == kX8L8V8U8 ? 4 : 2;
}

using PFNConvertLevel = bool (*)(const SBumpLevel&, Format);

bool Convert(CTexture** out, CTexture* source, Format format, PFNConvertLevel convert, const char* name)
{
    if (out) *out = nullptr;
    auto fail = [name](const char* why)
    {
        g_ErrorLog.LogError("%s: %s", name, why);
        return false;
    };
    if (!out || !source || !source->m_lpTexture) return fail("no source texture");
    if (!IsBumpFormat(format)) return fail("not a bump format");
    Texture* src = source->m_lpTexture;
    SSurfaceDesc desc{};
    if (Failed(src->GetLevelDesc(0, &desc))) return fail("source has no level 0");
    if (desc.Format != D3DFMT_A8R8G8B8 && desc.Format != D3DFMT_X8R8G8B8)
        return fail("source is not a 32-bit texture");
    const std::uint32_t levels = std::max<std::uint32_t>(1, src->GetLevelCount());

    auto result = std::make_unique<CTexture>();
    result->CreateTexture(desc.Width, desc.Height, levels, format, D3DPOOL_MANAGED, 0);
    if (!result->m_lpTexture) return fail("bump texture not created");
    for (std::uint32_t l = 0; l < levels && l < src->GetLevelCount(); ++l)
    {
        SLockedRect in{}, dst{};
        if (Failed(src->LockRect(l, &in, nullptr, D3DLOCK_READONLY))) return fail("source level not locked");
        if (Failed(result->m_lpTexture->LockRect(l, &dst, nullptr, 0)))
        {
            src->UnlockRect(l);
            return fail("bump level not locked");
        }
        const SBumpLevel level{static_cast<const std::uint8_t*>(in.pBits),
                               std::uint32_t(in.Pitch),
                               static_cast<std::uint8_t*>(dst.pBits),
                               std::uint32_t(dst.Pitch),
                               std::max<std::uint32_t>(1, desc.Width >> l),
                               std::max<std::uint32_t>(1, desc.Height >> l)};
        const bool ok = convert(level, format);
        result->m_lpTexture->UnlockRect(l);
        src->UnlockRect(l);
        if (!ok) return fail("level not converted");
    }
    result->m_nWidth = std::int32_t(desc.Width);
    result->m_nHeight = std::int32_t(desc.Height);
    result->m_nMemory = CTexture::EstimateMemory(desc.Width, desc.Height, levels, format);
    *out = result.release();
    return true;
}
} // namespace

bool ConvertHeightLevel(const SBumpLevel& level, Format format)
{
    if (!IsBumpFormat(format) || !level.source || !level.destination || level.width == 0 || level.height == 0)
        return false;
    const std::uint32_t bytes = TexelBytes(format);
    for (std::uint32_t y = 0; y < level.height; ++y)
    {
        // The rows beyond the first and last are the row itself.
        const std::int64_t up = y == 0 ? y : y - 1;
        const std::int64_t down = y + 1 == level.height ? y : y + 1;
        std::uint8_t* row = level.destination + std::size_t(y) * level.destinationPitch;
        for (std::uint32_t x = 0; x < level.width; ++x)
        {
            const int c = Height(level, x, y);
            const int l = Height(level, std::int64_t(x) - 1, y);
            const int r = Height(level, std::int64_t(x) + 1, y);
            const int u = Height(level, x, up);
            const int d = Height(level, x, down);
            // A texel below both neighbours is a pit: the steeper side wins.
            const int du = (c < l && c < r) ? std::max(l - c, c - r) : l - r;
            const int dv = u - d;
            StoreTexel(row + std::size_t(x) * bytes, format, du, dv, c);
        }
    }
    return true;
}

bool ConvertNormalLevel(const SBumpLevel& level, Format format)
{
    if (!IsBumpFormat(format) || !level.source || !level.destination || level.width == 0 || level.height == 0)
        return false;
    const std::uint32_t bytes = TexelBytes(format);
    for (std::uint32_t y = 0; y < level.height; ++y)
    {
        const std::uint8_t* in = level.source + std::size_t(y) * level.sourcePitch;
        std::uint8_t* out = level.destination + std::size_t(y) * level.destinationPitch;
        for (std::uint32_t x = 0; x < level.width; ++x)
        {
            const int du = (in[x * 4 + 1] + 128) & 255;
            const int dv = (in[x * 4 + 2] + 128) & 255;
            // The luminance formats get full luminance, so a normal map
            // lights as a plain one does instead of being left unwritten.
            StoreTexel(out + std::size_t(x) * bytes, format, du, dv, 255);
        }
    }
    return true;
}

bool CreateBumpMapFromHeight(CTexture** out, CTexture* source, Format format)
{
    return Convert(out, source, format, ConvertHeightLevel, "CreateBumpMapFromHeight");
}

bool CreateBumpMapFromNormals(CTexture** out, CTexture* source, Format format)
{
    return Convert(out, source, format, ConvertNormalLevel, "CreateBumpMapFromNormals");
}
