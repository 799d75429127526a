// One frame of a game: time, input, every subsystem's step, drawing, physics,
// network, sound, radar, clean-up, the situation and the presentation, in
// the fixed order the subsystems rely on.
#include "app/MMApp.h"
#include "app/AppClasses.h"
#include "app/VideoStudio.h"

#include "world/GameWorldState.h"

#include "foundation/ErrorLog.h"
#include "foundation/FrameTimer.h"
#include "foundation/Graphic.h"
#include "foundation/Input.h"
#include "graphics/Mesh.h"
#include "graphics/ResourceEngine.h"
#include "hud/Renderer.h"
#include "hud/messages/Messager.h"
#include "hud/radar/Radar.h"
#include "location/EffectRenderManager.h"
#include "location/Environment.h"
#include "location/Location.h"
#include "location/ViewCamera.h"
#include "script/MMScriptManager.h"
#include "script/game/ScriptManager.h"
#include "world/Trade.h"
#include "sound/SoundManager.h"
#include "ui/menu/UIDialog.h"
#include "units/GliderObject.h"
#include "units/Mechanoid.h"
#include "world/Camera.h"
#include "world/LightWare.h"
#include "world/MMEngine.h"
#include "world/ObjectList.h"
#include "world/World.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>

namespace
{
// The radar opens the explored map this far round the player's glider.
constexpr float kRadarOpenWide = 1920.0f;
constexpr float kRadarOpenNarrow = 750.0f;
constexpr int kWideLocationCells = 512;
} // namespace

float CMMApp::TimeScale(bool effectOn, float level)
{
    if (effectOn) return level < 8.0f ? 3.0f : (10.1f - level) * 1.5f;
    if (level > 1.0f) return (level - 0.9f) * 1.5f;
    if (level > 0.0f) return 1.1f - level;
    return 1.0f;
}

float CMMApp::ViewAngleTarget(float v)
{
    if (v <= 2.0f) return v * v / 8.0f;
    if (v <= 4.0f) return 1.0f - (4.0f - v) * (4.0f - v) / 8.0f;
    return 1.0f;
}

float CMMApp::HorizontalViewAngle(float state, int cameraMode)
{
    if (cameraMode >= 2 && cameraMode <= 4) return 70.0f;
    return 70.0f + 30.0f * state;
}

void CMMApp::UpdateViewAngle(float dt)
{
    float v = 0.0f;
    if (const CGliderObject* glider = g_pPlayerGlider)
    {
        const CVector forward = glider->ForwardAxis();
        const CVector& u = glider->m_vVelocity;
        v = std::fabs(u.x * forward.x + u.y * forward.y + u.z * forward.z) * 0.02f;
    }
    const float t = ViewAngleTarget(v);
    const float x = m_fViewAngleState + t * dt;
    const float z = (1.0f + std::fabs(x) * 1e-10f) * 1.5f * (2.0f * x + 1.0f);
    float s = z > 0.0f ? x / std::pow(z, dt) : x;
    s = std::min(s, 1.1f);
    m_fViewAngleState = s;
    m_fViewAngle = HorizontalViewAngle(s, g_CameraMode);
    const int width = std::max(graph.m_nScreenWidth, 1);
    const int height = std::max(graph.m_nScreenHeight, 1);
    graph.SetProjection(CRenderer::kFarPlane, CRenderer::kNearPlane, m_fViewAngle,
                        m_fViewAngle * float(height) / float(width), true);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) g_ViewCamera.m_mProjection.m[r][c] = graph.m_KeptProjection.m[r][c];
    g_ViewCamera.UpdateViewProjection();
}

