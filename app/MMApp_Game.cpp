// A game: its preparation (the location, the world's generation, the player),
// the game cycle with its exit reasons, and the close; the network test
// game's loop built from the same pieces.
#include "app/MMApp.h"

#include "app/BuildingHost.h"
#include "app/GameData.h"
#include "world/GameWorldState.h"
#include "app/SavedGames.h"
#include "app/ScreenRequests.h"
#include "app/VideoStudio.h"

#include "foundation/ErrorLog.h"
#include "foundation/FrameTimer.h"
#include "foundation/Input.h"
#include "foundation/Random.h"
#include "foundation/Settings.h"
#include "graphics/ModelManager.h"
#include "graphics/ResourceEngine.h"
#include "hud/Renderer.h"
#include "hud/messages/Messager.h"
#include "hud/radar/Radar.h"
#include "location/EffectRenderManager.h"
#include "location/Environment.h"
#include "location/EnvironmentLights.h"
#include "location/Location.h"
#include "location/ViewCamera.h"
#include "location/WorldAdapter.h"
#include "net/NetClient.h"
#include "script/MMScriptManager.h"
#include "script/game/QuestLog.h"
#include "script/game/ScriptManager.h"
#include "script/game/TextDatabase.h"
#include "society/OrgManager.h"
#include "society/WorldMechanoid.h"
#include "sound/MusicManager.h"
#include "sound/SoundManager.h"
#include "units/BuildingObject.h"
#include "units/GliderObject.h"
#include "units/MechConfigManager.h"
#include "units/Mechanoid.h"
#include "world/Camera.h"
#include "world/LightWare.h"
#include "world/MMEngine.h"
#include "world/Mech.h"
#include "world/ObjectList.h"
#include "world/ObjectScene.h"
#include "world/Smoke.h"
#include "world/SysObject.h"
#include "world/TypeManagers.h"
#include "world/World.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace
{
constexpr float kBuildingRestTime = 120.0f / 6.0f; // 20 s pass while inside
// A network game starts at a building of one of these types.
constexpr int kNetStartTypes[] = {1, 4, 6, 9};
// The text that a failed send posts in the network game.
constexpr const char* kNetFailText = "INT_NET_FAIL";
// The view camera over a start point, and the glider that far over the ground.
constexpr float kStartHeight = 15.0f;
constexpr int kSimulateSteps = 10;
// The building type of a tunnel.
constexpr int kTunnelType = 3;

template <std::size_t N> void CopyName(char (&field)[N], const char* text)
{
    std::snprintf(field, N, "%s", text ? text : "");
}

// The object passes' view of the view camera.
class CGameView : public IObjectView
{
public:
    CVector GetViewPosition() const override { return g_ViewCamera.m_vPosition; }
    CVector GetViewDirection() const override
    {
        return CVector{g_ViewCamera.m_Matrix.m[0][2], g_ViewCamera.m_Matrix.m[1][2], g_ViewCamera.m_Matrix.m[2][2]};
    }
    bool IsSphereVisible(const CVector* centre, float radius) const override
    {
        return g_ViewCamera.IsSphereVisible(*centre, radius);
    }
};

// What a location in play installs into the lower libraries: the world's
// view of the terrain, the building host, the object view, the lights; made
// by InitMap, gone with CloseGame.
struct SGameLocation
{
    CLocationWorldAdapter adapter;
    CGameBuildingHost buildings;
    CGameView view;
};
std::unique_ptr<SGameLocation> g_pGameLocation;

// The player's main mechanoid object: it survives a game and goes with the
// next LoadStartConfig or the application's end.
// Its mechanoid is the record's (a world mechanoid, made by the society).
std::unique_ptr<CPlayerMech> g_pMainMech;

CMechanoid* MainMechanoid()
{
    auto* owned = g_pMainMech ? dynamic_cast<CWorldMechanoid*>(g_pMainMech->m_pMechanoid) : nullptr;
    return owned ? &owned->m_Mechanoid : nullptr;
}

void EnterLocationServices()
{
    if (g_pGameLocation) return;
    g_pGameLocation = std::make_unique<SGameLocation>();
    g_pGameLocation->adapter.Install();
    g_pGameLocation->buildings.Install();
    g_pObjectView = &g_pGameLocation->view;
    g_EffectRenderManager.Init(1);
    EnvironmentLights::Install();
    g_Location.Init(0, 0);
}

// The camera places itself without the cells' bookkeeping: it is filed
// again where it stands before the object list lets it go.
void RefileCamera()
{
    CMMObject* camera = g_pCameraObject;
    // Only the camera the object list still holds (a network game's list
    // may have let it go).
    if (!camera || !g_pObjectCells || !g_ObjectList.m_Objects.Contains(camera)) return;
    for (int y = 0; y < kCellGridSize; ++y)
        for (int x = 0; x < kCellGridSize; ++x) g_Location.GetCell(x, y).m_Objects.Remove(camera);
    g_pObjectCells->AddCellObject(camera, false);
}

void LeaveLocationServices()
{
    if (g_pGameLocation) RefileCamera();
    g_pCameraObject = nullptr;
    g_pPlayerGlider = nullptr;
    if (g_pRenderer)
    {
        // The renderer stays for the next game; what it drew goes.
        g_pRenderer->m_pCameraObject = nullptr;
        g_pRenderer->m_pPlayerGlider = nullptr;
        g_pRenderer->m_pPlayerMech = nullptr;
        g_pRenderer->m_pTargetGlider = nullptr;
    }
    if (CMechanoid* mechanoid = MainMechanoid()) mechanoid->m_lpObject = nullptr;
    if (!g_pGameLocation) return;
    if (g_pRadar) g_pRadar->DoneBigMap();
    g_ObjectList.Clear();
    g_pObjectView = nullptr;
    g_LightWare.DisableLights();
    g_LightWare.ResetFrame();
    EnvironmentLights::Uninstall();
    g_EffectRenderManager.Done();
    g_Location.Done();
    g_Location.m_CellStream.Close();
    // No location is entered any longer: the cells' slots are gone, and the
    // next start in this process (or the next game) must not draw them.
    g_Location.m_nCellsX = g_Location.m_nCellsY = 0;
    g_pGameLocation->adapter.Uninstall();
    g_pGameLocation->buildings.Uninstall();
    g_pGameLocation.reset();
}

// The location's name of a map file: up to its last '.'.
void LocationOfMap(const char* map, char (&out)[32])
{
    std::string name = map ? map : "";
    const std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos) name.resize(dot);
    CopyName(out, name.c_str());
}
} // namespace

