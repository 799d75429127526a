#include "hud/radar/Radar.h"

#include "foundation/ErrorLog.h"
#include "foundation/Graphic.h"
#include "foundation/MemStream.h"
#include "foundation/Settings.h"
#include "foundation/StreamReader.h"
#include "foundation/Texture.h"
#include "graphics/TextureManager.h"
#include "script/game/ScriptBuiltIns.h"
#include "society/MechGroup.h"
#include "world/Mech.h"
#include "world/MMObject.h"
#include "world/ObjectList.h"
#include "world/RoadManager.h"
#include "world/SysObject.h"
#include "world/World.h"

#include <algorithm>
#include <cmath>
#include <cstring>

CRadar* g_pRadar = nullptr;

namespace
{
// 0.5 added away from zero, then truncated.
int RoundAway(float x)
{
    return int(x > 0.0f ? x + 0.5f : x - 0.5f);
}

void WriteU32(CMemStream& stream, std::uint32_t value)
{
    const std::uint8_t b[4] = {std::uint8_t(value), std::uint8_t(value >> 8), std::uint8_t(value >> 16),
                               std::uint8_t(value >> 24)};
    stream.Write(b, 4);
}

void WriteVector(CMemStream& stream, const CVector& v)
{
    const float f[3] = {v.x, v.y, v.z};
    stream.Write(f, sizeof(f));
}

CVector ReadVector(CStreamReader& in)
{
    float f[3];
    in.Bytes(f, sizeof(f));
    return CVector{f[0], f[1], f[2]};
}
} // namespace

// --- CPointRing ---------------------------------------------------------

void CPointRing::Init(int capacity)
{
    m_Data.assign(std::size_t(std::max(capacity, 1)), CVector{});
    m_nCapacity = std::int32_t(m_Data.size());
    m_nRead = m_nWrite = 0;
}

void CPointRing::Push(const CVector& point)
{
    if (m_Data.empty()) return;
    m_Data[std::size_t(m_nWrite)] = point;
    m_nWrite = (m_nWrite + 1) % m_nCapacity;
    if (m_nWrite == m_nRead) m_nRead = (m_nRead + 1) % m_nCapacity;
}

CVector CPointRing::Pop()
{
    const CVector point = m_Data[std::size_t(m_nRead)];
    m_nRead = (m_nRead + 1) % m_nCapacity;
    return point;
}

int CPointRing::GetCount() const
{
    return m_nCapacity ? (m_nWrite - m_nRead + m_nCapacity) % m_nCapacity : 0;
}

const CVector& CPointRing::At(int i) const
{
    return m_Data[std::size_t((m_nRead + i) % m_nCapacity)];
}

// --- CRadar: state ------------------------------------------------------

CRadar::CRadar()
{
    m_Route.Init(kRouteCapacity);
    ResetLayerCache();
    for (auto& entry : m_CanvasCache)
        entry = {-100, -100};
}

CRadar::~CRadar()
{
    Done();
    DoneBigMap();
}

void CRadar::Init()
{
    ResetResources();
    if (graph.m_lpDevice && !m_pTileSurface)
        graph.m_lpDevice->CreateImageSurface(kRadarTileSize, kRadarTileSize, plat::d3d::D3DFMT_DXT3,
                                             &m_pTileSurface);
    const auto find = [](const char* name)
    { return g_pTextureManager ? g_pTextureManager->FindName(name) : -1; };
    m_iTexArrow = find("TEX_INT_STRELKA");
    m_iTexMinimapBack = find("TEX_INT_MINIMAP_BACK");
    m_iTexRadarPoint = find("TEX_INT_RADAR_POINT");
    m_iTexRadarFrame = find("TEX_INT_RADAR_BRAMKA");
    m_iTexIconFirst = find("TEX_KT_ICON_FIRST");
    m_fZoom = 1.0f;
    m_Route.Init(kRouteCapacity);
}

void CRadar::Done()
{
    InvalidateResources();
    if (m_pTileSurface)
    {
        m_pTileSurface->Release();
        m_pTileSurface = nullptr;
    }
}

void CRadar::InvalidateResources()
{
    delete m_pLayerTexture;
    m_pLayerTexture = nullptr;
    delete m_pLayerStaging;
    m_pLayerStaging = nullptr;
}

