// Terrain queries: heights, colours and light at a point, rays and
// segments against the ground, the ground triangles under a square, and
// the per-cell object lists. Heights are read straight from the cached
// vertex records; a query may load a missing cell on the spot.
#include "foundation/ErrorLog.h"
#include "graphics/LandTypes.h"
#include "location/Environment.h"
#include "location/Location.h"
#include "location/TerrainUtil.h"
#include "world/MMObject.h"

#include <algorithm>
#include <cmath>

namespace
{
// The record that stands for points outside the map.
const std::uint32_t kZeroTexel[5] = {};

// A spread object is listed in every cell its square reaches.
bool Spreads(const CMMObject* object)
{
    return object->m_bCollidable && !object->m_bSphereCollider && !object->m_bFarDrawn && !object->m_bPhysics;
}

// The nearest vertex index of a world coordinate. Rounded with floor, not
// truncation: truncation would take points up to 15 units off the map's
// low edges for vertex 0.
int NearestVertex(float world)
{
    return int(std::floor(world * 0.1f + 0.5f));
}

int CellOf(float world)
{
    return int(world * 0.1f) >> 6;
}
} // namespace

float CLocation::GetHeight(const CVector& p, bool water, bool load, std::uint8_t* outOverWater,
                           bool* outKnown)
{
    if (outKnown) *outKnown = false;
    const int ix = int(p.x * 0.1f), iy = int(p.y * 0.1f);
    // Truncation would fold (-10, 0) onto vertex 0: negative points are outside.
    if (p.x < 0.0f || p.y < 0.0f || ix >= m_nWidth - 1 || iy >= m_nHeight - 1) return 0.0f;
    const float fx = p.x * 0.1f - float(ix), fy = p.y * 0.1f - float(iy);
    const unsigned cx = unsigned(ix >> 6), cy = unsigned(iy >> 6);
    SNearSlot* near = GetCellMesh(cx, cy);
    if (!near)
    {
        if (!load) return 0.0f;
        GetCell(int(cx), int(cy)).m_nLevel = kLevelNear;
        LoadCell(cx, cy);
        near = GetCellMesh(cx, cy);
        if (!near) return 0.0f;
    }
    const int c = ix & 63, r = iy & 63;
    const float h00 = near->Height(r, c), h10 = near->Height(r, c + 1);
    const float h01 = near->Height(r + 1, c), h11 = near->Height(r + 1, c + 1);
    float h;
    if ((r + c) & 1)
        h = fx + fy < 1.0f ? h00 + (h10 - h00) * fx + (h01 - h00) * fy
                           : h11 + (h01 - h11) * (1.0f - fx) + (h10 - h11) * (1.0f - fy);
    else
        h = fx >= fy ? h00 + (h10 - h00) * (fx - fy) + (h11 - h00) * fy
                     : h00 + (h01 - h00) * (fy - fx) + (h11 - h00) * fx;
    if (outKnown) *outKnown = true;
    if (outOverWater) *outOverWater = 0;
    const SWaterEntry* surface = GetCell(int(cx), int(cy)).m_pWater;
    if (water && near->At(r & ~1, c & ~1).water && surface && surface->record.level > h)
    {
        if (outOverWater) *outOverWater = 1;
        return surface->record.level;
    }
    return h;
}

bool CLocation::GetZone(const CVector& p, float* level, int* kind)
{
    const int ix = int(p.x * 0.1f), iy = int(p.y * 0.1f);
    if (p.x < 0.0f || p.y < 0.0f || ix >= m_nWidth - 1 || iy >= m_nHeight - 1) return false;
    const unsigned cx = unsigned(ix >> 6), cy = unsigned(iy >> 6);
    const SWaterEntry* zone = GetCell(int(cx), int(cy)).m_pWater;
    SNearSlot* near = GetCellMesh(cx, cy);
    // The quad's mark tells whether the cell's zone covers it (the mark of
    // a quad pair sits on its even vertex).
    if (!zone || !near || !near->At(iy & 62, ix & 62).water) return false;
    *level = zone->record.level;
    *kind = zone->record.surfaceKind;
    return true;
}

