// The end text with its titles and the end videos: each runs its own little
// loop outside the game's frame and returns to the game cycle.

#include "app/EndTextTimeline.h"
#include "app/InputConfig.h"
#include "app/MMApp.h"

#include "foundation/ClassFactory.h"
#include "foundation/ErrorLog.h"
#include "foundation/FrameTimer.h"
#include "foundation/Input.h"
#include "foundation/Settings.h"
#include "graphics/Mesh.h"
#include "graphics/Shaders.h"
#include "graphics/SurfaceManager.h"
#include "graphics/VideoPlayer.h"
#include "location/Environment.h"
#include "sound/MusicManager.h"
#include "sound/SoundManager.h"
#include "world/MMEngine.h"
#include "world/ObjectList.h"

#include <algorithm>
#include <memory>

// ---- the timeline -----------------------------------------------------------------

void CEndTextTimeline::Advance(float dt)
{
    m_fTime += dt;
    if (m_fTime > kEnd) m_bFinished = true;
    if (!m_bTitlesDone && (m_fTime - 65.0f) * kTitlesSpeed + static_cast<float>(m_nScreen) - 256.0f >
                              static_cast<float>(m_nTitles))
        m_bTitlesDone = true;
}

void CEndTextTimeline::Skip()
{
    const float t = m_fTime;
    if (t < 2.0f)
        m_fTime = 2.0f;
    else if (t > 3.0f && t < 20.0f)
        m_fTime = 20.0f;
    else if (t > 23.0f && t < 40.0f)
        m_fTime = 40.0f;
    else if (t > 43.0f && t < 60.0f)
        m_fTime = 60.0f;
    else if (t > 65.0f)
        m_bFinished = true;
}

float CEndTextTimeline::PictureAlpha() const
{
    const float t = m_fTime;
    if (t < 2.0f) return 1.0f;
    if (t <= 150.0f) return std::max(0.5f, 1.0f - (t - 2.0f) / 2.0f);
    return std::min(1.0f, (t - 149.0f) / 2.0f);
}

int CEndTextTimeline::Strip() const
{
    if (m_fTime < 2.0f || m_fTime > 61.0f) return -1;
    return std::min(2, static_cast<int>((m_fTime - 2.0f) * 0.05f));
}

float CEndTextTimeline::StripAlpha() const
{
    const int n = Strip();
    if (n < 0) return 0.0f;
    if (m_bTitlesDone) return 1.0f;
    const float u = (m_fTime - 2.0f) - 20.0f * static_cast<float>(n);
    if (u < 1.0f) return u;
    if (u > 19.0f) return std::max(0.0f, 20.0f - u);
    return 1.0f;
}

float CEndTextTimeline::TitlesAlpha() const
{
    return std::clamp(m_fTime - 60.0f, 0.0f, 1.0f);
}

float CEndTextTimeline::TitlesScroll() const
{
    return std::max(0.0f, (m_fTime - 61.0f) * kTitlesSpeed);
}

// ---- the end text -----------------------------------------------------------------

namespace
{
constexpr int kImageTechnique = 19;
constexpr int kStripHeight = 128;
constexpr int kTextWidth = 1024;
constexpr int kTitlesWidth = 512;
constexpr int kKeyEscape = 0x01;
} // namespace