void CRadar::ResetResources()
{
    InvalidateResources();
    ResetLayerCache();
    ResetBigMapCache();
    if (!graph.m_lpDevice) return;
    graph.m_lpDevice->ResourceManagerDiscardBytes(0x80000);
    m_pLayerTexture = new CTexture;
    m_pLayerTexture->CreateTexture(512, 512, 1, plat::d3d::D3DFMT_DXT3, plat::d3d::D3DPOOL_DEFAULT,
                                   plat::d3d::D3DUSAGE_DYNAMIC);
    if (!m_pLayerTexture->m_bDynamic)
    {
        m_pLayerStaging = new CTexture;
        m_pLayerStaging->CreateTexture(512, 512, 1, plat::d3d::D3DFMT_DXT3, plat::d3d::D3DPOOL_SYSTEMMEM, 0);
    }
}

void CRadar::Reset()
{
    m_BuildingMarks.Clear();
    m_PointMarks.Clear();
    m_MechMarks.Clear();
    m_ShownClans.Clear();
    m_vExploredMin = CVector{2e8f, 2e8f, 0.0f};
    m_vExploredMax = CVector{-1e8f, -1e8f, 0.0f};
    m_vLastReveal = CVector{-1e8f, -1e8f, 0.0f};
}

void CRadar::InitLocationMap(const char* path, int mapCellsAcross, int mapCellsDown)
{
    if (g_pRadarMapFile) g_pRadarMapFile->Open(path);
    m_nMapWidth = std::max(mapCellsAcross, 0) * 8;
    m_nMapHeight = std::max(mapCellsDown, 0) * 8;
    m_Explored.assign(std::size_t(m_nMapWidth) * std::size_t(m_nMapHeight), 0);
    ResetLayerCache();
    ResetBigMapCache();
}

std::uint8_t CRadar::ExploredAt(int column, int row) const
{
    if (column < 0 || row < 0 || column >= m_nMapWidth || row >= m_nMapHeight) return 0;
    return m_Explored[std::size_t(row) * std::size_t(m_nMapWidth) + std::size_t(column)];
}

void CRadar::OpenMap(const CVector& p, float r, bool advanceRoute)
{
    if (advanceRoute && !m_Route.IsEmpty())
    {
        const float dx = p.x - m_vTarget.x, dy = p.y - m_vTarget.y;
        if (dx * dx + dy * dy < kWaypointReach * kWaypointReach) m_vTarget = m_Route.Pop();
    }
    const float lx = p.x - m_vLastReveal.x, ly = p.y - m_vLastReveal.y, lz = p.z - m_vLastReveal.z;
    if (lx * lx + ly * ly + lz * lz < kRevealStep * kRevealStep) return;
    m_vLastReveal = p;

    m_vExploredMin.x = std::min(m_vExploredMin.x, p.x - r);
    m_vExploredMin.y = std::min(m_vExploredMin.y, p.y - r);
    m_vExploredMax.x = std::max(m_vExploredMax.x, p.x + r);
    m_vExploredMax.y = std::max(m_vExploredMax.y, p.y + r);

    const int c0 = std::max(RoundAway((p.x - r) / kCellSize), 0);
    const int c1 = std::min(RoundAway((p.x + r) / kCellSize + 1.0f), m_nMapWidth);
    const int r0 = std::max(RoundAway((p.y - r) / kCellSize), 0);
    const int r1 = std::min(RoundAway((p.y + r) / kCellSize + 1.0f), m_nMapHeight);
    for (int row = r0; row < r1; ++row)
        for (int column = c0; column < c1; ++column)
        {
            std::uint8_t& cell =
                m_Explored[std::size_t(row) * std::size_t(m_nMapWidth) + std::size_t(column)];
            if (cell == 255) continue;
            const float dx = (float(column) + 0.5f) * kCellSize - p.x;
            const float dy = (float(row) + 0.5f) * kCellSize - p.y;
            const float d = std::sqrt(dx * dx + dy * dy);
            if (d > r) continue;
            const float f = d < r / 2.0f ? 1.0f : 2.0f - 2.0f * d / r;
            cell = std::max(cell, std::uint8_t(255.0f * f));
        }
}

void CRadar::SetTarget(std::uint8_t set, const CVector* point, bool reveal)
{
    m_bTargetSet = set;
    m_bFollowGroup = 0;
    m_bFollowMech = 0;
    if (point)
    {
        m_vTarget = *point;
        if (reveal) OpenMap(*point, float(g_Settings.VisibleRadius) * 2.5f, false);
    }
    m_Route.Clear();
}

void CRadar::SetBearing(const CVector& point)
{
    if (!m_bTargetSet)
        m_vTarget = point;
    else
        m_Route.Push(point);
}

bool CRadar::MarkGroup(const char* name)
{
    CMechGroup2* group = g_MechGroupList2.FindGroup(name);
    if (!group) return false;
    CopyName(m_szTargetGroup, name);
    m_bFollowMech = 0;
    m_bFollowGroup = 1;
    m_bTargetSet = 1;
    m_vTarget = group->m_vCentre;
    return true;
}

