// The DirectDraw facade of the video player: 2-D surfaces shown in the game
// window before (and apart from) the 3-D device.
//
// Contract:
// - DirectDrawCreate gives the object; SetCooperativeLevel ties it to a
//   window (DDSCL_NORMAL, or DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN for a
//   display-mode change). SetDisplayMode needs the exclusive level; it makes
//   the window full screen in that mode, and RestoreDisplayMode (or the last
//   Release) puts the window back as it was.
// - Surfaces keep their pixels in memory (32-bit X8R8G8B8, or R5G6B5 in a
//   16-bit mode). The primary surface stands for the window's client area:
//   every Unlock of it and every Blt into it shows it in the window, scaled
//   to the window. Off-screen surfaces are what their description asks.
// - Lock gives the pixels (a sub-rectangle when asked); Blt fills
//   (DDBLT_COLORFILL) or copies, stretching with the nearest pixel.
// - Surfaces are lost, as DirectDraw's are, when an exclusive full-screen
//   window loses the focus or the display mode changes; calls on a lost
//   surface answer DDERR_SURFACELOST until Restore (whose content is then
//   black). SimulateSurfaceLoss does the same for tests.
// - The window is drawn through a GL context of the facade's own (or SDL's
//   window surface where the window has no GL); a context the caller had
//   current (the 3-D device's) is current again after every call.
// - Threads: the thread that owns the window, like every window call.
// - Ownership: objects are reference counted (plat::d3d::Unknown); surfaces
//   hold their DirectDraw object.
#pragma once

#include "platform/Types.h"
#include "platform/d3d8/D3D8.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace plat
{
class Window;
}

namespace plat::ddraw
{

constexpr HResult MakeDdError(std::uint32_t code)
{
    return static_cast<HResult>(0x88760000u | code);
}
constexpr HResult DD_OK = 0;
constexpr HResult DDERR_GENERIC = E_FAIL;
constexpr HResult DDERR_INVALIDPARAMS = E_INVALIDARG;
constexpr HResult DDERR_OUTOFMEMORY = E_OUTOFMEMORY;
constexpr HResult DDERR_UNSUPPORTED = E_NOTIMPL;
constexpr HResult DDERR_INVALIDCAPS = MakeDdError(100);
constexpr HResult DDERR_INVALIDMODE = MakeDdError(120);
constexpr HResult DDERR_INVALIDOBJECT = MakeDdError(130);
constexpr HResult DDERR_INVALIDRECT = MakeDdError(150);
constexpr HResult DDERR_NOCOOPERATIVELEVELSET = MakeDdError(212);
constexpr HResult DDERR_NOEXCLUSIVEMODE = MakeDdError(225);
constexpr HResult DDERR_SURFACEBUSY = MakeDdError(430);
constexpr HResult DDERR_SURFACELOST = MakeDdError(450);
constexpr HResult DDERR_PRIMARYSURFACEALREADYEXISTS = MakeDdError(564);
constexpr HResult DDERR_NOTLOCKED = MakeDdError(584);

// The constant's name of a result this facade gives ("DD_OK",
// "DDERR_SURFACELOST", ...), or null for any other value.
const char* DDErrorConstantName(HResult hr);

constexpr std::uint32_t DDSCL_FULLSCREEN = 0x1;
constexpr std::uint32_t DDSCL_NORMAL = 0x8;
constexpr std::uint32_t DDSCL_EXCLUSIVE = 0x10;

constexpr std::uint32_t DDSD_CAPS = 0x1;
constexpr std::uint32_t DDSD_HEIGHT = 0x2;
constexpr std::uint32_t DDSD_WIDTH = 0x4;
constexpr std::uint32_t DDSD_PITCH = 0x8;
constexpr std::uint32_t DDSD_LPSURFACE = 0x800;
constexpr std::uint32_t DDSD_PIXELFORMAT = 0x1000;

constexpr std::uint32_t DDSCAPS_OFFSCREENPLAIN = 0x40;
constexpr std::uint32_t DDSCAPS_PRIMARYSURFACE = 0x200;
constexpr std::uint32_t DDSCAPS_SYSTEMMEMORY = 0x800;
constexpr std::uint32_t DDSCAPS_VIDEOMEMORY = 0x4000;

constexpr std::uint32_t DDPF_RGB = 0x40;

constexpr std::uint32_t DDLOCK_WAIT = 0x1;
constexpr std::uint32_t DDLOCK_READONLY = 0x10;
constexpr std::uint32_t DDLOCK_WRITEONLY = 0x20;

constexpr std::uint32_t DDBLT_COLORFILL = 0x400;
constexpr std::uint32_t DDBLT_WAIT = 0x1000000;

struct SPixelFormat
{
    std::uint32_t dwSize = sizeof(SPixelFormat);
    std::uint32_t dwFlags = 0;
    std::uint32_t dwFourCC = 0;
    std::uint32_t dwRGBBitCount = 0;
    std::uint32_t dwRBitMask = 0, dwGBitMask = 0, dwBBitMask = 0, dwRGBAlphaBitMask = 0;
};

struct SSurfaceCaps
{
    std::uint32_t dwCaps = 0;
};

// The surface description. dwSize must be sizeof(SSurfaceDesc) (callers set
// it after clearing the record).
struct SSurfaceDesc
{
    std::uint32_t dwSize = 0;
    std::uint32_t dwFlags = 0;
    std::uint32_t dwHeight = 0;
    std::uint32_t dwWidth = 0;
    std::int32_t lPitch = 0;
    std::uint32_t dwBackBufferCount = 0;
    std::uint32_t dwRefreshRate = 0;
    std::uint32_t dwAlphaBitDepth = 0;
    std::uint32_t dwReserved = 0;
    void* lpSurface = nullptr;
    std::uint32_t colourKeys[8] = {};
    SPixelFormat ddpfPixelFormat;
    SSurfaceCaps ddsCaps;
};

struct SBltFx
{
    std::uint32_t dwSize = sizeof(SBltFx);
    std::uint32_t dwFillColor = 0; // in the destination's pixel format
};

class DirectDraw;
class CPresenter;

class DirectDrawSurface : public d3d::Unknown
{
public:
    HResult Lock(const Rect* rect, SSurfaceDesc* desc, std::uint32_t flags, void* event);
    HResult Unlock(const void* rect);
    HResult Blt(const Rect* dstRect, DirectDrawSurface* src, const Rect* srcRect, std::uint32_t flags,
                const SBltFx* fx);
    HResult Restore();
    HResult IsLost() const;
    HResult GetSurfaceDesc(SSurfaceDesc* desc) const;

