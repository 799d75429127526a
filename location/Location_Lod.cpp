// Level-of-detail meshes: the three block levels of a near cell and the far
// mesh, built on demand from the cached vertex records into cache-mesh pool
// slots, and the view-sector rule that decides when a cached mesh is reused.
//
// Every builder checks the slot's capacity before each 2 x 2-quad group and
// stops there: a mesh is never written past its pool slot (the overflow is
// logged once per build).
#include "foundation/ErrorLog.h"
#include "foundation/GameTime.h"
#include "foundation/Random.h"
#include "graphics/LandTypes.h"
#include "world/ObjectFrame.h"
#include "location/Environment.h"
#include "location/Location.h"
#include "location/TerrainUtil.h"
#include "location/TileTable.h"
#include "location/ViewCamera.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace
{
float Now()
{
    return static_cast<float>(g_GameTime);
}


CVector Cross(const CVector& a, const CVector& b)
{
    CVector out;
    VectorCross(&out, &a, &b);
    return out;
}

// Positions of the five non-corner vertices of a group, (row, column), in
// code-bit order: top middle, middle left, centre, middle right, bottom middle.
constexpr int kMiddle[5][2] = {{0, 1}, {1, 0}, {1, 1}, {1, 2}, {2, 1}};

// Worst case of one group: nine vertices; eight triangles, or a strip of up
// to 16 indices with two joining ones.
constexpr int kGroupVertices = 9;
constexpr int kGroupIndices = 28;

// The vertex colour: light (0xRRGGBB) scaled by the shadow level of the
// texel, halved when the terrain technique doubles it again.
std::uint32_t ShadeColor(std::uint32_t light, std::uint32_t shadowTexel, bool halve, std::uint32_t alpha)
{
    int level = int((1.0f - g_Environment.GetShadowLevel(shadowTexel)) * 192.0f + 63.0f);
    if (halve) level /= 2;
    const auto k = std::uint32_t(std::max(level, 0));
    std::uint32_t out = alpha << 24;
    for (int shift = 0; shift <= 16; shift += 8)
        out |= (((light >> shift) & 0xFF) * k >> 8) << shift;
    return out;
}

// 0x152 (36 bytes): position, normal, diffuse, one pair. 0x15A (48 bytes):
// position, three blend weights, then the same.
void WriteVertex(std::uint8_t* at, bool weights, const float p[3], const float w[3], const float n[3],
                 std::uint32_t diffuse, float u, float v)
{
    float f[12];
    int k = 0;
    for (int i = 0; i < 3; ++i)
        f[k++] = p[i];
    if (weights)
    {
        for (int i = 0; i < 3; ++i)
            f[k++] = w[i];
    }
    for (int i = 0; i < 3; ++i)
        f[k++] = n[i];
    std::memcpy(&f[k++], &diffuse, 4);
    f[k++] = u;
    f[k++] = v;
    std::memcpy(at, f, std::size_t(k) * 4);
}

// True when the triangle a, b, c faces the sector direction too much to be
// seen: its unit normal ((b - a) x (c - b)) has a dot product of threshold
// or more with it.
bool FacesAway(const float* a, const float* b, const float* c, const CVector& direction, float threshold)
{
    const CVector e1{b[0] - a[0], b[1] - a[1], b[2] - a[2]};
    const CVector e2{c[0] - b[0], c[1] - b[1], c[2] - b[2]};
    CVector n = Cross(e1, e2);
    const float length = n.Length();
    n = length > 0.0f ? n * (1.0f / length) : CVector{};
    return Dot(n, direction) >= threshold;
}

// Appends one group's index list: a triangle list (with the facing test
// when a direction is given) or a strip joined to the one before it.
struct SIndexWriter
{
    std::uint16_t* indices;
    std::uint32_t count;
    std::uint32_t subsetStart;
    bool strip;

    void Append(const STileEntry& entry, const int* kept, const float (*positions)[3],
                const CVector* direction, float threshold)
    {
        if (!strip)
        {
            for (int i = 0; entry.triangles[i] >= 0; i += 3)
            {
                const int a = entry.triangles[i], b = entry.triangles[i + 1], c = entry.triangles[i + 2];
                if (direction && FacesAway(positions[a], positions[b], positions[c], *direction, threshold))
                    continue;
                indices[count++] = std::uint16_t(kept[a]);
                indices[count++] = std::uint16_t(kept[b]);
                indices[count++] = std::uint16_t(kept[c]);
            }
            return;
        }
        int first = 0;
        if (count > subsetStart)
        {
            const std::uint16_t s0 = std::uint16_t(kept[entry.strip[0]]);
            const std::uint16_t s1 = std::uint16_t(kept[entry.strip[1]]);
            if (count - subsetStart >= 2 && indices[count - 2] == s0 && indices[count - 1] == s1)
                first = 2;
            else
            {
                indices[count] = indices[count - 1];
                indices[count + 1] = s0;
                count += 2;
            }
        }
        for (int i = first; entry.strip[i] >= 0; ++i)
            indices[count++] = std::uint16_t(kept[entry.strip[i]]);
    }
};
} // namespace

