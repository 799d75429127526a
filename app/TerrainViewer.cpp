#include "app/TerrainViewer.h"

#include "foundation/ErrorLog.h"
#include "foundation/Graphic.h"
#include "foundation/Input.h"
#include "graphics/Mesh.h"
#include "graphics/TexShaderManager.h"
#include "location/Location.h"
#include "location/ViewCamera.h"

#include <algorithm>
#include <cmath>

CTerrainViewer g_TerrainViewer;

namespace
{
using namespace plat::d3d;

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
constexpr float kFarPlane = 6000.0f;

void ToMatrix(const CMatrix& m, SMatrix& out)
{
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            out.m[r][c] = m.m[r][c];
}
} // namespace

bool CTerrainViewer::Init(const char* mapPath)
{
    XTRACE("CTerrainViewer::Init");
    g_Location.Init(0, 0);
    g_Location.InitCells();
    g_Location.ClearCache();
    m_bLoaded = g_Location.OpenMap(mapPath);
    if (!m_bLoaded) return false;
    m_vPosition = CVector{5.0f * float(g_Location.m_nWidth), 2.0f * float(g_Location.m_nHeight), 0.0f};
    m_vPosition.z = g_Location.GetHeight(m_vPosition) + 160.0f;
    m_fHeading = 0.3f;
    g_ErrorLog.LogDebug("Terrain viewer: %s, %d x %d cells", mapPath, g_Location.m_nCellsX,
                        g_Location.m_nCellsY);
    return true;
}

void CTerrainViewer::Move(float dt, IInput* input)
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

void CTerrainViewer::SetView()
{
    const float ground = g_Location.GetHeight(m_vPosition);
    m_vPosition.z = std::max(m_vPosition.z, ground + kAboveGround);

    // A left-handed view: z along the view, x to the right of it (world -x
    // when looking along +y, as the game's camera frame has it), y up.
    const CVector z{std::sin(m_fHeading) * std::cos(m_fPitch), std::cos(m_fHeading) * std::cos(m_fPitch),
                    std::sin(m_fPitch)};
    const CVector up{0.0f, 0.0f, 1.0f};
    CVector x, y;
    VectorCross(&x, &up, &z);
    x = Normalize(x);
    VectorCross(&y, &z, &x);
    CMatrix view(1.0f);
    const CVector axes[3] = {x, y, z};
    for (int c = 0; c < 3; ++c)
    {
        view.m[0][c] = axes[c].x;
        view.m[1][c] = axes[c].y;
        view.m[2][c] = axes[c].z;
        view.m[3][c] = -(axes[c].x * m_vPosition.x + axes[c].y * m_vPosition.y + axes[c].z * m_vPosition.z);
    }
    const float aspect =
        graph.m_nScreenHeight > 0 ? float(graph.m_nScreenWidth) / float(graph.m_nScreenHeight) : 1.0f;
    const float nearPlane = 1.0f, scale = 1.0f / std::tan(0.5f * 1.0471976f); // 60 degrees high
    CMatrix projection(0.0f);
    projection.m[0][0] = scale / aspect;
    projection.m[1][1] = scale;
    projection.m[2][2] = kFarPlane / (kFarPlane - nearPlane);
    projection.m[2][3] = 1.0f;
    projection.m[3][2] = -nearPlane * kFarPlane / (kFarPlane - nearPlane);

    g_ViewCamera.SetPosition(m_vPosition);
    g_ViewCamera.m_mView = view;
    g_ViewCamera.m_mProjection = projection;
    g_ViewCamera.UpdateViewProjection();

    Device* d = graph.m_lpDevice;
    SMatrix m;
    ToMatrix(view, m);
    d->SetTransform(D3DTS_VIEW, &m);
    ToMatrix(projection, m);
    d->SetTransform(D3DTS_PROJECTION, &m);
    // The sun the environment will set: low from the south-east, warm.
    d->SetRenderState(D3DRS_LIGHTING, 1);
    d->SetRenderState(D3DRS_AMBIENT, 0xFF303038);
    SLight sun{};
    sun.Type = D3DLIGHT_DIRECTIONAL;
    sun.Diffuse = {1.0f, 0.95f, 0.85f, 1.0f};
    sun.Direction = {-0.55f, 0.45f, -0.7f};
    d->SetLight(0, &sun);
    d->LightEnable(0, true);
}

void CTerrainViewer::Frame(float frameTime, IInput* input)
{
    XTRACE("CTerrainViewer::Frame");
    if (!m_bLoaded || !graph.m_lpDevice || !g_pTexShaderManager) return;
    Move(frameTime, input);
    CMesh::ResetCurrent();
    SetView();
    g_Location.PreRender();
    g_Location.CycleRender();
    graph.m_lpDevice->LightEnable(0, false);
    CMesh::ResetCurrent();
}

void CTerrainViewer::Done()
{
    g_Location.Done();
    g_Location.m_CellStream.Close();
    m_bLoaded = false;
}

void CTerrainViewer::InvalidateResources()
{
    g_Location.InvalidateResources();
}

void CTerrainViewer::ResetResources()
{
    g_Location.ResetResources();
}
