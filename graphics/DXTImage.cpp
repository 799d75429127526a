#include "graphics/DXTImage.h"

#include "platform/d3d8/D3D8.h"

#include <algorithm>
#include <cstring>

namespace
{

// 5 and 6 bits widen to 8 by repeating their top bits in the low ones, so
// that 31 and 63 become 255 as they do on the GPU.
std::uint32_t Expand565(std::uint16_t c)
{
    const std::uint32_t r5 = (c >> 11) & 31, g6 = (c >> 5) & 63, b5 = c & 31;
    const std::uint32_t r = (r5 << 3) | (r5 >> 2);
    const std::uint32_t g = (g6 << 2) | (g6 >> 4);
    const std::uint32_t b = (b5 << 3) | (b5 >> 2);
    return 0xFF000000u | (r << 16) | (g << 8) | b;
}

std::uint32_t Mix(std::uint32_t a, std::uint32_t b, std::uint32_t wa, std::uint32_t wb, std::uint32_t div)
{
    std::uint32_t out = 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8)
        out |= (((a >> shift & 255) * wa + (b >> shift & 255) * wb) / div) << shift;
    return out;
}

std::uint16_t To565(std::uint32_t argb)
{
    return std::uint16_t(((argb >> 19) & 31) << 11 | ((argb >> 10) & 63) << 5 | ((argb >> 3) & 31));
}

int ColorDistance(std::uint32_t a, std::uint32_t b)
{
    int d = 0;
    for (int shift = 0; shift < 24; shift += 8)
    {
        const int e = int(a >> shift & 255) - int(b >> shift & 255);
        d += e * e;
    }
    return d;
}

} // namespace

void DXTColorPalette(std::uint16_t c0, std::uint16_t c1, std::uint32_t palette[4])
{
    palette[0] = Expand565(c0);
    palette[1] = Expand565(c1);
    // DXT3 and DXT5 colour blocks have no three-colour form: whatever the
    // order of c0 and c1, entries 2 and 3 lie a third of the way between.
    palette[2] = Mix(palette[0], palette[1], 2, 1, 3);
    palette[3] = Mix(palette[0], palette[1], 1, 2, 3);
}

void DXT5AlphaPalette(std::uint8_t a0, std::uint8_t a1, std::uint8_t palette[8])
{
    palette[0] = a0;
    palette[1] = a1;
    if (a0 > a1)
    {
        for (int k = 1; k <= 6; ++k)
            palette[k + 1] = std::uint8_t(((7 - k) * a0 + k * a1) / 7);
    }
    else
    {
        for (int k = 1; k <= 4; ++k)
            palette[k + 1] = std::uint8_t(((5 - k) * a0 + k * a1) / 5);
        palette[6] = 0;
        palette[7] = 255;
    }
}

std::uint32_t CDXTImage::CompressedSize(std::uint32_t width, std::uint32_t height)
{
    return ((std::max(width, 1u) + 3) / 4) * ((std::max(height, 1u) + 3) / 4) * 16;
}

void CDXTImage::DecodeDXT5AlphaBlock(const std::uint8_t* block)
{
    DXT5AlphaPalette(block[0], block[1], m_AlphaPalette);
    // 48 bits of 3-bit indices: pixels 0-7 in bytes 2-4, 8-15 in bytes 5-7,
    // lowest bits first.
    for (int half = 0; half < 2; ++half)
    {
        const std::uint32_t bits = std::uint32_t(block[2 + 3 * half]) |
                                   std::uint32_t(block[3 + 3 * half]) << 8 |
                                   std::uint32_t(block[4 + 3 * half]) << 16;
        for (int i = 0; i < 8; ++i)
            m_AlphaIndices[half * 8 + i] = std::uint8_t((bits >> (3 * i)) & 7);
    }
    for (int i = 0; i < 16; ++i)
        m_AlphaBlock[i] = m_AlphaPalette[m_AlphaIndices[i]];
}

void CDXTImage::DecodeDXT3AlphaBlock(const std::uint8_t* block)
{
    // Four 16-bit rows, pixel k of a row in bits 4k..4k+3.
    for (int i = 0; i < 16; ++i)
        m_AlphaBlock[i] = std::uint8_t(((block[i / 2] >> ((i & 1) * 4)) & 15) * 17);
}