float CLocation::GetRoughHeight(const CVector& p, bool water)
{
    const int ix = NearestVertex(p.x), iy = NearestVertex(p.y);
    if (ix < 0 || iy < 0 || ix >= m_nWidth - 1 || iy >= m_nHeight - 1) return 0.0f;
    const unsigned cx = unsigned(ix >> 6), cy = unsigned(iy >> 6);
    const int lx = ix & 63, ly = iy & 63;
    float h;
    bool flagged;
    if (SNearSlot* near = GetCellMesh(cx, cy))
    {
        h = near->Height(ly, lx);
        flagged = near->At(ly & ~1, lx & 62).water != 0;
    }
    else
    {
        SFarSlot* far = GetCellMesh4(cx, cy);
        if (!far)
        {
            GetCell(int(cx), int(cy)).m_nLevel = kLevelFar;
            LoadCell(cx, cy);
            far = GetCellMesh4(cx, cy);
            if (!far) return 0.0f;
        }
        h = float(far->At(ly >> 1, lx >> 1).height);
        flagged = far->At((ly >> 1) & ~1, (lx >> 1) & ~1).water != 0;
    }
    const SWaterEntry* surface = GetCell(int(cx), int(cy)).m_pWater;
    if (water && flagged && surface) return std::max(h, surface->record.level + 3.0f);
    return h;
}

std::uint32_t CLocation::GetColor(float x, float y)
{
    const int ix = NearestVertex(x), iy = NearestVertex(y);
    if (ix < 0 || iy < 0 || ix >= m_nWidth || iy >= m_nHeight) return 0xFFFFFF;
    const int cx = std::min(m_nCellsX - 1, ix >> 6), cy = std::min(m_nCellsY - 1, iy >> 6);
    const int lx = ix - 64 * cx, ly = iy - 64 * cy;
    const MapCell& cell = GetCell(cx, cy);
    if (cell.m_pFar) return cell.m_pFar->At(ly >> 1, lx >> 1).light;
    if (!cell.m_pNear) return 0xFFFFFF;
    const SNearVertex& vertex = cell.m_pNear->At(ly, lx);
    const std::uint32_t c = vertex.light;
    const SLandType* type =
        g_pLandTypeManager
            ? g_pLandTypeManager->GetType(g_pLandTypeManager->FindTypeIndex(vertex.landType, nullptr))
            : nullptr;
    if (!type) return c;
    const std::uint32_t t = GetTextureColor(type->texture);
    return BlendColorRGB(ModulateColor(c, t), c, float(t >> 24) / 255.0f);
}

std::uint32_t CLocation::GetLightColor(float x, float y)
{
    const int ix = NearestVertex(x), iy = NearestVertex(y);
    if (ix < 0 || iy < 0 || ix >= m_nWidth || iy >= m_nHeight) return 0xFFFFFF;
    const int cx = std::min(m_nCellsX - 1, ix >> 6), cy = std::min(m_nCellsY - 1, iy >> 6);
    const int lx = ix - 64 * cx, ly = iy - 64 * cy;
    const MapCell& cell = GetCell(cx, cy);
    if (cell.m_pFar) return cell.m_pFar->At(ly >> 1, lx >> 1).light;
    if (cell.m_pNear) return cell.m_pNear->At(ly, lx).light;
    return 0xFFFFFF;
}

const std::uint32_t* CLocation::GetShadowTexel(int vx, int vy)
{
    if (vx < 0 || vy < 0 || vx > 64 * m_nCellsX || vy > 64 * m_nCellsY || m_nCellsX == 0 || m_nCellsY == 0)
        return kZeroTexel;
    const int cx = std::min(m_nCellsX - 1, vx >> 6), cy = std::min(m_nCellsY - 1, vy >> 6);
    const int lx = vx - 64 * cx, ly = vy - 64 * cy;
    const MapCell& cell = GetCell(cx, cy);
    if (cell.m_pNear) return reinterpret_cast<const std::uint32_t*>(&cell.m_pNear->At(ly, lx));
    if (cell.m_pFar) return reinterpret_cast<const std::uint32_t*>(&cell.m_pFar->At(ly >> 1, lx >> 1));
    return kZeroTexel;
}

