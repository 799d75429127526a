// CLocation: the terrain of the current location (one global, g_Location).
//
// Holds the 64 x 64 cell grid (Map), two caches of cell data (200 near
// slots with every vertex of a cell, 200 far slots with every second
// vertex), five pools of system-memory mesh slots for the level-of-detail
// and water builders, five pools of device mesh slots, 100 detail slots,
// the renderer's request queue and the location's own stream on the map
// file (m_CellStream), from which LoadCell reads one cell at a time.
//
// Each frame PreRender lists the cells in view (nearest first, at most
// 1000) and loads the ones missing; CycleRender draws near cells as four
// blocks at level 1, 2 or 3 (one draw per land-type layer, techniques 57 or
// 58) and far cells as one mesh (59 or 60), from meshes the builders keep
// in the pools (Location_Lod.cpp); device slots keep a drawn mesh on the
// device while it is drawn every frame. The queries (Location_Query.cpp)
// answer heights, colours, rays and the per-cell object lists; outside the
// map they return neutral values.
//
// Water (Location_Water.cpp): pool-4 meshes per near block and far cell,
// one reflection per visible water record a frame, and the water pass.
// Detail objects (DetailObjects.cpp): small models scattered per near block
// into the 100 detail slots, listed and drawn each frame. The ground detail
// layer (Location_Details.cpp): a finer texture over the ground within 200
// units of the viewer, built each frame into the 20 spare buffers.
//
// Fog comes from the environment (CEnvironment::SetFog). The object lights
// come from the installed object view (g_pObjectView).
//
// Memory: everything is allocated once by Init (the grid with the object)
// and reused in least-recently-used order; loading, evicting and stitching
// cells allocates nothing. A full cache never fails: the least recently
// used slot is taken from its owner cell, whose link is cleared.
//
// Clocks: every slot stamp is the game clock g_GameTime.
//
// Threads: main thread only; the map file is read synchronously in a frame.
#pragma once

#include "foundation/PakFileSystem.h"
#include "location/GroundCache.h"
#include "location/Map.h"
#include "platform/d3d8/D3D8Types.h"

#include <cstdint>
#include <memory>

class CTexture;

// Where the terrain's layer textures come from: the texture manager, or a
// test's own textures (CLocation::m_pTextures).
class ITerrainTextures
{
public:
    virtual ~ITerrainTextures() = default;
    // The texture of an id, null when it cannot be had now.
    virtual CTexture* GetTexture(std::int32_t id) = 0;
    virtual std::int32_t GetDefaultTexture() = 0;
};

class CLocation : public Map
{
public:
    static constexpr int kNearSlots = 200;
    static constexpr int kFarSlots = 200;
    static constexpr int kDetailSlots = 100;
    static constexpr int kPools = 5;
    static constexpr int kRequests = 1000;
    static constexpr int kSpareBuffers = 20;
    static constexpr int kLoadStats = 20;

    // The pools' vertex formats and per-slot capacities.
    struct SPoolFormat
    {
        std::uint32_t fvf;
        std::int32_t vertices;
        std::int32_t indices;
    };
    static constexpr SPoolFormat kPoolFormats[kPools] = {
        {0x152, 12288, 18432}, {0x152, 3667, 18432}, {0x15A, 3617, 18432},
        {0x15A, 1089, 6144},   {0x15A, 1024, 1536},
    };

    // A cell the renderer wants loaded at a level; index is its place in
    // the visible-cell list (-1 for a request from elsewhere).
    struct SRequest
    {
        std::int32_t x, y, level;
        std::int32_t index = -1;
    };

    // One record of the visible-cell list: squared distance in cells.
    struct SVisibleCell
    {
        float distance2;
        bool flag; // always false
        std::int32_t x, y;
        std::int32_t drawX, drawY; // the copy the draw and request steps use
    };
    static constexpr int kVisibleCells = 1000;
    // Near radius in quads: cells nearer than 320 / 64 = 5 cells are level 0.
    static constexpr float kNearRadius = 320.0f;
    // Level-of-detail statistics: index 0..2 near levels 1..3, 3 far.
    struct SLodStats
    {
        std::uint32_t buildHits[4] = {};   // cached mesh reused
        std::uint32_t buildMisses[4] = {}; // mesh built
        std::uint32_t slotHits[4] = {};    // drawn from its own device slot
        std::uint32_t slotMisses[4] = {};  // no free device slot: render buffer
    };

