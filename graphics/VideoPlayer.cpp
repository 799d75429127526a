#include "graphics/VideoPlayer.h"

#include "foundation/ErrorLog.h"
#include "foundation/Graphic.h"
#include "foundation/Texture.h"
#include "graphics/ModelManager.h"
#include "graphics/TexShaderManager.h"
#include "platform/Thread.h"
#include "platform/Time.h"
#include "platform/Window.h"
#include "platform/d3d8/D3D8.h"
#include "platform/ddraw/DDraw.h"

#include <cstdio>
#include <cstring>

using namespace plat;
using namespace plat::ddraw;

std::uint32_t g_iIBinkPlayer = 0;

namespace
{

constexpr std::int32_t kWindowWidth = 800;
constexpr std::int32_t kWindowHeight = 600;
constexpr std::uint32_t kTextureSide = 1024;

bool UnusableType(std::uint32_t type)
{
    return type == 0 || type == video::kVideoSurfaceNone;
}

IBaseInterface* CreateBinkPlayer()
{
    return new CBinkPlayer();
}

} // namespace

void RegisterBinkPlayer()
{
    RegisterClassFactory(&g_iIBinkPlayer, CreateBinkPlayer, "IGUID_IBinkPlayer");
}

// ---- the platform library and clock --------------------------------------

HBINK CVideoCalls::Open(const char* file, std::uint32_t flags)
{
    return video::OpenVideo(file, flags);
}
const char* CVideoCalls::LastError()
{
    return video::LastVideoError();
}
void CVideoCalls::Close(HBINK bink)
{
    video::CloseVideo(bink);
}
int CVideoCalls::DoFrame(HBINK bink)
{
    return video::DoFrame(bink);
}
int CVideoCalls::CopyToBuffer(HBINK bink, void* dest, std::int32_t pitch, std::uint32_t height,
                              std::uint32_t x, std::uint32_t y, std::uint32_t format)
{
    return video::CopyToBuffer(bink, dest, pitch, height, x, y, format);
}
int CVideoCalls::Wait(HBINK bink)
{
    return video::WaitVideo(bink);
}
void CVideoCalls::NextFrame(HBINK bink)
{
    video::NextFrame(bink);
}
std::uint32_t CVideoCalls::DDSurfaceType(DirectDrawSurface* surface)
{
    return video::DDSurfaceType(surface);
}
std::uint32_t CVideoCalls::D3DSurfaceType(d3d::Surface* surface)
{
    return video::D3DSurfaceType(surface);
}
void CVideoCalls::SetSoundSystem()
{
    video::UseDirectSound(nullptr);
}
void CVideoCalls::Sleep(std::uint32_t milliseconds)
{
    plat::Sleep(milliseconds);
}
std::int64_t CVideoCalls::Counter()
{
    std::int64_t count = 0;
    QueryPerformanceCounter(&count);
    return count;
}
std::int64_t CVideoCalls::Frequency()
{
    std::int64_t frequency = 1;
    QueryPerformanceFrequency(&frequency);
    return frequency;
}

// ---- CBinkPlayer ----------------------------------------------------------

CBinkPlayer::CBinkPlayer() = default;

CBinkPlayer::~CBinkPlayer()
{
    Done();
}

CGuidKey CBinkPlayer::GetGUID() const
{
    CGuidKey key;
    return *MakeGuidKeyConcat(&key, "IGUID_", "IBinkPlayer");
}

const char* CBinkPlayer::DDErrorName(HResult hr)
{
    const char* name = DDErrorConstantName(hr);
    return name ? name : "ERROR IS NOT DEFINED";
}

HResult CBinkPlayer::Init(Window* window)
{
    XTRACE("CBinkPlayer::Init()");
    Done();
    m_hWnd = window;
    m_nAreaX = 0;
    m_nAreaY = 0;
    m_nAreaWidth = kWindowWidth;
    m_nAreaHeight = kWindowHeight;
    m_nMode = 1;
    m_bOnScreen = false;
    return InitDirectDraw(false);
}