void CDXTImage::DecodeColorBlock(const std::uint8_t* block, std::uint32_t x0, std::uint32_t y0)
{
    std::uint32_t palette[4];
    DXTColorPalette(std::uint16_t(block[0] | block[1] << 8), std::uint16_t(block[2] | block[3] << 8),
                    palette);
    for (std::uint32_t row = 0; row < 4 && y0 + row < m_nHeight; ++row)
    {
        const std::uint8_t indices = block[4 + row];
        std::uint32_t* out = m_Decoded.data() + std::size_t(y0 + row) * m_nWidth;
        for (std::uint32_t col = 0; col < 4 && x0 + col < m_nWidth; ++col)
        {
            const std::uint32_t colour = palette[(indices >> (2 * col)) & 3];
            out[x0 + col] = (colour & 0x00FFFFFFu) | std::uint32_t(m_AlphaBlock[row * 4 + col]) << 24;
        }
    }
}

bool CDXTImage::DecodeBlocks(bool dxt5)
{
    if (m_Compressed.size() < CompressedSize(m_nWidth, m_nHeight)) return false;
    const std::uint32_t blocksX = (m_nWidth + 3) / 4, blocksY = (m_nHeight + 3) / 4;
    const std::uint8_t* block = m_Compressed.data();
    for (std::uint32_t by = 0; by < blocksY; ++by)
        for (std::uint32_t bx = 0; bx < blocksX; ++bx, block += 16)
        {
            if (dxt5)
                DecodeDXT5AlphaBlock(block);
            else
                DecodeDXT3AlphaBlock(block);
            DecodeColorBlock(block + 8, bx * 4, by * 4);
        }
    return true;
}

bool CDXTImage::Decode()
{
    if (m_Compressed.size() < CompressedSize(m_nWidth, m_nHeight)) return false;
    m_Decoded.assign(std::size_t(m_nWidth) * m_nHeight, 0);
    return DecodeBlocks(true);
}

bool CDXTImage::DecodeDXT3()
{
    if (m_Decoded.size() != std::size_t(m_nWidth) * m_nHeight)
        m_Decoded.assign(std::size_t(m_nWidth) * m_nHeight, 0);
    return DecodeBlocks(false);
}

void EncodeDXT5Block(const std::uint32_t pixels[16], std::uint8_t block[16])
{
    std::memset(block, 0, 16);

    // Alpha: the block's largest and smallest alpha as the two ends of the
    // eight-value form, each pixel taking the nearest entry.
    std::uint8_t aMax = 0, aMin = 255;
    for (int i = 0; i < 16; ++i)
    {
        const std::uint8_t a = std::uint8_t(pixels[i] >> 24);
        aMax = std::max(aMax, a);
        aMin = std::min(aMin, a);
    }
    block[0] = aMax;
    block[1] = aMin;
    std::uint8_t alphas[8];
    DXT5AlphaPalette(aMax, aMin, alphas);
    std::uint64_t alphaBits = 0;
    for (int i = 0; i < 16; ++i)
    {
        const int a = int(pixels[i] >> 24);
        int best = 0;
        for (int k = 1; k < 8; ++k)
            if (std::abs(int(alphas[k]) - a) < std::abs(int(alphas[best]) - a)) best = k;
        alphaBits |= std::uint64_t(best) << (3 * i);
    }
    for (int k = 0; k < 6; ++k)
        block[2 + k] = std::uint8_t(alphaBits >> (8 * k));

    // Colour: the corners of the bounding box of the block's colours.
    std::uint32_t lo = 0x00FFFFFF, hi = 0;
    for (int shift = 0; shift < 24; shift += 8)
    {
        std::uint32_t cMin = 255, cMax = 0;
        for (int i = 0; i < 16; ++i)
        {
            cMin = std::min(cMin, pixels[i] >> shift & 255);
            cMax = std::max(cMax, pixels[i] >> shift & 255);
        }
        lo = (lo & ~(255u << shift)) | cMin << shift;
        hi |= cMax << shift;
    }
    std::uint16_t c0 = To565(hi), c1 = To565(lo);
    if (c0 < c1) std::swap(c0, c1);
    block[8] = std::uint8_t(c0);
    block[9] = std::uint8_t(c0 >> 8);
    block[10] = std::uint8_t(c1);
    block[11] = std::uint8_t(c1 >> 8);
    std::uint32_t palette[4];
    DXTColorPalette(c0, c1, palette);
    for (int row = 0; row < 4; ++row)
    {
        std::uint8_t indices = 0;
        for (int col = 0; col < 4; ++col)
        {
            const std::uint32_t p = pixels[row * 4 + col];
            int best = 0;
            for (int k = 1; k < 4; ++k)
                if (ColorDistance(palette[k], p) < ColorDistance(palette[best], p)) best = k;
            indices = std::uint8_t(indices | best << (2 * col));
        }
        block[12 + row] = indices;
    }
}