bool CRadar::MarkGlider(const char* name)
{
    XTRACE("CRadar::MarkGlider");
    CMech* mech = g_pWorld ? g_pWorld->FindMech(name) : nullptr;
    if (!mech) return false;
    CopyName(m_szTargetMech, name);
    m_bFollowMech = 1;
    m_bFollowGroup = 1;
    CMechGroup2* group = g_MechGroupList2.FindByPointer(mech->m_pGroup);
    if (mech->m_bInBuilding)
    {
        CMMObject* building = g_ObjectList.FindByGameId(mech->m_szBuilding, OBJ_BUILDING);
        m_bTargetSet = building ? 1 : 0;
        if (building) m_vTarget = building->GetPosition();
    }
    else if (mech->m_bDead)
    {
        m_bTargetSet = 0;
    }
    else if (group && mech->m_pMechanoid)
    {
        if (group->m_bActive)
        {
            m_bTargetSet = 1;
            m_vTarget = group->m_vCentre;
        }
        else
        {
            // Without its glider in the location there is no point to show.
            m_bTargetSet = mech->m_pObject ? 1 : 0;
            if (mech->m_pObject) m_vTarget = mech->m_pObject->GetPosition();
        }
    }
    else
    {
        m_bTargetSet = 0;
    }
    m_MechMarks.AddUnique(name);
    return true;
}

bool CRadar::MarkObject(const char* name, bool addMark)
{
    XTRACE("CRadar::MarkObject");
    if (MarkGlider(name)) return true;
    m_bFollowGroup = 0;
    m_bFollowMech = 0;
    // A building before any other object of its name: the road node at a
    // building's door bears the building's id, and so does its road band.
    CMMObject* object = g_ObjectList.FindByGameId(name, OBJ_BUILDING);
    if (!object) object = g_ObjectList.FindByGameId(name, OBJ_ANY);
    if (object)
    {
        const CVector position = object->GetPosition();
        SetTarget(1, &position, true);
        if (object->m_nType == OBJ_BUILDING && addMark) m_BuildingMarks.AddUnique(name);
        return true;
    }
    if (CSysObject* point = g_ObjectList.FindSysObject(name, 0))
    {
        const CVector position = point->m_Frame.m_vPosition;
        SetTarget(1, &position, true);
        if (addMark) m_PointMarks.AddUnique(name);
        return true;
    }
    CVector node;
    if (g_RoadManager.FindNode(name, &node))
    {
        SetTarget(1, &node, true);
        if (addMark) m_PointMarks.AddUnique(name);
        return true;
    }
    g_ErrorLog.LogError("CRadar::MarkObject object '%s' not found", name);
    return false;
}

void CRadar::UnmarkObject(const char* name)
{
    char copy[32];
    CopyName(copy, name);
    m_bFollowGroup = 0;
    m_bFollowMech = 0;
    SetTarget(0, nullptr, true);
    m_PointMarks.Remove(copy);
    m_MechMarks.Remove(copy);
}

bool CRadar::IsMarked(const char* name) const
{
    return m_PointMarks.Contains(name) || m_MechMarks.Contains(name) || m_ShownClans.Contains(name) ||
           m_BuildingMarks.Contains(name);
}

void CRadar::RevealBuildings()
{
    SPointerArray<CMMObject> buildings;
    g_ObjectList.GetObjectList(OBJ_BUILDING, buildings);
    for (int i = 0; i < buildings.count; ++i)
    {
        CMMObject* building = buildings.items[i];
        if (!g_pWorld || g_pWorld->GetBuildingCluster(building->m_szGameId) == 0) continue;
        OpenMap(building->GetPosition(), 2560.0f, false);
        m_BuildingMarks.AddUnique(building->m_szGameId);
    }
    for (const CRoadManager::SNode& node : g_RoadManager.m_Nodes)
        OpenMap(node.position, 1280.0f, false);
    if (g_pfnLocationMapRevealed) g_pfnLocationMapRevealed();
}

void CRadar::GetBMVector(CVector* minimum, CVector* maximum) const
{
    *minimum = m_vExploredMin;
    *maximum = m_vExploredMax;
}

void CRadar::UpdateFollow()
{
    if (m_bFollowGroup)
    {
        if (CMechGroup2* group = g_MechGroupList2.FindGroup(m_szTargetGroup))
        {
            m_vTarget = group->m_vCentre;
            m_bTargetSet = 1;
            if (group->m_bActive) m_bFollowGroup = m_bTargetSet = 0;
        }
    }
    if (m_bFollowMech) MarkGlider(m_szTargetMech);
}

