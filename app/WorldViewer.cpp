#include "app/WorldViewer.h"
#include "app/BuildingHost.h"
#include "app/InputConfig.h"
#include "app/MMApp.h"

#include "world/GameWorldState.h"
#include "app/PlayerGlider.h"
#include "app/WorldPatrol.h"
#include "foundation/ErrorLog.h"
#include "foundation/Graphic.h"
#include "foundation/Input.h"
#include "graphics/Mesh.h"
#include "graphics/TexShaderManager.h"
#include "hud/Renderer.h"
#include "hud/radar/Radar.h"
#include "location/Environment.h"
#include "location/Location.h"
#include "location/ViewCamera.h"
#include "location/WorldAdapter.h"
#include "location/EffectRenderManager.h"
#include "location/EnvironmentLights.h"
#include "script/game/ScriptManager.h"
#include "society/GroupMaker.h"
#include "society/MechGroup.h"
#include "world/LightWare.h"
#include "units/GameUnits.h"
#include "units/GliderObject.h"
#include "units/KindManagers.h"
#include "world/Camera.h"
#include "world/MMEngine.h"
#include "world/ObjectList.h"
#include "world/ObjectManager.h"
#include "world/ObjectScene.h"
#include "world/RoadManager.h"
#include "world/World.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <memory>
#include <string>

CWorldViewer g_WorldViewer;

namespace
{
// DirectInput key codes.
constexpr int kKeyUp = 0xC8;
constexpr int kKeyDown = 0xD0;
constexpr int kKeyLeft = 0xCB;
constexpr int kKeyRight = 0xCD;
constexpr int kKeyPageUp = 0xC9;
constexpr int kKeyPageDown = 0xD1;

constexpr float kSpeed = 300.0f;      // units a second
constexpr float kClimb = 150.0f;      // units a second
constexpr float kTurn = 1.2f;         // radians a second
constexpr float kMouseTurn = 0.004f;  // radians a mouse unit
constexpr float kWheelClimb = 0.5f;   // units a wheel unit
constexpr float kAboveGround = 20.0f; // the least height over the ground

constexpr float kDropHeight = 120.0f;
// Where the camera starts: behind the dropped boxes, looking at them.
constexpr float kCameraBack = 55.0f;
constexpr float kCameraUp = 22.0f;
// The player's glider waits this far in front of the camera's start.
constexpr float kGliderAhead = 30.0f;
constexpr float kGliderOverGround = 6.0f;
// The following camera: behind, above, and how fast it catches up.
constexpr float kFollowBack = 20.0f;
constexpr float kFollowUp = 7.0f;
constexpr float kFollowRate = 6.0f;

// The object passes' view of the view camera.
class CViewerView : public IObjectView
{
public:
    CVector GetViewPosition() const override { return g_ViewCamera.m_vPosition; }
    CVector GetViewDirection() const override
    {
        return CVector{g_ViewCamera.m_Matrix.m[0][2], g_ViewCamera.m_Matrix.m[1][2],
                       g_ViewCamera.m_Matrix.m[2][2]};
    }
    bool IsSphereVisible(const CVector* centre, float radius) const override
    {
        return g_ViewCamera.IsSphereVisible(*centre, radius);
    }
};

// A box that falls and hovers over the ground: a glider's motion with the
// sample stone's model.
class CDropBox : public CDynamicObject
{
public:
    explicit CDropBox(const CVector& at)
    {
        const std::int32_t type = g_StoneManager.FindName("STONE_BOX");
        m_nType = OBJ_STONE;
        m_bShown = 1;
        m_bMoving = 1;
        m_bPhysics = 1;
        m_bCollidable = 1;
        m_pType = static_cast<const SObjectTypeHeader*>(g_StoneManager.GetType(type));
        m_fRadius = 1.5f;
        m_bGravity = 1;
        m_bGroundFollowing = 1;
        // Hovering this low, a box rests about its radius over the ground.
        m_fHoverHeight = 0.14f;
        m_fRisingFriction = 3.0f;
        // Strong ground friction: a box that lands on a slope and is thrown
        // aside by the ground's push comes to rest near where it fell.
        m_fSideFriction = 20.0f;
        m_fForwardFriction = 20.0f;
        m_fForwardFrictionScale = 1e10f;
        // The ground probes at the box's own size: a box that tips over
        // rests on its side, not on a probe standing out of it.
        m_fProbe1 = m_fProbe2 = m_fRadius;
        m_bChanged = 1;
        CMatrix m(1.0f);
        m.SetTranslation(at);
        m_Frame.SetMatrix(m, true);
    }
};

float GroundAt(const CVector& p)
{
    float h = 0.0f;
    if (g_pWorldTerrain && g_pWorldTerrain->GetHeight(CVector{p.x, p.y, 0.0f}, &h)) return h;
    return 0.0f;
}
} // namespace

