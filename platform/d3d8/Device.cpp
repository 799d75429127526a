// Device creation, presentation, loss and reset, resources, render targets
// and drawing. The state setters live in Device_State.cpp.
#include "platform/d3d8/D3D8.h"

#include "platform/Debug.h"
#include "platform/Window.h"
#include "platform/d3d8/DeviceCore.h"
#include "platform/d3d8/Format.h"
#include "platform/d3d8/StateBlock.h"
#include "platform/d3d8/gl/GlBackend.h"
#include "platform/detail/WindowInternal.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <cstring>
#include <mutex>

namespace plat::d3d
{

using detail::CGlBackend;

namespace
{

// The window the layer makes itself for devices given none (tools, tests
// and benchmarks that draw off screen). It is made once and kept for the
// process: destroying the last GL window unloads the driver, and a driver
// loaded and unloaded per device costs time and leaves its allocations
// unattributable.
SDL_Window* OwnWindow()
{
    static std::uint32_t s_id = 0;
    static std::mutex s_mutex;
    std::lock_guard lock(s_mutex);
    if (!plat::detail::InitVideo()) return nullptr;
    // The video subsystem may have been shut down and started again since
    // (ShutdownWindows): look the window up by id rather than keep a pointer.
    SDL_Window* w = s_id ? SDL_GetWindowFromID(s_id) : nullptr;
    if (!w)
    {
        w = SDL_CreateWindow("d3d8", 0, 0, 64, 64, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        s_id = w ? SDL_GetWindowID(w) : 0;
    }
    return w;
}

std::uint32_t VerticesFor(std::uint32_t type, std::uint32_t prims)
{
    switch (type)
    {
    case D3DPT_POINTLIST:
        return prims;
    case D3DPT_LINELIST:
        return prims * 2;
    case D3DPT_LINESTRIP:
        return prims + 1;
    case D3DPT_TRIANGLELIST:
        return prims * 3;
    case D3DPT_TRIANGLESTRIP:
    case D3DPT_TRIANGLEFAN:
        return prims + 2;
    default:
        return 0;
    }
}

} // namespace

Device::Device(Direct3D*, plat::Window* window, std::uint32_t behaviour, const SPresentParameters& params)
    : m_pCore(std::make_shared<detail::SDeviceCore>()), m_pLive(std::make_unique<detail::SStateData>()),
      m_pUpdate(m_pLive.get()), m_pWindow(window), m_nBehaviour(behaviour), m_params(params)
{
    m_pCore->owner = std::this_thread::get_id();
    for (int i = 0; i < 256; ++i)
        m_gamma.red[i] = m_gamma.green[i] = m_gamma.blue[i] = std::uint16_t(i * 257);
}

Device::~Device()
{
    m_stateBlocks.clear();
    m_pRecording.reset();
    if (m_pLive) m_pLive->ReleaseReferences();
    if (m_pRenderTarget) m_pRenderTarget->Release();
    if (m_pDepth) m_pDepth->Release();
    if (m_pBackBuffer) m_pBackBuffer->Release();
    if (m_pAutoDepth) m_pAutoDepth->Release();
    m_pBackend.reset();
    {
        std::lock_guard lock(m_pCore->mutex);
        m_pCore->alive = false;
        m_pCore->backend = nullptr;
        m_pCore->graveyard.clear();
    }
}

bool Device::IsOwnerThread() const
{
    return m_pCore->OnOwnerThread();
}

HResult Device::Init()
{
    SDL_Window* sdl = nullptr;
    if (m_pWindow)
        sdl = plat::detail::GetSdlWindow(m_pWindow);
    else
    {
        sdl = OwnWindow();
        m_pOwnWindow = sdl;
    }
    if (!sdl) return D3DERR_NOTAVAILABLE;
    if (m_params.Windowed && (m_params.BackBufferWidth == 0 || m_params.BackBufferHeight == 0))
    {
        int w = 0, h = 0;
        SDL_GetWindowSize(sdl, &w, &h);
        if (m_params.BackBufferWidth == 0) m_params.BackBufferWidth = std::uint32_t(std::max(w, 1));
        if (m_params.BackBufferHeight == 0) m_params.BackBufferHeight = std::uint32_t(std::max(h, 1));
    }
    if (m_params.BackBufferFormat == D3DFMT_UNKNOWN) m_params.BackBufferFormat = D3DFMT_X8R8G8B8;
    if (m_params.BackBufferCount == 0) m_params.BackBufferCount = 1;
    m_pBackend = std::make_unique<CGlBackend>(m_pCore);
    std::string error;
    if (!m_pBackend->Init(sdl, &error))
    {
        plat::OutputDebugString(("Direct3D layer: " + error + "\n").c_str());
        m_pBackend.reset();
        return D3DERR_NOTAVAILABLE;
    }
    m_pCore->backend = m_pBackend.get();
    m_pBackend->SetSwapInterval(!m_params.Windowed &&
                                m_params.FullScreen_PresentationInterval != D3DPRESENT_INTERVAL_IMMEDIATE);
    const HResult hr = CreateImplicitSurfaces();
    if (Failed(hr)) return hr;
    ResetStatesToDefaults();
    return D3D_OK;
}

HResult Device::CreateImplicitSurfaces()
{
    const std::uint32_t w = m_params.BackBufferWidth, h = m_params.BackBufferHeight;
    if (!m_pBackBuffer)
        m_pBackBuffer =
            new Surface(m_pCore, nullptr, 0, m_params.BackBufferFormat, w, h, D3DPOOL_DEFAULT,
                        D3DUSAGE_RENDERTARGET, (m_params.Flags & D3DPRESENTFLAG_LOCKABLE_BACKBUFFER) != 0);
    else
    {
        // Reset keeps the objects the application holds and gives them
        // storage of the new size.
        if (m_pBackBuffer->m_pGl) m_pCore->Bury(detail::EGlKind::Texture, m_pBackBuffer->m_pGl->texture);
        m_pBackBuffer->m_pGl.reset();
        m_pBackBuffer->m_nWidth = w;
        m_pBackBuffer->m_nHeight = h;
        m_pBackBuffer->m_format = m_params.BackBufferFormat;
        m_pBackBuffer->m_bLockable = (m_params.Flags & D3DPRESENTFLAG_LOCKABLE_BACKBUFFER) != 0;
    }
    m_pBackend->CreateSurfaceStorage(m_pBackBuffer);
    if (m_params.EnableAutoDepthStencil)
    {
        if (!m_pAutoDepth)
            m_pAutoDepth = new Surface(m_pCore, nullptr, 0, m_params.AutoDepthStencilFormat, w, h,
                                       D3DPOOL_DEFAULT, D3DUSAGE_DEPTHSTENCIL, false);
        else
        {
            if (m_pAutoDepth->m_pGl)
                m_pCore->Bury(detail::EGlKind::Renderbuffer, m_pAutoDepth->m_pGl->renderbuffer);
            m_pAutoDepth->m_pGl.reset();
            m_pAutoDepth->m_nWidth = w;
            m_pAutoDepth->m_nHeight = h;
            m_pAutoDepth->m_format = m_params.AutoDepthStencilFormat;
        }
        m_pBackend->CreateSurfaceStorage(m_pAutoDepth);
    }
    else if (m_pAutoDepth)
    {
        m_pAutoDepth->Release();
        m_pAutoDepth = nullptr;
    }
    auto replace = [](Surface*& slot, Surface* s)
    {
        if (s) s->AddRef();
        if (slot) slot->Release();
        slot = s;
    };
    replace(m_pRenderTarget, m_pBackBuffer);
    replace(m_pDepth, m_pAutoDepth);
    m_pBackend->SetTargets(m_pRenderTarget, m_pDepth);
    m_pBackend->MarkDirty(detail::kDirtyAll);
    return D3D_OK;
}

void Device::ResetStatesToDefaults()
{
    m_pLive->ReleaseReferences();
    m_pLive->SetDefaults(m_pAutoDepth != nullptr, m_params.BackBufferWidth, m_params.BackBufferHeight);
    m_pLive->ClearChanged();
    m_pBackend->MarkDirty(detail::kDirtyAll);
}

void Device::MarkLive(std::uint32_t dirtyBits)
{
    if (m_pUpdate == m_pLive.get() && m_pBackend) m_pBackend->MarkDirty(dirtyBits);
}

// ---------------------------------------------------------------- device

HResult Device::TestCooperativeLevel()
{
    if (!m_params.Windowed && m_pWindow)
    {
        // A full-screen device loses its surfaces when its window loses the
        // focus, and may be reset once the window has it back. A window that
        // has not had the focus yet (one just shown, or one on a display
        // without a desktop) loses nothing.
        SDL_Window* w = plat::detail::GetSdlWindow(m_pWindow);
        const bool focus = w && (SDL_GetWindowFlags(w) & SDL_WINDOW_INPUT_FOCUS);
        if (m_nLost == 0 && !focus && m_bHadFocus) m_nLost = 1;
        if (m_nLost == 1 && focus) m_nLost = 2;
        m_bHadFocus = focus;
    }
    if (m_nLost == 1) return D3DERR_DEVICELOST;
    if (m_nLost == 2) return D3DERR_DEVICENOTRESET;
    return D3D_OK;
}

void Device::SimulateDeviceLoss(bool restorable)
{
    m_nLost = restorable ? 2 : 1;
}

std::uint32_t Device::GetAvailableTextureMem() const
{
    const std::int64_t total = 512ll << 20;
    const std::int64_t left = total - m_pCore->textureBytes.load();
    return std::uint32_t(std::clamp<std::int64_t>(left, 0, total));
}

HResult Device::ResourceManagerDiscardBytes(std::uint32_t)
{
    return D3D_OK; // managed textures keep their CPU copy; nothing to evict
}

HResult Device::GetDeviceCaps(SCaps* caps) const
{
    if (!caps) return D3DERR_INVALIDCALL;
    *caps = LayerCaps(D3DDEVTYPE_HAL);
    return D3D_OK;
}

HResult Device::GetDisplayMode(SDisplayMode* mode) const
{
    if (!mode) return D3DERR_INVALIDCALL;
    *mode = {m_params.BackBufferWidth, m_params.BackBufferHeight, m_params.FullScreen_RefreshRateInHz,
             m_params.BackBufferFormat};
    return D3D_OK;
}

HResult Device::Reset(SPresentParameters* params)
{
    if (!params) return D3DERR_INVALIDCALL;
    if (m_nLost == 1) return D3DERR_DEVICELOST;
    if (!IsOwnerThread()) return D3DERR_INVALIDCALL;
    if (params->EnableAutoDepthStencil && params->AutoDepthStencilFormat != D3DFMT_D16 &&
        params->AutoDepthStencilFormat != D3DFMT_D24S8 && params->AutoDepthStencilFormat != D3DFMT_D24X8 &&
        params->AutoDepthStencilFormat != D3DFMT_D24X4S4)
        return D3DERR_INVALIDCALL;
    // As in Direct3D, every default-pool object the application made must be
    // released first; they cannot survive a reset.
    if (m_pCore->defaultPoolObjects.load() > 0)
    {
        m_nLost = 2;
        return D3DERR_INVALIDCALL;
    }
    if (m_pRecording) m_pRecording.reset();
    m_params = *params;
    if (m_params.Windowed && (m_params.BackBufferWidth == 0 || m_params.BackBufferHeight == 0))
    {
        int w = 0, h = 0;
        SDL_Window* sdl =
            m_pWindow ? plat::detail::GetSdlWindow(m_pWindow) : static_cast<SDL_Window*>(m_pOwnWindow);
        if (sdl) SDL_GetWindowSize(sdl, &w, &h);
        m_params.BackBufferWidth =
            m_params.BackBufferWidth ? m_params.BackBufferWidth : std::uint32_t(std::max(w, 1));
        m_params.BackBufferHeight =
            m_params.BackBufferHeight ? m_params.BackBufferHeight : std::uint32_t(std::max(h, 1));
    }
    if (m_params.BackBufferFormat == D3DFMT_UNKNOWN) m_params.BackBufferFormat = D3DFMT_X8R8G8B8;
    m_pBackend->SetSwapInterval(!m_params.Windowed &&
                                m_params.FullScreen_PresentationInterval != D3DPRESENT_INTERVAL_IMMEDIATE);
    const HResult hr = CreateImplicitSurfaces();
    if (Failed(hr)) return hr;
    ResetStatesToDefaults();
    m_bInScene = false;
    m_nLost = 0;
    return D3D_OK;
}

HResult Device::Present(const Rect* src, const Rect* dst, plat::Window*, const void*)
{
    if (!IsOwnerThread()) return D3DERR_INVALIDCALL;
    if (src || dst)
    {
        static bool logged = false;
        if (!logged)
            plat::OutputDebugString(
                "Direct3D layer: Present rectangles are not supported; the whole frame is shown\n");
        logged = true;
    }
    if (TestCooperativeLevel() != D3D_OK) return D3DERR_DEVICELOST;
    const bool backBufferFree = m_params.SwapEffect == D3DSWAPEFFECT_DISCARD ||
                                (m_params.SwapEffect == D3DSWAPEFFECT_FLIP && m_params.BackBufferCount == 1);
    m_pBackend->Present(m_pBackBuffer, m_gamma, backBufferFree);
    return D3D_OK;
}

HResult Device::GetBackBuffer(std::uint32_t index, std::uint32_t, Surface** surface)
{
    if (!surface || index >= m_params.BackBufferCount) return D3DERR_INVALIDCALL;
    m_pBackBuffer->AddRef();
    *surface = m_pBackBuffer;
    return D3D_OK;
}

HResult Device::GetFrontBuffer(Surface* dest)
{
    if (!dest) return D3DERR_INVALIDCALL;
    // Only an image surface in system memory takes the copy, in the one
    // format the front buffer is handed out in.
    if (dest->GetFormat() != D3DFMT_A8R8G8B8 || dest->GetPool() != D3DPOOL_SYSTEMMEM ||
        dest->GetContainer() || dest->IsGpuOnly())
        return D3DERR_INVALIDCALL;
    // Reading the picture needs the GL context.
    if (!IsOwnerThread()) return D3DERR_INVALIDCALL;
    int width = 0, height = 0;
    m_pBackend->FrontBufferSize(&width, &height);
    if (dest->Width() != std::uint32_t(width) || dest->Height() != std::uint32_t(height))
        return D3DERR_INVALIDCALL;
    if (TestCooperativeLevel() != D3D_OK) return D3DERR_DEVICELOST;
    SLockedRect locked{};
    const HResult hr = dest->LockRect(&locked, nullptr, 0);
    if (Failed(hr)) return hr;
    m_pBackend->ReadFrontBuffer(static_cast<std::uint8_t*>(locked.pBits), std::size_t(locked.Pitch), width,
                                height);
    dest->UnlockRect();
    return D3D_OK;
}

void Device::SetGammaRamp(std::uint32_t, const SGammaRamp* ramp)
{
    if (ramp) m_gamma = *ramp;
}

void Device::GetGammaRamp(SGammaRamp* ramp) const
{
    if (ramp) *ramp = m_gamma;
}

void Device::SetStateCacheEnabled(bool enabled)
{
    m_pBackend->SetCacheEnabled(enabled);
}

void Device::WaitIdle()
{
    if (m_pBackend && IsOwnerThread()) m_pBackend->WaitIdle();
}

std::size_t Device::ProgramCount() const
{
    return m_pBackend->ProgramCount();
}

HResult Device::PrepareProgram(std::uint32_t fvf, std::uint32_t primitive)
{
    // Only the context owner compiles; loader threads never touch GL.
    if (!IsOwnerThread() || !m_pBackend || (fvf & 1)) return D3DERR_INVALIDCALL;
    if (primitive < D3DPT_POINTLIST || primitive > D3DPT_TRIANGLEFAN) return D3DERR_INVALIDCALL;
    detail::SDrawSetup setup = DrawSetup();
    if (setup.engineVs < 0) setup.fvf = fvf;
    return m_pBackend->PrepareProgram(*m_pLive, setup, primitive) ? D3D_OK : D3DERR_INVALIDCALL;
}

void Device::MarkLoadingFinished()
{
    m_pCore->loadingFinished.store(true, std::memory_order_relaxed);
}

SDeviceStatistics Device::GetStatistics() const
{
    SDeviceStatistics s;
    s.programs = m_pCore->programsCompiled.load(std::memory_order_relaxed);
    s.programsAfterLoading = m_pCore->programsAfterLoading.load(std::memory_order_relaxed);
    return s;
}

// ---------------------------------------------------------------- resources

HResult Device::CreateTexture(std::uint32_t width, std::uint32_t height, std::uint32_t levels,
                              std::uint32_t usage, Format format, std::uint32_t pool, Texture** texture)
{
    if (!texture) return D3DERR_INVALIDCALL;
    *texture = nullptr;
    if (width == 0 || height == 0 || width > 4096 || height > 4096) return D3DERR_INVALIDCALL;
    if (pool > D3DPOOL_SYSTEMMEM) return D3DERR_INVALIDCALL;
    if ((usage & D3DUSAGE_RENDERTARGET) && pool != D3DPOOL_DEFAULT) return D3DERR_INVALIDCALL;
    if ((usage & D3DUSAGE_DYNAMIC) && pool == D3DPOOL_MANAGED) return D3DERR_INVALIDCALL;
    Direct3D d3d;
    if (Failed(d3d.CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, usage & D3DUSAGE_RENDERTARGET,
                                     D3DRTYPE_TEXTURE, format)))
        return D3DERR_INVALIDCALL;
    if (GetFormatInfo(format).compressed && ((width | height) & 3) && (width > 2 || height > 2) &&
        ((width & 3) || (height & 3)))
    {
        // Direct3D allows compressed sizes that are not multiples of 4 only
        // below a block; larger ones are rounded up in memory anyway.
    }
    if ((usage & D3DUSAGE_RENDERTARGET) && !IsOwnerThread()) return D3DERR_INVALIDCALL;
    auto* t = new Texture(m_pCore, width, height, levels, usage, format, pool);
    if (usage & D3DUSAGE_RENDERTARGET) m_pBackend->EnsureTexture(t);
    *texture = t;
    return D3D_OK;
}

HResult Device::CreateVertexBuffer(std::uint32_t length, std::uint32_t usage, std::uint32_t fvf,
                                   std::uint32_t pool, VertexBuffer** vb)
{
    if (!vb) return D3DERR_INVALIDCALL;
    *vb = nullptr;
    if (length == 0 || pool > D3DPOOL_SYSTEMMEM) return D3DERR_INVALIDCALL;
    *vb = new VertexBuffer(m_pCore, D3DRTYPE_VERTEXBUFFER, length, usage, fvf, pool);
    return D3D_OK;
}

HResult Device::CreateIndexBuffer(std::uint32_t length, std::uint32_t usage, Format format,
                                  std::uint32_t pool, IndexBuffer** ib)
{
    if (!ib) return D3DERR_INVALIDCALL;
    *ib = nullptr;
    if (length == 0 || pool > D3DPOOL_SYSTEMMEM || (format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32))
        return D3DERR_INVALIDCALL;
    *ib = new IndexBuffer(m_pCore, D3DRTYPE_INDEXBUFFER, length, usage, format, pool);
    return D3D_OK;
}

HResult Device::CreateRenderTarget(std::uint32_t width, std::uint32_t height, Format format,
                                   std::uint32_t multiSample, bool lockable, Surface** surface)
{
    if (!surface) return D3DERR_INVALIDCALL;
    *surface = nullptr;
    if (width == 0 || height == 0 || multiSample != D3DMULTISAMPLE_NONE || !IsOwnerThread())
        return D3DERR_INVALIDCALL;
    if (format != D3DFMT_A8R8G8B8 && format != D3DFMT_X8R8G8B8 && format != D3DFMT_R5G6B5 &&
        format != D3DFMT_X1R5G5B5 && format != D3DFMT_A1R5G5B5)
        return D3DERR_INVALIDCALL;
    auto* s = new Surface(m_pCore, nullptr, 0, format, width, height, D3DPOOL_DEFAULT, D3DUSAGE_RENDERTARGET,
                          lockable);
    ++m_pCore->defaultPoolObjects;
    s->m_bCountsDefault = true;
    m_pBackend->CreateSurfaceStorage(s);
    *surface = s;
    return D3D_OK;
}

HResult Device::CreateDepthStencilSurface(std::uint32_t width, std::uint32_t height, Format format,
                                          std::uint32_t multiSample, Surface** surface)
{
    if (!surface) return D3DERR_INVALIDCALL;
    *surface = nullptr;
    if (width == 0 || height == 0 || multiSample != D3DMULTISAMPLE_NONE || !IsOwnerThread())
        return D3DERR_INVALIDCALL;
    if (format != D3DFMT_D16 && format != D3DFMT_D24S8 && format != D3DFMT_D24X8 && format != D3DFMT_D24X4S4)
        return D3DERR_INVALIDCALL;
    auto* s = new Surface(m_pCore, nullptr, 0, format, width, height, D3DPOOL_DEFAULT, D3DUSAGE_DEPTHSTENCIL,
                          false);
    ++m_pCore->defaultPoolObjects;
    s->m_bCountsDefault = true;
    m_pBackend->CreateSurfaceStorage(s);
    *surface = s;
    return D3D_OK;
}

HResult Device::CreateImageSurface(std::uint32_t width, std::uint32_t height, Format format,
                                   Surface** surface)
{
    if (!surface) return D3DERR_INVALIDCALL;
    *surface = nullptr;
    if (width == 0 || height == 0 || width > 16384 || height > 16384) return D3DERR_INVALIDCALL;
    const SFormatInfo info = GetFormatInfo(format);
    if (!info.known || info.depth) return D3DERR_INVALIDCALL;
    *surface = new Surface(m_pCore, nullptr, 0, format, width, height, D3DPOOL_SYSTEMMEM, 0, true);
    return D3D_OK;
}

HResult Device::CopyRects(Surface* src, const Rect* srcRects, std::uint32_t count, Surface* dst,
                          const Point* dstPoints)
{
    if (!src || !dst || src == dst) return D3DERR_INVALIDCALL;
    if (src->GetFormat() != dst->GetFormat()) return D3DERR_INVALIDCALL;
    const Format fmt = src->GetFormat();
    const SFormatInfo info = GetFormatInfo(fmt);
    if (info.depth) return D3DERR_INVALIDCALL;
    const Rect whole{0, 0, std::int32_t(src->Width()), std::int32_t(src->Height())};
    if (!srcRects) count = 1;
    const bool srcGpu = src->IsGpuOnly(), dstGpu = dst->IsGpuOnly();
    if ((srcGpu || dstGpu) && !IsOwnerThread()) return D3DERR_INVALIDCALL;
    // Validate every rectangle before copying any.
    for (std::uint32_t i = 0; i < count; ++i)
    {
        const Rect r = srcRects ? srcRects[i] : whole;
        const Point p = dstPoints ? dstPoints[i] : Point{r.left, r.top};
        if (r.left < 0 || r.top < 0 || r.right > whole.right || r.bottom > whole.bottom ||
            r.left >= r.right || r.top >= r.bottom)
            return D3DERR_INVALIDCALL;
        if (p.x < 0 || p.y < 0 || p.x + (r.right - r.left) > std::int32_t(dst->Width()) ||
            p.y + (r.bottom - r.top) > std::int32_t(dst->Height()))
            return D3DERR_INVALIDCALL;
        if (info.compressed && ((r.left | r.top | p.x | p.y) & 3)) return D3DERR_INVALIDCALL;
    }
    const std::size_t srcPitch = RowPitch(fmt, src->Width()), dstPitch = RowPitch(fmt, dst->Width());
    std::vector<std::uint8_t> dstImage;
    std::uint8_t* dstBase = nullptr;
    if (dstGpu)
    {
        dstImage.resize(ImageBytes(fmt, dst->Width(), dst->Height()));
        const Rect all{0, 0, std::int32_t(dst->Width()), std::int32_t(dst->Height())};
        if (!m_pBackend->ReadSurface(dst, all, dstImage.data(), dstPitch)) return D3DERR_INVALIDCALL;
        dstBase = dstImage.data();
    }
    else
        dstBase = dst->Cpu().data();
    for (std::uint32_t i = 0; i < count; ++i)
    {
        const Rect r = srcRects ? srcRects[i] : whole;
        const Point p = dstPoints ? dstPoints[i] : Point{r.left, r.top};
        const std::uint32_t rows = RowCount(fmt, std::uint32_t(r.bottom - r.top));
        const std::size_t rowBytes = RowPitch(fmt, std::uint32_t(r.right - r.left));
        const std::uint32_t srcRow0 = info.compressed ? std::uint32_t(r.top) / 4 : std::uint32_t(r.top);
        const std::uint32_t dstRow0 = info.compressed ? std::uint32_t(p.y) / 4 : std::uint32_t(p.y);
        const std::size_t srcCol = RowPitch(fmt, std::uint32_t(r.left));
        const std::size_t dstCol = RowPitch(fmt, std::uint32_t(p.x));
        if (srcGpu)
        {
            std::vector<std::uint8_t> tmp(rowBytes * rows);
            if (!m_pBackend->ReadSurface(src, r, tmp.data(), rowBytes)) return D3DERR_INVALIDCALL;
            for (std::uint32_t y = 0; y < rows; ++y)
                std::memcpy(dstBase + (dstRow0 + y) * dstPitch + dstCol, tmp.data() + y * rowBytes, rowBytes);
        }
        else
        {
            const std::uint8_t* s = src->Cpu().data();
            for (std::uint32_t y = 0; y < rows; ++y)
                std::memcpy(dstBase + (dstRow0 + y) * dstPitch + dstCol,
                            s + (srcRow0 + y) * srcPitch + srcCol, rowBytes);
        }
    }
    if (dstGpu)
        m_pBackend->WriteSurface(dst, dstImage.data(), dstPitch);
    else
        dst->Touch();
    return D3D_OK;
}

HResult Device::UpdateTexture(Texture* src, Texture* dst)
{
    if (!src || !dst) return D3DERR_INVALIDCALL;
    if (src->GetPool() != D3DPOOL_SYSTEMMEM || dst->GetPool() != D3DPOOL_DEFAULT) return D3DERR_INVALIDCALL;
    if (src->GetFormat() != dst->GetFormat() || (dst->GetUsage() & D3DUSAGE_RENDERTARGET))
        return D3DERR_INVALIDCALL;
    if (dst->GetLevelCount() > src->GetLevelCount()) return D3DERR_INVALIDCALL;
    // A source with more levels is matched from the level of the same size.
    std::uint32_t first = 0;
    while (first < src->GetLevelCount() && src->LevelSurface(first)->Width() != dst->LevelSurface(0)->Width())
        ++first;
    if (first + dst->GetLevelCount() > src->GetLevelCount() ||
        src->LevelSurface(first)->Height() != dst->LevelSurface(0)->Height())
        return D3DERR_INVALIDCALL;
    for (std::uint32_t l = 0; l < dst->GetLevelCount(); ++l)
        dst->LevelSurface(l)->Cpu() = src->LevelSurface(first + l)->Cpu();
    dst->BumpVersion();
    return D3D_OK;
}

// ---------------------------------------------------------------- targets and frame

HResult Device::SetRenderTarget(Surface* target, Surface* depth)
{
    if (!IsOwnerThread()) return D3DERR_INVALIDCALL;
    if (target && !(target->GetUsage() & D3DUSAGE_RENDERTARGET)) return D3DERR_INVALIDCALL;
    if (depth && !(depth->GetUsage() & D3DUSAGE_DEPTHSTENCIL)) return D3DERR_INVALIDCALL;
    Surface* newTarget = target ? target : m_pRenderTarget;
    if (depth && newTarget && (depth->Width() < newTarget->Width() || depth->Height() < newTarget->Height()))
        return D3DERR_INVALIDCALL;
    if (newTarget) newTarget->AddRef();
    if (depth) depth->AddRef();
    if (m_pRenderTarget) m_pRenderTarget->Release();
    if (m_pDepth) m_pDepth->Release();
    m_pRenderTarget = newTarget;
    m_pDepth = depth;
    m_pBackend->SetTargets(m_pRenderTarget, m_pDepth);
    // A new target gets a viewport covering it, as in Direct3D.
    if (newTarget)
    {
        m_pLive->viewport = SViewport{0, 0, newTarget->Width(), newTarget->Height(), 0.0f, 1.0f};
        m_pBackend->MarkDirty(detail::kDirtyTargets | detail::kDirtyMisc | detail::kDirtyRaster);
    }
    return D3D_OK;
}

HResult Device::GetRenderTarget(Surface** target)
{
    if (!target) return D3DERR_INVALIDCALL;
    *target = m_pRenderTarget;
    if (m_pRenderTarget) m_pRenderTarget->AddRef();
    return m_pRenderTarget ? D3D_OK : D3DERR_NOTFOUND;
}

HResult Device::GetDepthStencilSurface(Surface** depth)
{
    if (!depth) return D3DERR_INVALIDCALL;
    *depth = m_pDepth;
    if (m_pDepth) m_pDepth->AddRef();
    return m_pDepth ? D3D_OK : D3DERR_NOTFOUND;
}

HResult Device::BeginScene()
{
    if (m_bInScene) return D3DERR_INVALIDCALL;
    m_bInScene = true;
    return D3D_OK;
}

HResult Device::EndScene()
{
    if (!m_bInScene) return D3DERR_INVALIDCALL;
    m_bInScene = false;
    return D3D_OK;
}

HResult Device::Clear(std::uint32_t count, const SRect* rects, std::uint32_t flags, Color color, float z,
                      std::uint32_t stencil)
{
    if (!IsOwnerThread()) return D3DERR_INVALIDCALL;
    if ((flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) && !m_pDepth) return D3DERR_INVALIDCALL;
    if ((flags & D3DCLEAR_STENCIL) && m_pDepth->GetFormat() != D3DFMT_D24S8 &&
        m_pDepth->GetFormat() != D3DFMT_D24X4S4)
        return D3DERR_INVALIDCALL;
    if (z < 0.0f || z > 1.0f) return D3DERR_INVALIDCALL;
    if (m_nLost) return D3D_OK;
    m_pBackend->Clear(*m_pLive, count, rects, flags, color, z, stencil);
    return D3D_OK;
}

// ---------------------------------------------------------------- drawing

HResult Device::CheckDrawable() const
{
    if (!IsOwnerThread()) return D3DERR_INVALIDCALL;
    if (!m_pLive->stream) return D3DERR_INVALIDCALL;
    return D3D_OK;
}

HResult Device::DrawPrimitive(std::uint32_t type, std::uint32_t startVertex, std::uint32_t primitiveCount)
{
    const HResult hr = CheckDrawable();
    if (Failed(hr)) return hr;
    const std::uint32_t vertices = VerticesFor(type, primitiveCount);
    if (type < D3DPT_POINTLIST || type > D3DPT_TRIANGLEFAN) return D3DERR_INVALIDCALL;
    if (primitiveCount == 0 || m_nLost) return D3D_OK;
    const std::uint32_t stride = m_pLive->stride;
    if (stride == 0 || (std::uint64_t(startVertex) + vertices) * stride > m_pLive->stream->Size())
        return D3DERR_INVALIDCALL; // would read past the end of the buffer
    detail::SDrawSetup setup = DrawSetup();
    m_pBackend->Draw(*m_pLive, setup, type, startVertex, vertices, false, 0);
    return D3D_OK;
}

HResult Device::DrawIndexedPrimitive(std::uint32_t type, std::uint32_t minIndex, std::uint32_t numVertices,
                                     std::uint32_t startIndex, std::uint32_t primitiveCount)
{
    HResult hr = CheckDrawable();
    if (Failed(hr)) return hr;
    if (!m_pLive->indices) return D3DERR_INVALIDCALL;
    if (type < D3DPT_POINTLIST || type > D3DPT_TRIANGLEFAN) return D3DERR_INVALIDCALL;
    if (primitiveCount == 0 || m_nLost) return D3D_OK;
    const std::uint32_t indices = VerticesFor(type, primitiveCount);
    const std::uint32_t indexSize = m_pLive->indices->GetFormat() == D3DFMT_INDEX32 ? 4 : 2;
    if ((std::uint64_t(startIndex) + indices) * indexSize > m_pLive->indices->Size())
        return D3DERR_INVALIDCALL;
    const std::uint32_t stride = m_pLive->stride;
    if (stride == 0 ||
        (std::uint64_t(m_pLive->baseVertex) + minIndex + numVertices) * stride > m_pLive->stream->Size())
        return D3DERR_INVALIDCALL;
    detail::SDrawSetup setup = DrawSetup();
    m_pBackend->Draw(*m_pLive, setup, type, startIndex, numVertices, true, indices);
    return D3D_OK;
}

detail::SDrawSetup Device::DrawSetup() const
{
    detail::SDrawSetup s;
    const std::uint32_t vs = m_pLive->vertexShader;
    if (vs & 1)
    {
        const std::uint32_t index = vs >> 1;
        if (index < m_vertexShaders.size() && m_vertexShaders[index])
            s.engineVs = int(m_vertexShaders[index] - 1);
    }
    else
        s.fvf = vs;
    const std::uint32_t ps = m_pLive->pixelShader;
    if (ps && ps <= m_pixelShaders.size() && m_pixelShaders[ps - 1])
        s.enginePs = int(m_pixelShaders[ps - 1] - 1);
    return s;
}

} // namespace plat::d3d