HResult CBinkPlayer::InitWindow(Window* window)
{
    XTRACE("CBinkPlayer::InitWindow()");
    return Init(window);
}

HResult CBinkPlayer::InitFullscreen(Window* window, int width, int height, int bitsPerPixel)
{
    XTRACE("CBinkPlayer::InitFullscreen()");
    Done();
    m_hWnd = window;
    m_nMode = 2;
    m_bOnScreen = false;
    m_nAreaX = 0;
    m_nAreaY = 0;
    m_nAreaWidth = width;
    m_nAreaHeight = height;
    m_nBitsPerPixel = bitsPerPixel;
    return InitDirectDraw(true);
}

HResult CBinkPlayer::CreatePrimary(const char* failureFormat)
{
    SSurfaceDesc desc;
    desc.dwSize = sizeof(desc);
    desc.dwFlags = DDSD_CAPS;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    const HResult hr = m_lpDDraw->CreateSurface(&desc, &m_lpDDrawSurface, nullptr);
    if (hr != DD_OK)
    {
        m_lpDDrawSurface = nullptr;
        g_ErrorLog.LogError(failureFormat, DDErrorName(hr));
    }
    return hr;
}

HResult CBinkPlayer::InitDirectDraw(bool exclusive)
{
    XTRACE("CBinkPlayer::InitDirectDraw()");
    m_bExclusive = exclusive;
    HResult hr = DirectDrawCreate(nullptr, &m_lpDDraw, nullptr);
    if (hr != DD_OK)
    {
        m_lpDDraw = nullptr;
        g_ErrorLog.LogError("Can`t create directdraw");
        Done();
        return hr;
    }
    hr =
        m_lpDDraw->SetCooperativeLevel(m_hWnd, exclusive ? DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN : DDSCL_NORMAL);
    if (hr != DD_OK)
    {
        g_ErrorLog.LogError("CBinkPlayer::InitDirectDraw::SetCooperativeLevel() return %s", DDErrorName(hr));
        if (Failed(hr))
        {
            Done();
            return hr;
        }
    }
    if (exclusive)
    {
        hr = m_lpDDraw->SetDisplayMode(std::uint32_t(m_nAreaWidth), std::uint32_t(m_nAreaHeight),
                                       std::uint32_t(m_nBitsPerPixel));
        if (hr != DD_OK)
            g_ErrorLog.LogError("CBinkPlayer::InitDirectDraw::SetDisplayMode() return %s", DDErrorName(hr));
    }
    DirectDrawSurface* made = nullptr;
    if (m_nMode == 1)
    {
        SSurfaceDesc desc;
        desc.dwSize = sizeof(desc);
        desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
        desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
        desc.dwWidth = kWindowWidth;
        desc.dwHeight = kWindowHeight;
        hr = m_lpDDraw->CreateSurface(&desc, &m_lpOffscreen, nullptr);
        if (hr != DD_OK)
        {
            m_lpOffscreen = nullptr;
            g_ErrorLog.LogError("CBinkPlayer::InitDirectDraw::CreateSurface( OFFSCREEN ) return %s",
                                DDErrorName(hr));
            if (Failed(hr))
            {
                Done();
                return hr;
            }
        }
        made = m_lpOffscreen;
    }
    else
    {
        hr = CreatePrimary("CBinkPlayer::InitDirectDraw::CreateSurface( PRIMARY ) return %s");
        if (Failed(hr))
        {
            g_ErrorLog.LogError("CBinkPlayer::InitDirectDraw(): Can`t create primary surface for video");
            Done();
            return hr;
        }
        made = m_lpDDrawSurface;
    }
    m_nSurfaceType = m_pCalls->DDSurfaceType(made);
    if (UnusableType(m_nSurfaceType))
    {
        Done();
        return E_FAIL;
    }
    m_pCalls->SetSoundSystem();
    if (!m_lpDDrawSurface)
    {
        hr = CreatePrimary("CBinkPlayer::PlayBink::IDirectDraw_CreateSurface( PRIMARY ) return %s");
        // The 3-D device may have left its last frame in the window: when it
        // has presented an odd number of frames, one more black frame puts
        // both of its buffers to black before the video covers them.
        if (graph.m_lpDevice && (graph.m_nFrameCount & 1))
        {
            graph.Clear(3, 0);
            graph.Present();
        }
        if (!m_lpDDrawSurface)
        {
            Done();
            return E_FAIL;
        }
    }
    return hr;
}