    // Layer-internal.
    DirectDrawSurface(DirectDraw* owner, bool primary, std::uint32_t width, std::uint32_t height,
                      std::uint32_t bits);
    ~DirectDrawSurface() override;
    bool Primary() const { return m_bPrimary; }
    void MarkLost() { m_bLost = true; }
    std::uint32_t Width() const { return m_nWidth; }
    std::uint32_t Height() const { return m_nHeight; }
    std::uint32_t Bits() const { return m_nBits; }
    const std::vector<std::uint8_t>& Pixels() const { return m_pixels; }

private:
    std::uint32_t Pitch() const { return m_nWidth * (m_nBits / 8); }
    bool ClipRect(const Rect* in, Rect* out) const;
    void Shown(); // the primary changed: show it

    DirectDraw* m_pOwner;
    bool m_bPrimary;
    std::uint32_t m_nWidth, m_nHeight, m_nBits;
    std::vector<std::uint8_t> m_pixels;
    bool m_bLocked = false;
    bool m_bLost = false;
};

class DirectDraw : public d3d::Unknown
{
public:
    HResult SetCooperativeLevel(Window* window, std::uint32_t flags);
    HResult SetDisplayMode(std::uint32_t width, std::uint32_t height, std::uint32_t bitsPerPixel);
    HResult RestoreDisplayMode();
    HResult CreateSurface(SSurfaceDesc* desc, DirectDrawSurface** surface, void* outer);

    // Test hooks: loses every surface as a focus change would, and reads
    // what the window shows (A8R8G8B8 rows, top first) by drawing the
    // primary again into the window's back buffer.
    void SimulateSurfaceLoss();
    bool ReadWindow(std::vector<std::uint32_t>* argb, int* width, int* height);

    // Layer-internal.
    DirectDraw();
    ~DirectDraw() override;
    void Show(const DirectDrawSurface& primary);
    void SurfaceGone(DirectDrawSurface* surface);
    bool CheckFocus(); // false once an exclusive window has lost the focus

private:
    Window* m_pWindow = nullptr;
    std::uint32_t m_nLevel = 0;
    bool m_bModeSet = false;
    bool m_bHadFocus = false;
    std::uint32_t m_nModeWidth = 0, m_nModeHeight = 0, m_nModeBits = 32;
    struct SSavedWindow;
    std::unique_ptr<SSavedWindow> m_pSaved;
    std::unique_ptr<CPresenter> m_pPresenter;
    DirectDrawSurface* m_pPrimary = nullptr;    // not owned
    std::vector<DirectDrawSurface*> m_surfaces; // not owned; each holds this object
};

// The object, for the default display (guid and outer must be null).
HResult DirectDrawCreate(const void* guid, DirectDraw** ddraw, void* outer);

} // namespace plat::ddraw