int CLocation::GetViewSector(float dx, float dy, float dz) const
{
    const CVector d = Normalize(CVector{dx, dy, dz});
    if (d.z < -0.2f) return -1;
    float best = 0.75f;
    int sector = -1;
    for (int i = 0; i < 32; ++i)
    {
        const float dot = Dot(d, m_vDirections[i]);
        if (dot > best)
        {
            best = dot;
            sector = i;
        }
    }
    return sector;
}

int CLocation::SectorDistance(int s0, int s)
{
    if (s0 != s && (s0 == -1 || s == -1)) return 16;
    return (s0 - s) & 31;
}

namespace
{
bool WithinOneSector(int s0, int s)
{
    const int d = CLocation::SectorDistance(s0, s);
    return d == 0 || d == 1 || d == 31;
}
} // namespace

SMeshSlot* CLocation::GetQuadObject(unsigned x, unsigned y, int block, int level)
{
    XTRACE("GetQuadObject");
    if (x >= unsigned(kCellGridSize) || y >= unsigned(kCellGridSize)) return nullptr;
    const CVector& eye = g_ViewCamera.m_vPosition;
    const float now = Now();
    if (block == 4 || GetCell(int(x), int(y)).m_nLevel == kLevelFar)
    {
        SFarSlot* far = GetCellMesh4(x, y);
        if (!far) return nullptr;
        const CVector d = far->m_vCenter - eye;
        const int sector = GetViewSector(d.x, d.y, d.z);
        if (far->m_pMesh && WithinOneSector(far->m_nSector, sector))
        {
            far->m_pMesh->m_fLastUse = now;
            far->m_fReleaseStamp = now;
            ++m_Stats.buildHits[3];
            return far->m_pMesh;
        }
        ++m_Stats.buildMisses[3];
        SMeshSlot* mesh = GenerateLOD4B(x, y, sector);
        far->m_fReleaseStamp = now;
        return mesh;
    }

    SNearSlot* near = GetCellMesh(x, y);
    if (!near || block < 0 || block > 3) return nullptr;
    MapQuad& quad = near->m_Quads[block];
    if (level < 1 || level > 3) level = quad.m_nLevel;
    if (level < 1 || level > 3) return nullptr;
    const CVector d = quad.m_vCenter - eye;
    const int sector = GetViewSector(d.x, d.y, d.z);
    SMeshSlot* mesh = quad.m_pMesh[level - 1];
    if (mesh && (level < 3 || WithinOneSector(quad.m_nSector[2], sector)))
    {
        mesh->m_fLastUse = now;
        ++m_Stats.buildHits[level - 1];
        return mesh;
    }
    ++m_Stats.buildMisses[level - 1];
    if (level == 1)
        GenerateLod1(x, y, block);
    else if (level == 2)
        GenerateLod2(x, y, block);
    else
        GenerateLod3(x, y, block, sector);
    quad.m_fReleaseStamp = now;
    return quad.m_pMesh[level - 1];
}