CMech* CMMApp::GetMainMech() const
{
    return g_pMainMech.get();
}

CMechanoid* CMMApp::GetMainMechanoid() const
{
    return MainMechanoid();
}

void CMMApp::ReleaseMainMech()
{
    if (g_pWorld && g_pWorld->GetPlayerMech() == g_pMainMech.get()) g_pWorld->SetPlayerMech(nullptr);
    if (g_pPlayerGlider && g_pMainMech && g_pPlayerGlider->m_pMech == g_pMainMech.get())
    {
        g_pPlayerGlider->m_pMechanoid = nullptr;
        g_pPlayerGlider->m_pMech = nullptr;
    }
    g_pMainMech.reset();
}

void CMMApp::LeaveGameLocation()
{
    LeaveLocationServices();
}

void CMMApp::InvalidateGameLocation()
{
    if (!g_pGameLocation) return;
    g_Location.InvalidateResources();
    g_EffectRenderManager.InvalidateResources();
}

void CMMApp::ResetGameLocation()
{
    if (!g_pGameLocation) return;
    g_Location.ResetResources();
    g_EffectRenderManager.ResetResources();
}

int CMMApp::ChooseStartPoint(const std::vector<std::string>& names, const char* wanted, bool tunnel,
                             const std::function<int()>& draw)
{
    if (names.empty()) return -1;
    const int count = int(names.size());
    auto pick = [&] { return ((draw() % count) + count) % count; };
    int chosen = -1;
    if (wanted && *wanted)
        for (int i = 0; i < count && chosen < 0; ++i)
            if (names[std::size_t(i)] == wanted) chosen = i;
    if (chosen < 0) chosen = pick();
    for (int n = 0; n < kStartPointPicks; ++n)
    {
        const bool isTunnel = names[std::size_t(chosen)].find("TUNNEL") != std::string::npos;
        if (isTunnel == tunnel) break;
        chosen = pick();
    }
    return chosen;
}

// ---- preparation ------------------------------------------------------------------