    CLocation();
    ~CLocation();

    // Render buffers, pools, cache and detail slots (both arguments unused).
    void Init(int, int);
    // Pool slot counts for a VisibleRadius and the detail-objects switch:
    // cache-mesh slots and device slots per pool. A radius that is not in
    // the table keeps device-slot counts of the table row below it (the
    // smallest row under 128), so every radius has device slots.
    static void ChoosePoolSizes(int radius, bool details, int meshSlots[kPools], int deviceSlots[kPools]);
    // Empties every cell's object list.
    void InitCells();
    // Zeroes the caches and the cells, empties the request queue, frees every
    // pool and detail slot.
    void ClearCache();
    // Every pool slot free and unlinked, every device slot untaken, every
    // detail slot free.
    void ResetMeshPools();
    // Opens path through the pack file system, loads the map and opens the
    // cell stream. A missing or damaged map writes one error-log line (file,
    // record, fault) and returns false; the location is then empty.
    bool OpenMap(const char* path);

    // Reads cell (x, y) at its current level (4 far, else near).
    void LoadCell(unsigned x, unsigned y);
    // Queues a cell for CycleLoad (the renderer's visibility pass); a full
    // queue drops the request.
    void RequestCell(int x, int y, int level, int index = -1);
    // Loads the queued near cells, then the far ones; empties the queue.
    void CycleLoad();
    void UpdateBorder(unsigned x, unsigned y);
    // The block pass of a near cell; false when it has no near slot.
    bool PrepareQuads(unsigned x, unsigned y, bool allVisible);
    SNearSlot* GetCellMesh(unsigned x, unsigned y);
    SFarSlot* GetCellMesh4(unsigned x, unsigned y);
    // The ground record of cell (x, y) inside the map (GroundCache.h), read
    // from the cell stream when the ground cache does not hold it; null
    // outside the map. Takes no near slot. A damaged cell throws as
    // LoadCell does.
    const SGroundCell* GetGround(unsigned x, unsigned y)
    {
        if (!IsInside(int(x), int(y))) return nullptr;
        if (const SGroundCell* g = m_Ground.Find(int(x), int(y))) return g;
        return LoadGround(x, y);
    }
    // The record when the ground cache holds it, else null; no load, no
    // use stamped (prefetch hints).
    const SGroundCell* PeekGround(unsigned x, unsigned y) const
    {
        return IsInside(int(x), int(y)) ? m_Ground.Peek(int(x), int(y)) : nullptr;
    }
    const CGroundCache& GetGroundCache() const { return m_Ground; }
    // A cache-mesh slot of pool p for a builder: the first free, else the
    // least recently used one, unlinked from its device slot and owner.
    // Null when the pool has no slots.
    SMeshSlot* GetMeshSlot(int pool);
    SDetailSlot* GetDetailSlot();
    // On each lighting step: block meshes unused for 30 s, far meshes for 60 s.
    void ReleaseUnusedMeshes();
    void InvalidateResources();
    void ResetResources();
    void Done();

    // ---- Level-of-detail meshes (Location_Lod.cpp) ----
    // The 32-sector view direction of d: -1 when d points steeply down
    // (z below -0.2 once normalised) or lies within no sector's 30 degrees.
    int GetViewSector(float dx, float dy, float dz) const;
    // 16 when exactly one of the two is -1, else (s0 - s) & 31; a cached
    // mesh stays valid within one sector (0, 1 or 31).
    static int SectorDistance(int s0, int s);
    // The mesh of block b (0..3) of near cell (x, y) at level 1..3, or with
    // b = 4 (or a far cell) the far mesh: the cached one while valid, else
    // built anew. Null when the cell has no slot of that kind or the pool
    // has no slots.
    SMeshSlot* GetQuadObject(unsigned x, unsigned y, int block, int level);
    SMeshSlot* GenerateLod1(unsigned x, unsigned y, int block);
    SMeshSlot* GenerateLod2(unsigned x, unsigned y, int block);
    SMeshSlot* GenerateLod3(unsigned x, unsigned y, int block, int sector);
    SMeshSlot* GenerateLOD4B(unsigned x, unsigned y, int sector);

