// Cell streaming: reading a cell into a cache slot, the least-recently-used
// choice of slots, the request queue and border stitching.
#include "foundation/ErrorLog.h"
#include "foundation/GameTime.h"
#include "location/Location.h"
#include "location/ViewCamera.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace
{
constexpr int kSideOffset[4][2] = {{-1, 0}, {0, -1}, {1, 0}, {0, 1}}; // left, top, right, bottom

// Vertex j along side s of a grid of n x n vertices: (row, column).
void EdgeVertex(int side, int j, int last, int& row, int& column)
{
    switch (side)
    {
    case 0:
        row = j, column = 0;
        break;
    case 1:
        row = 0, column = j;
        break;
    case 2:
        row = j, column = last;
        break;
    default:
        row = last, column = j;
        break;
    }
}

float NearEdge(const SNearSlot& slot, int side, int j)
{
    int row, column;
    EdgeVertex(side, j, kCellVertices - 1, row, column);
    return slot.Height(row, column);
}

void SetNearEdge(SNearSlot& slot, int side, int j, float height)
{
    int row, column;
    EdgeVertex(side, j, kCellVertices - 1, row, column);
    slot.SetHeight(row, column, height);
}

float FarEdge(const SFarSlot& slot, int side, int j)
{
    int row, column;
    EdgeVertex(side, j, kFarVertices - 1, row, column);
    return float(slot.At(row, column).height);
}

void ReleaseBlockMeshes(SNearSlot& slot)
{
    for (MapQuad& quad : slot.m_Quads)
        quad.Release(false, 0.0f);
}

// Bends side `side` of a near cell to the far neighbour lying on that side:
// each odd vertex takes the mean of the two far vertices around it.
void BendEdge(SNearSlot& near, int side, const SFarSlot& far)
{
    const int farSide = (side + 2) % 4;
    for (int i = 0; i < 32; ++i)
        SetNearEdge(near, side, 2 * i + 1, (FarEdge(far, farSide, i) + FarEdge(far, farSide, i + 1)) * 0.5f);
    ReleaseBlockMeshes(near);
    near.m_bBorder[side] = 1;
}

void RestoreEdge(SNearSlot& near, int side)
{
    for (int i = 0; i < 32; ++i)
        SetNearEdge(near, side, 2 * i + 1, near.m_fEdgeHeights[side][i]);
    ReleaseBlockMeshes(near);
    near.m_bBorder[side] = 0;
}

void WidenToWater(const MapCell& cell, CVector& lo, CVector& hi)
{
    if (!cell.m_pWater) return;
    const float level = cell.m_pWater->record.level;
    lo.z = std::min(lo.z, level);
    hi.z = std::max(hi.z, level);
}

void SphereOf(const CVector& lo, const CVector& hi, CVector& centre, float& radius)
{
    centre = (lo + hi) * 0.5f;
    radius = (centre - lo).Length();
}
} // namespace

SNearSlot* CLocation::TakeNearSlot()
{
    SNearSlot* slots = m_pNear.get();
    for (int i = 0; i < kNearSlots; ++i)
    {
        if (!slots[i].m_bUsed) return &slots[i];
    }
    // The oldest stamp; of equal stamps the later slot. Each slot that
    // becomes the running minimum is nudged a microsecond older; stamps in
    // the future of the clock (a clock set back by a new game) come back to it.
    const float now = static_cast<float>(g_GameTime);
    float minimum = 1e11f;
    SNearSlot* chosen = &slots[0];
    for (int i = 0; i < kNearSlots; ++i)
    {
        SNearSlot& slot = slots[i];
        if (minimum >= slot.m_fLastUse)
        {
            minimum = slot.m_fLastUse;
            chosen = &slot;
            slot.m_fLastUse -= 0.000001f;
        }
        else if (slot.m_fLastUse > now)
            slot.m_fLastUse = now;
    }
    chosen->Release(false, 0.0f);
    MapCell& owner = GetCell(chosen->m_nCellX, chosen->m_nCellY);
    if (owner.m_pNear == chosen) owner.m_pNear = nullptr;
    chosen->m_bUsed = 0;
    return chosen;
}

