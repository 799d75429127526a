#include "platform/ddraw/DDraw.h"

#include "platform/Window.h"
#include "platform/d3d8/Format.h"
#include "platform/ddraw/Presenter.h"
#include "platform/detail/WindowInternal.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <cstring>

namespace plat::ddraw
{

const char* DDErrorConstantName(HResult hr)
{
    switch (hr)
    {
    case DD_OK:
        return "DD_OK";
    case DDERR_GENERIC:
        return "DDERR_GENERIC";
    case DDERR_INVALIDPARAMS:
        return "DDERR_INVALIDPARAMS";
    case DDERR_OUTOFMEMORY:
        return "DDERR_OUTOFMEMORY";
    case DDERR_UNSUPPORTED:
        return "DDERR_UNSUPPORTED";
    case DDERR_INVALIDCAPS:
        return "DDERR_INVALIDCAPS";
    case DDERR_INVALIDMODE:
        return "DDERR_INVALIDMODE";
    case DDERR_INVALIDOBJECT:
        return "DDERR_INVALIDOBJECT";
    case DDERR_INVALIDRECT:
        return "DDERR_INVALIDRECT";
    case DDERR_NOCOOPERATIVELEVELSET:
        return "DDERR_NOCOOPERATIVELEVELSET";
    case DDERR_NOEXCLUSIVEMODE:
        return "DDERR_NOEXCLUSIVEMODE";
    case DDERR_SURFACEBUSY:
        return "DDERR_SURFACEBUSY";
    case DDERR_SURFACELOST:
        return "DDERR_SURFACELOST";
    case DDERR_PRIMARYSURFACEALREADYEXISTS:
        return "DDERR_PRIMARYSURFACEALREADYEXISTS";
    case DDERR_NOTLOCKED:
        return "DDERR_NOTLOCKED";
    default:
        return nullptr;
    }
}

namespace
{

d3d::Format SurfaceFormat(std::uint32_t bits)
{
    return bits == 16 ? d3d::D3DFMT_R5G6B5 : d3d::D3DFMT_X8R8G8B8;
}

void Describe(SSurfaceDesc* d, std::uint32_t width, std::uint32_t height, std::uint32_t bits, bool primary)
{
    d->dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT;
    d->dwWidth = width;
    d->dwHeight = height;
    d->lPitch = std::int32_t(width * bits / 8);
    d->ddpfPixelFormat = SPixelFormat{};
    d->ddpfPixelFormat.dwFlags = DDPF_RGB;
    d->ddpfPixelFormat.dwRGBBitCount = bits;
    if (bits == 16)
    {
        d->ddpfPixelFormat.dwRBitMask = 0xF800;
        d->ddpfPixelFormat.dwGBitMask = 0x07E0;
        d->ddpfPixelFormat.dwBBitMask = 0x001F;
    }
    else
    {
        d->ddpfPixelFormat.dwRBitMask = 0xFF0000;
        d->ddpfPixelFormat.dwGBitMask = 0x00FF00;
        d->ddpfPixelFormat.dwBBitMask = 0x0000FF;
    }
    d->ddsCaps.dwCaps = primary ? DDSCAPS_PRIMARYSURFACE | DDSCAPS_VIDEOMEMORY
                                : DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
}

} // namespace

// ---------------------------------------------------------------- surfaces

DirectDrawSurface::DirectDrawSurface(DirectDraw* owner, bool primary, std::uint32_t width,
                                     std::uint32_t height, std::uint32_t bits)
    : m_pOwner(owner), m_bPrimary(primary), m_nWidth(width), m_nHeight(height), m_nBits(bits),
      m_pixels(std::size_t(width) * height * (bits / 8), 0)
{
    m_pOwner->AddRef();
}

DirectDrawSurface::~DirectDrawSurface()
{
    m_pOwner->SurfaceGone(this);
    m_pOwner->Release();
}

bool DirectDrawSurface::ClipRect(const Rect* in, Rect* out) const
{
    *out = in ? *in : Rect{0, 0, std::int32_t(m_nWidth), std::int32_t(m_nHeight)};
    return out->left >= 0 && out->top >= 0 && out->left < out->right && out->top < out->bottom &&
           std::uint32_t(out->right) <= m_nWidth && std::uint32_t(out->bottom) <= m_nHeight;
}

HResult DirectDrawSurface::IsLost() const
{
    return m_bLost ? DDERR_SURFACELOST : DD_OK;
}

HResult DirectDrawSurface::GetSurfaceDesc(SSurfaceDesc* desc) const
{
    if (!desc || desc->dwSize != sizeof(SSurfaceDesc)) return DDERR_INVALIDPARAMS;
    Describe(desc, m_nWidth, m_nHeight, m_nBits, m_bPrimary);
    return DD_OK;
}

HResult DirectDrawSurface::Lock(const Rect* rect, SSurfaceDesc* desc, std::uint32_t, void*)
{
    if (!desc || desc->dwSize != sizeof(SSurfaceDesc)) return DDERR_INVALIDPARAMS;
    m_pOwner->CheckFocus();
    if (m_bLost) return DDERR_SURFACELOST;
    if (m_bLocked) return DDERR_SURFACEBUSY;
    Rect r;
    if (!ClipRect(rect, &r)) return DDERR_INVALIDRECT;
    Describe(desc, m_nWidth, m_nHeight, m_nBits, m_bPrimary);
    desc->dwFlags |= DDSD_LPSURFACE;
    desc->lpSurface = m_pixels.data() + std::size_t(r.top) * Pitch() + std::size_t(r.left) * (m_nBits / 8);
    m_bLocked = true;
    return DD_OK;
}

HResult DirectDrawSurface::Unlock(const void*)
{
    if (!m_bLocked) return DDERR_NOTLOCKED;
    m_bLocked = false;
    if (m_bLost) return DDERR_SURFACELOST;
    Shown();
    return DD_OK;
}

HResult DirectDrawSurface::Restore()
{
    if (!m_pOwner->CheckFocus())
        return DDERR_NOEXCLUSIVEMODE; // nothing can be restored while the mode is away
    if (m_bLost)
    {
        std::fill(m_pixels.begin(), m_pixels.end(), std::uint8_t(0));
        m_bLost = false;
    }
    return DD_OK;
}

HResult DirectDrawSurface::Blt(const Rect* dstRect, DirectDrawSurface* src, const Rect* srcRect,
                               std::uint32_t flags, const SBltFx* fx)
{
    m_pOwner->CheckFocus();
    if (m_bLost || (src && src->m_bLost)) return DDERR_SURFACELOST;
    if (m_bLocked || (src && src->m_bLocked)) return DDERR_SURFACEBUSY;
    Rect d;
    if (!ClipRect(dstRect, &d)) return DDERR_INVALIDRECT;
    const std::uint32_t bpp = m_nBits / 8;
    if (flags & DDBLT_COLORFILL)
    {
        if (!fx || fx->dwSize != sizeof(SBltFx)) return DDERR_INVALIDPARAMS;
        for (std::int32_t y = d.top; y < d.bottom; ++y)
            for (std::int32_t x = d.left; x < d.right; ++x)
                std::memcpy(m_pixels.data() + std::size_t(y) * Pitch() + std::size_t(x) * bpp,
                            &fx->dwFillColor, bpp);
        Shown();
        return DD_OK;
    }
    if (!src) return DDERR_INVALIDPARAMS;
    Rect s;
    if (!src->ClipRect(srcRect, &s)) return DDERR_INVALIDRECT;
    // Nearest source pixel for each destination pixel, through A8R8G8B8
    // when the two formats differ. A surface blitted onto itself is read
    // from a copy.
    const std::vector<std::uint8_t> copy = src == this ? m_pixels : std::vector<std::uint8_t>();
    const std::uint8_t* from = src == this ? copy.data() : src->m_pixels.data();
    const std::uint32_t sbpp = src->m_nBits / 8;
    const std::int64_t dw = d.right - d.left, dh = d.bottom - d.top, sw = s.right - s.left,
                       sh = s.bottom - s.top;
    for (std::int64_t y = 0; y < dh; ++y)
    {
        const std::int64_t sy = s.top + (2 * y + 1) * sh / (2 * dh);
        for (std::int64_t x = 0; x < dw; ++x)
        {
            const std::int64_t sx = s.left + (2 * x + 1) * sw / (2 * dw);
            const std::uint8_t* sp = from + std::size_t(sy) * src->Pitch() + std::size_t(sx) * sbpp;
            std::uint8_t* dp =
                m_pixels.data() + std::size_t(d.top + y) * Pitch() + std::size_t(d.left + x) * bpp;
            if (sbpp == bpp)
                std::memcpy(dp, sp, bpp);
            else
            {
                std::uint32_t argb = 0;
                d3d::DecodeToArgb(SurfaceFormat(src->m_nBits), sp, sbpp, 1, 1, &argb);
                d3d::EncodeFromArgb(SurfaceFormat(m_nBits), &argb, 1, 1, dp, bpp);
            }
        }
    }
    Shown();
    return DD_OK;
}

void DirectDrawSurface::Shown()
{
    if (m_bPrimary) m_pOwner->Show(*this);
}

// ---------------------------------------------------------------- the object

struct DirectDraw::SSavedWindow
{
    std::uint32_t fullscreenFlags = 0;
    int x = 0, y = 0, w = 0, h = 0;
    bool hasMode = false;
    SDL_DisplayMode mode{};
};

HResult DirectDrawCreate(const void* guid, DirectDraw** ddraw, void* outer)
{
    if (!ddraw || guid || outer) return DDERR_INVALIDPARAMS;
    *ddraw = nullptr;
    if (!plat::detail::InitVideo()) return DDERR_GENERIC;
    *ddraw = new DirectDraw;
    return DD_OK;
}

DirectDraw::DirectDraw() = default;

DirectDraw::~DirectDraw()
{
    // Surfaces hold the object, so none is left here.
    RestoreDisplayMode();
    m_pPresenter.reset();
}

HResult DirectDraw::SetCooperativeLevel(Window* window, std::uint32_t flags)
{
    const bool exclusive = (flags & DDSCL_EXCLUSIVE) != 0;
    const bool fullscreen = (flags & DDSCL_FULLSCREEN) != 0;
    const bool normal = (flags & DDSCL_NORMAL) != 0;
    // Exclusive and full screen go together; normal stands alone.
    if (exclusive != fullscreen || normal == exclusive) return DDERR_INVALIDPARAMS;
    SDL_Window* sdl = window ? plat::detail::GetSdlWindow(window) : nullptr;
    if (!sdl) return DDERR_INVALIDPARAMS;
    if (window != m_pWindow) m_pPresenter = std::make_unique<CPresenter>(sdl);
    if (!exclusive) RestoreDisplayMode();
    m_pWindow = window;
    m_nLevel = flags;
    m_bHadFocus = (SDL_GetWindowFlags(sdl) & SDL_WINDOW_INPUT_FOCUS) != 0;
    return DD_OK;
}

HResult DirectDraw::SetDisplayMode(std::uint32_t width, std::uint32_t height, std::uint32_t bitsPerPixel)
{
    if (!m_pWindow) return DDERR_NOCOOPERATIVELEVELSET;
    if (!(m_nLevel & DDSCL_EXCLUSIVE)) return DDERR_NOEXCLUSIVEMODE;
    if (width == 0 || height == 0 || (bitsPerPixel != 16 && bitsPerPixel != 32)) return DDERR_INVALIDMODE;
    SDL_Window* sdl = plat::detail::GetSdlWindow(m_pWindow);
    const int display = std::max(0, SDL_GetWindowDisplayIndex(sdl));
    SDL_DisplayMode want{SDL_PIXELFORMAT_RGB888, int(width), int(height), 0, nullptr}, closest{};
    if (!SDL_GetClosestDisplayMode(display, &want, &closest)) return DDERR_INVALIDMODE;
    if (!m_pSaved)
    {
        m_pSaved = std::make_unique<SSavedWindow>();
        m_pSaved->fullscreenFlags = SDL_GetWindowFlags(sdl) & SDL_WINDOW_FULLSCREEN_DESKTOP;
        SDL_GetWindowPosition(sdl, &m_pSaved->x, &m_pSaved->y);
        SDL_GetWindowSize(sdl, &m_pSaved->w, &m_pSaved->h);
        m_pSaved->hasMode = SDL_GetWindowDisplayMode(sdl, &m_pSaved->mode) == 0;
    }
    // The display's closest mode may be larger than the one asked for: the
    // picture keeps the mode asked for (its surfaces' size), centred.
    SDL_SetWindowDisplayMode(sdl, &closest);
    if (SDL_SetWindowFullscreen(sdl, SDL_WINDOW_FULLSCREEN) != 0) return DDERR_INVALIDMODE;
    if (m_pPresenter) m_pPresenter->SetLogicalMode(true);
    m_bModeSet = true;
    m_nModeWidth = width;
    m_nModeHeight = height;
    m_nModeBits = bitsPerPixel;
    // Surfaces made for the old mode are gone with it.
    for (DirectDrawSurface* s : m_surfaces)
        s->MarkLost();
    return DD_OK;
}

HResult DirectDraw::RestoreDisplayMode()
{
    if (!m_pSaved || !m_pWindow) return DD_OK;
    SDL_Window* sdl = plat::detail::GetSdlWindow(m_pWindow);
    if (sdl)
    {
        SDL_SetWindowFullscreen(sdl, m_pSaved->fullscreenFlags);
        if (m_pSaved->hasMode) SDL_SetWindowDisplayMode(sdl, &m_pSaved->mode);
        if (!m_pSaved->fullscreenFlags)
        {
            SDL_SetWindowSize(sdl, m_pSaved->w, m_pSaved->h);
            SDL_SetWindowPosition(sdl, m_pSaved->x, m_pSaved->y);
        }
    }
    m_pSaved.reset();
    if (m_pPresenter) m_pPresenter->SetLogicalMode(false);
    if (m_bModeSet)
        for (DirectDrawSurface* s : m_surfaces)
            s->MarkLost();
    m_bModeSet = false;
    return DD_OK;
}

HResult DirectDraw::CreateSurface(SSurfaceDesc* desc, DirectDrawSurface** surface, void* outer)
{
    if (!desc || !surface || outer || desc->dwSize != sizeof(SSurfaceDesc) || !(desc->dwFlags & DDSD_CAPS))
        return DDERR_INVALIDPARAMS;
    *surface = nullptr;
    if (!m_pWindow) return DDERR_NOCOOPERATIVELEVELSET;
    const std::uint32_t caps = desc->ddsCaps.dwCaps;
    std::uint32_t bits = m_bModeSet ? m_nModeBits : 32;
    if (caps & DDSCAPS_PRIMARYSURFACE)
    {
        if (m_pPrimary) return DDERR_PRIMARYSURFACEALREADYEXISTS;
        if (desc->dwFlags & (DDSD_WIDTH | DDSD_HEIGHT))
            return DDERR_INVALIDPARAMS; // the primary's size is the screen's
        std::uint32_t w = m_nModeWidth, h = m_nModeHeight;
        if (!m_bModeSet)
        {
            Rect client;
            plat::GetClientRect(m_pWindow, &client);
            w = std::uint32_t(std::max(1, client.right - client.left));
            h = std::uint32_t(std::max(1, client.bottom - client.top));
        }
        m_pPrimary = new DirectDrawSurface(this, true, w, h, bits);
        m_surfaces.push_back(m_pPrimary);
        *surface = m_pPrimary;
        return DD_OK;
    }
    if (!(caps & DDSCAPS_OFFSCREENPLAIN)) return DDERR_INVALIDCAPS;
    if ((desc->dwFlags & (DDSD_WIDTH | DDSD_HEIGHT)) != (DDSD_WIDTH | DDSD_HEIGHT) || desc->dwWidth == 0 ||
        desc->dwHeight == 0 || desc->dwWidth > 16384 || desc->dwHeight > 16384)
        return DDERR_INVALIDPARAMS;
    if (desc->dwFlags & DDSD_PIXELFORMAT)
    {
        const SPixelFormat& pf = desc->ddpfPixelFormat;
        if (!(pf.dwFlags & DDPF_RGB) || (pf.dwRGBBitCount != 16 && pf.dwRGBBitCount != 32))
            return DDERR_INVALIDPARAMS;
        bits = pf.dwRGBBitCount;
    }
    auto* s = new DirectDrawSurface(this, false, desc->dwWidth, desc->dwHeight, bits);
    m_surfaces.push_back(s);
    *surface = s;
    return DD_OK;
}

void DirectDraw::SurfaceGone(DirectDrawSurface* surface)
{
    m_surfaces.erase(std::remove(m_surfaces.begin(), m_surfaces.end(), surface), m_surfaces.end());
    if (surface == m_pPrimary) m_pPrimary = nullptr;
}

bool DirectDraw::CheckFocus()
{
    if (!m_pWindow || !(m_nLevel & DDSCL_EXCLUSIVE)) return true;
    SDL_Window* sdl = plat::detail::GetSdlWindow(m_pWindow);
    const bool focus = sdl && (SDL_GetWindowFlags(sdl) & SDL_WINDOW_INPUT_FOCUS);
    if (focus)
    {
        m_bHadFocus = true;
        return true;
    }
    // A window that never had the focus (no desktop to give it) keeps its
    // surfaces; one that loses it loses them.
    if (!m_bHadFocus) return true;
    for (DirectDrawSurface* s : m_surfaces)
        s->MarkLost();
    return false;
}

void DirectDraw::Show(const DirectDrawSurface& primary)
{
    if (m_pPresenter)
        m_pPresenter->Show(primary.Pixels().data(), primary.Width(), primary.Height(), primary.Bits());
}

void DirectDraw::SimulateSurfaceLoss()
{
    for (DirectDrawSurface* s : m_surfaces)
        s->MarkLost();
}

bool DirectDraw::ReadWindow(std::vector<std::uint32_t>* argb, int* width, int* height)
{
    if (!m_pPresenter || !m_pPrimary) return false;
    return m_pPresenter->Show(m_pPrimary->Pixels().data(), m_pPrimary->Width(), m_pPrimary->Height(),
                              m_pPrimary->Bits(), argb, width, height);
}

} // namespace plat::ddraw