float CLocation::GetBrightnessAt(const CVector& p)
{
    const std::uint32_t* texel = GetShadowTexel(NearestVertex(p.x), NearestVertex(p.y));
    const float s = g_Environment.GetShadowLevel(texel[3]);
    return ((1.0f - s) * 192.0f + 63.0f) / 255.0f;
}

bool CLocation::GetRayIntersection(const CVector& origin, const CVector& dir, float maxDistance, CVector* out,
                                   bool water)
{
    XTRACE("CLocation::GetRayIntersection");
    float t = 0.0f, step = 0.5f;
    while (t < maxDistance)
    {
        t += step;
        const CVector p = origin + dir * t;
        const float ground = step < 1.0f ? GetHeight(p, water, false) : GetRoughHeight(p, water);
        if (ground >= p.z)
        {
            GetSegmentIntersection(p - dir * step, p, out, water);
            return true;
        }
        step *= 1.1f;
    }
    return false;
}

bool CLocation::GetSegmentIntersection(const CVector& a, const CVector& b, CVector* out, bool water)
{
    const float above = a.z - GetHeight(a, water, false);
    const float below = GetHeight(b, water, false) - b.z;
    if (above <= 0.0f)
    {
        *out = a;
        return false;
    }
    if (below <= 0.0f)
    {
        *out = b;
        return false;
    }
    *out = (a * below + b * above) * (1.0f / (above + below));
    return true;
}

bool CLocation::GetRoughRayIntersection(const CVector& origin, const CVector& dir, float maxDistance,
                                        CVector* out)
{
    XTRACE("CLocation::GetRoughRayIntersection");
    // Each sample lies at distance t from the origin, the distance the
    // march compares with maxDistance.
    float t = 0.0f, step = 10.0f;
    while (t < maxDistance)
    {
        t += step;
        *out = origin + dir * t;
        if (GetRoughHeight(*out, false) >= out->z) return true;
        step *= 2.0f;
    }
    return false;
}

bool CLocation::GetMapMesh(float x, float y, int /*flags*/, float radius, CGeometryBuffer* out)
{
    XTRACE("CLocation::GetMapMesh");
    out->m_nVertexCount = out->m_nIndexCount = out->m_nReserved = 0;
    const float r = std::min(radius, 200.0f);
    const int col0 = int((x - r) * 0.1f) & ~1, col1 = int((x + r) * 0.1f + 1.999f) & ~1;
    const int row0 = int((y - r) * 0.1f) & ~1, row1 = int((y + r) * 0.1f + 1.999f) & ~1;
    if (m_nCellsX == 0 || m_nCellsY == 0) return false;
    const int cx0 = std::clamp(col0 >> 6, 0, m_nCellsX - 1), cx1 = std::clamp(col1 >> 6, 0, m_nCellsX - 1);
    const int cy0 = std::clamp(row0 >> 6, 0, m_nCellsY - 1), cy1 = std::clamp(row1 >> 6, 0, m_nCellsY - 1);
    for (int cy = cy0; cy <= cy1; ++cy)
    {
        for (int cx = cx0; cx <= cx1; ++cx)
        {
            SNearSlot* near = GetCellMesh(unsigned(cx), unsigned(cy));
            if (!near) continue;
            // The range in the cell's own vertex coordinates, 0..64.
            const int lx0 = std::max(col0 - 64 * cx, 0), lx1 = std::min(col1 - 64 * cx, 64);
            const int ly0 = std::max(row0 - 64 * cy, 0), ly1 = std::min(row1 - 64 * cy, 64);
            for (int b = 0; b < 4; ++b)
            {
                const int bx = (b & 1) * 32, by = (b >> 1) * 32;
                const int x0 = std::max(lx0, bx) - bx, x1 = std::min(lx1, bx + 32) - bx;
                const int y0 = std::max(ly0, by) - by, y1 = std::min(ly1, by + 32) - by;
                if (x0 < x1 && y0 < y1)
                    near->m_Quads[b].AppendTiles(out, x0, y0, x1, y1, x - r, y - r, 2.0f * r);
            }
        }
    }
    return out->m_nVertexCount > 0;
}

