// CLocationObjectCells: the location's per-cell object lists and its
// visible cells as the object list reaches them (IObjectCells). Whoever
// enters a location installs it (g_pObjectCells = &g_LocationObjectCells)
// and uninstalls it before the location goes.
//
// Threads: main thread only.
#pragma once

#include "location/Location.h"
#include "world/ObjectScene.h"

class CLocationObjectCells : public IObjectCells
{
public:
    explicit CLocationObjectCells(CLocation& location) : m_location(location) {}

    // At the object's position; spread over the cells of its square when
    // multiCell is set and the object qualifies (CLocation::AddCellObject).
    void AddCellObject(CMMObject* object, bool multiCell) override;
    // Out of its home cell (logged when it was not there) and its square.
    void DeleteCellObject(CMMObject* object) override;
    void MoveCellObject(const CVector& oldPos, const CVector& newPos, CMMObject* object) override;
    CLinkedList<CMMObject>* GetCellObjects(int cell) override;
    // The cells of the terrain's visible list, nearest first (row x 64 + column).
    int GetVisibleCells(const int** cells) override;
    float GetBrightnessAt(const CVector& position) override;
    std::uint32_t GetColor(float x, float y) override;
    bool GetMapMesh(float x, float y, float radius, CGeometryBuffer* out) override;

private:
    CLocation& m_location;
    int m_Visible[CLocation::kVisibleCells] = {};
};

extern CLocationObjectCells g_LocationObjectCells;