    // ---- Rendering (Location_Render.cpp) ----
    // The visible-cell list and requests, the cell loads; once per frame
    // before drawing.
    void PreRender();
    void CycleSetVisibility();
    // Draws the visible cells (needs the device and the technique manager).
    void CycleRender();
    void Render();
    void RenderCell(int x, int y);
    void RenderCell4(int x, int y);
    // The terrain for the water reflection, with the reflected camera set.
    void RenderForWater();
    // The terrain's textures: the test seam's, else the texture manager's.
    ITerrainTextures& Textures();

    // ---- Water (Location_Water.cpp) ----
    // The water mesh of block b of near cell (x, y) into a pool-4 slot
    // linked to the block: one quad per 4 x 4-quad group with a flagged
    // corner, alpha fading in with depth, blend weights for the swell.
    // Null without a near slot or a pool-4 slot.
    SMeshSlot* GenerateWater(int x, int y, int block, const SWaterEntry* water);
    // The block's water mesh (stamped), built on demand; null while the
    // block has no level (not prepared).
    SMeshSlot* GetWaterMesh(int x, int y, int block, const SWaterEntry* water);
    // The far cell's water mesh (8 x 8-quad groups) linked to its far slot.
    SMeshSlot* GenerateWater4(int x, int y, const SWaterEntry* water);
    // One reflection per visible water record of kind 0 with the camera
    // above it, rendered from the camera mirrored in its plane.
    void CycleMakeWater();
    // The water of the visible cells (after the objects and details).
    void CycleRenderWater();
    void RenderWater(int x, int y, int level, SWaterEntry* water);
    // The water program's fog term: 2.25 d^2 / (ln 2)^2 with the density
    // raised to the floor of the view radius.
    static float WaterFogTerm();

    // ---- Detail objects (DetailObjects.cpp) ----
    static constexpr int kDetailList = 4000;
    // One entry of the frame's detail-object list.
    struct SDetailEntry
    {
        float distance2;
        const SDetailObject* object;
        float alpha;
        std::uint32_t color; // ARGB
        std::int32_t tint;   // 0 tinted by the terrain colour, 1 the model's own colours
        std::int32_t level;  // the model's level of detail
    };
    // Scatters the detail objects of block b of near cell (x, y) from the
    // block's saved generator state (the same block always gets the same
    // objects); at most 8000, logged beyond.
    void GenerateDetails(int cellX, int cellY, int block);
    // The list of the visible near blocks' detail objects: opaque tinted
    // ones drawn at once, the rest queued for the effect pass (dropped
    // while the effect queue is not deferring, as in the reflection).
    void RenderDetailObjects();
    // Draws entry i of the list (the effect pass's deferred entries).
    void DrawDetailObject(int entry);
    // Appends to the list; false (logged) when it is full.
    bool AddDetailEntry(const SDetailEntry& entry);
    int GetDetailCount() const { return m_nDetailEntries; }
    const SDetailEntry& GetDetailEntry(int i) const { return m_DetailEntries[i]; }
    // Detail objects are not drawn nearer than this to a cell (squared, in cells).
    static constexpr float kDetailCellDistance2 = 100000.0f;

    // ---- Ground detail layer (Location_Details.cpp) ----
    static constexpr int kDetailBatches = 20; // one spare buffer each
    static constexpr int kDetailTypes = 40;   // land types collected per frame
    static constexpr int kDetailMask = 48;    // quads of the skip mask per side
    struct SDetailBatch
    {
        std::uint32_t vertexCount = 0, indexCount = 0;
        std::int32_t mainTexture = -1; // -1 ends the list
        std::int32_t typeIndex = -1;
        std::int32_t texture = -1; // this pass's texture
        bool bump = false;
    };
    // A vertex's weight at squared distance d2n (in radii squared): 1 up to
    // 0.5, then down to 0 at 1.
    static float DetailWeight(float d2n);
    // The batches of the near ground within radius of centre (x, y): per land
    // type with a detail texture a detail pass, and a bump pass where the
    // type has a bump flag; at most 20, then logged and stopped.
    void GenerateDetailMesh(const float* centre, float radius);
    // Builds (camera, radius 200) and draws the layer over the terrain.
    void RenderDetails();
    int GetDetailBatchCount() const { return m_nDetailBatches; }
    const SDetailBatch& GetDetailBatch(int i) const { return m_DetailBatches[i]; }
    int GetVisibleCount() const { return m_nVisible; }
    const SVisibleCell* GetVisibleCells() const { return m_Visible; }
    const SRequest* GetRequests() const { return m_Requests; }