bool CMMApp::PrepareGame()
{
    XTRACE("CMMApp::PrepareGame");
    try
    {
        g_pPlayerGlider = nullptr;
        DrawWaitScreen(-1, "", false);
        if (g_pRadar) g_pRadar->Reset();
        const bool journey = m_nGameMode == kModeScriptJourney || m_nGameMode == kModeTunnelJourney;
        if (!journey)
        {
            if (g_pScriptManager) g_pScriptManager->Reset();
            if (g_pMMScriptManager) g_pMMScriptManager->Reset();
            g_GameData.OnNewGame();
            if (g_pQuestLog) g_pQuestLog->Init();
            // Only a journey carries a transfer state.
            std::memset(g_MMEngine.m_TransferBlock, 0, sizeof g_MMEngine.m_TransferBlock);
        }
        if (m_nGameMode == kModeNewGame)
        {
            if (g_pOrgManager) g_pOrgManager->InitRelations();
            std::memset(m_GameBlock, 0, sizeof m_GameBlock);
            if (m_bMod)
            {
                std::snprintf(m_szMapFile, sizeof m_szMapFile, "%s", m_szModName);
            }
            else
            {
                // The start script (the game's own, the command line's or a
                // mod's) may name the first map (a journey's next map).
                m_szNextMapFile[0] = 0;
                if (g_pScriptManager)
                {
                    g_pScriptManager->RunScript(m_szScriptFile, 1);
                    g_pScriptManager->RunEvent("", "OnStartGame", nullptr);
                }
                m_nGameMode = kModeNewGame;
                std::snprintf(m_szMapFile, sizeof m_szMapFile, "%s",
                              m_szNextMapFile[0] ? m_szNextMapFile : kDefaultMap);
            }
        }
        if (!m_szMapFile[0]) CopyName(m_szMapFile, kDefaultMap);
        LocationOfMap(m_szMapFile, m_szLocationName);
        g_GameData.GetLocInfo(m_szLocationName);

        InitMap(m_szMapFile, m_nGameMode == kModeNewGame);
        LoadStartConfig(0);
        // The map's reader has logged why it could not be entered.
        if (g_Location.m_nCellsX <= 0 || !g_pWorld)
        {
            g_ErrorLog.LogError("CMMApp::PrepareGame: the map %s cannot be entered", m_szMapFile);
            return false;
        }

        // The world, by mode.
        auto simulate = [this](float seconds)
        {
            for (int i = 1; i <= kSimulateSteps; ++i)
            {
                g_pWorld->SimulateTime(seconds);
                DrawWaitScreen(i, "", false);
            }
        };
        if (m_nGameMode == kModeSavedGame)
        {
            DrawWaitScreen(-1, "", false);
            g_pWorld->GenerateWorld(false);
            if (!LoadGame(m_sLoadFile.c_str(), false))
            {
                // Gone or damaged since its header was read: the location
                // starts afresh rather than empty.
                g_ErrorLog.LogError("CMMApp::PrepareGame: the saved game %s was not loaded; the location starts "
                                    "afresh",
                                    m_sLoadFile.c_str());
                g_pWorld->NewGame();
                simulate(kSimulateFresh);
            }
        }
        else if (journey)
        {
            DrawWaitScreen(0, "", false);
            bool stored = false;
            for (std::uint32_t i = 0; i < g_GameData.m_LocInfo.count && !stored; ++i)
            {
                const SLocInfo& info = g_GameData.m_LocInfo.data[i];
                if (std::strcmp(info.location, m_szLocationName) != 0 || std::strlen(info.stateFile) <= 1) continue;
                stored = true;
                g_pWorld->GenerateWorld(false);
                const std::string file = info.stateFile;
                if (LoadLoc(file.c_str()))
                {
                    simulate(kSimulateStored);
                }
                else
                {
                    // A state that cannot be read: the location starts afresh.
                    g_pWorld->NewGame();
                    simulate(kSimulateFresh);
                }
            }
            if (!stored)
            {
                g_pWorld->GenerateWorld(true);
                simulate(kSimulateFresh);
            }
        }
        else
        {
            g_CameraMode = 6;
            g_pWorld->GenerateWorld(true);
            simulate(kSimulateFresh);
        }

        std::int32_t number = -1;
        char name[32] = {};
        CMMEngine::GetLocationName(m_szMapFile, name, &number);
        CopyName(g_pWorld->m_szLocationName, m_szLocationName);
        g_pWorld->m_nLocationNumber = number;

        if (m_nGameMode == kModeTunnelJourney)
        {
            SPointerArray<CMMObject> buildings;
            g_ObjectList.GetObjectList(OBJ_BUILDING, buildings);
            for (int i = 0; i < buildings.count; ++i)
            {
                auto* building = dynamic_cast<CBuildingObject*>(buildings.items[i]);
                if (!building || building->GetKindCode() != kTunnelType) continue;
                CopyName(m_szStartBuilding, building->m_szGameId);
                break;
            }
        }

        const int cameraMode = g_CameraMode;
        InitMainMech(m_nGameMode == kModeNewGame, m_nGameMode == kModeTunnelJourney);
        if (!journey)
        {
            if (auto* camera = dynamic_cast<CCamera*>(g_pCameraObject))
            {
                if (cameraMode == 0)
                    camera->SetFollowMode(g_pPlayerGlider);
                else if (cameraMode == 6)
                    camera->SetMode6(g_pPlayerGlider);
                else
                    camera->SetOrbitMode(g_pPlayerGlider);
            }
        }
        else
        {
            LoadMainMech();
        }
        RestoreGliderState();
        if (m_nGameMode == kModeNewGame)
        {
            // The player's clan starts with the user icon and the house colour.
            if (g_pModelManager) g_GameData.m_nClanIcon = g_pModelManager->FindName("MOD_ICO_01_USER");
            g_GameData.m_nClanColour = 0xFF2A4767;
        }
        g_GameData.ApplyClanLook();
        if (m_nGameMode != kModeSavedGame && g_pScriptManager)
            g_pScriptManager->RunEvent(m_szLocationName, "OnEnterLocation", m_szLocationName);
        m_nInputSelection = -1;
        // Replay mode: the recording, with the player's glider it names.
        if (g_VideoStudio.m_bReplayMode && g_VideoStudio.m_szFileName[0])
            g_VideoStudio.Load(g_VideoStudio.m_szFileName);
        return true;
    }
    catch (const std::exception& e)
    {
        g_ErrorLog.LogError("CMMApp::PrepareGame: %s", e.what());
        g_ErrorLog.FlushTrace();
        return false;
    }
}

