#include "foundation/Screenshot.h"

#include "foundation/ErrorLog.h"
#include "foundation/Graphic.h"
#include "foundation/ImageWriters.h"
#include "platform/File.h"
#include "platform/d3d8/D3D8.h"

#include <cstdio>
#include <cstring>
#include <vector>

using namespace plat::d3d;

namespace
{

constexpr int kMaxScreenshotNumber = 1000000;

// One pixel of a locked surface as X8R8G8B8.
std::uint32_t ToXrgb(Format format, const std::uint8_t* p)
{
    switch (format)
    {
    case D3DFMT_R5G6B5:
    {
        const std::uint32_t v = std::uint32_t(p[0] | p[1] << 8);
        const std::uint32_t r = (v >> 11) & 31, g = (v >> 5) & 63, b = v & 31;
        return (r << 3 | r >> 2) << 16 | (g << 2 | g >> 4) << 8 | (b << 3 | b >> 2);
    }
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
    {
        const std::uint32_t v = std::uint32_t(p[0] | p[1] << 8);
        const std::uint32_t r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
        return (r << 3 | r >> 2) << 16 | (g << 3 | g >> 2) << 8 | (b << 3 | b >> 2);
    }
    default:
    {
        std::uint32_t v;
        std::memcpy(&v, p, 4);
        return v;
    }
    }
}

std::uint32_t PixelBytes(Format format)
{
    return format == D3DFMT_X8R8G8B8 || format == D3DFMT_A8R8G8B8 ? 4 : 2;
}

// The back buffer as X8R8G8B8 pixels, top row first.
bool CaptureBackBuffer(std::vector<std::uint32_t>& pixels, std::uint32_t& width, std::uint32_t& height)
{
    if (!graph.m_lpDevice)
    {
        g_ErrorLog.LogError("Screenshot: no graphics device");
        return false;
    }
    Surface* back = nullptr;
    if (plat::Failed(graph.m_lpDevice->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back)))
    {
        g_ErrorLog.LogError("Screenshot: no back buffer");
        return false;
    }
    SSurfaceDesc desc{};
    back->GetDesc(&desc);
    width = desc.Width;
    height = desc.Height;
    // The copy keeps the back buffer's own format (CopyRects does not
    // convert); a 16-bit screen is widened to 32 bits when read.
    const Format format = desc.Format;
    Surface* image = nullptr;
    if (plat::Failed(graph.m_lpDevice->CreateImageSurface(width, height, format, &image)))
    {
        back->Release();
        g_ErrorLog.LogError("Screenshot: can`t create a %ux%u image surface", width, height);
        return false;
    }
    if (plat::Failed(graph.m_lpDevice->CopyRects(back, nullptr, 0, image, nullptr)))
        g_ErrorLog.LogError("Can`t copy rects from back buffer");
    back->Release();

    pixels.assign(std::size_t(width) * height, 0);
    SLockedRect locked{};
    if (plat::Succeeded(image->LockRect(&locked, nullptr, D3DLOCK_READONLY)))
    {
        const std::uint32_t bytes = PixelBytes(format);
        for (std::uint32_t y = 0; y < height; ++y)
        {
            const auto* row = static_cast<const std::uint8_t*>(locked.pBits) + std::size_t(y) * locked.Pitch;
            for (std::uint32_t x = 0; x < width; ++x)
                pixels[std::size_t(y) * width + x] = ToXrgb(format, row + x * bytes);
        }
        image->UnlockRect();
    }
    image->Release();
    return true;
}

} // namespace

std::string NextScreenshotPath(const char* extension)
{
    char path[64];
    for (int n = 1; n < kMaxScreenshotNumber; ++n)
    {
        std::snprintf(path, sizeof(path), "SCREENS\\tarvox2_%d.%s", n, extension);
        std::FILE* existing = plat::FOpen(path, "rb");
        if (!existing) return path;
        std::fclose(existing);
    }
    return {};
}

bool SaveJpegScreenshot(std::int32_t quality)
{
    XTRACE("SaveJpegScreenshot");
    std::vector<std::uint32_t> pixels;
    std::uint32_t width = 0, height = 0;
    if (!CaptureBackBuffer(pixels, width, height)) return false;
    std::vector<std::uint8_t> rgb(std::size_t(width) * height * 3);
    for (std::size_t i = 0; i < pixels.size(); ++i)
    {
        rgb[3 * i] = std::uint8_t(pixels[i] >> 16);
        rgb[3 * i + 1] = std::uint8_t(pixels[i] >> 8);
        rgb[3 * i + 2] = std::uint8_t(pixels[i]);
    }
    plat::CreateDirectory("SCREENS");
    const std::string path = NextScreenshotPath("jpg");
    return !path.empty() && WriteJpegFile(path.c_str(), rgb.data(), width, height, quality);
}

bool CopyBackBuffer(std::vector<std::uint32_t>& pixels, std::uint32_t& width, std::uint32_t& height)
{
    return CaptureBackBuffer(pixels, width, height);
}

bool SaveBitmapScreenshot()
{
    XTRACE("SaveBitmapScreenshot");
    std::vector<std::uint32_t> pixels;
    std::uint32_t width = 0, height = 0;
    if (!CaptureBackBuffer(pixels, width, height)) return false;
    // BMP rows go bottom-up.
    std::vector<std::uint32_t> flipped(pixels.size());
    for (std::uint32_t y = 0; y < height; ++y)
        std::memcpy(&flipped[std::size_t(height - 1 - y) * width], &pixels[std::size_t(y) * width],
                    std::size_t(width) * 4);
    plat::CreateDirectory("SCREENS");
    const std::string path = NextScreenshotPath("bmp");
    return !path.empty() && SaveBitmapFile(path.c_str(), width, height, flipped.data(), 4);
}

bool SaveSurfaceBitmap(const char* path, Surface* surface)
{
    if (!surface) return false;
    SSurfaceDesc desc{};
    surface->GetDesc(&desc);
    if (PixelBytes(desc.Format) != 4) return false;
    SLockedRect locked{};
    if (plat::Failed(surface->LockRect(&locked, nullptr, D3DLOCK_READONLY))) return false;
    std::vector<std::uint8_t> pixels(std::size_t(desc.Width) * desc.Height * 4);
    for (std::uint32_t y = 0; y < desc.Height; ++y)
        std::memcpy(&pixels[std::size_t(desc.Height - 1 - y) * desc.Width * 4],
                    static_cast<const std::uint8_t*>(locked.pBits) + std::size_t(y) * locked.Pitch,
                    std::size_t(desc.Width) * 4);
    surface->UnlockRect();
    return SaveBitmapFile(path, desc.Width, desc.Height, pixels.data(), 4);
}
