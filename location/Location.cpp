#include "location/Location.h"

#include "foundation/ErrorLog.h"
#include "foundation/Graphic.h"
#include "foundation/Settings.h"
#include "graphics/ModelManager.h"
#include "graphics/TexShaderManager.h"
#include "location/Environment.h"
#include "foundation/GameTime.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

CLocation g_Location;

SDeviceSlot::SDeviceSlot() : m_Mesh(MESH_MEMORY_HEAP, 0, 0, 0, 0) {}

namespace
{
float Now()
{
    return static_cast<float>(g_GameTime);
}

void ResetQuad(MapQuad& quad, SNearSlot* owner, int block)
{
    quad = MapQuad{};
    quad.m_pOwner = owner;
    quad.m_nBlock = block;
}

void ResetNearSlot(SNearSlot& slot)
{
    slot.m_bUsed = slot.m_bVisible = 0;
    slot.m_fLastUse = slot.m_fReleaseStamp = 0.0f;
    slot.m_nCellX = slot.m_nCellY = 0;
    slot.m_vMin = slot.m_vMax = slot.m_vCenter = CVector{};
    slot.m_fRadius = 0.0f;
    slot.m_nBlocksPerSide = 0;
    for (int b = 0; b < 4; ++b)
        ResetQuad(slot.m_Quads[b], &slot, b);
    std::fill(std::begin(slot.m_bBorder), std::end(slot.m_bBorder), std::uint8_t{0});
}

void ResetFarSlot(SFarSlot& slot)
{
    slot.m_bUsed = 0;
    slot.m_vMin = slot.m_vMax = slot.m_vCenter = CVector{};
    slot.m_fRadius = slot.m_fLastUse = slot.m_fReleaseStamp = 0.0f;
    slot.m_nCellX = slot.m_nCellY = 0;
    slot.m_nSector = -1;
    slot.m_pMesh = slot.m_pWater = nullptr;
}

void ResetCell(MapCell& cell)
{
    cell.m_Objects.RemoveAll();
    cell.m_nOffset = 0;
    cell.m_pNear = nullptr;
    cell.m_pFar = nullptr;
    std::fill(std::begin(cell.m_fFactors), std::end(cell.m_fFactors), 0.0f);
    cell.m_pWater = nullptr;
    cell.m_vMin = cell.m_vMax = cell.m_vCenter = CVector{};
    cell.m_fRadius = 0.0f;
    cell.m_nLevel = cell.m_nPrevLevel = 0;
    cell.m_bFlag = 0;
    cell.m_uWord = 0;
}
} // namespace

std::int32_t SWaterEntry::GetTextureId() const
{
    std::int32_t id;
    std::memcpy(&id, record.texture, 4);
    return id;
}

std::int32_t SWaterEntry::GetTexture2Id() const
{
    std::int32_t id;
    std::memcpy(&id, record.texture2, 4);
    return id;
}

void ReleaseMeshSlot(SMeshSlot*& slot)
{
    if (!slot) return;
    if (SDeviceSlot* device = slot->m_pDevice)
    {
        device->m_bTaken = 0;
        device->m_bDrawn = 0;
        slot->m_pDevice = nullptr;
    }
    slot->m_bUsed = 0;
    slot->m_ppOwner = nullptr;
    slot = nullptr;
}

void MapQuad::Release(bool onlyIfUnused, float maxAge)
{
    const float now = Now();
    if (onlyIfUnused && now - m_fReleaseStamp <= maxAge) return;
    for (SMeshSlot*& mesh : m_pMesh)
        ReleaseMeshSlot(mesh);
    ReleaseMeshSlot(m_pWater);
    m_fReleaseStamp = now;
    if (!onlyIfUnused)
    {
        if (m_pDetail)
        {
            m_pDetail->m_bUsed = 0;
            m_pDetail->m_ppOwner = nullptr;
            m_pDetail->m_pOwnerGenerated = nullptr;
            m_pDetail = nullptr;
        }
        m_bDetail = 0;
    }
}