void CMMApp::InitMap(const char* mapFile, bool /*newGame*/)
{
    XTRACE("CMMApp::InitMap");
    EnterLocationServices();
    g_Location.InitCells();
    if (mapFile != m_szMapFile) CopyName(m_szMapFile, mapFile);
    g_MMEngine.LoadWorld(m_szMapFile);
    if (g_Location.m_nCellsX > 0) g_Environment.UpdateHorizont();
    // The location's music, with the defaults of a location that names none.
    g_MMEngine.m_LocMusic.Reset("MUS_LOC1", "MUS_FIGHT");
    if (g_pRadar)
    {
        g_pRadar->InitLocationMap(RadarMapPathOf(g_MMEngine.m_sMapPath).c_str(), g_Location.m_nCellsX,
                                  g_Location.m_nCellsY);
        g_pRadar->SetTarget(0, nullptr, true);
    }
    // The environment's last record, at ten o'clock (a saved game sets its
    // own time afterwards).
    g_Environment.StartGame();
    const float frameTime = g_FrameTimer.Update();
    g_ResourceEngine.GlobalRun(frameTime);
    g_FrameTimer.SkipElapsed();
    if (g_pMessager) g_pMessager->Clear();
    g_EffectRenderManager.ClearScanner();
}

void CMMApp::LoadStartConfig(int)
{
    XTRACE("CMMApp::LoadStartConfig");
    ReleaseMainMech();
    g_pMainMech = std::make_unique<CPlayerMech>();
    CopyName(g_pMainMech->m_szId, kMainMechId);
    g_pMainMech->CreateMechanoid();
    CMechanoid* mechanoid = MainMechanoid();
    if (!mechanoid)
    {
        g_ErrorLog.LogError("CMMApp::LoadStartConfig: no world mechanoid for the player");
        return;
    }
    mechanoid->m_bPlayer = 1;
    mechanoid->m_lpObject = nullptr;
    std::int32_t config = g_MechConfigManager.FindName(kStartConfig);
    if (config < 0)
    {
        g_ErrorLog.LogError("Config %s not found", kStartConfig);
        config = 0;
    }
    mechanoid->InitConfig(config, true);
    if (g_pWorld) g_pWorld->SetPlayerMech(g_pMainMech.get());
}