SFarSlot* CLocation::TakeFarSlot()
{
    SFarSlot* slots = m_pFar.get();
    for (int i = 0; i < kFarSlots; ++i)
    {
        if (!slots[i].m_bUsed) return &slots[i];
    }
    float minimum = 1e11f;
    SFarSlot* chosen = &slots[0];
    for (int i = 0; i < kFarSlots; ++i)
    {
        if (slots[i].m_fLastUse < minimum)
        {
            minimum = slots[i].m_fLastUse;
            chosen = &slots[i];
        }
    }
    MapCell& owner = GetCell(chosen->m_nCellX, chosen->m_nCellY);
    if (owner.m_pFar == chosen) owner.m_pFar = nullptr;
    ReleaseMeshSlot(chosen->m_pMesh);
    ReleaseMeshSlot(chosen->m_pWater);
    chosen->m_fLastUse = 0.0f;
    chosen->m_fReleaseStamp = static_cast<float>(g_GameTime);
    chosen->m_bUsed = 0;
    return chosen;
}

void CLocation::ReadCell(void* buffer, std::uint32_t size, unsigned x, unsigned y)
{
    if (m_CellStream.ReadBytes(buffer, size) != size) Fail("cell (%u, %u): data block cut short", x, y);
}

void CLocation::ReadCellWater(unsigned x, unsigned y, MapCell& cell)
{
    const std::uint32_t index = m_pScratch[0];
    if (index == kNoWater)
        cell.m_pWater = nullptr;
    else if (index < m_Water.size())
        cell.m_pWater = &m_Water[index];
    else
        Fail("cell (%u, %u): water record %u, the map has %zu", x, y, index, m_Water.size());
}

void CLocation::LoadCell(unsigned x, unsigned y)
{
    XTRACE("CLocation::LoadCell");
    if (!IsInside(int(x), int(y)))
        Fail("cell (%u, %u) lies outside the %d x %d cells", x, y, m_nCellsX, m_nCellsY);
    MapCell& cell = GetCell(int(x), int(y));
    if (cell.m_nLevel == kLevelFar)
        LoadFar(x, y, cell);
    else
        LoadNear(x, y, cell);
}

void CLocation::LoadFar(unsigned x, unsigned y, MapCell& cell)
{
    SFarSlot* slot = cell.m_pFar ? cell.m_pFar : TakeFarSlot();
    const int cw = CellWidth(int(x)), ch = CellHeight(int(y));
    const int hw = FarVertexCount(cw), hh = FarVertexCount(ch);
    const std::uint32_t layer = std::uint32_t(hw * hh);
    m_CellStream.Seek(std::int32_t(cell.m_nOffset), 0);
    ReadCell(m_pScratch.get(), 4 + 16 * layer, x, y);
    ReadCellWater(x, y, cell);

    // Layer k of far vertex (r, c) is word k of its record; a short cell
    // repeats its last row and column.
    const std::uint32_t* layers = m_pScratch.get() + 1;
    std::int16_t lowest = 32767, highest = -32768;
    for (int r = 0; r < kFarVertices; ++r)
    {
        const int sr = std::min(r, hh - 1);
        for (int c = 0; c < kFarVertices; ++c)
        {
            const std::uint32_t at = std::uint32_t(sr * hw + std::min(c, hw - 1));
            std::uint32_t* words = reinterpret_cast<std::uint32_t*>(&slot->At(r, c));
            for (int k = 0; k < 4; ++k)
                words[k] = layers[k * layer + at];
            lowest = std::min(lowest, slot->At(r, c).height);
            highest = std::max(highest, slot->At(r, c).height);
        }
    }
    const float now = static_cast<float>(g_GameTime);
    slot->m_bUsed = 1;
    slot->m_nCellX = int(x);
    slot->m_nCellY = int(y);
    slot->m_fLastUse = now;
    slot->m_vMin = CVector{640.0f * float(x), 640.0f * float(y), float(lowest)};
    slot->m_vMax =
        CVector{10.0f * float(64 * int(x) + cw + 1), 10.0f * float(64 * int(y) + ch + 1), float(highest)};
    WidenToWater(cell, slot->m_vMin, slot->m_vMax);
    SphereOf(slot->m_vMin, slot->m_vMax, slot->m_vCenter, slot->m_fRadius);
    cell.m_pFar = slot;
    slot->m_fReleaseStamp = now;
    UpdateBorder(x, y);
}