void SNearSlot::Release(bool onlyIfUnused, float maxAge)
{
    for (MapQuad& quad : m_Quads)
        quad.Release(onlyIfUnused, maxAge);
    m_nBlocksPerSide = 0;
    m_fReleaseStamp = Now();
}

CLocation::CLocation()
{
    m_Material.Diffuse = m_Material.Ambient = plat::d3d::SColorValue{1.0f, 1.0f, 1.0f, 1.0f};
    m_Material.Power = 15.0f;
    for (int i = 0; i < 32; ++i)
    {
        const float a = float(i) * 0.19634955f;
        m_vDirections[i] = CVector{std::sin(a), std::cos(a), 0.0f};
    }
}

CLocation::~CLocation()
{
    FreePools();
    m_CellStream.Close();
}

void CLocation::ChoosePoolSizes(int r, bool details, int mesh[kPools], int device[kPools])
{
    struct SRow
    {
        int radius;
        int mesh[kPools];
        int device[kPools];
    };
    static constexpr SRow kRows[] = {
        {513, {20, 70, 1280, 280, 640}, {8, 12, 36, 50, 33}},
        {512, {10, 30, 90, 50, 100}, {7, 10, 65, 35, 33}},
        {384, {10, 30, 90, 40, 125}, {7, 10, 65, 20, 20}},
        {256, {10, 30, 80, 0, 100}, {8, 11, 60, 10, 15}},
        {194, {10, 30, 60, 0, 80}, {8, 11, 40, 0, 15}},
        {128, {10, 20, 30, 0, 50}, {8, 12, 11, 0, 7}},
    };
    mesh[0] = 12;
    mesh[1] = 35;
    mesh[2] = 80;
    mesh[3] = r < 197   ? 10
              : r < 257 ? 20
              : r < 513 ? RoundToInt(std::sqrt(float(r)) * float(r) * 0.025f)
                        : 300;
    mesh[4] = mesh[1] + mesh[2] + mesh[3];

    // Device slots of the row at or below r; an exact row (or 513 and more)
    // sets the cache-mesh slots too.
    const SRow* chosen = &kRows[std::size(kRows) - 1];
    for (const SRow& row : kRows)
    {
        if (r >= row.radius)
        {
            chosen = &row;
            break;
        }
    }
    std::copy(std::begin(chosen->device), std::end(chosen->device), device);
    if (r == chosen->radius || (chosen == &kRows[0]))
        std::copy(std::begin(chosen->mesh), std::end(chosen->mesh), mesh);

    if (!details)
    {
        device[1] += device[0];
        device[0] = 0;
        mesh[1] += mesh[0];
        mesh[0] = 0;
    }
}

