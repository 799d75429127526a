#include "world/AnomalZoneObject.h"

#include "graphics/ModelManager.h"
#include "world/ObjectManager.h"

#include <cmath>
#include <cstdio>

CAnomalZoneObject::CAnomalZoneObject()
{
    m_nType = OBJ_ANOMALZONE;
    m_bShown = 1;
}

void CAnomalZoneObject::Init(const CMatrix* placement, const char* typeName)
{
    SetMatrix(*placement);
    std::snprintf(m_TypeRef, sizeof m_TypeRef, "%s", typeName ? typeName : "");
    const std::int32_t index = g_AnomalZoneManager.FindName(m_TypeRef);
    m_pType =
        index >= 0 ? static_cast<const SObjectTypeHeader*>(g_AnomalZoneManager.GetType(index)) : nullptr;
    float modelRadius = 1.0f;
    const std::int32_t model = GetModelId();
    if (model >= 0 && g_pModelManager)
    {
        const SModelRecord* record = g_pModelManager->GetRecord(model);
        if (record && record->m_fRadius > 0.0f) modelRadius = record->m_fRadius;
    }
    const auto& r = placement->m[2];
    m_fRadius = std::sqrt(r[0] * r[0] + r[1] * r[1] + r[2] * r[2]) * modelRadius;
    m_bMoving = m_pType && m_pType->GetAlphaModelId() != -1;
}