    // ---- Queries (Location_Query.cpp) ----
    // Outside the map every query returns a neutral value: height 0,
    // colour 0xFFFFFF, the zero shadow texel, no hit.
    //
    // The height of the terrain triangle under (x, y); 0 outside the map and
    // when the cell has no near data and load is false. outKnown (when
    // given) tells a real height of 0 from "no data": true when the height
    // came from cell data.
    float GetHeight(const CVector& p, bool water = false, bool load = true,
                    std::uint8_t* outOverWater = nullptr, bool* outKnown = nullptr);
    // The height at the nearest vertex (loads the far data when the cell
    // has neither slot); over flagged water at least the water level + 3.
    float GetRoughHeight(const CVector& p, bool water = false);
    // The zone of the map cell under p (its water record: level, and kind
    // 0 water, 1 and 2 damaging), when the quad under p is marked as
    // covered by it; false elsewhere. Reads the cell's ground record (the
    // ground cache, loaded when missing), as the physics under p does.
    bool GetZone(const CVector& p, float* level, int* kind);
    std::uint32_t GetColor(float x, float y);
    std::uint32_t GetLightColor(float x, float y);
    // The vertex record (near 20 bytes or far 16; word 3 is the shadow
    // texel) of grid vertex (vx, vy), or a zero record.
    const std::uint32_t* GetShadowTexel(int vx, int vy);
    // Light level for objects at p, in [63/255, 1].
    float GetBrightnessAt(const CVector& p);
    // dir is a unit vector. Marches from origin in growing steps and
    // refines the last interval; out is the hit.
    bool GetRayIntersection(const CVector& origin, const CVector& dir, float maxDistance, CVector* out,
                            bool water = false);
    // True with out on the ground when a lies above and b under the ground;
    // false with out = a (a under ground) or b (b above ground).
    bool GetSegmentIntersection(const CVector& a, const CVector& b, CVector* out, bool water = false);
    // Coarse march (steps 10, 20, 40, ...) on rough heights, no refinement.
    bool GetRoughRayIntersection(const CVector& origin, const CVector& dir, float maxDistance, CVector* out);
    // The ground triangles of the square (x, y) +- radius (at most 200)
    // into out (position, a free word, two texture pairs); flags belong to
    // the caller. True when a vertex was written.
    bool GetMapMesh(float x, float y, int flags, float radius, CGeometryBuffer* out);
    // The per-cell object lists. The home cell is the cell of the position;
    // a spread object (collidable, not a sphere collider, not far-drawn, no
    // physics) is listed in every cell its square of +- radius touches.
    void AddCellObject(const CVector& position, CMMObject* object, bool spread);
    void MoveCellObject(const CVector& oldPosition, const CVector& newPosition, CMMObject* object);
    void DeleteCellObject(const CVector& position, CMMObject* object);

    int GetMeshSlotCount(int pool) const { return m_nMeshSlots[pool]; }
    int GetDeviceSlotCount(int pool) const { return m_nDeviceSlots[pool]; }
    SMeshSlot* GetMeshSlots(int pool) const { return m_pMeshSlots[pool].get(); }
    SDeviceSlot* GetDeviceSlots(int pool) const { return m_pDeviceSlots[pool].get(); }
    SNearSlot* GetNearSlots() const { return m_pNear.get(); }
    SFarSlot* GetFarSlots() const { return m_pFar.get(); }
    int GetRequestCount() const { return m_nRequests; }