void CMMApp::InitMainMech(bool newGame, bool tunnel)
{
    XTRACE("CMMApp::InitMainMech");
    if (!MainMechanoid()) LoadStartConfig(0);
    if (!MainMechanoid()) return;
    CMechanoid& mechanoid = *MainMechanoid();
    auto* glider = new CGliderObject;
    glider->m_pMechanoid = &mechanoid;
    glider->Init(CMatrix(1.0f), mechanoid.m_gEqp.m_Config[CFG_GLIDER].m_Key);
    glider->AssignMechanoid(g_pMainMech.get(), &mechanoid, true);
    mechanoid.m_lpObject = glider;
    // A loaded mechanoid keeps the damage it was saved with.
    if (m_nGameMode != kModeSavedGame) mechanoid.Repair();
    // Placed before it joins the list, so that it is filed in the cell of
    // its start.
    g_pPlayerGlider = glider;
    InitGliderOnStartPos(tunnel, m_nGameMode == kModeSavedGame);
    ResetPlayerInput(newGame);
    g_ObjectList.AddObject(glider);

    // The game camera, held on the glider.
    auto* camera = new CCamera;
    camera->m_Frame = glider->m_Frame;
    camera->SetMode6(glider);
    g_ObjectList.AddObject(camera);
    g_pCameraObject = camera;
    m_pBombMarker = new CSmokeObject;
    g_ObjectList.AddObject(m_pBombMarker);

    if (g_pRenderer)
    {
        g_pRenderer->m_pCameraObject = camera;
        g_pRenderer->m_pPlayerGlider = glider;
        g_pRenderer->m_pPlayerMech = &mechanoid;
    }
}

void CMMApp::InitGliderOnStartPos(bool tunnel, bool loaded)
{
    XTRACE("CMMApp::InitGliderOnStartPos");
    std::vector<CSysObject*> points;
    std::vector<std::string> names;
    for (CSysObject* p : g_ObjectList.m_SysObjects)
        if (p->m_nKind == kStartPointKind)
        {
            points.push_back(p);
            names.emplace_back(p->m_szName);
        }
    const int chosen = ChooseStartPoint(names, m_szStartBuilding, tunnel, [] { return int(g_Random.Next() >> 1); });
    CObjectFrame view;
    if (chosen >= 0)
    {
        const CObjectFrame& at = points[std::size_t(chosen)]->m_Frame;
        CMatrix m = at.m_Matrix;
        for (int r = 0; r < 3; ++r)
        {
            const float length = std::sqrt(m.m[r][0] * m.m[r][0] + m.m[r][1] * m.m[r][1] + m.m[r][2] * m.m[r][2]);
            if (length > 0.0f)
                for (int c = 0; c < 3; ++c) m.m[r][c] /= length;
        }
        view.SetMatrix(m, true);
        view.SetPosition(at.m_vPosition + CVector{0.0f, 0.0f, kStartHeight});
    }
    else
    {
        CVector centre{float(g_Location.m_nCellsX) * 10.0f * 0.4f, float(g_Location.m_nCellsY) * 10.0f * 0.4f, 0.0f};
        centre.z = g_Location.GetHeight(centre) + kStartHeight;
        view.SetPosition(centre);
    }
    // The axes come from the matrix: the frame's own are unset.
    view.UpdateAxes();
    view.RebuildMatrix();
    CGliderObject* glider = g_pPlayerGlider;
    CMatrix placement = view.m_Matrix;
    if (loaded)
    {
        const CMatrix& stored = m_SavedGames.m_mStartOrientation;
        const bool none = stored.m[0][0] == 0.0f && stored.m[0][1] == 0.0f && stored.m[0][2] == 0.0f;
        if (!none) placement = stored;
        else placement = CMatrix(1.0f);
        placement.SetTranslation(m_SavedGames.m_vStartPosition);
        view.SetMatrix(placement, true);
    }
    else
    {
        CVector p = view.m_vPosition;
        p.z = g_Location.GetRoughHeight(p) + kStartHeight;
        // The glider faces the way the camera looks from behind it.
        CObjectFrame turned;
        turned.SetMatrix(view.m_Matrix, true);
        turned.UpdateAxes();
        turned.SetForward(turned.m_vForward * -1.0f);
        turned.RebuildMatrix();
        placement = turned.m_Matrix;
        placement.SetTranslation(p);
    }
    g_ViewCamera.SetMatrix(view.m_Matrix, true);
    g_ViewCamera.SetViewPosition(view.m_vPosition);
    if (glider)
    {
        glider->m_Frame.SetMatrix(placement, true);
        glider->m_bChanged = 1;
        glider->m_bAlive = 1;
        glider->m_bEnabled = 1;
    }
    std::memset(g_MMEngine.m_nTransfer, 0, sizeof g_MMEngine.m_nTransfer);
    g_MMEngine.m_nTransferIndex = -1;
    m_fStartTimer = 5.0f;
    m_bStarted = 0;
}