HResult CBinkPlayer::InitOnScreen(Window* window, const Rect& rVideo)
{
    XTRACE("CBinkPlayer::InitOnScreen( HWND hWnd, const RECT& rVideo )");
    Done();
    m_hWnd = window;
    m_nMode = 3;
    m_bOnScreen = true;
    m_VideoRect = rVideo;
    m_pTexture = new CTexture();
    m_pTexture->CreateTexture(kTextureSide, kTextureSide, 0, d3d::D3DFMT_A8R8G8B8, d3d::D3DPOOL_MANAGED, 0);
    if (!m_pTexture->m_lpTexture) return E_FAIL;
    const HResult hr = m_pTexture->m_lpTexture->GetSurfaceLevel(0, &m_lpTextureSurface);
    if (Failed(hr))
    {
        m_lpTextureSurface = nullptr;
        return hr;
    }
    m_nSurfaceType = m_pCalls->D3DSurfaceType(m_lpTextureSurface);
    if (UnusableType(m_nSurfaceType)) return E_FAIL;
    m_pCalls->SetSoundSystem();
    return S_OK;
}

void CBinkPlayer::Open(const char* file)
{
    if (!file) file = "";
    Close();
    m_hBink = m_pCalls->Open(file, video::kVideoOpenDefault);
    if (file != m_szFileName) std::snprintf(m_szFileName, sizeof(m_szFileName), "%s", file);
    m_bFileFailed = m_hBink == nullptr;
    // A video that cannot be played is skipped; the log says which and why.
    if (!m_hBink)
        g_ErrorLog.LogError("CBinkPlayer::Open(): can't play \"%s\": %s", file, m_pCalls->LastError());
    // One that is cut short plays what it holds, and says so.
    else if (m_hBink->FramesMissing)
        g_ErrorLog.LogError("CBinkPlayer::Open(): \"%s\" ends early: %u of its %u frames are missing", file,
                            m_hBink->FramesMissing, m_hBink->Frames + m_hBink->FramesMissing);
}

void CBinkPlayer::Close()
{
    if (m_hBink)
    {
        if (m_hBink->PicturesDamaged)
            g_ErrorLog.LogError("CBinkPlayer: \"%s\" is damaged: %u of its pictures did not decode",
                                m_szFileName, m_hBink->PicturesDamaged);
        m_pCalls->Close(m_hBink);
    }
    m_hBink = nullptr;
    m_bPaceStarted = false;
}

bool CBinkPlayer::DecodeCurrent()
{
    if (m_pCalls->DoFrame(m_hBink) == 0) return true;
    // A frame that does not decode will not decode later either: the video
    // ends here instead of being waited for.
    g_ErrorLog.LogError("CBinkPlayer: can't decode frame %u of \"%s\": %s", m_hBink->FrameNum, m_szFileName,
                        m_pCalls->LastError());
    m_bFileFailed = true;
    Close();
    return false;
}