void CLocation::LoadNear(unsigned x, unsigned y, MapCell& cell)
{
    SNearSlot* slot = cell.m_pNear ? cell.m_pNear : TakeNearSlot();
    const int cw = CellWidth(int(x)), ch = CellHeight(int(y));
    const std::uint32_t farBytes = std::uint32_t(FarVertexCount(cw) * FarVertexCount(ch) * 16);
    const std::uint32_t layer = std::uint32_t(cw * ch);
    m_CellStream.Seek(std::int32_t(cell.m_nOffset), 0);
    ReadCell(m_pScratch.get(), 4, x, y);
    ReadCellWater(x, y, cell);
    m_CellStream.Seek(std::int32_t(farBytes), 1);
    ReadCell(m_pScratch.get() + 1, 20 * layer, x, y);

    const std::uint32_t* layers = m_pScratch.get() + 1;
    for (int r = 0; r < kCellVertices; ++r)
    {
        const int sr = std::min(r, ch - 1);
        for (int c = 0; c < kCellVertices; ++c)
        {
            const std::uint32_t at = std::uint32_t(sr * cw + std::min(c, cw - 1));
            std::uint32_t* words = reinterpret_cast<std::uint32_t*>(&slot->At(r, c));
            for (int k = 0; k < 5; ++k)
                words[k] = layers[k * layer + at];
            slot->m_fHeights[r * kCellVertices + c] = slot->At(r, c).height;
        }
    }

    const float now = static_cast<float>(g_GameTime);
    slot->m_fLastUse = now;
    slot->m_nCellX = int(x);
    slot->m_nCellY = int(y);
    slot->m_bUsed = 1;
    cell.m_pNear = slot;

    float cellLow = 1e30f, cellHigh = -1e30f;
    for (int b = 0; b < 4; ++b)
    {
        MapQuad& quad = slot->m_Quads[b];
        const int c0 = (b & 1) * 32, r0 = (b >> 1) * 32;
        float low = 1e30f, high = -1e30f;
        for (int r = r0; r <= r0 + 32; ++r)
        {
            for (int c = c0; c <= c0 + 32; ++c)
            {
                low = std::min(low, slot->At(r, c).height);
                high = std::max(high, slot->At(r, c).height);
            }
        }
        cellLow = std::min(cellLow, low);
        cellHigh = std::max(cellHigh, high);
        quad.m_vMin =
            CVector{640.0f * float(x) + 10.0f * float(c0), 640.0f * float(y) + 10.0f * float(r0), low};
        quad.m_vMax = CVector{quad.m_vMin.x + 330.0f, quad.m_vMin.y + 330.0f, high};
        WidenToWater(cell, quad.m_vMin, quad.m_vMax);
        SphereOf(quad.m_vMin, quad.m_vMax, quad.m_vCenter, quad.m_fRadius);
    }
    slot->m_vMin = CVector{640.0f * float(x), 640.0f * float(y), cellLow};
    slot->m_vMax = CVector{10.0f * float(64 * int(x) + cw), 10.0f * float(64 * int(y) + ch), cellHigh};
    WidenToWater(cell, slot->m_vMin, slot->m_vMax);
    SphereOf(slot->m_vMin, slot->m_vMax, slot->m_vCenter, slot->m_fRadius);

    slot->m_nBlocksPerSide = 2;
    slot->m_fReleaseStamp = now;
    std::fill(std::begin(slot->m_bBorder), std::end(slot->m_bBorder), std::uint8_t{0});
    for (int side = 0; side < 4; ++side)
    {
        for (int i = 0; i < 32; ++i)
            slot->m_fEdgeHeights[side][i] = NearEdge(*slot, side, 2 * i + 1);
    }
    UpdateBorder(x, y);
}