// ---- the cycle --------------------------------------------------------------------

void CMMApp::CycleGame(int kind)
{
    XTRACE("CMMApp::CycleGame");
    g_MMEngine.m_bLeaveCycle = 0;
    g_MMEngine.m_nExitReason = 0;
    DrawWaitScreen(-1, "", false);
    if (g_VideoStudio.m_bReplayMode) g_VideoStudio.PlayBack();
    for (;;)
    {
        if (m_nQuit) return;
        if (kind != 0)
        {
            auto* building = m_szStartBuilding[0] ? dynamic_cast<CBuildingObject*>(g_ObjectList.FindByGameId(
                                                        m_szStartBuilding, OBJ_BUILDING))
                                                  : nullptr;
            if (building)
            {
                EndCycle(kExitStartInBuilding);
                CopyName(g_MMEngine.m_szBuildingId, building->m_szGameId);
                CopyName(g_MMEngine.m_szBuildingName, building->m_szTypeName);
            }
            else if (g_pRenderer)
            {
                g_pRenderer->PreLoad();
            }
            if (kind == 1) std::memset(m_GameBlock, 0, sizeof m_GameBlock);
        }
        bool ranFrame = false;
        while (!m_nQuit && !g_MMEngine.m_bLeaveCycle)
        {
            if (CheckDeviceLost()) continue;
            Render(!ranFrame);
            ranFrame = true;
            PumpMessages();
        }
        if (m_nQuit) return;
        HandleCycleExit(kind, ranFrame);
        kind = 0;
    }
}

void CMMApp::HandleCycleExit(int kind, bool ranFrame)
{
    XTRACE("CMMApp::HandleCycleExit");
    const int reason = g_MMEngine.m_nExitReason;
    g_MMEngine.m_bLeaveCycle = 0;
    switch (reason)
    {
    case kExitBuilding:
        if (kind == 0) MakeScreenShot();
        [[fallthrough]];
    case kExitStartInBuilding:
    {
        if (m_nGameMode == kModeNetGame)
        {
            // The network game has no building menu: the glider comes out of
            // its start building at once and the server learns where the
            // player is.
            LeaveBuilding(dynamic_cast<CBuildingObject*>(
                g_ObjectList.FindByGameId(g_MMEngine.m_szBuildingId, OBJ_BUILDING)));
            if (g_pNetClient) g_pNetClient->Senddata(true);
            return;
        }
        // No autosave for a game that starts inside the building.
        char id[32], name[32];
        CopyName(id, g_MMEngine.m_szBuildingId);
        CopyName(name, g_MMEngine.m_szBuildingName);
        RunBuildingMenu(id, name, ranFrame);
        if (g_pInput) g_pInput->Update();
        if (!g_MMEngine.m_bLeaveCycle)
        {
            // Time passes while the player is inside.
            g_Environment.Run(kBuildingRestTime);
            if (g_pPlayerGlider && g_pPlayerGlider->m_pMechanoid)
                g_pPlayerGlider->m_pMechanoid->Run(kBuildingRestTime);
            return;
        }
        switch (g_MMEngine.m_nExitReason)
        {
        case kExitEndText1:
            ShowEndText(1);
            break;
        case kExitEndText2:
            ShowEndText(2);
            break;
        case kExitQuit:
            m_nGameMode = kModeQuit;
            m_nQuit = 1;
            break;
        case kExitMainMenu:
            m_nGameMode = kModeMainMenu;
            m_nQuit = 1;
            break;
        default:
            // Handled on the next pass.
            break;
        }
        return;
    }
    case kExitDeath:
    case kExitMainMenu:
        m_nGameMode = kModeMainMenu;
        m_nQuit = 1;
        return;
    case kExitScriptJourney:
    case kExitTunnel:
        if (g_pScriptManager) g_pScriptManager->RunEvent(m_szLocationName, "OnLeaveLocation", nullptr);
        // The location's state and the player's mechanoid go with the journey.
        if (!g_pSavedGames)
        {
            std::snprintf(m_SavedGames.m_szMapFile, sizeof m_SavedGames.m_szMapFile, "%s", m_szMapFile);
            m_SavedGames.SaveLoc();
            m_SavedGames.SaveMainMech();
        }
        m_nQuit = 1;
        std::memcpy(m_szMapFile, m_szNextMapFile, sizeof m_szMapFile);
        m_nGameMode = reason == kExitScriptJourney ? kModeScriptJourney : kModeTunnelJourney;
        return;
    case kExitQuit:
        m_nGameMode = kModeQuit;
        m_nQuit = 1;
        return;
    case kExitEndVideo:
        PlayEndGameVideo();
        m_EndVideos.clear();
        m_nGameMode = kModeMainMenu;
        m_nQuit = 1;
        return;
    case kExitEndText1:
    case kExitEndText2:
        // An ending a script reaches in flight shows as it does from a
        // building's menu; the cycle goes on.
        ShowEndText(reason == kExitEndText1 ? 1 : 2);
        return;
    default:
        return;
    }
}

