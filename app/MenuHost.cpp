#include "app/MenuHost.h"

#include "world/GameWorldState.h"
#include "app/InputConfig.h"
#include "app/MMApp.h"
#include "app/ScreenRequests.h"
#include "foundation/Application.h"
#include "foundation/ErrorLog.h"
#include "foundation/FrameTimer.h"
#include "foundation/Graphic.h"
#include "foundation/Input.h"
#include "foundation/Settings.h"
#include "graphics/Mesh.h"
#include "graphics/ModelManager.h"
#include "graphics/ResourceEngine.h"
#include "graphics/TextureManager.h"
#include "hud/Renderer.h"
#include "location/EffectRenderManager.h"
#include "location/Environment.h"
#include "location/Location.h"
#include "platform/Window.h"
#include "sound/MusicManager.h"
#include "sound/SoundManager.h"
#include "ui/UI.h"
#include "units/BuildingObject.h"
#include "units/GliderObject.h"
#include "units/Mechanoid.h"
#include "world/Camera.h"
#include "world/LightWare.h"
#include "world/Mech.h"
#include "world/MMEngine.h"
#include "world/ObjectList.h"
#include "world/World.h"

#include <cstdio>
#include <string>

CMenuHost g_MenuHost;

void CMenuHost::PauseGame(bool pause)
{
    g_ObjectList.PauseGame(pause);
    g_Environment.Pause(pause);
}

void CMenuHost::StopSounds(bool purge)
{
    if (!g_pSoundManager) return;
    // Every source and loaded sound goes; the sound table stays, so that
    // the menu and the game after it still play their sounds.
    if (purge)
        g_pSoundManager->DoneSources();
    else
        g_pSoundManager->StopAll();
}

bool CMenuHost::IsDeviceLost()
{
    return g_pApplication && g_pApplication->CheckDeviceLost();
}

void CMenuHost::BeginMenuFrame()
{
    g_ResourceEngine.GlobalRun(g_FrameTimer.GetFrameTime());
    CMesh::ResetCurrent();
    if (graph.m_lpDevice) graph.m_lpDevice->BeginScene();
    graph.Clear(plat::d3d::D3DCLEAR_TARGET | plat::d3d::D3DCLEAR_ZBUFFER, 0xFF000000u);
    g_Environment.SetFog(false, 1.0f, 0.0f);
}

void CMenuHost::EndMenuFrame()
{
    if (graph.m_lpDevice) graph.m_lpDevice->EndScene();
    g_ResourceEngine.NewFrame();
    g_FrameTimer.Update();
}

void CMenuHost::DrawCursor()
{
    if (g_pApplication) g_pApplication->RenderCursor();
}

void CMenuHost::PresentFrame()
{
    if (g_pRenderer)
        g_pRenderer->PresentFrame();
    else
        graph.Present();
}

void CMenuHost::DrawWaitScreen(int step, const char* caption, bool flag)
{
    if (m_pApp) m_pApp->DrawWaitScreen(step, caption, flag);
}

void CMenuHost::WaitForModels()
{
    if (g_pModelManager) g_pModelManager->WaitLoad();
}

void CMenuHost::WaitForTextures()
{
    if (g_pTextureManager) g_pTextureManager->WaitLoad();
}

float CMenuHost::GetFrameTime()
{
    return g_FrameTimer.GetFrameTime();
}

float CMenuHost::GetElapsedTime()
{
    return float(g_FrameTimer.GetElapsedTicks());
}

void CMenuHost::ResetFrameTimer()
{
    g_FrameTimer.Reset();
}

void CMenuHost::SwitchOffLights()
{
    g_LightWare.DisableLights();
}

bool CMenuHost::IsLeaveCycle()
{
    return g_MMEngine.m_bLeaveCycle != 0;
}

void CMenuHost::ClearLeaveCycle()
{
    g_MMEngine.m_bLeaveCycle = 0;
}

int CMenuHost::GetMusicSituation()
{
    return m_pApp ? m_pApp->m_Music.GetState() : m_nMusicSituation;
}

void CMenuHost::SetMusicSituation(int situation)
{
    m_nMusicSituation = situation;
    if (m_pApp) m_pApp->m_Music.SetMenuState(situation);
}

void CMenuHost::PumpInput()
{
    if (g_pInput) g_pInput->Update();
    // Typed codes work inside menus too.
    g_InputConfig.CheckTypedCode();
    if (g_pApplication) g_pApplication->PumpMessages();
}