const SGroundCell* CLocation::LoadGround(unsigned x, unsigned y)
{
    XTRACE("CLocation::LoadGround");
    MapCell& cell = GetCell(int(x), int(y));
    const int cw = CellWidth(int(x)), ch = CellHeight(int(y));
    const std::uint32_t farBytes = std::uint32_t(FarVertexCount(cw) * FarVertexCount(ch) * 16);
    const std::uint32_t layer = std::uint32_t(cw * ch);
    // The water index, then past the far layers to the near ones: layer 0
    // holds the heights, layer 1 the flag bytes (the water mark is its
    // second byte). The other three near layers are the renderer's.
    m_CellStream.Seek(std::int32_t(cell.m_nOffset), 0);
    ReadCell(m_pScratch.get(), 4, x, y);
    ReadCellWater(x, y, cell);
    m_CellStream.Seek(std::int32_t(farBytes), 1);
    ReadCell(m_pScratch.get() + 1, 8 * layer, x, y);

    SGroundCell* g = m_Ground.Take(int(x), int(y));
    const float* heights = reinterpret_cast<const float*>(m_pScratch.get() + 1);
    const std::uint32_t* flags = m_pScratch.get() + 1 + layer;
    // A short cell repeats its last row and column, as LoadNear does.
    for (int r = 0; r < kCellVertices; ++r)
    {
        const int sr = std::min(r, ch - 1);
        for (int c = 0; c < kCellVertices; ++c)
            g->m_fHeights[r * kCellVertices + c] = heights[sr * cw + std::min(c, cw - 1)];
    }
    for (int i = 0; i < SGroundCell::kMarks; ++i)
    {
        const int sr = std::min(2 * i, ch - 1);
        for (int j = 0; j < SGroundCell::kMarks; ++j)
        {
            SNearVertex v{};
            std::memcpy(reinterpret_cast<std::uint8_t*>(&v) + 4, &flags[sr * cw + std::min(2 * j, cw - 1)], 4);
            g->m_Water[i * SGroundCell::kMarks + j] = v.water;
        }
    }
    m_Ground.Commit();
    return g;
}

void CLocation::RequestCell(int x, int y, int level, int index)
{
    if (m_nRequests < kRequests) m_Requests[m_nRequests++] = SRequest{x, y, level, index};
}

void CLocation::CycleLoad()
{
    XTRACE("CLocation::CycleLoad");
    for (int i = 0; i < m_nRequests; ++i)
    {
        if (m_Requests[i].level != kLevelFar) LoadCell(unsigned(m_Requests[i].x), unsigned(m_Requests[i].y));
    }
    for (int i = 0; i < m_nRequests; ++i)
    {
        if (m_Requests[i].level == kLevelFar) LoadCell(unsigned(m_Requests[i].x), unsigned(m_Requests[i].y));
    }
    ++m_nLoadStats[std::min(m_nRequests, kLoadStats - 1)];
    m_nRequests = 0;
}

SNearSlot* CLocation::GetCellMesh(unsigned x, unsigned y)
{
    if (x >= unsigned(kCellGridSize) || y >= unsigned(kCellGridSize)) return nullptr;
    SNearSlot* slot = GetCell(int(x), int(y)).m_pNear;
    if (slot) slot->m_fLastUse = static_cast<float>(g_GameTime);
    return slot;
}

