// CLocationWorldAdapter: the location (g_Location, g_Environment,
// g_ViewCamera) seen through the world's seams: the ground for the physics
// and the camera (IWorldTerrain), the location's steps of the world
// engine's loading (IWorldLocation), the camera's view hand-over
// (IViewCamera) and the per-cell object lists (IObjectCells).
//
// Until the terrain's own queries exist on CLocation, the heights and
// normals are read here from the near cache slots (loading a cell on
// demand), on the grid's chessboard triangles; the ground light is 1.
// IWorldLocation::Init does nothing: CLocation::Init creates render
// buffers and runs on the main thread (the application calls it).
//
// Ownership: Install sets the world's seam pointers to this adapter,
// Uninstall clears them. Threads: main thread only.
#pragma once

#include "world/Camera.h"
#include "world/ObjectScene.h"
#include "world/WorldTerrain.h"

#include <vector>

class CLocationWorldAdapter : public IWorldTerrain,
                              public IWorldLocation,
                              public IViewCamera,
                              public IObjectCells
{
public:
    void Install();
    void Uninstall();

    // IWorldTerrain
    bool GetHeight(const CVector& point, float* height) override;
    float GetRoughHeight(const CVector& point, bool water) override;
    bool GetTriangleNormal(const CVector& point, CVector* normal) override;
    float GetUpperLimit() override;
    void PrefetchGround(const CVector& point, bool cellOnly) override;

    // IWorldLocation
    void ClearForNewLocation() override;
    void SetCellCounts(int across, int down) override;
    void LoadMap(const char* path) override;
    float GetTimeOfDay() override;

    // IViewCamera
    void TakeCameraFrame(const CObjectFrame& frame) override;
    void SetViewPosition(const CVector& position) override;

    // IObjectCells
    void AddCellObject(CMMObject* object, bool multiCell) override;
    void DeleteCellObject(CMMObject* object) override;
    void MoveCellObject(const CVector& oldPos, const CVector& newPos, CMMObject* object) override;
    CLinkedList<CMMObject>* GetCellObjects(int cell) override;
    // Every cell of the map.
    int GetVisibleCells(const int** cells) override;
    float GetBrightnessAt(const CVector&) override { return 1.0f; }
    // The ground's colour (CLocation::GetColor).
    std::uint32_t GetColor(float x, float y) override;
    // The location's ground triangles (CLocation::GetMapMesh).
    bool GetMapMesh(float x, float y, float radius, CGeometryBuffer* out) override;

private:
    // The four heights of the quad under point and the fractions inside it;
    // false without near data.
    bool GetQuad(const CVector& point, float h[4], float* fx, float* fy, int* parity, bool* overWater);

    std::vector<int> m_Visible;
};