void CRadar::ResetLayerCache()
{
    for (auto& entry : m_LayerCache)
        entry = {-10, -10};
}

void CRadar::ResetBigMapCache()
{
    // Every slot: a canvas for a wide screen has more than 20 columns, and a
    // slot left holding a tile of the location before would not reload.
    for (auto& entry : m_CanvasCache) entry = {-10, -10};
}

// --- The RADAR chunk ----------------------------------------------------

void CRadar::SaveToStream(CMemStream& stream) const
{
    WriteU32(stream, kVersion);
    if (!m_Explored.empty()) stream.Write(m_Explored.data(), std::uint32_t(m_Explored.size()));
    stream.Write(&m_bTargetSet, 1);
    WriteVector(stream, m_vTarget);
    stream.Write(&m_bFollowGroup, 1);
    stream.Write(m_szTargetGroup, 32);
    m_BuildingMarks.SaveToStream(stream);
    m_PointMarks.SaveToStream(stream);
    m_MechMarks.SaveToStream(stream);
    WriteVector(stream, m_vExploredMin);
    WriteVector(stream, m_vExploredMax);
    m_ShownClans.SaveToStream(stream);
}

bool CRadar::LoadFromStream(CMemStream& stream)
{
    CStreamReader in(stream, "RADAR chunk");
    try
    {
        const std::uint32_t version = in.U32();
        if (version != kVersion && version != kVersionWithoutClans)
            in.Fail("version %u, %u or %u expected", version, kVersion, kVersionWithoutClans);
        // The chunk does not say its map's size: it must fit the current map.
        const std::uint32_t mapBytes = std::uint32_t(m_Explored.size());
        constexpr std::uint32_t kFixedBytes = 1 + 12 + 1 + 32 + 3 * 4 + 2 * 12;
        const std::uint32_t clanBytes = version >= kVersion ? 4 : 0;
        if (in.Left() < std::uint64_t(mapBytes) + kFixedBytes + clanBytes)
            in.Fail("%u bytes left, too short for a %d x %d map", in.Left(), m_nMapWidth, m_nMapHeight);
        std::vector<std::uint8_t> explored(mapBytes);
        if (mapBytes) in.Bytes(explored.data(), mapBytes);
        const std::uint8_t targetSet = in.U8();
        const CVector target = ReadVector(in);
        const std::uint8_t followGroup = in.U8();
        char group[32];
        in.Bytes(group, 32);
        group[31] = '\0';
        CNameArray buildings, points, mechs, clans;
        buildings.LoadFromStream(in);
        points.LoadFromStream(in);
        mechs.LoadFromStream(in);
        const CVector minimum = ReadVector(in);
        const CVector maximum = ReadVector(in);
        const bool withClans = version >= kVersion;
        if (withClans) clans.LoadFromStream(in);
        if (in.Left() != 0)
            in.Fail("%u bytes left over: written for a map other than %d x %d", in.Left(), m_nMapWidth,
                    m_nMapHeight);

        m_Explored = std::move(explored);
        m_bTargetSet = targetSet;
        m_vTarget = target;
        m_bFollowGroup = followGroup;
        std::memcpy(m_szTargetGroup, group, 32);
        m_BuildingMarks = std::move(buildings);
        m_PointMarks = std::move(points);
        m_MechMarks = std::move(mechs);
        m_vExploredMin = minimum;
        m_vExploredMax = maximum;
        if (withClans) m_ShownClans = std::move(clans);
        return true;
    }
    catch (const CStreamError& error)
    {
        g_ErrorLog.LogError("CRadar::LoadFromStream %s", error.what());
        return false;
    }
}

// The scripts sit below the HUD: their radar built-ins reach the one radar
// through their call table, filled as the program starts.
namespace
{
struct SScriptRadarCalls
{
    SScriptRadarCalls()
    {
        // A script's mark always stays on the map; the radar has no use for
        // the script's flag.
        g_ScriptGameCalls.markObject = [](const char* name, bool)
        { return g_pRadar != nullptr && g_pRadar->MarkObject(name, true); };
        g_ScriptGameCalls.unmarkObject = [](const char* name)
        {
            if (g_pRadar) g_pRadar->UnmarkObject(name);
        };
        g_ScriptGameCalls.clearRadarTarget = []()
        {
            if (g_pRadar) g_pRadar->SetTarget(0, nullptr, true);
        };
    }
} s_ScriptRadarCalls;
} // namespace
