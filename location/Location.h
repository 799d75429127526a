// CLocation: the terrain of the current location (one global, g_Location).
//
// Holds the 64 x 64 cell grid (Map), two caches of cell data (200 near
// slots with every vertex of a cell, 200 far slots with every second
// vertex), five pools of system-memory mesh slots for the level-of-detail
// and water builders, five pools of device mesh slots, 100 detail slots,
// the renderer's request queue and the location's own stream on the map
// file (m_CellStream), from which LoadCell reads one cell at a time.
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
#include "location/Map.h"

#include <cstdint>
#include <memory>

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

    // A cell the renderer wants loaded at a level.
    struct SRequest
    {
        std::int32_t x, y, level;
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
    void RequestCell(int x, int y, int level);
    // Loads the queued near cells, then the far ones; empties the queue.
    void CycleLoad();
    void UpdateBorder(unsigned x, unsigned y);
    // The block pass of a near cell; false when it has no near slot.
    bool PrepareQuads(unsigned x, unsigned y, bool allVisible);
    SNearSlot* GetCellMesh(unsigned x, unsigned y);
    SFarSlot* GetCellMesh4(unsigned x, unsigned y);
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
    float m_fLevelDistance[3] = {64.0f, 120.0f, 320.0f};
    float m_fViewFactor[2] = {};
    CVector m_vDirections[32];
    std::int32_t m_iRenderBuffers[4] = {-1, -1, -1, -1}; // MAP1, MAPDETAILS, MAP3, MAP4
    CGeometryBuffer m_SpareBuffers[kSpareBuffers];
    std::uint32_t m_nLoadStats[kLoadStats] = {};
    CPakStream m_CellStream;

private:
    SNearSlot* TakeNearSlot();
    SFarSlot* TakeFarSlot();
    void LoadFar(unsigned x, unsigned y, MapCell& cell);
    void LoadNear(unsigned x, unsigned y, MapCell& cell);
    void ReadCellWater(unsigned x, unsigned y, MapCell& cell);
    void ReadCell(void* buffer, std::uint32_t size, unsigned x, unsigned y);
    void UpdateBorder4(unsigned x, unsigned y);
    void StitchNear(unsigned x, unsigned y);
    void FreePools();

    std::unique_ptr<SNearSlot[]> m_pNear;
    std::unique_ptr<SFarSlot[]> m_pFar;
    std::unique_ptr<SMeshSlot[]> m_pMeshSlots[kPools];
    std::unique_ptr<SDeviceSlot[]> m_pDeviceSlots[kPools];
    std::unique_ptr<SDetailSlot[]> m_pDetails;
    int m_nMeshSlots[kPools] = {};
    int m_nDeviceSlots[kPools] = {};
    SRequest m_Requests[kRequests] = {};
    int m_nRequests = 0;
    std::unique_ptr<std::uint32_t[]> m_pScratch; // one cell's layers as read
};

extern CLocation g_Location;

// Releases a mesh slot back to its pool after its device slot is given up.
void ReleaseMeshSlot(SMeshSlot*& slot);
