// CRadar: the one radar of the game (g_pRadar). It keeps what the cockpit
// radar, the cockpit minimap and the big map show: the explored map of the
// current location, the target point with its route of waypoints, the
// group or mechanoid the target follows, and four lists of marked names.
//
// Units: world units; a grid step is 10 of them; an explored cell is 8 x 8
// grid steps (80 x 80 world units); a location cell is 64 x 64 grid steps,
// one 64 x 64-pixel tile of the radar map file (CRadarMapFile).
//
// The "RADAR" save chunk (little-endian, W x H the explored map's size):
//   u32 version (261); W x H explored bytes, row-major; u8 target set;
//   3 floats target point; u8 follow group; char[32] target group;
//   building marks, point marks, mechanoid marks (each: i32 count, then
//   32-byte names); 3 floats explored minimum; 3 floats explored maximum;
//   shown clans (same form, version 261 and later only).
// The chunk has no size of its own: it is read with the current explored
// map's size, and a record whose length does not match that size exactly
// is refused with one error line, the radar left as it was.
//
// Drawing (the minimap, the cockpit radar and the big map) is in
// Radar_Draw.cpp. Threads: main thread only.
#pragma once

#include "foundation/Name32.h"
#include "foundation/Vector.h"
#include "hud/radar/RadarMapFile.h"
#include "platform/Types.h"

#include <array>
#include <cstdint>
#include <vector>

class CMemStream;
class CStreamReader;
class CTexture;
class CMMObject;
namespace plat::d3d
{
class Surface;
}

// Waypoints: a ring of capacity points; pushing into a full ring drops the
// oldest, so it holds capacity - 1 at most.
class CPointRing
{
public:
    void Init(int capacity);
    void Push(const CVector& point);
    bool IsEmpty() const { return m_nRead == m_nWrite; }
    void Clear() { m_nRead = m_nWrite = 0; }
    // The oldest point, taken out of the ring.
    CVector Pop();
    // Points from the oldest on.
    int GetCount() const;
    const CVector& At(int i) const;

    std::vector<CVector> m_Data;
    std::int32_t m_nRead = 0;
    std::int32_t m_nWrite = 0;
    std::int32_t m_nCapacity = 0;
};

class CRadar
{
public:
    static constexpr std::uint32_t kVersion = 261;
    static constexpr std::uint32_t kVersionWithoutClans = 260;
    static constexpr float kCellSize = 80.0f;       // world units of an explored cell
    static constexpr float kRevealStep = 50.0f;     // a reveal closer than this to the last is skipped
    static constexpr float kWaypointReach = 150.0f; // the route advances within this (horizontally)
    static constexpr int kRouteCapacity = 10;
    static constexpr int kLayerTiles = 8; // the minimap layer is 8 x 8 tiles
    static constexpr int kCanvasRows = 120, kCanvasColumns = 160;
    static constexpr std::uint32_t kMechanoidColourUnknown = 0xFFFF0000u;

    CRadar();
    virtual ~CRadar();
    CRadar(const CRadar&) = delete;
    CRadar& operator=(const CRadar&) = delete;

    // Once the device exists: the layer texture, the tile surface, the
    // texture ids, zoom 1 and the route.
    void Init();
    void Done();
    // Device lost / restored.
    void InvalidateResources();
    void ResetResources();
    // A new, loaded or network game: marks, bounds and the last reveal.
    void Reset();
    // A location entered: the radar map file at path, an empty explored
    // map of the location's size (mapCellsAcross x 8 by mapCellsDown x 8).
    void InitLocationMap(const char* path, int mapCellsAcross, int mapCellsDown);
    // Reveals the explored map within r of p (see the reveal rule in
    // Radar.cpp); with advanceRoute the route moves on when p is near the
    // target.
    void OpenMap(const CVector& p, float r, bool advanceRoute);
    void SetTarget(std::uint8_t set, const CVector* point, bool reveal);
    void SetBearing(const CVector& point);
    bool MarkGroup(const char* name);
    bool MarkGlider(const char* name);
    bool MarkObject(const char* name, bool addMark);
    void UnmarkObject(const char* name);
    bool IsMarked(const char* name) const;
    void RevealBuildings();
    void GetBMVector(CVector* minimum, CVector* maximum) const;
    // The target's follow step at the start of every cockpit-radar frame.
    void UpdateFollow();

    void SaveToStream(CMemStream& stream) const;
    // False (one error line, nothing changed) on a damaged chunk or one
    // written for another map size.
    bool LoadFromStream(CMemStream& stream);

    void ResetLayerCache();
    void ResetBigMapCache();

    // The explored value of cell (column, row), 0 outside the map.
    std::uint8_t ExploredAt(int column, int row) const;

