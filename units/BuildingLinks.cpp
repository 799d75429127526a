#include "units/BuildingLinks.h"

#include "foundation/Name32.h"
#include "units/BuildingObject.h"
#include "world/MMObject.h"

#include <cstring>

namespace
{
// The building's kind, its parts prepared when its model is loaded (with
// force: loaded now when it is not).
const SBuildingType* PreparedKind(const CMMObject* building, bool force)
{
    if (!building || building->m_nType != OBJ_BUILDING) return nullptr;
    char name[33] = {};
    CopyName(name, building->m_TypeRef);
    const std::int32_t index = g_BuildingManager.FindName(name);
    g_BuildingManager.InitBuilding(index, force);
    return g_BuildingManager.GetKind(index);
}
} // namespace

const SBuildingType* GetBuildingKind(const CMMObject* building)
{
    if (const auto* b = dynamic_cast<const CBuildingObject*>(building); b && b->GetKind())
        return b->GetKind();
    return PreparedKind(building, false);
}

CVector GetEntrancePoint(const CMMObject* building, int index)
{
    if (auto* b = dynamic_cast<CBuildingObject*>(const_cast<CMMObject*>(building)); b && b->GetKind())
        return b->GetEntrancePoint(index);
    const SBuildingType* kind = PreparedKind(building, true);
    if (!kind) return CVector{};
    const SBox& box = index == 0 ? kind->m_Into : kind->m_Into1;
    const CVector centre = (box.m_vMin + box.m_vMax) * 0.5f;
    CVector out;
    VectorTransformCoord(&out, &building->m_Frame.m_Matrix, &centre);
    return out;
}