void CMenuHost::FrameUpkeep(float t, float frameTime)
{
    if (g_pSoundManager) g_pSoundManager->ApplySettings();
    if (m_pApp) m_pApp->RunNetMenuUpkeep(t, frameTime);
}

void CMenuHost::RenderScene(bool overlay)
{
    XTRACE("CMenuHost::RenderScene");
    if (!g_pRenderer) return;
    g_Environment.Run(g_FrameTimer.GetFrameTime());
    g_LightWare.DisableLights();
    g_LightWare.ResetFrame();
    g_EffectRenderManager.ResetFrame();
    if (g_pRenderer->m_pCameraObject) g_pRenderer->m_pCameraObject->UpdateView();
    g_Location.PreRender();
    g_ObjectList.CheckVisibility(true);
    g_pRenderer->RenderHidingCockpit(overlay);
}

void CMenuHost::ShowCursor(bool show)
{
    plat::ShowCursor(show && g_Settings.UseSystemCursor);
}

void CMenuHost::FreezeBackground()
{
    if (m_pApp) m_pApp->MakeDialogScreenShot();
}

void CMenuHost::LoadGame(const char* file)
{
    if (m_pApp) m_pApp->LoadGame(file, true);
}

void CMenuHost::SaveGame(const char* file, const char* caption, bool inBuilding, const char* building)
{
    if (m_pApp) m_pApp->SaveGame(file, caption, inBuilding && building ? building : "");
}

bool CMenuHost::GetChosenSave(IUI* screen, std::string* caption, std::string* file)
{
    auto* chooser = dynamic_cast<ISavedGameChooser*>(screen);
    return chooser && caption && file && chooser->GetChosenSave(*caption, *file);
}

float CMenuHost::GetMusicTimeLeft()
{
    if (!g_pMusicManager) return 0.0f;
    return g_pMusicManager->GetMusicLength() - g_pMusicManager->GetMusicTime();
}

IMusicManager* CMenuHost::GetMusicManager()
{
    return g_pMusicManager;
}

IMusic* CMenuHost::GetMusicObject(int id)
{
    return g_pMusicManager && id >= 0 ? g_pMusicManager->GetMusicObject(id) : nullptr;
}

void CMenuHost::SetSilence(float seconds)
{
    if (g_pMusicManager) g_pMusicManager->SetSilence(seconds);
}

bool CMenuHost::IsSilence()
{
    return g_pMusicManager && g_pMusicManager->IsSilence();
}

bool CMenuHost::IsMusicBusy()
{
    return g_pMusicManager && (g_pMusicManager->GetCurrentMusic() != -1 || g_pMusicManager->IsStopping());
}

void CMenuHost::GoToMechanoid(const char* name)
{
    XTRACE("CMenuHost::GoToMechanoid");
    CWorld* world = g_MMEngine.m_pWorld;
    const CMech* mech = world ? world->FindMech(name) : nullptr;
    if (!mech || mech->m_bDead || !g_pPlayerGlider) return;
    // The mech's glider: the live glider object that carries its record.
    SPointerArray<CMMObject> gliders;
    g_ObjectList.GetObjectList(OBJ_GLIDER, gliders);
    for (int i = 0; i < gliders.count; ++i)
    {
        auto* glider = dynamic_cast<CGliderObject*>(gliders.items[i]);
        if (!glider || glider->m_pMech != mech || !glider->m_bAlive) continue;
        if (glider->m_pMechanoid && glider->m_pMechanoid->IsKilled()) return;
        g_pPlayerGlider->SetPosition(glider->GetPosition() + CVector{0.0f, 0.0f, 20.0f});
        return;
    }
}

void CMenuHost::JumpToBuilding(const char* gameId)
{
    XTRACE("CMenuHost::JumpToBuilding");
    auto* building = dynamic_cast<CBuildingObject*>(g_ObjectList.FindByGameId(gameId, OBJ_BUILDING));
    if (!building) return;
    g_MMEngine.m_pBuilding = building;
    std::snprintf(g_MMEngine.m_szBuildingId, sizeof g_MMEngine.m_szBuildingId, "%.31s", building->m_szGameId);
    std::snprintf(g_MMEngine.m_szBuildingName, sizeof g_MMEngine.m_szBuildingName, "%.31s",
                  building->m_szTypeName);
    g_MMEngine.m_bInBuilding = 1;
    g_MMEngine.m_nBuildingState = 0;
    g_MMEngine.m_bLeaveCycle = 1;
    g_MMEngine.m_nExitReason = CMMApp::kExitBuilding;
}