void CBinkPlayer::PlayBink(const char* file, bool skipAllowed)
{
    XTRACE("CBinkPlayer::PlayBink()");
    m_bSkipAllowed = skipAllowed;
    Open(file);
    if (!m_hBink) return;

    const std::int32_t dx = (m_nAreaWidth - std::int32_t(m_hBink->Width)) / 2;
    const std::int32_t dy = (m_nAreaHeight - std::int32_t(m_hBink->Height)) / 2;
    if (dx >= 0 && dy >= 0)
    {
        m_nDestX = m_nAreaX + dx;
        m_nDestY = m_nAreaY + dy;
    }
    else
    {
        m_nDestX = m_nAreaX;
        m_nDestY = m_nAreaY;
    }

    Msg msg;
    if (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE))
    {
        TranslateMessage(&msg);
        DispatchMessage(&msg);
    }

    if (m_nMode != 3)
    {
        SBltFx fx;
        fx.dwFillColor = 0;
        if (m_lpDDrawSurface)
            m_lpDDrawSurface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
        else
            g_ErrorLog.LogError("CBinkPlayer::PlayBink() m_lpDDrawSurface not Created!");
        if (m_nMode == 1 && m_lpOffscreen)
            m_lpOffscreen->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
    }

    while (m_hBink)
    {
        if (m_pCalls->Wait(m_hBink) == 0)
        {
            if (m_bOnScreen)
                ShowFrame(false, true);
            else
                ShowFrameBink();
            if (m_hBink)
            {
                if (m_hBink->FrameNum != m_hBink->Frames)
                    m_pCalls->NextFrame(m_hBink);
                else
                    Close();
            }
        }
        else
            PaceSleep(500);

        if (!PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) continue;
        if (msg.message == WM_QUIT)
        {
            // The shell's loop must still see the quit request: the video
            // ends and the message goes back in the queue.
            Close();
            PostQuitMessage(int(msg.wParam));
            return;
        }
        if (skipAllowed && ((msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) ||
                            (msg.message == WM_COMMAND && msg.wParam == IDCANCEL) ||
                            (msg.message == WM_SYSCOMMAND && msg.wParam == SC_CLOSE)))
        {
            Close();
            return;
        }
        if (msg.message == WM_PAINT || msg.message == WM_ERASEBKGND) continue;
        TranslateMessage(&msg);
        DispatchMessage(&msg);
    }
}

HResult CBinkPlayer::LockCopyUnlock(DirectDrawSurface* surface, bool restoreLogs)
{
    SSurfaceDesc desc;
    desc.dwSize = sizeof(desc);
    HResult hr = surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr);
    if (hr == DDERR_SURFACELOST)
    {
        hr = surface->Restore();
        if (hr != DD_OK)
        {
            if (restoreLogs) g_ErrorLog.LogError("CBinkPlayer::ShowFrameBink(): Can`t restore surface");
            return hr;
        }
        desc = SSurfaceDesc{};
        desc.dwSize = sizeof(desc);
        hr = surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr);
    }
    if (hr != DD_OK) return hr;
    // The surface's own height bounds the copy: a video taller than the
    // surface is cut, never written past the locked memory.
    m_pCalls->CopyToBuffer(m_hBink, desc.lpSurface, desc.lPitch, desc.dwHeight, std::uint32_t(m_nDestX),
                           std::uint32_t(m_nDestY), m_nSurfaceType);
    return surface->Unlock(nullptr);
}

HResult CBinkPlayer::ShowFrameBink()
{
    XTRACE("CBinkPlayer::ShowFrameBink()");
    if (!m_hBink || !DecodeCurrent()) return E_FAIL;
    HResult hr = S_OK;
    if (m_nMode == 1 && m_lpOffscreen)
    {
        hr = LockCopyUnlock(m_lpOffscreen, true);
        if (m_lpDDrawSurface)
        {
            Rect src{0, 0, kWindowWidth, kWindowHeight};
            hr = m_lpDDrawSurface->Blt(nullptr, m_lpOffscreen, &src, DDBLT_WAIT, nullptr);
            if (hr != DD_OK) g_ErrorLog.LogError("CBinkPlayer::ShowFrameBink() Can`t m_lpDDrawSurface->Blt");
        }
        else
            g_ErrorLog.LogError("CBinkPlayer::ShowFrameBink() primary surface not create");
    }
    else if (m_nMode == 2 && m_lpDDrawSurface)
        hr = LockCopyUnlock(m_lpDDrawSurface, false);
    return hr;
}