void CMMApp::Render(bool firstFrame)
{
    XTRACE("CMMApp::Render");
    try
    {
        // The clock of this frame; the player input reads the devices
        // (CInputConfig::ProcessInput), so that no key press is lost.
        const float unscaled = g_FrameTimer.Update();
        UpdateViewAngle(unscaled);
        m_fTime = unscaled;
        const float hourBefore = g_Environment.m_fTime;

        // The player's time effect (the units carry none yet: scale 1).
        float scale = TimeScale(false, 0.0f);
        const float dt = m_bPause ? 0.0f : unscaled * scale;
        g_FrameTimer.SetFrameTime(dt);

        ProcessInput();
        if (m_nQuit || g_MMEngine.m_bLeaveCycle) return;
        UpdateBombMarker();
        if (g_Location.m_nCellsX <= 0)
        {
            // No location entered: an engine frame with a cleared picture.
            g_ResourceEngine.GlobalRun(dt);
            graph.Clear(plat::d3d::D3DCLEAR_TARGET | plat::d3d::D3DCLEAR_ZBUFFER, 0xFF182838u);
            g_ResourceEngine.NewFrame();
            graph.Present();
            if (firstFrame) g_FrameTimer.SkipElapsed();
            return;
        }

        g_LightWare.DisableLights();
        g_LightWare.ResetFrame();
        g_EffectRenderManager.ResetFrame();
        CMesh::ResetCurrent();

        g_ResourceEngine.GlobalRun(dt);
        g_MMEngine.m_LocMusic.Run(dt);
        g_Environment.Run(dt);
        if (g_pScriptManager) g_pScriptManager->Run(dt);
        // The mission's timer that is due runs its procedure.
        if (g_pMMScriptManager) g_pMMScriptManager->OnTimer();

        // Every tenth of a game hour the unused meshes go; every hour the
        // organisations' relations relax and the location's hourly mission
        // script ("EACHHOUR" of the script named after the map) runs.
        const float hourAfter = g_Environment.m_fTime;
        if (int(hourBefore * 10.0f) != int(hourAfter * 10.0f)) g_Location.ReleaseUnusedMeshes();
        if (int(hourBefore) != int(hourAfter))
        {
            if (g_pOrgManager) g_pOrgManager->RelaxRelations(1.0f);
            if (g_pMMScriptManager) g_pMMScriptManager->RunEachHour(m_szMapFile);
        }

        if (!firstFrame)
        {
            if (g_pWorld) g_pWorld->RunWorld(dt);
            g_ObjectList.Run();
        }

        CRenderer* renderer = g_pRenderer;
        if (auto* camera = dynamic_cast<CCamera*>(g_pCameraObject)) camera->UpdateView();
        g_Location.PreRender();
        g_ObjectList.CheckVisibility(true);
        if (g_pMessager) g_pMessager->Run();
        g_EffectRenderManager.RenderScanner();
        // While the recorder hides the interface, the cockpit (and with it
        // the message panel) stays off the picture.
        const bool interfaceShown = !g_VideoStudio.m_bInterfaceHidden;
        if (renderer)
        {
            FeedHud(dt);
            renderer->RenderHidingCockpit(!interfaceShown);
        }

        // Physics in slices of at most 0.2 s.
        g_ObjectList.StepPhysics(dt);

        RunNetFrame();
        // A paused frame's sound and radar run on the real frame time.
        if (m_bPause) g_FrameTimer.SetFrameTime(unscaled);

        if (g_pSoundManager)
        {
            if (g_pCameraObject)
            {
                const CObjectFrame& f = g_pCameraObject->m_Frame;
                const float position[3] = {f.m_vPosition.x, f.m_vPosition.y, f.m_vPosition.z};
                const float front[3] = {f.m_vForward.x, f.m_vForward.y, f.m_vForward.z};
                const float top[3] = {f.m_vUp.x, f.m_vUp.y, f.m_vUp.z};
                g_pSoundManager->SetListener(position, front, top);
            }
            g_pSoundManager->ApplySettings();
        }
        if (g_pRadar && g_pPlayerGlider)
            g_pRadar->OpenMap(g_pPlayerGlider->GetPosition(),
                              g_Location.m_nWidth > kWideLocationCells ? kRadarOpenWide : kRadarOpenNarrow, true);

        try
        {
            g_ObjectList.Pack(false);
            // The other players' objects that the network no longer reports go.
            if (m_nGameMode == kModeNetGame) g_ObjectList.CheckNetDead();
        }
        catch (const std::exception& e)
        {
            g_ErrorLog.LogError("PACK&CHECKS: %s", e.what());
        }

        AnalizeSituation();
        // The play recorder's step on the picture just drawn, and its
        // overlay in replay mode.
        g_VideoStudio.OnFrameDrawn();
        if (g_VideoStudio.m_bReplayMode) g_VideoStudio.DrawOverlay(renderer);
        g_ResourceEngine.NewFrame();
        // The game's cursor only while it is shown (pause, menus); hidden in flight.
        if (m_bCursorShown && interfaceShown) RenderCursor();
        graph.Present();
        // The time before the first frame does not count.
        if (firstFrame) g_FrameTimer.SkipElapsed();
        // A vital script result of this frame: its box, over the picture
        // just shown.
        if (m_bVitalBoxPending) ShowVitalBox();
    }
    catch (const std::exception& e)
    {
        g_ErrorLog.LogError("CMMApp::Render: %s", e.what());
        g_ErrorLog.FlushTrace();
    }
}

bool CMMApp::QueueVitalBox(const char* key)
{
    std::snprintf(m_szVitalBoxKey, sizeof m_szVitalBoxKey, "%.32s", key ? key : "");
    m_bVitalBoxPending = true;
    return true;
}

void CMMApp::ShowVitalBox()
{
    XTRACE("CMMApp::ShowVitalBox");
    m_bVitalBoxPending = false;
    // The screen reads the key as a 32-character name.
    char key[33] = {};
    std::memcpy(key, m_szVitalBoxKey, sizeof key);
    CUIDialog dialog;
    RunScreen(dialog, kBoxScreenId, key[0] ? key : nullptr, false);
    g_FrameTimer.SkipElapsed();
}