void CMMApp::CloseGame()
{
    XTRACE("CMMApp::CloseGame");
    try
    {
        // The world's end empties the object list: the camera, which moves
        // without the cells' bookkeeping, is filed where it stands first.
        if (g_pGameLocation) RefileCamera();
        if (m_nGameMode != kModeNetGame && g_pWorld) g_pWorld->DoneWorld();
        m_pBombMarker = nullptr;
        LeaveLocationServices();
        if (g_pSoundManager) g_pSoundManager->DoneSources();
        if (g_pMusicManager) g_pMusicManager->StopMusic(0.5f);
    }
    catch (const std::exception& e)
    {
        g_ErrorLog.LogError("CMMApp::CloseGame: %s", e.what());
    }
}

// ---- the network test game --------------------------------------------------------

void CMMApp::CycleNetGame()
{
    XTRACE("CMMApp::CycleNetGame");
    CMMNetClient* client = g_pNetClient;
    if (!client || !client->IsConnected())
    {
        g_ErrorLog.LogError("CMMApp::CycleNetGame: %s; back to the main menu",
                            client ? "not connected to a server" : "no network client");
        m_nGameMode = kModeMainMenu;
        return;
    }
    g_Settings.MapShadows = 1;
    g_pPlayerGlider = nullptr;
    DrawWaitScreen(-1, "", false);
    LoadStartConfig(0);
    if (g_pOrgManager) g_pOrgManager->InitRelations();
    InitMap(m_szNetMapName, true);
    if (g_pMMScriptManager) g_pMMScriptManager->Reset();
    if (g_pRadar) g_pRadar->Reset();
    if (g_Location.m_nCellsX <= 0)
    {
        g_ErrorLog.LogError("CMMApp::CycleNetGame: the network map %s cannot be entered; back to the main menu",
                            m_szNetMapName);
        CloseGame();
        m_nGameMode = kModeMainMenu;
        return;
    }
    InitMainMech(true, false);
    std::int32_t locationNumber = 0;
    CMMEngine::GetLocationName(m_szNetMapName, m_szLocationName, &locationNumber);

    // The player's objects take their ids after the player id the server
    // gave, so that no two players' objects share one.
    g_MMEngine.m_nObjectIdCounter = client->m_iSelected;
    if (CGliderObject* glider = g_pPlayerGlider)
    {
        glider->m_nNetId = std::uint32_t(++g_MMEngine.m_nObjectIdCounter);
        // Owned here: the network's dead-object check leaves it alone.
        glider->m_bLocal = 1;
        glider->m_bOwnedHere = 1;
        glider->m_bRemote = 0;
        glider->m_bChanged = 1;
        glider->m_bFullSync = 1;
        g_ObjectList.AddNetObject(glider);
    }
    client->m_bInNetGame = true;
    m_dNetClock = g_FrameTimer.GetElapsed();
    ChooseNetStartBuilding();

    for (int kind = 1;; kind = 0)
    {
        CycleGame(kind);
        const bool killed = g_MMEngine.m_nExitReason == kExitDeath;
        m_szStartBuilding[0] = 0;
        g_MMEngine.m_bFrameFlag = 0;
        // The player flies again after a death; anything else (the main
        // menu, the end, a window close) ends the network game.
        if (!killed || m_nGameMode == kModeQuit) break;
        m_nQuit = 0;
        m_nGameMode = kModeNetGame;
        RestartNetGlider();
    }

    client->m_bInNetGame = false;
    if (plat::Failed(client->SendExitGame()))
        g_ErrorLog.LogDebug("CMMApp::CycleNetGame: the server did not get the end of the game");
    CloseGame();
    if (m_nGameMode != kModeQuit) m_nGameMode = kModeMainMenu;
    // As after any game: Main runs again with the mode the game left.
    m_nQuit = 0;
}

