#include "units/ThingCollector.h"

#include "foundation/ErrorLog.h"
#include "foundation/Name32.h"
#include "units/GliderObject.h"
#include "units/Mechanoid.h"
#include "world/KindManagers.h"
#include "world/TypeManagers.h"

#include <cstring>

namespace
{
CGliderObject* AsGlider(CMMObject* o)
{
    return o && o->m_nType == OBJ_GLIDER ? dynamic_cast<CGliderObject*>(o) : nullptr;
}
} // namespace

bool CThingCollector::CanCollect(CMMObject* object)
{
    const CGliderObject* glider = AsGlider(object);
    return glider && !glider->m_bDestroyed && glider->m_pMechanoid && !glider->m_pMechanoid->m_bOutOfAction;
}

bool CThingCollector::IsHoldFull(CMMObject* object)
{
    const CGliderObject* glider = AsGlider(object);
    if (!glider || !glider->m_pMechanoid) return true;
    const CMechanoid* m = glider->m_pMechanoid;
    const float capacity = m->GetCapacity();
    if (capacity <= 0.0f) return true;
    return (m->GetNettoWeight() + m->GetGoodsWeight() + 1.0f) / capacity >= 1.0f;
}

bool CThingCollector::AddMissiles(CMMObject* object, std::int32_t missileType, std::uint32_t amount)
{
    CGliderObject* glider = AsGlider(object);
    if (!glider || !glider->m_pMechanoid) return false;
    CMechanoid* m = glider->m_pMechanoid;
    // What the launchers hold counts with the stock while it grows.
    glider->UpdateAmmo(false, false);
    std::uint32_t i = 0;
    while (i < m->m_nMissileCount && m->m_Missiles[i].m_Type.Index() != missileType)
        ++i;
    if (i == m->m_nMissileCount)
    {
        if (m->m_nMissileCount >= std::uint32_t(CMechanoid::kMaxMissiles))
        {
            g_ErrorLog.LogError(
                "Missile: mechanoid '%s' stocks %d missile types already; %u of '%s' are lost", m->m_szName,
                CMechanoid::kMaxMissiles, amount, g_MissileManager.GetName(missileType));
            glider->UpdateAmmo(true, false);
            return false;
        }
        m->m_Missiles[i].m_Type = STypeKey(missileType);
        m->m_Missiles[i].m_nCount = 0;
        ++m->m_nMissileCount;
    }
    m->m_Missiles[i].m_nCount += amount;
    glider->UpdateAmmo(true, false);
    m->UpdateEquipment();
    glider->UpdateGliderConfig();
    return true;
}

void CThingCollector::UpdateWeight(CMMObject* object)
{
    CGliderObject* glider = AsGlider(object);
    if (glider && glider->m_pMechanoid) glider->m_fMass = glider->m_pMechanoid->GetSumWeight();
}

void CThingCollector::AddGoods(CMMObject* object, std::uint32_t kind, const char* name, std::uint32_t amount)
{
    SGoodsItem item;
    CopyName(item.m_szName, name);
    item.m_nCount = std::int32_t(amount);
    if (const SGoodsParameters* goods = g_GoodsManager.FindGoods(name)) item.m_fPrice = goods->m_fPrice;
    CGliderObject* glider = AsGlider(object);
    if (!glider || !glider->m_pMechanoid) return;
    glider->m_pMechanoid->m_Garbage.AddGoods(item, std::int32_t(kind), false);
}
