// A cell grid and a view for the object code, small enough to read: each
// object is listed in the cell of its position (and, on request, in extra
// cells); the view sees spheres that a test-chosen rule lets through.
// Installed for the life of the scene; the object list is cleared at both
// ends so every test starts and ends empty.
#pragma once

#include "foundation/Settings.h"
#include "world/MMObject.h"
#include "world/ObjectList.h"
#include "world/ObjectScene.h"

#include <functional>
#include <memory>
#include <vector>

namespace worldtest
{

inline int CellOf(const CVector& p)
{
    const int col = int(p.x * 0.1f) >> 6;
    const int row = int(p.y * 0.1f) >> 6;
    if (col < 0 || row < 0 || col >= kCellGridSize || row >= kCellGridSize) return -1;
    return row * kCellGridSize + col;
}

class CTestCells : public IObjectCells
{
public:
    CTestCells() : m_Cells(kCellGridSize * kCellGridSize) {}

    void AddCellObject(CMMObject* object, bool) override { AddTo(CellOf(object->GetPosition()), object); }
    void DeleteCellObject(CMMObject* object) override
    {
        for (auto& cell : m_Cells)
            cell.Remove(object);
    }
    void MoveCellObject(const CVector& oldPos, const CVector& newPos, CMMObject* object) override
    {
        const int from = CellOf(oldPos), to = CellOf(newPos);
        if (from == to) return;
        if (from >= 0) m_Cells[std::size_t(from)].Remove(object);
        AddTo(to, object);
        ++m_nMoves;
    }
    CLinkedList<CMMObject>* GetCellObjects(int cell) override
    {
        return cell >= 0 && cell < int(m_Cells.size()) ? &m_Cells[std::size_t(cell)] : nullptr;
    }
    int GetVisibleCells(const int** cells) override
    {
        *cells = m_Visible.data();
        return int(m_Visible.size());
    }
    float GetBrightnessAt(const CVector&) override { return 1.0f; }

    void AddTo(int cell, CMMObject* object)
    {
        if (cell >= 0) m_Cells[std::size_t(cell)].AddTail(object);
    }
    // Every cell visible.
    void ShowAllCells()
    {
        m_Visible.clear();
        for (int i = 0; i < kCellGridSize * kCellGridSize; ++i)
            m_Visible.push_back(i);
    }

    std::vector<CLinkedList<CMMObject>> m_Cells;
    std::vector<int> m_Visible;
    int m_nMoves = 0;
};

class CTestView : public IObjectView
{
public:
    CVector GetViewPosition() const override { return m_vEye; }
    CVector GetViewDirection() const override { return CVector{0, 1, 0}; }
    bool IsSphereVisible(const CVector* centre, float radius) const override
    {
        return !m_Hidden || !m_Hidden(*centre, radius);
    }

    CVector m_vEye;
    // Spheres for which this returns true are outside the view.
    std::function<bool(const CVector&, float)> m_Hidden;
};

// Installs a grid and a view, with R = 2560 (VisibleRadius 256) and the
// model-detail factor 1.
class CScene
{
public:
    CScene()
    {
        m_savedSettings = g_Settings;
        g_Settings.VisibleRadius = 256;
        g_Settings.ModelQuality = 1;
        g_ObjectList.Clear();
        g_pObjectCells = &m_Cells;
        g_pObjectView = &m_View;
    }
    ~CScene()
    {
        g_ObjectList.Clear();
        g_ObjectList.m_bLoading = 0;
        g_pObjectCells = nullptr;
        g_pObjectView = nullptr;
        g_Settings = m_savedSettings;
    }
    CScene(const CScene&) = delete;
    CScene& operator=(const CScene&) = delete;

    CTestCells m_Cells;
    CTestView m_View;

private:
    SEngineSettings m_savedSettings;
};

} // namespace worldtest