    // Drawing (Radar_Draw.cpp).
    void CreateLayer0();
    void DrawMinimap();
    void RenderObjects();
    void InitBigMap(int viewWidth, int viewHeight);
    void DoneBigMap();
    void SetBMVector(const CVector& centre);
    void RenderBigMap(int x0, int y0, float alpha);
    // The player's arrow, a point mark (the sheet's first frame) and a
    // mechanoid's arrow on the big map. A mechanoid's clan emblem (a 3-D
    // model in place of the arrow) comes with the menus' model drawing.
    void DrawBigMapPlayer(int x0, int y0, const CVector& position);
    void DrawBigMapPoint(int x0, int y0, const CVector* position);
    void DrawBigMapArrow(int x0, int y0, const CVector* position, const CVector* direction, int texture,
                         float scale, std::uint32_t colour);
    // One building's mark on the big map (the map console): corners and
    // edges from the 1024 x 1024 sheet textureId round the building's size,
    // a pulsing pointer and its name. The owner's emblem (a 3-D model) comes
    // with the menus' model drawing; flag is not used.
    void DrawBigMapBuilding(int x0, int y0, const CMMObject* building, int flag, int textureId);
    // The view pixel of a world point on the big map.
    void BigMapPixel(const CVector& p, float* sx, float* sy) const;
    // The view rectangle of radar-map tile (column, row) on the big map.
    plat::Rect BigMapTileRect(int column, int row) const;

    // The player's position and heading for drawing: set by the game each
    // frame (the cockpit passes the player glider's).
    CVector m_vPlayer;
    float m_fPlayerHeading = 0.0f; // RadarHeadingOf the player glider's forward axis
    // The player's glider, left out of the radar's blips.
    const CMMObject* m_pPlayerObject = nullptr;
    // The colour in which the radar draws a glider (its group AI's); white
    // while the groups do not say.
    std::uint32_t (*m_pfnGliderColour)(const CMMObject* glider) = nullptr;
    // How many radar-map tiles the minimap layer and the canvas read.
    std::uint32_t m_nTileReads = 0;

    float m_fZoom = 1.0f;
    CVector m_vViewOffset;
    CNameArray m_BuildingMarks;
    CNameArray m_PointMarks;
    CNameArray m_MechMarks;
    CNameArray m_ShownClans;
    CVector m_vLastReveal{-1e8f, -1e8f, 0.0f};
    CVector m_vExploredMin{2e8f, 2e8f, 0.0f};
    CVector m_vExploredMax{-1e8f, -1e8f, 0.0f};
    std::int32_t m_nMapWidth = 0;
    std::int32_t m_nMapHeight = 0;
    std::vector<std::uint8_t> m_Explored;
    std::int32_t m_nViewWidth = 0, m_nViewHeight = 0;
    std::int32_t m_nCanvasWidth = 0, m_nCanvasHeight = 0;
    CTexture* m_pLayerTexture = nullptr;
    CTexture* m_pSmallTexture = nullptr;
    CTexture* m_pLayerStaging = nullptr;
    plat::d3d::Surface* m_pTileSurface = nullptr;
    plat::d3d::Surface* m_pCanvasSurface = nullptr;
    plat::d3d::Surface* m_pScratchSurface = nullptr;
    std::int32_t m_nCanvasColumns = 0, m_nCanvasRows = 0;
    std::int32_t m_nFirstColumn = 0, m_nFirstRow = 0;
    std::array<std::array<std::int32_t, 2>, kCanvasRows * kCanvasColumns> m_CanvasCache{};
    std::array<std::array<std::int32_t, 2>, kLayerTiles * kLayerTiles> m_LayerCache{};
    std::int32_t m_nLayerColumn = 0, m_nLayerRow = 0;
    float m_fPlayerOffsetX = 0.0f, m_fPlayerOffsetY = 0.0f;
    char m_szTargetGroup[32] = {};
    std::uint8_t m_bFollowGroup = 0;
    char m_szTargetMech[32] = {};
    std::uint8_t m_bFollowMech = 0;
    std::uint8_t m_bTargetSet = 0;
    CVector m_vTarget;
    std::int32_t m_iTexArrow = -1;       // "TEX_INT_STRELKA"
    std::int32_t m_iTexMinimapBack = -1; // "TEX_INT_MINIMAP_BACK"
    std::int32_t m_iTexRadarPoint = -1;  // "TEX_INT_RADAR_POINT"
    std::int32_t m_iTexRadarFrame = -1;  // "TEX_INT_RADAR_BRAMKA"
    std::int32_t m_iTexIconFirst = -1;   // "TEX_KT_ICON_FIRST"
    CPointRing m_Route;
};

extern CRadar* g_pRadar;

// The heading that the radar turns its pictures by: atan2 of the forward
// axis's x and y.
float RadarHeadingOf(const CVector& forward);

// Called by RevealBuildings for the current location, so the game can mark
// its location record's map as revealed (the application sets it).
inline void (*g_pfnLocationMapRevealed)() = nullptr;
