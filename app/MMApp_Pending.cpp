// Stand-ins for the parts of the game that other work builds: the player's
// input (flies the player's glider with the default bindings of
// app/PlayerGlider.h; no camera keys, menus or targets), the situation
// analysis (no warnings or music), the end texts and the end video (a
// debug line each).
#include "app/MMApp.h"

#include "app/GameWorldState.h"
#include "app/PlayerGlider.h"
#include "foundation/ErrorLog.h"
#include "foundation/FrameTimer.h"
#include "foundation/Input.h"
#include "units/GliderObject.h"

namespace
{
CPlayerControls g_PendingControls;
} // namespace

void CMMApp::ProcessInput()
{
    CGliderObject* glider = g_pPlayerGlider;
    if (!glider) return;
    const float dt = g_FrameTimer.GetFrameTime();
    g_PendingControls.Apply(g_pInput ? CPlayerControls::ReadActions(*g_pInput) : SPlayerActions{}, *glider, dt);
}

void CMMApp::AnalizeSituation() {}

void CMMApp::ShowEndText(int ending)
{
    g_ErrorLog.LogDebug("CMMApp::ShowEndText %d", ending);
}

void CMMApp::PlayEndGameVideo()
{
    g_ErrorLog.LogDebug("CMMApp::PlayEndGameVideo: %zu videos", m_EndVideos.size());
}