struct CWorldViewer::SState
{
    CLocationWorldAdapter adapter;
    CViewerView view;
    CCamera camera; // owned here, not by the object list
    CPlayer player;
    CGameBuildingHost buildings;
    CWorldPatrol patrol; // the gliders of the world
};

CWorldViewer::CWorldViewer() = default;
CWorldViewer::~CWorldViewer() = default;

CWorldPatrol* CWorldViewer::GetPatrol() const
{
    return m_pState ? &m_pState->patrol : nullptr;
}

CGliderObject* CWorldViewer::GetPlayerGlider() const
{
    return m_pState ? m_pState->player.GetGlider() : nullptr;
}

int CWorldViewer::GetBuildingEntries() const
{
    return m_pState ? m_pState->buildings.m_nEntered : 0;
}

CCamera* CWorldViewer::GetCamera() const
{
    return m_pState ? &m_pState->camera : nullptr;
}

bool CWorldViewer::Enter(const char* locationFile)
{
    XTRACE("CWorldViewer::Enter");
    try
    {
        m_pState = std::make_unique<SState>();
        m_bFreeCamera = false;
        SState& s = *m_pState;
        s.adapter.Install();
        s.buildings.Install();
        g_pObjectView = &s.view;
        g_EffectRenderManager.Init(1);
        EnvironmentLights::Install();
        g_Location.Init(0, 0);
        g_Location.InitCells();
        g_MMEngine.LoadWorld(locationFile);
        // The map's reader has logged why it could not be entered.
        if (g_Location.m_nCellsX <= 0) throw std::runtime_error("no map");
        g_Environment.StartGame();
        g_MMEngine.m_LocMusic.Reset("MUS_LOC1", "MUS_FIGHT");
        g_EffectRenderManager.ClearScanner();

        // The boxes, dropped over the start point (the middle of the map
        // when the location has none).
        CVector start{float(g_Location.m_nWidth) * 5.0f, float(g_Location.m_nHeight) * 5.0f, 0.0f};
        for (CSysObject* p : g_ObjectList.m_SysObjects)
            if (p->m_nKind == 1) start = p->m_Frame.m_vPosition;
        for (int i = 0; i < kDropCount; ++i)
        {
            CVector at{start.x + float(i % 3) * 6.0f - 6.0f, start.y + float(i / 3) * 6.0f, 0.0f};
            at.z = GroundAt(at) + kDropHeight + float(i) * 30.0f;
            auto* box = new CDropBox(at);
            g_ObjectList.AddObject(box);
            m_Boxes.push_back(box);
        }

        // The location's machines of a new game, and on the road nearest
        // the start a flying machine as the location's traffic. A map too
        // small for the world to give its buildings gatherers (the sample's)
        // gets them here, so that they are seen at work.
        CreateUnitsForGame();
        if (!CreateObserverOnRoad(start)) g_ErrorLog.LogDebug("World viewer: no road for a flying machine");
        // The location's described groups travel its roads (routed by the
        // world's path finder over the location's road graph).
        g_MechGroupList2.Clear();
        if (g_pWorld) g_pWorld->m_PathFinder.Init(&g_RoadManager);
        g_ErrorLog.LogDebug("World viewer: %d groups", CreateLocationGroups());
        SPointerArray<CMMObject> gatherers;
        g_ObjectList.GetObjectList(OBJ_GATHERER, gatherers);
        if (gatherers.count == 0) CGathererManager::CreateForGame();

        // The free camera, steered by the keys rather than moved by the
        // physics: behind the boxes, looking at them.
        s.camera.SetMode2();
        s.camera.m_bPhysics = 0;
        g_pCameraObject = &s.camera;
        m_fHeading = 0.3f;
        m_vPosition = CVector{start.x - std::sin(m_fHeading) * kCameraBack,
                              start.y - std::cos(m_fHeading) * kCameraBack, 0.0f};
        m_vPosition.z = std::max(GroundAt(m_vPosition), GroundAt(start)) + kCameraUp;
        m_fPitch = -0.3f;
        // The player's glider, between the camera and the boxes.
        CVector at{m_vPosition.x + std::sin(m_fHeading) * kGliderAhead,
                   m_vPosition.y + std::cos(m_fHeading) * kGliderAhead, 0.0f};
        at.z = GroundAt(at) + kGliderOverGround;
        if (!s.player.Create(at, m_fHeading))
            g_ErrorLog.LogError("CWorldViewer::Enter: no player glider (configuration %s)",
                                CPlayer::kConfiguration);
        s.patrol.Create(s.player.GetGlider());
        if (g_pRenderer) g_pRenderer->m_pCameraObject = &s.camera;
        // The radar: the location's radar map beside its map, no target.
        if (g_pRadar)
        {
            g_pRadar->InitLocationMap(RadarMapPathOf(g_MMEngine.m_sMapPath).c_str(), g_Location.m_nCellsX,
                                      g_Location.m_nCellsY);
            g_pRadar->SetTarget(0, nullptr, true);
        }
        PlaceCamera();
        m_bEntered = true;
        g_ErrorLog.LogDebug("World viewer: %s, %d x %d cells", locationFile, g_Location.m_nCellsX,
                            g_Location.m_nCellsY);
        return true;
    }
    catch (const std::exception& e)
    {
        g_ErrorLog.LogError("CWorldViewer::Enter %s: %s", locationFile, e.what());
        g_ErrorLog.FlushTrace();
        Done();
        return false;
    }
}