SMeshSlot* CLocation::GenerateLod1(unsigned x, unsigned y, int block)
{
    XTRACE("CLocation::GenerateLod1");
    return GenerateBlock(x, y, block, 1, -1);
}

SMeshSlot* CLocation::GenerateLod2(unsigned x, unsigned y, int block)
{
    XTRACE("CLocation::GenerateLod2");
    return GenerateBlock(x, y, block, 2, -1);
}

SMeshSlot* CLocation::GenerateLod3(unsigned x, unsigned y, int block, int sector)
{
    XTRACE("CLocation::GenerateLod3");
    return GenerateBlock(x, y, block, 3, sector);
}

SMeshSlot* CLocation::GenerateBlock(unsigned x, unsigned y, int block, int level, int sector)
{
    if (x >= unsigned(kCellGridSize) || y >= unsigned(kCellGridSize) || block < 0 || block > 3)
        return nullptr;
    SNearSlot* near = GetCell(int(x), int(y)).m_pNear;
    if (!near) return nullptr;
    const float now = Now();
    near->m_fLastUse = now;
    MapQuad& quad = near->m_Quads[block];
    const int pool = level - 1;

    // The block's old mesh of this level goes back first: left linked, its
    // slot would later clear the block's pointer to the new one.
    ReleaseMeshSlot(quad.m_pMesh[pool]);
    SMeshSlot* slot = GetMeshSlot(pool);
    if (!slot) return nullptr;
    if (level == 3 && slot->m_pDevice) g_ErrorLog.LogError("lpMapMesh->lpCashMesh!=0");
    quad.m_pMesh[pool] = slot;
    slot->m_ppOwner = &quad.m_pMesh[pool];
    slot->m_bUsed = 1;
    slot->m_nCellX = int(x);
    slot->m_nCellY = int(y);
    slot->m_nBlock = block;
    slot->m_fLastUse = now;
    if (level == 3) quad.m_nSector[2] = sector;

    // Level 1 draws atlas tiles from the game's generator: the block keeps
    // the state it first saw, so a rebuilt block shows the same tiles.
    std::uint32_t savedState = 0;
    const bool replay = level == 1 && quad.m_bRandomCaptured;
    if (level == 1)
    {
        quad.m_nReserved = 0;
        if (!quad.m_bRandomCaptured)
        {
            quad.m_uRandomState = g_Random.GetState();
            quad.m_fRandomLast = g_Random.GetLast();
        }
        else
        {
            savedState = g_Random.GetState();
            g_Random.SetState(quad.m_uRandomState);
        }
    }

    const int c0 = (block & 1) * 32, r0 = (block >> 1) * 32;
    const std::uint8_t dropBit = std::uint8_t(1u << (level - 1));

    // Subsets: the distinct land ids of the block's first 32 x 32 vertices,
    // ascending, grouped by texture and mirror flag, at most 16.
    std::uint16_t ids[50];
    int idCount = 0;
    for (int r = 0; r < 32; ++r)
    {
        for (int c = 0; c < 32 && idCount < 50; ++c)
        {
            const std::uint16_t id = near->At(r0 + r, c0 + c).landType;
            if (std::find(ids, ids + idCount, id) == ids + idCount) ids[idCount++] = id;
        }
    }
    std::sort(ids, ids + idCount);
    struct SKey
    {
        std::int32_t texture;
        bool mirror;
        std::int32_t typeIndex;
    };
    SKey keys[SMeshSlot::kSubsets];
    int subsetCount = 0;
    int idSubset[50];
    std::fill(std::begin(idSubset), std::end(idSubset), -1);
    for (int i = 0; i < idCount; ++i)
    {
        const int landId = ids[i] == 0 ? m_nDefaultLandType : int(ids[i]);
        bool flag = false;
        const int typeIndex = g_pLandTypeManager ? g_pLandTypeManager->FindTypeIndex(landId, &flag) : -1;
        const SLandType* type = g_pLandTypeManager ? g_pLandTypeManager->GetType(typeIndex) : nullptr;
        const std::int32_t texture = !type                                   ? -1
                                     : level == 1 && type->textureFull != -1 ? type->textureFull
                                                                             : type->texture;
        const bool mirror = (landId & 0x8000) != 0;
        int k = 0;
        while (k < subsetCount && !(keys[k].texture == texture && keys[k].mirror == mirror))
            ++k;
        if (k == subsetCount)
        {
            if (subsetCount == SMeshSlot::kSubsets) break; // a 17th key ends the assignment
            keys[subsetCount++] = SKey{texture, mirror, typeIndex};
        }
        idSubset[i] = k;
    }
    std::int8_t vertexSubset[33][33];
    for (int r = 0; r <= 32; ++r)
    {
        for (int c = 0; c <= 32; ++c)
        {
            const std::uint16_t id = near->At(r0 + r, c0 + c).landType;
            const std::uint16_t* at = std::find(ids, ids + idCount, id);
            vertexSubset[r][c] = std::int8_t(at == ids + idCount ? -1 : idSubset[at - ids]);
        }
    }

    CGeometryBuffer& g = slot->m_Geometry;
    const bool weights = level == 3;
    const std::uint32_t stride = g.m_nStride;
    const std::uint32_t vertexCap = g.m_nVertexCapacity, indexCap = g.m_nIndexCapacity;
    std::uint32_t vertexCount = 0;
    SIndexWriter writer{g.m_pIndices, 0, 0, m_bStripMode};
    const CVector facing = level == 3 && sector >= 0 ? m_vDirections[sector] : CVector{};
    const CVector* direction = level == 3 && !m_bStripMode ? &facing : nullptr;
    bool overflow = false;
    std::int16_t shared[33][33];

    int u = 0;
    for (; u < subsetCount && !overflow; ++u)
    {
        const std::uint32_t firstVertex = vertexCount, firstIndex = writer.count;
        writer.subsetStart = firstIndex;
        if (level >= 2) std::memset(shared, 0xFF, sizeof(shared));
        const SLandType* type = g_pLandTypeManager ? g_pLandTypeManager->GetType(keys[u].typeIndex) : nullptr;
        const bool opaque = type && type->regular;
        const bool projected = type && type->vertical != 0;
        int tilesU = 1, tilesV = 1;
        if (type && type->textureFull != -1)
        {
            tilesU = type->samples == 4 ? 2 : 4;
            tilesV = type->samples == 16 ? 4 : 2;
        }

        for (int gr = 0; gr < 16 && !overflow; ++gr)
        {
            for (int gc = 0; gc < 16; ++gc)
            {
                bool member = false;
                for (int i = 0; i < 9 && !member; ++i)
                    member = vertexSubset[2 * gr + i / 3][2 * gc + i % 3] == u;
                if (!member) continue;
                if (vertexCount + kGroupVertices > vertexCap || writer.count + kGroupIndices > indexCap)
                {
                    overflow = true;
                    break;
                }
                int code = 0;
                for (int bit = 0; bit < 5; ++bit)
                {
                    if (near->At(r0 + 2 * gr + kMiddle[bit][0], c0 + 2 * gc + kMiddle[bit][1]).dropMask &
                        dropBit)
                        code |= 1 << bit;
                }
                const STileEntry& entry = GetTileEntry(TileEntryFor(code, ((gr + gc) & 1) == 0));
                int tu = 0, tv = 0;
                if (level == 1 && !projected)
                {
                    if (tilesU >= 2) tu = g_Random.RandomInt(tilesU);
                    if (tilesV >= 2) tv = g_Random.RandomInt(tilesV);
                }

                int kept[9];
                float positions[9][3];
                for (int k = 0; entry.kept[k] >= 0; ++k)
                {
                    const int vr = entry.kept[k] / 3, vc = entry.kept[k] % 3;
                    const int row = 2 * gr + vr, column = 2 * gc + vc;
                    const SNearVertex& source = near->At(r0 + row, c0 + column);
                    const int gx = 64 * int(x) + c0 + column, gy = 64 * int(y) + r0 + row;
                    float* p = positions[k];
                    p[0] = 10.0f * float(gx);
                    p[1] = 10.0f * float(gy);
                    p[2] = source.height;
                    if (level >= 2 && shared[row][column] >= 0)
                    {
                        kept[k] = shared[row][column];
                        continue;
                    }
                    float n[3];
                    UnpackNormal(n, std::int32_t(source.normal));
                    const int own = vertexSubset[row][column];
                    const std::uint32_t alpha = !opaque && own >= 0 && own < u ? 0 : 255;
                    const std::uint32_t diffuse =
                        ShadeColor(source.light, source.shadow, m_bTerrainTechnique, alpha);
                    float tx, ty;
                    if (projected)
                    {
                        const bool mirror = keys[u].mirror;
                        const float grid =
                            opaque ? float(mirror ? gx : gy) : float(mirror ? gx - gy : gx + gy);
                        tx = grid * 10.0f / type->width * 0.5f;
                        ty = source.height * 0.5f / type->height;
                    }
                    else if (level == 1)
                    {
                        tx = (float(vc) * 0.5f + float(tu)) / float(tilesU);
                        ty = (float(vr) * 0.5f + float(tv)) / float(tilesV);
                    }
                    else
                    {
                        tx = float(vc) * 0.5f + float(gc);
                        ty = float(vr) * 0.5f + float(gr);
                    }
                    const float bu = float(column) / 32.0f, bv = float(row) / 32.0f;
                    const float w[3] = {(1.0f - bv) * bu, (1.0f - bu) * bv, bu * bv};
                    WriteVertex(g.m_pVertices + std::size_t(vertexCount) * stride, weights, p, w, n, diffuse,
                                tx, ty);
                    kept[k] = int(vertexCount);
                    if (level >= 2) shared[row][column] = std::int16_t(vertexCount);
                    ++vertexCount;
                }
                writer.Append(entry, kept, positions, direction, 0.22f);
            }
        }
        if (overflow)
        {
            static const char* const kVertexMessages[3] = {"nV<MAP_NVERTEX[MAPMESH_LOD1]",
                                                           "nV<MAP_NVERTEX[MAPMESH_LOD2]",
                                                           "nV<MAP_NVERTEX[MAPMESH_LOD3]"};
            static const char* const kIndexMessages[3] = {
                "nI<MAP_NINDEX[MAPMESH_LOD1]", "nI<MAP_NINDEX[MAPMESH_LOD2]", "nI<MAP_NINDEX[MAPMESH_LOD3]"};
            g_ErrorLog.LogError("%s", vertexCount + kGroupVertices > vertexCap ? kVertexMessages[pool]
                                                                               : kIndexMessages[pool]);
        }
        slot->m_Subsets[u] =
            SMeshSubset{std::int32_t(firstVertex), std::int32_t(vertexCount - firstVertex),
                        std::int32_t(firstIndex), std::int32_t(writer.count - firstIndex), keys[u].typeIndex};
    }
    if (u < SMeshSlot::kSubsets) slot->m_Subsets[u] = SMeshSubset{0, 0, 0, 0, -2};
    slot->m_nVertexCount = std::int32_t(vertexCount);
    slot->m_nIndexCount = std::int32_t(writer.count);

    if (level == 1)
    {
        if (replay)
            g_Random.SetState(savedState);
        else
            quad.m_bRandomCaptured = 1;
    }
    return slot;
}

