// CBinkPlayer: the video player (interface IBinkPlayer, factory id
// "IGUID_IBinkPlayer"). It plays the game's videos ("Data\Video\*.bik") in
// one of three presentations:
// - windowed (Init, InitWindow): frames go into an 800 x 600 DirectDraw
//   off-screen surface that is stretched onto the primary surface;
// - full screen (InitFullscreen): frames go straight into the primary
//   surface of an exclusive display mode, restored by Done;
// - on screen (InitOnScreen + Open + ShowFrame per drawn frame): frames go
//   into a 1024 x 1024 texture drawn as a screen rectangle by the 3-D device.
// PlayBink plays a whole file modally with its own message loop, pacing its
// polls through PaceSleep; Escape, Cancel and the system close end it when
// skipping is allowed.
//
// The decoding library is reached through CVideoCalls (the platform video
// library by default); tests put a fake decoder and clock in front of it.
// A file that cannot be opened or decoded is skipped with an error-log line;
// one that is cut short or has pictures that did not decode plays what it
// can, with a line too.
//
// Ownership: the player owns its DirectDraw objects, the texture and the
// open video. Threads: the main thread only.
#pragma once

#include "foundation/ClassFactory.h"
#include "platform/Types.h"
#include "platform/video/Video.h"

#include <cstdint>

namespace plat
{
class Window;
}
namespace plat::ddraw
{
class DirectDraw;
class DirectDrawSurface;
} // namespace plat::ddraw
namespace plat::d3d
{
class Surface;
}
class CTexture;

using HBINK = plat::video::SVideo*;

// What the player calls on the video library and the clock.
class CVideoCalls
{
public:
    virtual ~CVideoCalls() = default;
    virtual HBINK Open(const char* file, std::uint32_t flags);
    virtual const char* LastError();
    virtual void Close(HBINK bink);
    virtual int DoFrame(HBINK bink);
    virtual int CopyToBuffer(HBINK bink, void* dest, std::int32_t pitch, std::uint32_t height,
                             std::uint32_t x, std::uint32_t y, std::uint32_t format);
    virtual int Wait(HBINK bink);
    virtual void NextFrame(HBINK bink);
    virtual std::uint32_t DDSurfaceType(plat::ddraw::DirectDrawSurface* surface);
    virtual std::uint32_t D3DSurfaceType(plat::d3d::Surface* surface);
    virtual void SetSoundSystem();
    virtual void Sleep(std::uint32_t milliseconds);
    virtual std::int64_t Counter();
    virtual std::int64_t Frequency();
};

class IBinkPlayer : public IBaseInterface
{
public:
    virtual plat::HResult Init(plat::Window* window) = 0;
    virtual plat::HResult InitWindow(plat::Window* window) = 0;
    virtual plat::HResult InitFullscreen(plat::Window* window, int width, int height, int bitsPerPixel) = 0;
    virtual plat::HResult InitOnScreen(plat::Window* window, const plat::Rect& rVideo) = 0;
    virtual void PlayBink(const char* file, bool skipAllowed) = 0;
    virtual void Open(const char* file) = 0;
    virtual void ShowFrame(bool reopen, bool ownFrame) = 0;
    virtual plat::HResult Done() = 0;
};

class CBinkPlayer : public IBinkPlayer
{
public:
    CBinkPlayer();
    ~CBinkPlayer() override;
    CBinkPlayer(const CBinkPlayer&) = delete;
    CBinkPlayer& operator=(const CBinkPlayer&) = delete;

    CGuidKey GetGUID() const override;
    std::uint32_t GetSize() const override { return sizeof(*this); }
    plat::HResult Init(plat::Window* window) override;
    plat::HResult InitWindow(plat::Window* window) override;
    plat::HResult InitFullscreen(plat::Window* window, int width, int height, int bitsPerPixel) override;
    plat::HResult InitOnScreen(plat::Window* window, const plat::Rect& rVideo) override;
    void PlayBink(const char* file, bool skipAllowed) override;
    void Open(const char* file) override;
    void ShowFrame(bool reopen, bool ownFrame) override;
    plat::HResult Done() override;

    plat::HResult InitDirectDraw(bool exclusive);
    plat::HResult ShowFrameBink();
    void Close();
    void PaceSleep(int microseconds);
    static const char* DDErrorName(plat::HResult hr);

    // Test setting: the library and clock calls (null: the platform's).
    void SetVideoCalls(CVideoCalls* calls) { m_pCalls = calls ? calls : &m_DefaultCalls; }

    bool m_bSkipAllowed = false;
    bool m_bOnScreen = false;
    char m_szFileName[260] = {};
    std::int32_t m_nMode = 0;
    HBINK m_hBink = nullptr;
    plat::Window* m_hWnd = nullptr;
    std::int32_t m_nDestX = 0, m_nDestY = 0;
    std::int32_t m_nAreaX = 0, m_nAreaY = 0, m_nAreaWidth = 0, m_nAreaHeight = 0;
    std::int32_t m_nBitsPerPixel = 0;
    bool m_bExclusive = false;
    plat::ddraw::DirectDraw* m_lpDDraw = nullptr;
    plat::ddraw::DirectDrawSurface* m_lpDDrawSurface = nullptr; // primary
    plat::ddraw::DirectDrawSurface* m_lpOffscreen = nullptr;
    plat::d3d::Surface* m_lpTextureSurface = nullptr;
    CTexture* m_pTexture = nullptr;
    plat::Rect m_VideoRect{};
    std::uint32_t m_nSurfaceType = 0;
    bool m_bPaceStarted = false;
    std::int32_t m_nPaceDebt = 0;
    std::int32_t m_nPaceOversleep = 0;
    std::int64_t m_nCounterFrequency = 0;
    // The last file opened failed to decode: an on-screen loop does not
    // open it again every frame.
    bool m_bFileFailed = false;

private:
    plat::HResult LockCopyUnlock(plat::ddraw::DirectDrawSurface* surface, bool restoreLogs);
    bool DecodeCurrent();
    plat::HResult CreatePrimary(const char* failureFormat);

    CVideoCalls m_DefaultCalls;
    CVideoCalls* m_pCalls = &m_DefaultCalls;
};

extern std::uint32_t g_iIBinkPlayer;
// The graphics interface module's registration of the video player.
void RegisterBinkPlayer();
