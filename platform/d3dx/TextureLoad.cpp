// Image files into textures and surfaces; surfaces into surfaces.
#include "platform/d3dx/D3DX.h"

#include "platform/Debug.h"
#include "platform/d3d8/Format.h"
#include "platform/d3dx/ImageFile.h"
#include "platform/d3dx/Resample.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>

namespace plat::d3d
{

using detail::SImage;

namespace
{

// The calling thread's last failure, for D3DXGetLastErrorText.
thread_local std::string t_lastError;

HResult Report(const char* what, const char* name, const std::string& reason, HResult hr)
{
    t_lastError = std::string(what) + " '" + (name ? name : "(null)") + "': " + reason;
    plat::OutputDebugString(("D3DX: " + t_lastError + "\n").c_str());
    return hr;
}

void NoteDither(std::uint32_t filter)
{
    static std::atomic<bool> s_noted{false};
    if (filter != D3DX_DEFAULT && (filter & D3DX_FILTER_DITHER) && !s_noted.exchange(true))
        plat::OutputDebugString("D3DX: dithering is not done; colours are rounded\n");
}

void ApplyColorKey(std::vector<std::uint32_t>& argb, Color key)
{
    if (key == 0) return;
    for (auto& p : argb)
        if (p == key) p = 0;
}

bool ValidRect(const Rect& r, std::uint32_t w, std::uint32_t h)
{
    return r.left >= 0 && r.top >= 0 && r.left < r.right && r.top < r.bottom && std::uint32_t(r.right) <= w &&
           std::uint32_t(r.bottom) <= h;
}

// The rectangle of a surface as A8R8G8B8.
HResult ReadSurface(Surface* src, const Rect& r, std::vector<std::uint32_t>* out)
{
    SSurfaceDesc d{};
    src->GetDesc(&d);
    SLockedRect lr{};
    HResult hr = src->LockRect(&lr, nullptr, D3DLOCK_READONLY);
    if (Failed(hr)) return hr;
    std::vector<std::uint32_t> all(std::size_t(d.Width) * d.Height);
    const bool ok = DecodeToArgb(d.Format, static_cast<const std::uint8_t*>(lr.pBits), std::size_t(lr.Pitch),
                                 d.Width, d.Height, all.data());
    src->UnlockRect();
    if (!ok) return D3DERR_INVALIDCALL;
    const std::uint32_t w = std::uint32_t(r.right - r.left), h = std::uint32_t(r.bottom - r.top);
    out->resize(std::size_t(w) * h);
    for (std::uint32_t y = 0; y < h; ++y)
        std::memcpy(out->data() + std::size_t(y) * w, all.data() + std::size_t(r.top + y) * d.Width + r.left,
                    std::size_t(w) * 4);
    return D3D_OK;
}

// Writes A8R8G8B8 pixels into the rectangle of a surface, in its format.
HResult WriteSurface(Surface* dst, const Rect& r, const std::uint32_t* argb)
{
    SSurfaceDesc d{};
    dst->GetDesc(&d);
    const SFormatInfo info = GetFormatInfo(d.Format);
    if (!info.known || info.depth || d.Format == D3DFMT_P8) return D3DERR_INVALIDCALL;
    const std::uint32_t w = std::uint32_t(r.right - r.left), h = std::uint32_t(r.bottom - r.top);
    const bool whole = r.left == 0 && r.top == 0 && w == d.Width && h == d.Height;
    SLockedRect lr{};
    if (!info.compressed)
    {
        HResult hr = dst->LockRect(&lr, &r, 0);
        if (Failed(hr)) return hr;
        EncodeFromArgb(d.Format, argb, w, h, static_cast<std::uint8_t*>(lr.pBits), std::size_t(lr.Pitch));
        return dst->UnlockRect();
    }
    // Blocks hold 4x4 pixels: a rectangle that cuts blocks is merged into
    // what the surface holds and the whole surface is encoded again.
    HResult hr = dst->LockRect(&lr, nullptr, 0);
    if (Failed(hr)) return hr;
    auto* bits = static_cast<std::uint8_t*>(lr.pBits);
    if (whole)
        EncodeFromArgb(d.Format, argb, w, h, bits, std::size_t(lr.Pitch));
    else
    {
        std::vector<std::uint32_t> all(std::size_t(d.Width) * d.Height);
        DecodeToArgb(d.Format, bits, std::size_t(lr.Pitch), d.Width, d.Height, all.data());
        for (std::uint32_t y = 0; y < h; ++y)
            std::memcpy(all.data() + std::size_t(r.top + y) * d.Width + r.left, argb + std::size_t(y) * w,
                        std::size_t(w) * 4);
        EncodeFromArgb(d.Format, all.data(), d.Width, d.Height, bits, std::size_t(lr.Pitch));
    }
    return dst->UnlockRect();
}

// Scales the source pixels into the destination rectangle and writes them.
HResult ScaleInto(Surface* dst, const Rect* dstRect, std::vector<std::uint32_t>& argb, std::uint32_t sw,
                  std::uint32_t sh, std::uint32_t filter, Color colorKey)
{
    SSurfaceDesc d{};
    dst->GetDesc(&d);
    const Rect r = dstRect ? *dstRect : Rect{0, 0, std::int32_t(d.Width), std::int32_t(d.Height)};
    if (!ValidRect(r, d.Width, d.Height)) return D3DERR_INVALIDCALL;
    NoteDither(filter);
    ApplyColorKey(argb, colorKey);
    const std::uint32_t dw = std::uint32_t(r.right - r.left), dh = std::uint32_t(r.bottom - r.top);
    std::vector<std::uint32_t> scaled(std::size_t(dw) * dh);
    detail::Resample(argb.data(), sw, sh, scaled.data(), dw, dh, filter);
    return WriteSurface(dst, r, scaled.data());
}

bool Loadable(Format f)
{
    const SFormatInfo i = GetFormatInfo(f);
    return i.known && !i.depth && f != D3DFMT_P8;
}

HResult FillTexture(Texture* t, const SImage& image, std::uint32_t filter, std::uint32_t mipFilter,
                    Color colorKey)
{
    const std::uint32_t count = t->GetLevelCount();
    const std::uint32_t mipType = mipFilter == D3DX_DEFAULT ? D3DX_FILTER_BOX : mipFilter;
    std::vector<std::uint32_t> prev, cur; // the level above and this level, as A8R8G8B8
    std::uint32_t prevW = 0, prevH = 0;
    for (std::uint32_t l = 0; l < count; ++l)
    {
        SSurfaceDesc d{};
        t->GetLevelDesc(l, &d);
        // The file's levels are used where they have the texture's size.
        const bool fileLevel =
            l < image.levels.size() && image.levels[l].width == d.Width && image.levels[l].height == d.Height;
        SLockedRect lr{};
        const HResult hr = t->LockRect(l, &lr, nullptr, 0);
        if (Failed(hr)) return hr;
        auto* bits = static_cast<std::uint8_t*>(lr.pBits);
        if (fileLevel && image.format == d.Format && colorKey == 0)
        {
            // Already in the texture's format: copied as it is, so DXT
            // blocks stay the file's blocks.
            const std::size_t rowBytes = RowPitch(d.Format, d.Width);
            const std::uint32_t rows = RowCount(d.Format, d.Height);
            for (std::uint32_t y = 0; y < rows; ++y)
                std::memcpy(bits + std::size_t(y) * std::size_t(lr.Pitch),
                            image.levels[l].bytes.data() + std::size_t(y) * rowBytes, rowBytes);
            cur.clear();
            if (l + 1 < count && l + 1 >= image.levels.size())
                detail::LevelToArgb(image, l, &cur); // the next level is made from this one
        }
        else
        {
            if (fileLevel)
            {
                detail::LevelToArgb(image, l, &cur);
                ApplyColorKey(cur, colorKey);
            }
            else
            {
                std::uint32_t type = mipType;
                if (l == 0 || prev.empty())
                {
                    detail::LevelToArgb(image, 0, &prev);
                    ApplyColorKey(prev, colorKey);
                    prevW = image.levels[0].width;
                    prevH = image.levels[0].height;
                    if (l == 0) type = filter;
                }
                cur.resize(std::size_t(d.Width) * d.Height);
                detail::Resample(prev.data(), prevW, prevH, cur.data(), d.Width, d.Height, type);
            }
            EncodeFromArgb(d.Format, cur.data(), d.Width, d.Height, bits, std::size_t(lr.Pitch));
        }
        t->UnlockRect(l);
        prev.swap(cur);
        prevW = d.Width;
        prevH = d.Height;
    }
    return D3D_OK;
}

} // namespace

// ---------------------------------------------------------------- info

HResult D3DXGetImageInfoFromFileInMemory(const void* data, std::size_t size, SImageInfo* info)
{
    if (!data || !info) return D3DERR_INVALIDCALL;
    std::string error;
    if (!detail::ReadImageInfo(static_cast<const std::uint8_t*>(data), size, info, &error))
        return Report("cannot read image", "(memory)", error, D3DXERR_INVALIDDATA);
    return D3D_OK;
}

HResult D3DXGetImageInfoFromFileA(const char* path, SImageInfo* info)
{
    t_lastError.clear();
    if (!path || !info) return D3DERR_INVALIDCALL;
    std::vector<std::uint8_t> bytes;
    std::string error;
    bool missing = false;
    if (!detail::ReadFileBytes(path, &bytes, &missing, &error))
        return Report("cannot open image", path, error, missing ? D3DERR_NOTFOUND : D3DXERR_INVALIDDATA);
    if (!detail::ReadImageInfo(bytes.data(), bytes.size(), info, &error))
        return Report("cannot read image", path, error, D3DXERR_INVALIDDATA);
    return D3D_OK;
}

// ---------------------------------------------------------------- textures

namespace
{

HResult CreateTextureFromImage(Device* device, const char* name, const std::uint8_t* data, std::size_t size,
                               std::uint32_t width, std::uint32_t height, std::uint32_t mipLevels,
                               std::uint32_t usage, Format format, std::uint32_t pool, std::uint32_t filter,
                               std::uint32_t mipFilter, Color colorKey, SImageInfo* srcInfo,
                               Texture** texture)
{
    SImage image;
    std::string error;
    if (!detail::ReadImage(data, size, 0, &image, &error))
        return Report("cannot read image", name, error, D3DXERR_INVALIDDATA);
    if (srcInfo) *srcInfo = image.info;
    const std::uint32_t w = width == 0 || width == D3DX_DEFAULT ? image.info.Width : width;
    const std::uint32_t h = height == 0 || height == D3DX_DEFAULT ? image.info.Height : height;
    Format f = format == D3DFMT_UNKNOWN ? image.format : format;
    if (!Loadable(f)) f = GetFormatInfo(image.format).alpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
    const std::uint32_t levels = mipLevels == D3DX_DEFAULT ? 0 : mipLevels;
    if (usage & (D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL))
        return Report("cannot load image", name, "render targets cannot be filled from files",
                      D3DERR_INVALIDCALL);
    NoteDither(filter);
    NoteDither(mipFilter);
    // Default-pool textures cannot be locked: they are filled in system
    // memory and copied over, as Direct3D code does by hand.
    const bool staged = pool == D3DPOOL_DEFAULT && !(usage & D3DUSAGE_DYNAMIC);
    Texture* fill = nullptr;
    HResult hr =
        device->CreateTexture(w, h, levels, staged ? 0 : usage, f, staged ? D3DPOOL_SYSTEMMEM : pool, &fill);
    if (Failed(hr)) return Report("cannot create texture for", name, "CreateTexture failed", hr);
    hr = FillTexture(fill, image, filter, mipFilter, colorKey);
    if (Succeeded(hr) && staged)
    {
        Texture* target = nullptr;
        hr = device->CreateTexture(w, h, levels, usage, f, pool, &target);
        if (Succeeded(hr)) hr = device->UpdateTexture(fill, target);
        fill->Release();
        fill = target;
        if (Failed(hr) && target)
        {
            target->Release();
            fill = nullptr;
        }
    }
    if (Failed(hr))
    {
        if (fill) fill->Release();
        return Report("cannot fill texture from", name, "a level could not be written", hr);
    }
    *texture = fill;
    return D3D_OK;
}

} // namespace

HResult D3DXCreateTextureFromFileInMemoryEx(Device* device, const void* data, std::size_t size,
                                            std::uint32_t width, std::uint32_t height,
                                            std::uint32_t mipLevels, std::uint32_t usage, Format format,
                                            std::uint32_t pool, std::uint32_t filter, std::uint32_t mipFilter,
                                            Color colorKey, SImageInfo* srcInfo, void*, Texture** texture)
{
    if (!device || !data || !texture) return D3DERR_INVALIDCALL;
    *texture = nullptr;
    return CreateTextureFromImage(device, "(memory)", static_cast<const std::uint8_t*>(data), size, width,
                                  height, mipLevels, usage, format, pool, filter, mipFilter, colorKey,
                                  srcInfo, texture);
}

HResult D3DXCreateTextureFromFileExA(Device* device, const char* path, std::uint32_t width,
                                     std::uint32_t height, std::uint32_t mipLevels, std::uint32_t usage,
                                     Format format, std::uint32_t pool, std::uint32_t filter,
                                     std::uint32_t mipFilter, Color colorKey, SImageInfo* srcInfo, void*,
                                     Texture** texture)
{
    t_lastError.clear();
    if (!device || !path || !texture) return D3DERR_INVALIDCALL;
    *texture = nullptr;
    std::vector<std::uint8_t> bytes;
    std::string error;
    bool missing = false;
    if (!detail::ReadFileBytes(path, &bytes, &missing, &error))
        return Report("cannot open image", path, error, missing ? D3DERR_NOTFOUND : D3DXERR_INVALIDDATA);
    return CreateTextureFromImage(device, path, bytes.data(), bytes.size(), width, height, mipLevels, usage,
                                  format, pool, filter, mipFilter, colorKey, srcInfo, texture);
}

const char* D3DXGetLastErrorText()
{
    return t_lastError.c_str();
}

// ---------------------------------------------------------------- surfaces

namespace
{

HResult LoadSurfaceFromImage(Surface* dst, const Rect* dstRect, const char* name, const std::uint8_t* data,
                             std::size_t size, const Rect* srcRect, std::uint32_t filter, Color colorKey,
                             SImageInfo* srcInfo)
{
    SImage image;
    std::string error;
    if (!detail::ReadImage(data, size, 1, &image, &error))
        return Report("cannot read image", name, error, D3DXERR_INVALIDDATA);
    if (srcInfo) *srcInfo = image.info;
    std::vector<std::uint32_t> argb;
    detail::LevelToArgb(image, 0, &argb);
    const std::uint32_t iw = image.levels[0].width, ih = image.levels[0].height;
    if (srcRect)
    {
        if (!ValidRect(*srcRect, iw, ih)) return D3DERR_INVALIDCALL;
        const std::uint32_t w = std::uint32_t(srcRect->right - srcRect->left);
        const std::uint32_t h = std::uint32_t(srcRect->bottom - srcRect->top);
        std::vector<std::uint32_t> part(std::size_t(w) * h);
        for (std::uint32_t y = 0; y < h; ++y)
            std::memcpy(part.data() + std::size_t(y) * w,
                        argb.data() + std::size_t(srcRect->top + y) * iw + srcRect->left, std::size_t(w) * 4);
        argb.swap(part);
        const HResult hr = ScaleInto(dst, dstRect, argb, w, h, filter, colorKey);
        return Failed(hr) ? Report("cannot load image into surface", name, "bad rectangle or surface", hr)
                          : hr;
    }
    const HResult hr = ScaleInto(dst, dstRect, argb, iw, ih, filter, colorKey);
    return Failed(hr) ? Report("cannot load image into surface", name, "bad rectangle or surface", hr) : hr;
}

} // namespace

HResult D3DXLoadSurfaceFromFileInMemory(Surface* dst, const void*, const Rect* dstRect, const void* data,
                                        std::size_t size, const Rect* srcRect, std::uint32_t filter,
                                        Color colorKey, SImageInfo* srcInfo)
{
    if (!dst || !data) return D3DERR_INVALIDCALL;
    return LoadSurfaceFromImage(dst, dstRect, "(memory)", static_cast<const std::uint8_t*>(data), size,
                                srcRect, filter, colorKey, srcInfo);
}

HResult D3DXLoadSurfaceFromFileA(Surface* dst, const void*, const Rect* dstRect, const char* path,
                                 const Rect* srcRect, std::uint32_t filter, Color colorKey,
                                 SImageInfo* srcInfo)
{
    t_lastError.clear();
    if (!dst || !path) return D3DERR_INVALIDCALL;
    std::vector<std::uint8_t> bytes;
    std::string error;
    bool missing = false;
    if (!detail::ReadFileBytes(path, &bytes, &missing, &error))
        return Report("cannot open image", path, error, missing ? D3DERR_NOTFOUND : D3DXERR_INVALIDDATA);
    return LoadSurfaceFromImage(dst, dstRect, path, bytes.data(), bytes.size(), srcRect, filter, colorKey,
                                srcInfo);
}

HResult D3DXLoadSurfaceFromSurface(Surface* dst, const void*, const Rect* dstRect, Surface* src, const void*,
                                   const Rect* srcRect, std::uint32_t filter, Color colorKey)
{
    if (!dst || !src) return D3DERR_INVALIDCALL;
    SSurfaceDesc sd{};
    src->GetDesc(&sd);
    const Rect r = srcRect ? *srcRect : Rect{0, 0, std::int32_t(sd.Width), std::int32_t(sd.Height)};
    if (!ValidRect(r, sd.Width, sd.Height)) return D3DERR_INVALIDCALL;
    std::vector<std::uint32_t> argb;
    // Read in full before the destination is locked: the two may be one.
    HResult hr = ReadSurface(src, r, &argb);
    if (Failed(hr)) return hr;
    return ScaleInto(dst, dstRect, argb, std::uint32_t(r.right - r.left), std::uint32_t(r.bottom - r.top),
                     filter, colorKey);
}

} // namespace plat::d3d