std::vector<std::uint8_t> EncodeDXT5(const std::uint32_t* argb, std::uint32_t width, std::uint32_t height)
{
    std::vector<std::uint8_t> out(CDXTImage::CompressedSize(width, height));
    const std::uint32_t blocksX = (width + 3) / 4, blocksY = (height + 3) / 4;
    std::uint8_t* block = out.data();
    for (std::uint32_t by = 0; by < blocksY; ++by)
        for (std::uint32_t bx = 0; bx < blocksX; ++bx, block += 16)
        {
            std::uint32_t pixels[16];
            for (std::uint32_t i = 0; i < 16; ++i)
            {
                const std::uint32_t x = std::min(bx * 4 + i % 4, width - 1);
                const std::uint32_t y = std::min(by * 4 + i / 4, height - 1);
                pixels[i] = argb[std::size_t(y) * width + x];
            }
            EncodeDXT5Block(pixels, block);
        }
    return out;
}

plat::HResult DownsampleSurface(plat::d3d::Surface* source, plat::d3d::Surface* destination, float sharpness)
{
    using namespace plat::d3d;
    if (!source || !destination || !(sharpness > 0.0f)) return plat::E_FAIL;
    SSurfaceDesc src{}, dst{};
    if (plat::Failed(source->GetDesc(&src)) || plat::Failed(destination->GetDesc(&dst))) return plat::E_FAIL;
    if ((src.Format != D3DFMT_X8R8G8B8 && src.Format != D3DFMT_A8R8G8B8) || src.Format != dst.Format)
        return plat::E_FAIL;
    const bool halvesX = src.Width == 2 * dst.Width, halvesY = src.Height == 2 * dst.Height;
    const bool keepsX = src.Width == 1 && dst.Width == 1, keepsY = src.Height == 1 && dst.Height == 1;
    if (!(halvesX || keepsX) || !(halvesY || keepsY) || (keepsX && keepsY)) return plat::E_FAIL;

    // Tap offsets -2..3 around the 2 x 2 block map to weight classes: the
    // two centre taps, the inner ring, the outer ring.
    static const int kTapClass[6] = {3, 2, 0, 1, 2, 3};
    const double s = 80.0 / sharpness;
    const double weights[4][4] = {{s, s, 6, 4}, {s, s, 5, 3}, {6, 5, 4, 2}, {4, 3, 2, 1}};

    SLockedRect in{}, out{};
    if (plat::Failed(source->LockRect(&in, nullptr, D3DLOCK_READONLY))) return plat::E_FAIL;
    if (plat::Failed(destination->LockRect(&out, nullptr, 0)))
    {
        source->UnlockRect();
        return plat::E_FAIL;
    }
    const int sw = int(src.Width), sh = int(src.Height);
    for (std::uint32_t y = 0; y < dst.Height; ++y)
    {
        auto* row = reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(out.pBits) + y * out.Pitch);
        for (std::uint32_t x = 0; x < dst.Width; ++x)
        {
            double sum[4] = {}, total = 0;
            for (int dy = 0; dy < 6; ++dy)
            {
                const int sy = ((int(y) * (halvesY ? 2 : 1) + dy - 2) % sh + sh) % sh;
                const auto* srcRow = reinterpret_cast<const std::uint32_t*>(
                    static_cast<const std::uint8_t*>(in.pBits) + sy * in.Pitch);
                for (int dx = 0; dx < 6; ++dx)
                {
                    const int sx = ((int(x) * (halvesX ? 2 : 1) + dx - 2) % sw + sw) % sw;
                    const double w = weights[kTapClass[dy]][kTapClass[dx]];
                    const std::uint32_t p = srcRow[sx];
                    for (int c = 0; c < 4; ++c)
                        sum[c] += w * double(p >> (8 * c) & 255);
                    total += w;
                }
            }
            std::uint32_t packed = 0;
            for (int c = 0; c < 4; ++c)
                packed |= std::min(255u, std::uint32_t(sum[c] / total + 1e-9)) << (8 * c);
            row[x] = packed;
        }
    }
    destination->UnlockRect();
    source->UnlockRect();
    return plat::S_OK;
}