    // Settings the terrain reads (defaults: details on, strip mode off).
    bool m_bDetailObjects = true;
    bool m_bStripMode = false;
    bool m_bDrawDetails = true;
    // Technique 57 usable on the device (fixed at Init): light is halved in
    // the vertex colours, which the technique doubles.
    bool m_bTerrainTechnique = false;
    // The land id that id 0 of a vertex stands for.
    std::int32_t m_nDefaultLandType = 0;
    SLodStats m_Stats;
    // Test seam: null means the texture manager.
    ITerrainTextures* m_pTextures = nullptr;
    plat::d3d::SMaterial m_Material{};
    float m_fLevelDistance[3] = {64.0f, 120.0f, 320.0f};
    float m_fViewFactor[2] = {};
    CVector m_vDirections[32];
    std::int32_t m_iRenderBuffers[4] = {-1, -1, -1, -1}; // MAP1, MAPDETAILS, MAP3, MAP4
    std::uint32_t m_nRenderBufferOwner = 0;               // the model manager's serial
    CGeometryBuffer m_SpareBuffers[kSpareBuffers];
    std::uint32_t m_nLoadStats[kLoadStats] = {};
    CPakStream m_CellStream;
    // The water pass's caches (reset at the start of each pass).
    std::int32_t m_nWaterTechnique = -1;
    const SWaterEntry* m_pCurrentWater = nullptr;
    bool m_bWaterShaderPath = false;
    std::uint32_t m_nWaterDraws = 0; // water meshes handed to the device
    std::uint32_t m_nDetailDraws = 0; // detail objects drawn

private:
    SNearSlot* TakeNearSlot();
    SFarSlot* TakeFarSlot();
    void LoadFar(unsigned x, unsigned y, MapCell& cell);
    void LoadNear(unsigned x, unsigned y, MapCell& cell);
    const SGroundCell* LoadGround(unsigned x, unsigned y);
    void ReadCellWater(unsigned x, unsigned y, MapCell& cell);
    void ReadCell(void* buffer, std::uint32_t size, unsigned x, unsigned y);
    void UpdateBorder4(unsigned x, unsigned y);
    void StitchNear(unsigned x, unsigned y);
    void FreePools();
    SMeshSlot* GenerateBlock(unsigned x, unsigned y, int block, int level, int sector);
    bool TakeDeviceSlot(SMeshSlot* mesh, int pool, bool ring);
    void DrawBlockLayers(SMeshSlot* mesh, int level);
    void SetTerrainStates();
    void RestoreTerrainStates();

    std::unique_ptr<SNearSlot[]> m_pNear;
    std::unique_ptr<SFarSlot[]> m_pFar;
    std::unique_ptr<SMeshSlot[]> m_pMeshSlots[kPools];
    std::unique_ptr<SDeviceSlot[]> m_pDeviceSlots[kPools];
    std::unique_ptr<SDetailSlot[]> m_pDetails;
    int m_nMeshSlots[kPools] = {};
    int m_nDeviceSlots[kPools] = {};
    SRequest m_Requests[kRequests] = {};
    int m_nRequests = 0;
    SVisibleCell m_Visible[kVisibleCells] = {};
    int m_nVisible = 0;
    CVector m_vViewer; // camera x, y in cell units, z 0
    float m_fViewerHeight = 0.0f;
    std::int32_t m_nWorldDirty = 0;
    int m_nRingStart[kPools] = {};
    std::unique_ptr<std::uint32_t[]> m_pScratch; // one cell's layers as read
    CGroundCache m_Ground;
    SDetailEntry m_DetailEntries[kDetailList] = {};
    SDetailBatch m_DetailBatches[kDetailBatches];
    int m_nDetailBatches = 0;
    std::uint8_t m_DetailSkip[kDetailMask][kDetailMask] = {};
    std::uint16_t m_DetailVertexMap[64][64] = {};
    int m_nDetailEntries = 0;
    std::int32_t m_nLastDetailModel = -1;
    void DrawDetail(const SDetailEntry& entry, bool deferred);
};

extern CLocation g_Location;

// The device's water capabilities, read from the water technique as built:
// its passes take the second water texture (g_bWaterTexture2) and the
// reflection texture (g_bReflectionCaps). Refreshed by each water pass.
extern std::uint8_t g_bWaterTexture2;
extern std::uint8_t g_bReflectionCaps;
void DeriveWaterCaps();

// Releases a mesh slot back to its pool after its device slot is given up.
void ReleaseMeshSlot(SMeshSlot*& slot);
