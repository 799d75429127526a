#include "app/WorldViewer.h"

#include "app/GameWorldState.h"
#include "foundation/ErrorLog.h"
#include "foundation/Graphic.h"
#include "location/Location.h"
#include "location/ViewCamera.h"
#include "location/WorldAdapter.h"
#include "units/GliderObject.h"
#include "units/KindManagers.h"
#include "world/Camera.h"
#include "world/MMEngine.h"
#include "world/ObjectList.h"
#include "world/ObjectManager.h"
#include "world/ObjectScene.h"

#include <cmath>
#include <exception>
#include <memory>

namespace
{

constexpr int kDropCount = 5;
constexpr float kDropHeight = 120.0f;
constexpr float kFieldOfView = 1.0f; // radians, vertical
constexpr float kNear = 2.0f;
constexpr float kFar = 6000.0f;
constexpr std::uint32_t kAmbient = 0xFFC0C0C0;

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
class CDropBox : public CGliderObject
{
public:
    explicit CDropBox(const CVector& at)
    {
        const std::int32_t type = g_StoneManager.FindName("STONE_BOX");
        m_pType = static_cast<const SObjectTypeHeader*>(g_StoneManager.GetType(type));
        m_fRadius = 1.5f;
        m_bGravity = 1;
        m_bGroundFollowing = 1;
        m_fHoverHeight = 1.0f;
        m_fRisingFriction = 3.0f;
        // Strong ground friction: a box that lands on a slope and is thrown
        // aside by the ground's push comes to rest near where it fell.
        m_fSideFriction = 20.0f;
        m_fForwardFriction = 20.0f;
        m_fForwardFrictionScale = 1e10f;
        m_fProbe1 = m_fProbe2 = 5.0f;
        m_bChanged = 1;
        CMatrix m(1.0f);
        m.SetTranslation(at);
        m_Frame.SetMatrix(m, true);
    }
};

struct SViewer
{
    CLocationWorldAdapter adapter;
    CViewerView view;
    CCamera* camera = nullptr; // owned here, not by the object list
    bool entered = false;
};

std::unique_ptr<SViewer> s_Viewer;

void SetProjection()
{
    const float aspect =
        graph.m_nScreenHeight > 0 ? float(graph.m_nScreenWidth) / float(graph.m_nScreenHeight) : 1.0f;
    const float ys = 1.0f / std::tan(kFieldOfView * 0.5f);
    CMatrix p;
    p.m[0][0] = ys / aspect;
    p.m[1][1] = ys;
    p.m[2][2] = kFar / (kFar - kNear);
    p.m[2][3] = 1.0f;
    p.m[3][2] = -kNear * kFar / (kFar - kNear);
    g_ViewCamera.m_mProjection = p;
    if (graph.m_lpDevice)
        graph.m_lpDevice->SetTransform(plat::d3d::D3DTS_PROJECTION,
                                       reinterpret_cast<const plat::d3d::SMatrix*>(&p));
}

float GroundAt(float x, float y)
{
    float h = 0.0f;
    if (g_pWorldTerrain && g_pWorldTerrain->GetHeight(CVector{x, y, 0.0f}, &h)) return h;
    return 0.0f;
}

} // namespace

void WorldViewerStartUp()
{
    try
    {
        RegisterUnitManagers();
        g_MMEngine.MMInit();
    }
    catch (const std::exception& e)
    {
        g_ErrorLog.LogError("WorldViewerStartUp: %s", e.what());
        g_ErrorLog.FlushTrace();
    }
}

CCamera* GetWorldViewerCamera()
{
    return s_Viewer ? s_Viewer->camera : nullptr;
}

bool WorldViewerEnter(const char* locationFile)
{
    try
    {
        s_Viewer = std::make_unique<SViewer>();
        SViewer& v = *s_Viewer;
        v.adapter.Install();
        g_pObjectView = &v.view;
        g_Location.Init(0, 0);
        g_Location.InitCells();
        g_MMEngine.LoadWorld(locationFile);

        // The boxes, dropped over the start point (the middle of the map
        // when the location has none).
        CVector start{float(g_Location.m_nWidth) * 5.0f, float(g_Location.m_nHeight) * 5.0f, 0.0f};
        for (CSysObject* p : g_ObjectList.m_SysObjects)
            if (p->m_nKind == 1) start = p->m_Frame.m_vPosition;
        CMMObject* first = nullptr;
        for (int i = 0; i < kDropCount; ++i)
        {
            const float x = start.x + float(i % 3) * 6.0f - 6.0f, y = start.y + float(i / 3) * 6.0f;
            auto* box = new CDropBox(CVector{x, y, GroundAt(x, y) + kDropHeight + float(i) * 30.0f});
            g_ObjectList.AddObject(box);
            if (!first) first = box;
        }

        v.camera = new CCamera;
        g_pCameraObject = v.camera;
        v.camera->SetPosition(
            CVector{start.x - 260.0f, start.y - 260.0f, GroundAt(start.x, start.y) + 160.0f});
        // Behind and above the first box, turned with it.
        v.camera->SetOrbitMode(first);
        SetProjection();
        v.entered = true;
        return true;
    }
    catch (const std::exception& e)
    {
        g_ErrorLog.LogError("WorldViewerEnter %s: %s", locationFile, e.what());
        g_ErrorLog.FlushTrace();
        WorldViewerDone();
        return false;
    }
}

void WorldViewerFrame(float frameTime)
{
    if (!s_Viewer || !s_Viewer->entered) return;
    SViewer& v = *s_Viewer;
    try
    {
        // The game frame's order: the objects' run (the camera first), the
        // view, visibility and the object passes, then the physics
        // sub-steps and the end-of-frame pack.
        g_ObjectList.Run();
        v.camera->UpdateView();
        g_ObjectList.CheckVisibility(true);
        // No sun and moon yet: the objects are lit by the ambient light.
        if (graph.m_lpDevice) graph.m_lpDevice->SetRenderState(plat::d3d::D3DRS_AMBIENT, kAmbient);
        g_ObjectList.RenderFly();
        g_ObjectList.Render(false);
        g_ObjectList.StepPhysics(frameTime);
        g_ObjectList.Pack(false);
    }
    catch (const std::exception& e)
    {
        // One bad frame is logged; the world is left for this run.
        g_ErrorLog.LogError("WorldViewerFrame: %s", e.what());
        g_ErrorLog.FlushTrace();
        v.entered = false;
    }
}

void WorldViewerDone()
{
    if (!s_Viewer) return;
    g_pCameraObject = nullptr;
    g_ObjectList.Clear();
    delete s_Viewer->camera;
    g_MMEngine.Done();
    g_pObjectView = nullptr;
    s_Viewer->adapter.Uninstall();
    s_Viewer.reset();
}