void CMMApp::ChooseNetStartBuilding()
{
    XTRACE("CMMApp::ChooseNetStartBuilding");
    SPointerArray<CMMObject> buildings;
    g_ObjectList.GetObjectList(OBJ_BUILDING, buildings);
    std::vector<CBuildingObject*> starts;
    for (int i = 0; i < buildings.count; ++i)
    {
        auto* building = dynamic_cast<CBuildingObject*>(buildings.items[i]);
        if (building && std::ranges::find(kNetStartTypes, building->GetKindCode()) != std::end(kNetStartTypes))
            starts.push_back(building);
    }
    if (starts.empty())
    {
        CopyName(m_szStartBuilding, "NOID");
        return;
    }
    CopyName(m_szStartBuilding, starts[g_Random.Next() % starts.size()]->m_szGameId);
}

void CMMApp::RestartNetGlider()
{
    XTRACE("CMMApp::RestartNetGlider");
    CGliderObject* glider = g_pPlayerGlider;
    if (!glider) return;
    if (glider->m_pMechanoid) glider->m_pMechanoid->RepairAll();
    glider->m_bAlive = 1;
    glider->m_bEnabled = 1;
    glider->m_bFullSync = 1;
    glider->m_bChanged = 1;
    glider->m_vVelocity = CVector{};
    // Out of a start building drawn again (in the open when there is none).
    ChooseNetStartBuilding();
    if (auto* building =
            dynamic_cast<CBuildingObject*>(g_ObjectList.FindByGameId(m_szStartBuilding, OBJ_BUILDING)))
        LeaveBuilding(building);
}

void CMMApp::RunNetFrame()
{
    CMMNetClient* client = g_pNetClient;
    if (m_nGameMode != kModeNetGame || !client || !client->m_bInNetGame) return;
    XTRACE("CMMApp::RunNetFrame");
    const double before = m_dNetClock;
    const double now = g_FrameTimer.GetElapsed();
    m_dNetClock = now;
    client->GetData();
    CGliderObject* glider = g_pPlayerGlider;
    if (glider && std::floor(before) != std::floor(now)) glider->m_bChanged = 1;
    client->Senddata(false);
    if (std::floor(before / 5.0) == std::floor(now / 5.0)) return;
    // Every 5 s the glider's state goes again, so that a connection that
    // was lost shows even while nothing changes.
    if (glider) glider->m_bChanged = 1;
    if (plat::Failed(client->Senddata(false)) && g_pMessager)
    {
        CXAnsiString text;
        if (!g_pTextDB || !g_pTextDB->GetText(STextKey(kNetFailText), text)) text = kNetFailText;
        g_pMessager->AddMessage(text, 2, kNetFailText);
    }
}

void CMMApp::RunNetMenuUpkeep(float t, float frameTime)
{
    CMMNetClient* client = g_pNetClient;
    if (m_nGameMode != kModeNetGame || !client || !client->m_bInNetGame) return;
    if (std::floor(t) == std::floor(t + frameTime)) return;
    XTRACE("CMMApp::RunNetMenuUpkeep");
    client->Senddata(true);
    client->GetData();
}