void CLocation::Init(int, int)
{
    XTRACE("CLocation::Init");
    m_bTerrainTechnique = graph.m_lpDevice && g_pTexShaderManager &&
                          g_pTexShaderManager->m_Techniques[SHADER_MAP_NEAR].m_iPassCount > 0;
    m_Stats = SLodStats{};
    if (g_pModelManager)
    {
        static constexpr struct
        {
            const char* name;
            std::uint32_t fvf;
            std::int32_t vertices, indices;
        } kBuffers[4] = {
            {"MAP1", 0x152, 16000, 65534},
            {"MAPDETAILS", 0x1D2, 10000, 55000},
            {"MAP3", 0x15A, 13000, 65534},
            {"MAP4", 0x15A, 10000, 55000},
        };
        // Slots made in an earlier model manager are not this one's.
        if (m_nRenderBufferOwner != g_pModelManager->GetSerial())
        {
            for (std::int32_t& slot : m_iRenderBuffers)
                slot = -1;
            m_nRenderBufferOwner = g_pModelManager->GetSerial();
        }
        for (int i = 0; i < 4; ++i)
        {
            if (m_iRenderBuffers[i] == -1)
                m_iRenderBuffers[i] = g_pModelManager->CreateRenderBuffer(
                    kBuffers[i].name, kBuffers[i].fvf, kBuffers[i].vertices, kBuffers[i].indices, 2, false);
        }
    }
    for (CGeometryBuffer& spare : m_SpareBuffers)
    {
        if (!spare.m_pVertices) spare.Allocate(0x1D2, 5000, 25000);
    }
    m_pDetails = std::make_unique<SDetailSlot[]>(kDetailSlots);

    FreePools();
    ChoosePoolSizes(g_Settings.VisibleRadius, m_bDetailObjects, m_nMeshSlots, m_nDeviceSlots);
    m_fLevelDistance[0] = m_bDetailObjects ? 64.0f : 0.0f;
    m_fLevelDistance[1] = 120.0f;
    m_fLevelDistance[2] = 320.0f;
    for (int p = 0; p < kPools; ++p)
    {
        m_pMeshSlots[p] = std::make_unique<SMeshSlot[]>(std::size_t(m_nMeshSlots[p]));
        for (int i = 0; i < m_nMeshSlots[p]; ++i)
        {
            SMeshSlot& slot = m_pMeshSlots[p][i];
            slot.m_Geometry.Allocate(kPoolFormats[p].fvf, std::uint32_t(kPoolFormats[p].vertices),
                                     std::uint32_t(kPoolFormats[p].indices));
            slot.m_nPool = p;
        }
        m_pDeviceSlots[p] = std::make_unique<SDeviceSlot[]>(std::size_t(m_nDeviceSlots[p]));
    }
    ResetResources();
    const float f = float(g_Settings.VisibleRadius) / 128.0f;
    m_fViewFactor[0] = g_Settings.VisibleRadius > 256 ? f + 1.5f : f + 0.5f;
    m_fViewFactor[1] = 2.0f * f;
    ResetMeshPools();

    // A second Init replaces the slot arrays: no cell may keep a link.
    for (MapCell& cell : m_Cells)
    {
        cell.m_pNear = nullptr;
        cell.m_pFar = nullptr;
    }
    m_pNear = std::make_unique<SNearSlot[]>(kNearSlots);
    m_pFar = std::make_unique<SFarSlot[]>(kFarSlots);
    for (int i = 0; i < kNearSlots; ++i)
        ResetNearSlot(m_pNear[i]);
    m_pScratch = std::make_unique<std::uint32_t[]>(1 + 4 * kFarVertices * kFarVertices +
                                                   5 * kCellVertices * kCellVertices);
    g_Environment.InitResources();
    m_nRequests = 0;
}

void CLocation::InitCells()
{
    for (MapCell& cell : m_Cells)
        cell.m_Objects.RemoveAll();
}

void CLocation::ClearCache()
{
    XTRACE("CLocation::ClearCache");
    m_Ground.Clear();
    if (m_pNear)
    {
        for (int i = 0; i < kNearSlots; ++i)
            ResetNearSlot(m_pNear[i]);
    }
    if (m_pFar)
    {
        for (int i = 0; i < kFarSlots; ++i)
            ResetFarSlot(m_pFar[i]);
    }
    for (MapCell& cell : m_Cells)
        ResetCell(cell);
    m_nRequests = 0;
    for (int p = 0; p < kPools; ++p)
    {
        for (int i = 0; i < m_nMeshSlots[p]; ++i)
        {
            SMeshSlot& slot = m_pMeshSlots[p][i];
            slot.m_bUsed = 0;
            slot.m_fLastUse = 0.0f;
            slot.m_pDevice = nullptr;
            slot.m_ppOwner = nullptr;
        }
        for (int i = 0; i < m_nDeviceSlots[p]; ++i)
            m_pDeviceSlots[p][i].m_bDrawn = m_pDeviceSlots[p][i].m_bTaken = 0;
    }
    if (m_pDetails)
    {
        for (int i = 0; i < kDetailSlots; ++i)
        {
            SDetailSlot& slot = m_pDetails[i];
            slot.m_bUsed = 0;
            slot.m_fTime = 0.0f;
            slot.m_ppOwner = nullptr;
            slot.m_pOwnerGenerated = nullptr;
            slot.m_nCount = 0;
        }
    }
}