void CWorldViewer::Move(float dt, IInput* input)
{
    if (!input) return;
    float forward = 0.0f, climb = 0.0f;
    if (input->IsDown(kKeyUp)) forward += 1.0f;
    if (input->IsDown(kKeyDown)) forward -= 1.0f;
    if (input->IsDown(kKeyLeft)) m_fHeading -= kTurn * dt;
    if (input->IsDown(kKeyRight)) m_fHeading += kTurn * dt;
    if (input->IsDown(kKeyPageUp)) climb += 1.0f;
    if (input->IsDown(kKeyPageDown)) climb -= 1.0f;
    const InputVector mouse = input->GetMouseDelta();
    m_fHeading += mouse.x * kMouseTurn;
    m_fPitch = std::clamp(m_fPitch - mouse.y * kMouseTurn, -1.5f, 1.0f);
    m_vPosition.x += std::sin(m_fHeading) * forward * kSpeed * dt;
    m_vPosition.y += std::cos(m_fHeading) * forward * kSpeed * dt;
    m_vPosition.z += climb * kClimb * dt + mouse.z * kWheelClimb;
}

void CWorldViewer::PlaceCamera()
{
    m_vPosition.z = std::max(m_vPosition.z, GroundAt(m_vPosition) + kAboveGround);
    CObjectFrame& frame = m_pState->camera.m_Frame;
    frame.m_Matrix = CMatrix(1.0f);
    frame.SetPosition(m_vPosition);
    frame.SetForward(CVector{std::sin(m_fHeading) * std::cos(m_fPitch), std::cos(m_fHeading) * std::cos(m_fPitch),
                             std::sin(m_fPitch)});
    frame.RebuildMatrix();
}

void CWorldViewer::FollowGlider(float frameTime)
{
    const CGliderObject* glider = GetPlayerGlider();
    if (!glider) return;
    const CVector forward = glider->ForwardAxis();
    if (forward.x != 0.0f || forward.y != 0.0f) m_fHeading = std::atan2(forward.x, forward.y);
    const CVector p = glider->GetPosition();
    const CVector wanted{p.x - std::sin(m_fHeading) * kFollowBack, p.y - std::cos(m_fHeading) * kFollowBack,
                         p.z + kFollowUp};
    // The camera catches up with the glider rather than jumping.
    const float k = std::min(1.0f, frameTime * kFollowRate);
    m_vPosition = m_vPosition + (wanted - m_vPosition) * k;
    m_fPitch = std::atan2(p.z + 2.0f - m_vPosition.z, kFollowBack);
    PlaceCamera();
}

