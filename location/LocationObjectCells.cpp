#include "location/LocationObjectCells.h"

#include "world/MMObject.h"

CLocationObjectCells g_LocationObjectCells(g_Location);

void CLocationObjectCells::AddCellObject(CMMObject* object, bool multiCell)
{
    m_location.AddCellObject(object->GetPosition(), object, multiCell);
}

void CLocationObjectCells::DeleteCellObject(CMMObject* object)
{
    m_location.DeleteCellObject(object->GetPosition(), object);
}

void CLocationObjectCells::MoveCellObject(const CVector& oldPos, const CVector& newPos, CMMObject* object)
{
    m_location.MoveCellObject(oldPos, newPos, object);
}

CLinkedList<CMMObject>* CLocationObjectCells::GetCellObjects(int cell)
{
    if (cell < 0 || cell >= kCellGridSize * kCellGridSize) return nullptr;
    return &m_location.m_Cells[cell].m_Objects;
}

int CLocationObjectCells::GetVisibleCells(const int** cells)
{
    const int count = m_location.GetVisibleCount();
    for (int i = 0; i < count; ++i)
    {
        const CLocation::SVisibleCell& v = m_location.GetVisibleCells()[i];
        m_Visible[i] = v.drawY * kCellGridSize + v.drawX;
    }
    *cells = m_Visible;
    return count;
}

std::uint32_t CLocationObjectCells::GetColor(float x, float y)
{
    return m_location.GetColor(x, y);
}

float CLocationObjectCells::GetBrightnessAt(const CVector& position)
{
    return m_location.GetBrightnessAt(position);
}

bool CLocationObjectCells::GetMapMesh(float x, float y, float radius, CGeometryBuffer* out)
{
    return m_location.GetMapMesh(x, y, 0, radius, out);
}