SFarSlot* CLocation::GetCellMesh4(unsigned x, unsigned y)
{
    if (x >= unsigned(kCellGridSize) || y >= unsigned(kCellGridSize)) return nullptr;
    SFarSlot* slot = GetCell(int(x), int(y)).m_pFar;
    if (slot) slot->m_fLastUse = static_cast<float>(g_GameTime);
    return slot;
}

void CLocation::UpdateBorder(unsigned x, unsigned y)
{
    XTRACE("CLocation::UpdateBorder");
    if (GetCell(int(x), int(y)).m_nLevel == kLevelFar)
    {
        UpdateBorder4(x, y);
        return;
    }
    StitchNear(x, y);
    for (const auto& offset : kSideOffset)
    {
        const int nx = int(x) + offset[0], ny = int(y) + offset[1];
        if (IsInside(nx, ny)) StitchNear(unsigned(nx), unsigned(ny));
    }
}

void CLocation::UpdateBorder4(unsigned x, unsigned y)
{
    XTRACE("UpdateBorder4");
    const SFarSlot* far = GetCell(int(x), int(y)).m_pFar;
    if (!far)
    {
        g_ErrorLog.LogError("LPCELL4==0");
        return;
    }
    for (int side = 0; side < 4; ++side)
    {
        const int nx = int(x) + kSideOffset[side][0], ny = int(y) + kSideOffset[side][1];
        if (!IsInside(nx, ny)) continue;
        MapCell& neighbour = GetCell(nx, ny);
        const int facing = (side + 2) % 4;
        if (neighbour.m_nLevel == kLevelNear && neighbour.m_pNear && !neighbour.m_pNear->m_bBorder[facing])
            BendEdge(*neighbour.m_pNear, facing, *far);
    }
}

// Brings the edges of one near cell in line with its neighbours' levels.
void CLocation::StitchNear(unsigned x, unsigned y)
{
    MapCell& cell = GetCell(int(x), int(y));
    SNearSlot* near = cell.m_pNear;
    if (cell.m_nLevel == kLevelFar || !near) return;
    for (int side = 0; side < 4; ++side)
    {
        const int nx = int(x) + kSideOffset[side][0], ny = int(y) + kSideOffset[side][1];
        if (!IsInside(nx, ny)) continue;
        const MapCell& neighbour = GetCell(nx, ny);
        if (near->m_bBorder[side] && neighbour.m_nLevel == kLevelNear)
            RestoreEdge(*near, side);
        else if (!near->m_bBorder[side] && neighbour.m_nLevel == kLevelFar && neighbour.m_pFar)
            BendEdge(*near, side, *neighbour.m_pFar);
    }
}

bool CLocation::PrepareQuads(unsigned x, unsigned y, bool allVisible)
{
    XTRACE("CLocation::PrepareQuads");
    SNearSlot* slot = x < unsigned(kCellGridSize) && y < unsigned(kCellGridSize)
                          ? GetCell(int(x), int(y)).m_pNear
                          : nullptr;
    if (!slot) return false;
    slot->m_fLastUse = static_cast<float>(g_GameTime);
    const CVector& eye = g_ViewCamera.m_vPosition;
    for (MapQuad& quad : slot->m_Quads)
    {
        const float dx = quad.m_vCenter.x - eye.x, dy = quad.m_vCenter.y - eye.y;
        const float d = std::sqrt(dx * dx + dy * dy) * 0.1f; // in vertices
        if (!allVisible && !g_ViewCamera.IsSphereVisible(quad.m_vCenter, quad.m_fRadius))
        {
            quad.m_bVisible = 0;
            continue;
        }
        quad.m_bVisible = 1;
        quad.m_nLevel = d < m_fLevelDistance[0] ? 1 : d < m_fLevelDistance[1] ? 2 : 3;
    }
    slot->m_nBlocksPerSide = 2;
    return true;
}
