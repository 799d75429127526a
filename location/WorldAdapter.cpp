#include "location/WorldAdapter.h"

#include "foundation/ErrorLog.h"
#include "foundation/Graphic.h"
#include "location/Environment.h"
#include "location/Location.h"
#include "location/ViewCamera.h"
#include "world/MMObject.h"

#include <algorithm>
#include <cmath>


void CLocationWorldAdapter::Install()
{
    g_pWorldTerrain = this;
    g_pWorldLocation = this;
    g_pViewCamera = this;
    g_pObjectCells = this;
}

void CLocationWorldAdapter::Uninstall()
{
    if (g_pWorldTerrain == this) g_pWorldTerrain = nullptr;
    if (g_pWorldLocation == this) g_pWorldLocation = nullptr;
    if (g_pViewCamera == this) g_pViewCamera = nullptr;
    if (g_pObjectCells == this) g_pObjectCells = nullptr;
}

bool CLocationWorldAdapter::GetQuad(const CVector& p, float h[4], float* fx, float* fy, int* parity,
                                    bool* overWater)
{
    const int ix = int(p.x * 0.1f), iy = int(p.y * 0.1f);
    if (p.x < 0.0f || p.y < 0.0f || ix >= g_Location.m_nWidth - 1 || iy >= g_Location.m_nHeight - 1)
        return false;
    const unsigned cx = unsigned(ix >> 6), cy = unsigned(iy >> 6);
    // The ground cache, not the near cache: a probe never takes a cell the
    // renderer draws from, nor reloads one the renderer let go.
    const SGroundCell* ground = g_Location.GetGround(cx, cy);
    if (!ground) return false;
    const int c = ix & 63, r = iy & 63;
    h[0] = ground->Height(r, c);
    h[1] = ground->Height(r, c + 1);
    h[2] = ground->Height(r + 1, c);
    h[3] = ground->Height(r + 1, c + 1);
    *fx = p.x * 0.1f - float(ix);
    *fy = p.y * 0.1f - float(iy);
    *parity = (r + c) & 1;
    const SWaterEntry* water = g_Location.GetCell(int(cx), int(cy)).m_pWater;
    *overWater = water && ground->Water(r, c) && water->record.level + 3.0f > std::min({h[0], h[1], h[2], h[3]});
    return true;
}

bool CLocationWorldAdapter::GetHeight(const CVector& p, float* height)
{
    float h[4], fx, fy;
    int odd;
    bool water;
    if (!GetQuad(p, h, &fx, &fy, &odd, &water)) return false;
    const float h00 = h[0], h10 = h[1], h01 = h[2], h11 = h[3];
    if (odd)
        *height = fx + fy < 1.0f ? h00 + (h10 - h00) * fx + (h01 - h00) * fy
                                 : h11 + (h01 - h11) * (1.0f - fx) + (h10 - h11) * (1.0f - fy);
    else
        *height = fx >= fy ? h00 + (h10 - h00) * (fx - fy) + (h11 - h00) * fy
                           : h00 + (h01 - h00) * (fy - fx) + (h11 - h00) * fx;
    return true;
}

float CLocationWorldAdapter::GetRoughHeight(const CVector& p, bool water)
{
    const CVector nearest{std::floor(p.x * 0.1f + 0.5f) * 10.0f, std::floor(p.y * 0.1f + 0.5f) * 10.0f, p.z};
    float h = 0.0f;
    if (!GetHeight(nearest, &h)) return 0.0f;
    const int ix = int(nearest.x * 0.1f), iy = int(nearest.y * 0.1f);
    const SWaterEntry* w = g_Location.GetCell(ix >> 6, iy >> 6).m_pWater;
    if (water && w) h = std::max(h, w->record.level + 3.0f);
    return h;
}

bool CLocationWorldAdapter::GetTriangleNormal(const CVector& p, CVector* normal)
{
    float h[4], fx, fy;
    int odd;
    bool water;
    if (!GetQuad(p, h, &fx, &fy, &odd, &water) || water) return false;
    const float h00 = h[0], h10 = h[1], h01 = h[2], h11 = h[3];
    CVector n;
    if (odd)
        n = fx + fy < 1.0f ? CVector{-10.0f * (h10 - h00), -10.0f * (h01 - h00), 100.0f}
                           : CVector{10.0f * (h01 - h11), 10.0f * (h10 - h11), 100.0f};
    else
        n = fx >= fy ? CVector{-10.0f * (h10 - h00), 10.0f * (h10 - h11), 100.0f}
                     : CVector{10.0f * (h01 - h11), -10.0f * (h01 - h00), 100.0f};
    *normal = Normalize(n);
    return true;
}