void CLocation::ResetMeshPools()
{
    for (int p = 0; p < kPools; ++p)
    {
        for (int i = 0; i < m_nMeshSlots[p]; ++i)
        {
            SMeshSlot& slot = m_pMeshSlots[p][i];
            if (slot.m_ppOwner) *slot.m_ppOwner = nullptr;
            slot.m_ppOwner = nullptr;
            slot.m_pDevice = nullptr;
            slot.m_bUsed = 0;
        }
        for (int i = 0; i < m_nDeviceSlots[p]; ++i)
            m_pDeviceSlots[p][i].m_bTaken = 0;
    }
    if (m_pDetails)
    {
        for (int i = 0; i < kDetailSlots; ++i)
        {
            SDetailSlot& slot = m_pDetails[i];
            if (slot.m_ppOwner) *slot.m_ppOwner = nullptr;
            if (slot.m_pOwnerGenerated) *slot.m_pOwnerGenerated = 0;
            slot.m_ppOwner = nullptr;
            slot.m_pOwnerGenerated = nullptr;
            slot.m_bUsed = 0;
        }
    }
}

bool CLocation::OpenMap(const char* path)
{
    XTRACE("CLocation::OpenMap");
    std::snprintf(m_szMapPath, sizeof(m_szMapPath), "%s", path);
    m_CellStream.Close();
    m_Ground.Clear();
    CPakFileSystem& files = GetPakFileSystem();
    if (!files.Open(path))
    {
        g_ErrorLog.LogError("File not found %s", path);
        m_nCellsX = m_nCellsY = 0;
        return false;
    }
    char trace[CErrorLog::kTraceSize];
    g_ErrorLog.GetTrace(trace, sizeof(trace));
    try
    {
        Load();
    }
    catch (const CMapError& error)
    {
        // The readers' names went on the trace; the line below reports the
        // fault in full, so the trace goes back to what it was.
        const std::size_t before = std::strlen(trace);
        for (int i = 0; i < 8; ++i)
        {
            g_ErrorLog.GetTrace(trace, sizeof(trace));
            if (std::strlen(trace) <= before) break;
            g_ErrorLog.DropLastTraceEntry();
        }
        g_ErrorLog.LogError("%s; the location is not entered", error.what());
        files.Close();
        m_nCellsX = m_nCellsY = 0;
        return false;
    }
    ResetMeshPools();
    files.Close();
    if (!files.OpenStream(path, m_CellStream))
    {
        g_ErrorLog.LogError("Map file '%s': cannot open it again for its cells; the location is not entered",
                            path);
        m_nCellsX = m_nCellsY = 0;
        return false;
    }
    return true;
}

SMeshSlot* CLocation::GetMeshSlot(int pool)
{
    const int n = m_nMeshSlots[pool];
    if (n == 0) return nullptr;
    SMeshSlot* slots = m_pMeshSlots[pool].get();
    SMeshSlot* chosen = nullptr;
    for (int i = 0; i < n && !chosen; ++i)
    {
        if (!slots[i].m_bUsed) chosen = &slots[i];
    }
    if (!chosen)
    {
        float minimum = 1e11f;
        for (int i = 0; i < n; ++i)
        {
            if (slots[i].m_fLastUse < minimum)
            {
                minimum = slots[i].m_fLastUse;
                chosen = &slots[i];
            }
        }
        if (!chosen) chosen = &slots[0];
    }
    if (chosen->m_pDevice)
    {
        chosen->m_pDevice->m_bTaken = 0;
        chosen->m_pDevice = nullptr;
    }
    if (chosen->m_ppOwner) *chosen->m_ppOwner = nullptr;
    chosen->m_ppOwner = nullptr;
    return chosen;
}

SDetailSlot* CLocation::GetDetailSlot()
{
    if (!m_pDetails) return nullptr;
    SDetailSlot* chosen = nullptr;
    for (int i = 0; i < kDetailSlots && !chosen; ++i)
    {
        if (!m_pDetails[i].m_bUsed) chosen = &m_pDetails[i];
    }
    if (!chosen)
    {
        float minimum = 1e11f;
        for (int i = 0; i < kDetailSlots; ++i)
        {
            if (m_pDetails[i].m_fTime < minimum)
            {
                minimum = m_pDetails[i].m_fTime;
                chosen = &m_pDetails[i];
            }
        }
        if (!chosen) chosen = &m_pDetails[0];
    }
    if (chosen->m_ppOwner) *chosen->m_ppOwner = nullptr;
    if (chosen->m_pOwnerGenerated) *chosen->m_pOwnerGenerated = 0;
    chosen->m_ppOwner = nullptr;
    chosen->m_pOwnerGenerated = nullptr;
    chosen->m_nCount = 0;
    return chosen;
}