SMeshSlot* CLocation::GenerateLOD4B(unsigned x, unsigned y, int sector)
{
    XTRACE("CLocation::GenerateLOD4B");
    if (x >= unsigned(kCellGridSize) || y >= unsigned(kCellGridSize)) return nullptr;
    SFarSlot* far = GetCell(int(x), int(y)).m_pFar;
    if (!far) return nullptr;
    ReleaseMeshSlot(far->m_pMesh);
    SMeshSlot* slot = GetMeshSlot(3);
    if (!slot) return nullptr;
    const float now = Now();
    far->m_pMesh = slot;
    slot->m_ppOwner = &far->m_pMesh;
    slot->m_bUsed = 1;
    slot->m_nCellX = int(x);
    slot->m_nCellY = int(y);
    slot->m_nBlock = 4;
    slot->m_fLastUse = now;
    far->m_nSector = sector;

    CGeometryBuffer& g = slot->m_Geometry;
    const std::uint32_t stride = g.m_nStride;
    std::uint32_t vertexCount = 0;
    SIndexWriter writer{g.m_pIndices, 0, 0, m_bStripMode};
    const CVector facing = sector >= 0 ? m_vDirections[sector] : CVector{};
    const CVector* direction = m_bStripMode ? nullptr : &facing;
    std::int16_t shared[kFarVertices][kFarVertices];
    std::memset(shared, 0xFF, sizeof(shared));
    bool vertexOverflow = false, indexOverflow = false;

    for (int gr = 0; gr < 16 && !vertexOverflow && !indexOverflow; ++gr)
    {
        for (int gc = 0; gc < 16; ++gc)
        {
            vertexOverflow = vertexCount + kGroupVertices > g.m_nVertexCapacity;
            indexOverflow = writer.count + kGroupIndices > g.m_nIndexCapacity;
            if (vertexOverflow || indexOverflow) break;
            int code = 0;
            for (int bit = 0; bit < 5; ++bit)
            {
                if (far->At(2 * gr + kMiddle[bit][0], 2 * gc + kMiddle[bit][1]).flags & 0x08)
                    code |= 1 << bit;
            }
            const STileEntry& entry = GetTileEntry(TileEntryFor(code, ((gr + gc) & 1) == 0));
            int kept[9];
            float positions[9][3];
            for (int k = 0; entry.kept[k] >= 0; ++k)
            {
                const int row = 2 * gr + entry.kept[k] / 3, column = 2 * gc + entry.kept[k] % 3;
                const SFarVertex& source = far->At(row, column);
                float* p = positions[k];
                p[0] = 10.0f * float(64 * int(x) + 2 * column);
                p[1] = 10.0f * float(64 * int(y) + 2 * row);
                p[2] = float(source.height);
                if (shared[row][column] >= 0)
                {
                    kept[k] = shared[row][column];
                    continue;
                }
                float n[3];
                UnpackNormal(n, std::int32_t(source.normal));
                const std::uint32_t diffuse = ShadeColor(source.light, source.shadow, m_bTerrainTechnique, 0);
                const float bu = float(column) / 32.0f, bv = float(row) / 32.0f;
                const float w[3] = {(1.0f - bv) * bu, (1.0f - bu) * bv, bu * bv};
                WriteVertex(g.m_pVertices + std::size_t(vertexCount) * stride, true, p, w, n, diffuse, 0.0f,
                            0.0f);
                kept[k] = int(vertexCount);
                shared[row][column] = std::int16_t(vertexCount);
                ++vertexCount;
            }
            writer.Append(entry, kept, positions, direction, 0.2f);
        }
    }
    if (vertexOverflow) g_ErrorLog.LogError("VERTEX OVERFLOW");
    if (indexOverflow) g_ErrorLog.LogError("INDEX OVERFLOW");
    slot->m_Subsets[0] = SMeshSubset{0, std::int32_t(vertexCount), 0, std::int32_t(writer.count), -1};
    slot->m_Subsets[1] = SMeshSubset{0, 0, 0, 0, -2};
    slot->m_nVertexCount = std::int32_t(vertexCount);
    slot->m_nIndexCount = std::int32_t(writer.count);
    return slot;
}