void CLocationWorldAdapter::PrefetchGround(const CVector& p, bool cellOnly)
{
    const int ix = int(p.x * 0.1f), iy = int(p.y * 0.1f);
    if (!(p.x >= 0.0f && p.y >= 0.0f) || ix >= g_Location.m_nWidth - 1 || iy >= g_Location.m_nHeight - 1) return;
    if (cellOnly)
    {
        if (g_Location.IsInside(ix >> 6, iy >> 6))
            __builtin_prefetch(g_Location.GetGroundCache().Entry(ix >> 6, iy >> 6));
        return;
    }
    // Not GetGround: a hint neither loads nor counts as a use of the cell.
    const SGroundCell* ground = g_Location.PeekGround(unsigned(ix >> 6), unsigned(iy >> 6));
    if (!ground) return;
    // The quad and one on each side: the probes reach a few units around
    // the object. A row's four heights may straddle two cache lines.
    const int r = iy & 63, c = ix & 63;
    const int first = std::max(c - 1, 0), last = std::min(c + 2, kCellVertices - 1);
    for (int row = std::max(r - 1, 0); row <= std::min(r + 2, kCellVertices - 1); ++row)
    {
        const float* heights = &ground->m_fHeights[row * kCellVertices];
        __builtin_prefetch(heights + first);
        __builtin_prefetch(heights + last);
    }
}

float CLocationWorldAdapter::GetUpperLimit()
{
    return g_Environment.m_fUpperLimit;
}

void CLocationWorldAdapter::ClearForNewLocation()
{
    g_Environment.Clear();
    g_Location.ClearCache();
}

void CLocationWorldAdapter::SetCellCounts(int across, int down)
{
    g_Location.m_nCellsX = across;
    g_Location.m_nCellsY = down;
}

void CLocationWorldAdapter::LoadMap(const char* path)
{
    g_Location.OpenMap(path);
}

float CLocationWorldAdapter::GetTimeOfDay()
{
    return g_Environment.m_fTime;
}

void CLocationWorldAdapter::SetViewPosition(const CVector& position)
{
    g_ViewCamera.SetPosition(position);
}

void CLocationWorldAdapter::TakeCameraFrame(const CObjectFrame& frame)
{
    // Rows 0-2, then the view camera's own SetPosition: the view form.
    g_ViewCamera.Assign(frame);
    g_ViewCamera.UpdateAxes();
    g_ViewCamera.m_mView = g_ViewCamera.m_Matrix;
    g_ViewCamera.UpdateViewProjection();
    InvertMatrix(g_ViewCamera.m_mView, g_ViewCamera.m_mInverseView);
    if (graph.m_lpDevice)
        graph.m_lpDevice->SetTransform(plat::d3d::D3DTS_VIEW,
                                       reinterpret_cast<const plat::d3d::SMatrix*>(&g_ViewCamera.m_mView));
}

// The cells' object lists are the location's own: one set of rules for
// home and spread cells.
void CLocationWorldAdapter::AddCellObject(CMMObject* object, bool multiCell)
{
    g_Location.AddCellObject(object->GetPosition(), object, multiCell);
}

void CLocationWorldAdapter::DeleteCellObject(CMMObject* object)
{
    g_Location.DeleteCellObject(object->GetPosition(), object);
}

void CLocationWorldAdapter::MoveCellObject(const CVector& oldPos, const CVector& newPos, CMMObject* object)
{
    g_Location.MoveCellObject(oldPos, newPos, object);
}

CLinkedList<CMMObject>* CLocationWorldAdapter::GetCellObjects(int cell)
{
    return cell >= 0 && cell < kCellGridSize * kCellGridSize ? &g_Location.m_Cells[cell].m_Objects : nullptr;
}

int CLocationWorldAdapter::GetVisibleCells(const int** cells)
{
    m_Visible.clear();
    for (int row = 0; row < g_Location.m_nCellsY; ++row)
        for (int col = 0; col < g_Location.m_nCellsX; ++col)
            m_Visible.push_back(row * kCellGridSize + col);
    *cells = m_Visible.data();
    return int(m_Visible.size());
}

bool CLocationWorldAdapter::GetMapMesh(float x, float y, float radius, CGeometryBuffer* out)
{
    return g_Location.GetMapMesh(x, y, 0, radius, out);
}

std::uint32_t CLocationWorldAdapter::GetColor(float x, float y)
{
    return g_Location.GetColor(x, y);
}