void CLocation::ReleaseUnusedMeshes()
{
    XTRACE("CLocation::ReleaseUnusedMeshes");
    const float now = Now();
    for (int y = 0; y < m_nCellsY; ++y)
    {
        for (int x = 0; x < m_nCellsX; ++x)
        {
            MapCell& cell = GetCell(x, y);
            if (cell.m_pNear) cell.m_pNear->Release(true, 30.0f);
            if (SFarSlot* far = cell.m_pFar; far && now - far->m_fReleaseStamp > 60.0f)
            {
                ReleaseMeshSlot(far->m_pMesh);
                ReleaseMeshSlot(far->m_pWater);
                far->m_fLastUse = 0.0f;
                far->m_fReleaseStamp = now;
            }
        }
    }
}

void CLocation::InvalidateResources()
{
    XTRACE("CLocation::InvalidateResources");
    for (int p = 0; p < kPools; ++p)
    {
        for (int i = 0; i < m_nDeviceSlots[p]; ++i)
        {
            SDeviceSlot& slot = m_pDeviceSlots[p][i];
            if (slot.m_Mesh.m_pVB || slot.m_Mesh.m_pVertices) SubMeshMemory(&slot.m_Mesh);
            slot.m_Mesh.Free();
            slot.m_bDrawn = slot.m_bTaken = 0;
        }
        for (int i = 0; i < m_nMeshSlots[p]; ++i)
            m_pMeshSlots[p][i].m_pDevice = nullptr;
    }
}

void CLocation::ResetResources()
{
    XTRACE("CLocation::ResetResources");
    // Without a device (tests, tools) the slots hold plain arrays.
    const std::uint32_t memory = !graph.m_lpDevice               ? MESH_MEMORY_HEAP
                                 : g_Settings.UseStaticMapBuffer ? MESH_MEMORY_STATIC
                                                                 : MESH_MEMORY_DYNAMIC;
    for (int p = 0; p < kPools; ++p)
    {
        for (int i = 0; i < m_nDeviceSlots[p]; ++i)
        {
            SDeviceSlot& slot = m_pDeviceSlots[p][i];
            slot.m_Mesh.Allocate(memory, kPoolFormats[p].fvf, kPoolFormats[p].vertices, 1,
                                 kPoolFormats[p].indices);
            slot.m_bTaken = 0;
            if (m_bStripMode) slot.m_Mesh.m_nPrimitiveKind = 2;
            AddMeshMemory(&slot.m_Mesh);
        }
    }
}

void CLocation::FreePools()
{
    InvalidateResources();
    for (int p = 0; p < kPools; ++p)
    {
        m_pDeviceSlots[p].reset();
        m_pMeshSlots[p].reset();
        m_nDeviceSlots[p] = m_nMeshSlots[p] = 0;
    }
}

void CLocation::Done()
{
    XTRACE("CLocation::Done");
    // Cells must not keep links into the slot arrays freed here.
    for (MapCell& cell : m_Cells)
    {
        cell.m_pNear = nullptr;
        cell.m_pFar = nullptr;
    }
    FreePools();
    m_pNear.reset();
    m_pFar.reset();
    m_pDetails.reset();
    // How many frames asked for how many cells (the last count: that many or
    // more), on one labelled line: "0=198 1=2 ..." alone says nothing.
    std::string counts;
    for (int i = 0; i < kLoadStats; ++i)
    {
        if (!m_nLoadStats[i]) continue;
        char entry[32];
        std::snprintf(entry, sizeof entry, " %d%s=%u", i, i == kLoadStats - 1 ? "+" : "", m_nLoadStats[i]);
        counts += entry;
    }
    if (!counts.empty()) g_ErrorLog.LogDebug("Location: frames by cells requested (cells=frames):%s", counts.c_str());
    g_Environment.ReleaseResources();
}