void CMMApp::ShowEndText(int ending)
{
    XTRACE("CMMApp::ShowEndText");
    // Ending 1 shows the second picture with strips 3-5, ending 2 the first
    // with strips 0-2.
    const bool second = ending == 1;
    if (g_pMusicManager)
        g_pMusicManager->PlayMusic(g_MMEngine.m_nResourceIds[CMMEngine::kEndMusic], 0.0f, false, 0.0f);
    CSurfaceManager* surfaces = g_pSurfaceManager;
    const int picture = surfaces ? surfaces->FindName(second ? "SUF_WIN2" : "SUF_WIN1") : -1;
    const int text = surfaces ? surfaces->FindName("SUF_ENDTEXT") : -1;
    const int titles = surfaces ? surfaces->FindName("SUF_TITLES") : -1;
    int titlesSize[2] = {0, 0};
    if (titles >= 0) surfaces->GetSurfaceSize(titlesSize, titles);
    const int width = graph.m_nScreenWidth, height = graph.m_nScreenHeight;
    CEndTextTimeline timeline(titlesSize[1], height);
    g_FrameTimer.Update();
    while (!timeline.IsDone())
    {
        PumpMessages();
        graph.Clear(plat::d3d::D3DCLEAR_TARGET | plat::d3d::D3DCLEAR_ZBUFFER, 0xFF000000u);
        CMesh::ResetCurrent();
        if (graph.m_lpDevice) graph.m_lpDevice->BeginScene();
        if (surfaces)
        {
            surfaces->ClearCache();
            if (picture >= 0)
            {
                SetTextureFactorAlpha(timeline.PictureAlpha(), kFactorRenderState | kFactorPixelShader);
                surfaces->DrawSurface(picture, kImageTechnique, 0, 0, width, height, nullptr);
            }
            if (text >= 0 && timeline.Strip() >= 0)
            {
                const int strip = timeline.Strip() + (second ? 3 : 0);
                const int top = (strip * kStripHeight) & ~3;
                SetTextureFactorAlpha(timeline.StripAlpha(), kFactorRenderState | kFactorPixelShader);
                surfaces->DrawSurfaceEx(text, kImageTechnique, plat::Rect{0, 0, width, (height / 6) & ~3},
                                        plat::Rect{0, top, kTextWidth, top + kStripHeight}, false);
            }
            if (titles >= 0 && timeline.TitlesShown())
            {
                const int scroll = static_cast<int>(timeline.TitlesScroll());
                const int row = scroll & ~3, shift = scroll - row;
                const int rows = std::min(titlesSize[1] - row, height + 4);
                if (rows > 0)
                {
                    const int left = (width - kTitlesWidth) / 2;
                    SetTextureFactorAlpha(timeline.TitlesAlpha(), kFactorRenderState | kFactorPixelShader);
                    surfaces->DrawSurfaceEx(titles, kImageTechnique,
                                            plat::Rect{left, -shift, left + kTitlesWidth, rows - shift},
                                            plat::Rect{0, row, kTitlesWidth, row + rows}, false);
                }
            }
        }
        if (graph.m_lpDevice) graph.m_lpDevice->EndScene();
        CMesh::ResetCurrent();
        graph.Present();
        timeline.Advance(g_FrameTimer.Update());
        // Escape, or the player's fire binding, skips.
        g_InputConfig.ProcessInput();
        if (g_InputConfig.IsKeyDown(kKeyEscape) || g_InputConfig.m_Actions.Fire) timeline.Skip();
    }
    SetTextureFactorAlpha(1.0f, kFactorRenderState | kFactorPixelShader);
}

// ---- the end videos ---------------------------------------------------------------

void CMMApp::PlayEndGameVideo()
{
    XTRACE("CMMApp::PlayEndGameVideo");
    if (!g_Settings.Video || m_EndVideos.empty())
    {
        m_EndVideos.clear();
        return;
    }
    g_ObjectList.PauseGame(true);
    g_Environment.Pause(true);
    StopWarningSounds(true);
    if (g_pSoundManager) g_pSoundManager->StopAll();
    if (g_pMusicManager) g_pMusicManager->StopMusic(1.0f);
    plat::SetCapture(m_hWnd);
    std::unique_ptr<IBinkPlayer> player(CreateClassInstanceAs<IBinkPlayer>(static_cast<int>(g_iIBinkPlayer)));
    const plat::Rect client{0, 0, graph.m_nScreenWidth, graph.m_nScreenHeight};
    bool ready = false;
    if (player)
    {
        ready = plat::Succeeded(player->InitOnScreen(m_hWnd, client));
        if (!ready)
        {
            player->Done();
            ready = plat::Succeeded(player->InitOnScreen(m_hWnd, client));
        }
        if (!ready) g_ErrorLog.LogError("CMMApp::PlayEndGameVideo::InitOnScreen() .... failed");
    }
    if (ready)
        for (const std::string& video : m_EndVideos)
            player->PlayBink(video.c_str(), true);
    if (player) player->Done();
    player.reset();
    plat::ReleaseCapture();
    if (g_pInput) g_pInput->Update();
    m_EndVideos.clear();
    g_FrameTimer.Update();
    g_ObjectList.PauseGame(false);
    g_Environment.Pause(false);
}