void CLocation::AddCellObject(const CVector& position, CMMObject* object, bool spread)
{
    const int hx = CellOf(position.x), hy = CellOf(position.y);
    if (!IsInside(hx, hy)) return;
    CLinkedList<CMMObject>& home = GetCell(hx, hy).m_Objects;
    if (!home.Contains(object)) home.AddTail(object);
    if (!spread || !Spreads(object)) return;
    const float r = object->m_fRadius;
    const int x0 = std::max(CellOf(position.x - r), 0), x1 = std::min(CellOf(position.x + r), m_nCellsX - 1);
    const int y0 = std::max(CellOf(position.y - r), 0), y1 = std::min(CellOf(position.y + r), m_nCellsY - 1);
    for (int y = y0; y <= y1; ++y)
    {
        for (int x = x0; x <= x1; ++x)
        {
            CLinkedList<CMMObject>& list = GetCell(x, y).m_Objects;
            if (!list.Contains(object)) list.AddTail(object);
        }
    }
}

void CLocation::MoveCellObject(const CVector& oldPosition, const CVector& newPosition, CMMObject* object)
{
    // A spread object moves out of every cell of its old square, not only
    // out of its home cell: it would stay listed where it no longer is.
    if (Spreads(object))
    {
        const float r = object->m_fRadius;
        if (CellOf(oldPosition.x - r) == CellOf(newPosition.x - r) &&
            CellOf(oldPosition.x + r) == CellOf(newPosition.x + r) &&
            CellOf(oldPosition.y - r) == CellOf(newPosition.y - r) &&
            CellOf(oldPosition.y + r) == CellOf(newPosition.y + r) &&
            CellOf(oldPosition.x) == CellOf(newPosition.x) && CellOf(oldPosition.y) == CellOf(newPosition.y))
            return;
        const int x0 = std::max(std::min(CellOf(oldPosition.x - r), CellOf(oldPosition.x)), 0);
        const int x1 = std::min(std::max(CellOf(oldPosition.x + r), CellOf(oldPosition.x)), m_nCellsX - 1);
        const int y0 = std::max(std::min(CellOf(oldPosition.y - r), CellOf(oldPosition.y)), 0);
        const int y1 = std::min(std::max(CellOf(oldPosition.y + r), CellOf(oldPosition.y)), m_nCellsY - 1);
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x)
                GetCell(x, y).m_Objects.Remove(object);
        AddCellObject(newPosition, object, true);
        return;
    }
    const int ox = CellOf(oldPosition.x), oy = CellOf(oldPosition.y);
    const int nx = CellOf(newPosition.x), ny = CellOf(newPosition.y);
    if (ox == nx && oy == ny) return;
    if (IsInside(ox, oy)) GetCell(ox, oy).m_Objects.Remove(object);
    if (IsInside(nx, ny))
    {
        CLinkedList<CMMObject>& list = GetCell(nx, ny).m_Objects;
        if (!list.Contains(object)) list.AddTail(object);
    }
}

void CLocation::DeleteCellObject(const CVector& position, CMMObject* object)
{
    XTRACE("CLocation::DeleteCellObject");
    const int hx = CellOf(position.x), hy = CellOf(position.y);
    // Off the map an object is in no cell's list (one that flew off it):
    // there is nothing to take out.
    if (IsInside(hx, hy) && !GetCell(hx, hy).m_Objects.Remove(object))
        g_ErrorLog.LogError("CLocation::DeleteCellObject Object not deleted. Type=%d", object->m_nType);
    if (!Spreads(object)) return;
    const float r = object->m_fRadius;
    const int x0 = std::max(CellOf(position.x - r), 0), x1 = std::min(CellOf(position.x + r), m_nCellsX - 1);
    const int y0 = std::max(CellOf(position.y - r), 0), y1 = std::min(CellOf(position.y + r), m_nCellsY - 1);
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x)
            GetCell(x, y).m_Objects.Remove(object);
}