bool CWorldViewer::Frame(float frameTime, IInput* input)
{
    XTRACE("CWorldViewer::Frame");
    if (!m_bEntered || !graph.m_lpDevice || !g_pTexShaderManager || !g_pRenderer) return false;
    try
    {
        // The frame's dynamic lights and queued effects start empty.
        g_LightWare.DisableLights();
        g_LightWare.ResetFrame();
        g_EffectRenderManager.ResetFrame();
        CGliderObject* glider = GetPlayerGlider();
        if (IsFreeCamera())
        {
            // The player input reads the device in flight; here the viewer does.
            if (input && GetPlayerGlider()) input->Update();
            Move(frameTime, input);
            PlaceCamera();
        }
        else if (auto* app = dynamic_cast<CMMApp*>(g_pApplication); app && input)
        {
            // The player's input of the application, reading this device.
            g_CameraMode = 1;
            g_InputConfig.SetInput(input);
            app->ProcessInput();
            g_InputConfig.SetInput(nullptr);
            glider = GetPlayerGlider();
        }
        if (glider) m_pState->player.Run(frameTime);
        // Chasing the glider is the orbit camera's view: the cockpit shows.
        g_CameraMode = IsFreeCamera() ? 2 : 1;
        CRenderer& renderer = *g_pRenderer;
        renderer.m_pPlayerGlider = IsFreeCamera() ? nullptr : glider;
        renderer.m_pPlayerMech = renderer.m_pPlayerGlider ? glider->m_pMechanoid : nullptr;
        renderer.m_pTargetGlider =
            renderer.m_pPlayerGlider ? dynamic_cast<CGliderObject*>(glider->m_pTarget) : nullptr;
        renderer.m_fFrameTime = frameTime;
        if (renderer.m_pPlayerGlider && g_pRadar)
            g_pRadar->OpenMap(glider->GetPosition(), g_Location.m_nWidth > 512 ? 1920.0f : 750.0f, true);
        CMesh::ResetCurrent();
        // The device may have been reset since the last frame.
        CRenderer::SetProjection(false);
        // The world's run (its groups), the objects' run (the camera first),
        // the view, the cell streaming, the visibility and the day's step.
        g_MMEngine.m_LocMusic.Run(frameTime);
        if (g_pWorld) g_pWorld->RunWorld(frameTime);
        if (g_pScriptManager) g_pScriptManager->Run(frameTime);
        g_ObjectList.Run();
        if (!IsFreeCamera()) FollowGlider(frameTime);
        m_pState->camera.UpdateView();
        g_Location.PreRender();
        g_ObjectList.CheckVisibility(true);
        g_EffectRenderManager.RenderScanner();
        g_Environment.Run(frameTime);
        // Looking down, the environment clears only the depth and leaves
        // the sky above the horizon to the sky dome's textures; the sample
        // sky has none and the free camera tilts further than the game's,
        // so the sky's colour is cleared here then.
        if (g_ViewCamera.m_mView.m[2][2] < -0.05f)
            graph.Clear(plat::d3d::D3DCLEAR_TARGET, g_Environment.m_uSkyColor);
        // The frame: the scene, then the HUD.
        renderer.Render();
        // Then the physics sub-steps and the end-of-frame pack.
        g_ObjectList.StepPhysics(frameTime);
        g_ObjectList.Pack(false);
        return true;
    }
    catch (const std::exception& e)
    {
        // One bad frame is logged; the world is left for this run.
        g_ErrorLog.LogError("CWorldViewer::Frame: %s", e.what());
        g_ErrorLog.FlushTrace();
        m_bEntered = false;
        return false;
    }
}

void CWorldViewer::Done()
{
    m_bEntered = false;
    m_Boxes.clear();
    if (!m_pState) return;
    g_pCameraObject = nullptr;
    if (g_pRenderer)
    {
        // The renderer stays for the next game; what it drew goes.
        g_pRenderer->m_pCameraObject = nullptr;
        g_pRenderer->m_pPlayerGlider = nullptr;
        g_pRenderer->m_pPlayerMech = nullptr;
        g_pRenderer->m_pTargetGlider = nullptr;
    }
    if (g_pRadar) g_pRadar->DoneBigMap();
    m_pState->patrol.Release();
    m_pState->player.Release();
    g_MechGroupList2.Clear();
    g_ObjectList.Clear();
    g_pObjectView = nullptr;
    g_LightWare.DisableLights();
    g_LightWare.ResetFrame();
    EnvironmentLights::Uninstall();
    g_EffectRenderManager.Done();
    g_Location.Done();
    g_Location.m_CellStream.Close();
    m_pState->adapter.Uninstall();
    m_pState->buildings.Uninstall();
    m_pState.reset();
}

void CWorldViewer::InvalidateResources()
{
    if (!m_pState) return;
    g_Location.InvalidateResources();
    g_EffectRenderManager.InvalidateResources();
}

void CWorldViewer::ResetResources()
{
    if (!m_pState) return;
    g_Location.ResetResources();
    g_EffectRenderManager.ResetResources();
}
