// What the world's motion and the world engine need of the location, as
// two interfaces in the world's own terms: the location (which sits above
// the world) implements them and installs them; tests install fakes.
//
// IWorldTerrain: the ground under a point. Without one installed the world
// stands on a flat plane at height 0 with no height limit.
//
// IWorldLocation: the location's steps inside CMMEngine (map preparation,
// map file, mesh cache). Without one installed those steps do nothing and
// only the objects file is read.
//
// Ownership: the installer owns the implementation and uninstalls it (null)
// before destroying it. Threads: main thread only, except
// IWorldLocation::Init, which the start-up loader thread calls and which
// must not touch the device.
#pragma once

#include "foundation/Vector.h"

class IWorldTerrain
{
public:
    virtual ~IWorldTerrain() = default;
    // The height of the terrain triangle under (x, y), loading the cell when
    // needed; false when there is no cell data (outside the map, nothing
    // loaded), so a ground that really lies at 0 is told apart from none.
    virtual bool GetHeight(const CVector& point, float* height) = 0;
    // The height at the nearest vertex (0 outside the map); with water, at
    // least the water level + 3 over flagged water.
    virtual float GetRoughHeight(const CVector& point, bool water) = 0;
    // The unit normal of the level-0 terrain triangle under (x, y); false
    // outside the map, when the cell's data is not loaded, or over water
    // whose surface + 3 lies above the ground there (the caller takes
    // (0, 0, 1)).
    virtual bool GetTriangleNormal(const CVector& point, CVector* normal) = 0;
    // The location's upper height limit for gliders (0: none).
    virtual float GetUpperLimit() = 0;
    // A hint that the ground under (x, y) is asked for soon: its data (with
    // cellOnly, only the record that leads to it) may be fetched into the
    // processor's caches. Changes and loads nothing.
    virtual void PrefetchGround(const CVector& /*point*/, bool /*cellOnly*/) {}
};

class IWorldLocation
{
public:
    virtual ~IWorldLocation() = default;
    // Start-up of the location object (MMInit, loader thread; no device work).
    virtual void Init() {}
    // Before the objects are read: the environment and the mesh cache cleared.
    virtual void ClearForNewLocation() {}
    // Cell counts across and down (64 each while the objects load).
    virtual void SetCellCounts(int /*across*/, int /*down*/) {}
    // The map file at path (already found to open): header, sections, cell
    // table, fresh mesh pools and the cell stream. A damaged map is logged by
    // the location.
    virtual void LoadMap(const char* /*path*/) {}
    // The environment's time of day, hours in [0, 24).
    virtual float GetTimeOfDay() { return 12.0f; }
};

extern IWorldTerrain* g_pWorldTerrain;
extern IWorldLocation* g_pWorldLocation;