void CBinkPlayer::ShowFrame(bool reopen, bool ownFrame)
{
    XTRACE("CBinkPlayer::ShowFrame()");
    if (reopen && !m_hBink && !m_bFileFailed && m_szFileName[0]) Open(m_szFileName);
    if (!m_hBink) return;
    if (!DecodeCurrent()) return;
    if (m_lpTextureSurface)
    {
        d3d::SLockedRect locked{};
        if (m_lpTextureSurface->LockRect(&locked, nullptr, 0) == S_OK)
        {
            m_pCalls->CopyToBuffer(m_hBink, locked.pBits, locked.Pitch, kTextureSide, 0, 0, m_nSurfaceType);
            m_lpTextureSurface->UnlockRect();
        }
    }
    if (ownFrame) graph.Clear(3, 0);

    const int w = m_VideoRect.right - m_VideoRect.left;
    const int h = m_VideoRect.bottom - m_VideoRect.top;
    int tex[4] = {0, 0, int(kTextureSide), int(kTextureSide)};
    Rect screen = m_VideoRect;
    if (ownFrame)
    {
        tex[2] = w * int(kTextureSide) / kWindowWidth;
        tex[3] = h * int(kTextureSide) / kWindowHeight;
        const int band = h * (kWindowHeight - int(m_hBink->Height)) / 1200;
        screen.top += band;
        screen.bottom -= band;
    }
    if (graph.m_lpDevice && g_pModelManager)
    {
        graph.m_lpDevice->BeginScene();
        g_pModelManager->DrawTexturedRect(screen.left, screen.top, screen.right, screen.bottom, tex[0],
                                          tex[1], tex[2], tex[3], m_pTexture,
                                          ownFrame ? SHADER_NORMAL : SHADER_ALPHA_EFFECT_NOLIGHT);
        graph.m_lpDevice->EndScene();
    }
    if (ownFrame)
    {
        graph.Present();
        return;
    }
    if (m_pCalls->Wait(m_hBink) == 0)
    {
        if (m_hBink->FrameNum != m_hBink->Frames)
            m_pCalls->NextFrame(m_hBink);
        else
            Close();
    }
}

HResult CBinkPlayer::Done()
{
    XTRACE("CBinkPlayer::Done()");
    Close();
    if (m_nMode == 2 && m_lpDDraw) m_lpDDraw->RestoreDisplayMode();
    m_nMode = 0;
    m_nAreaX = m_nAreaY = m_nAreaWidth = m_nAreaHeight = 0;
    m_nBitsPerPixel = 0;
    if (m_lpDDrawSurface) m_lpDDrawSurface->Release();
    m_lpDDrawSurface = nullptr;
    if (m_lpOffscreen) m_lpOffscreen->Release();
    m_lpOffscreen = nullptr;
    if (m_lpDDraw) m_lpDDraw->Release();
    m_lpDDraw = nullptr;
    if (m_lpTextureSurface) m_lpTextureSurface->Release();
    m_lpTextureSurface = nullptr;
    delete m_pTexture;
    m_pTexture = nullptr;
    return S_OK;
}

void CBinkPlayer::PaceSleep(int microseconds)
{
    if (!m_bPaceStarted)
    {
        m_bPaceStarted = true;
        m_nPaceDebt = 0;
        m_nPaceOversleep = 0;
        m_nCounterFrequency = m_pCalls->Frequency();
    }
    m_nPaceDebt += microseconds;
    if (m_nPaceDebt - m_nPaceOversleep > 1000)
    {
        m_nPaceDebt -= m_nPaceOversleep;
        const std::int64_t before = m_pCalls->Counter();
        m_pCalls->Sleep(std::uint32_t(m_nPaceDebt / 1000));
        const std::int64_t after = m_pCalls->Counter();
        const std::int64_t slept =
            (after - before) * 1000000 / (m_nCounterFrequency > 0 ? m_nCounterFrequency : 1);
        m_nPaceOversleep = std::int32_t(slept - m_nPaceDebt);
        m_nPaceDebt %= 1000;
    }
}
