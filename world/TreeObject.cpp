#include "world/TreeObject.h"

#include "foundation/ErrorLog.h"
#include "foundation/GameTime.h"
#include "foundation/Graphic.h"
#include "graphics/ModelManager.h"
#include "world/DynamicObject.h"
#include "world/EffectQueue.h"
#include "world/KindManagers.h"
#include "world/SceneryObjects.h"

#include <cmath>
#include <cstdio>
#include <cstring>

using namespace plat::d3d;

ExplosionMaker g_pMakeExplosion = nullptr;

CTreeObject::CTreeObject()
{
    m_nType = OBJ_TREE;
    m_bShown = 1;
}

void CTreeObject::Init(const CMatrix& placement, const char* typeName)
{
    XTRACE("CTreeObject::Init");
    std::memset(m_TypeRef, 0, sizeof m_TypeRef);
    std::snprintf(m_TypeRef, sizeof m_TypeRef, "%s", typeName ? typeName : "");
    SetMatrix(placement);
    const std::int32_t index = g_TreeManager.FindName(m_TypeRef);
    m_pTreeType = index >= 0 ? g_TreeManager.GetKind(index) : nullptr;
    m_pType = m_pTreeType;
    m_fRadius = SceneryRadius(placement, GetModelId());
    // A tree with a model (its instance's model, as a stone's) runs every
    // frame.
    m_bMoving = GetModelId() != -1;
    if (m_fRadius < kDamageableBelow)
    {
        m_bDamageable = 1;
        m_bCollisionReport = 1;
        m_fHealth = (1.0f + m_fRadius) * 10.0f;
    }
    if (m_pTreeType && m_pTreeType->m_bNoSolid)
    {
        m_bCollidable = 0;
        m_bSphereCollider = 1;
    }
    else
    {
        m_bCollidable = m_fRadius > 20.0f;
        m_bSphereCollider = m_fRadius < 30.0f;
    }
}

void CTreeObject::Draw()
{
    QueueEffect(this, 0);
}

float CTreeObject::SwayAngle() const
{
    const float flex = m_pTreeType ? m_pTreeType->m_fFlexibility : 0.0f;
    const float radius = m_fRadius > 0.0f ? m_fRadius : 1.0f;
    return float(std::sin(g_GameTime * 3.0 / std::sqrt(double(radius)))) * flex * std::sqrt(200.0f) * 0.01f;
}

CMatrix CTreeObject::SwayMatrix(float a)
{
    CMatrix m;
    m.m[0][0] = std::cos(a);
    m.m[0][2] = -std::sin(a);
    m.m[2][0] = std::sin(a);
    m.m[2][2] = std::cos(a);
    m.m[1][1] = 1.0f;
    m.m[3][3] = 1.0f;
    return m;
}

void CTreeObject::DrawEffect(int)
{
    CMatrix sway = SwayMatrix(SwayAngle());
    MatrixMultiply(&sway, &sway, &m_Frame.m_Matrix);
    if (graph.m_lpDevice) graph.m_lpDevice->SetTransform(D3DTS_WORLD1, reinterpret_cast<const SMatrix*>(&sway));
    CMMObject::Draw();
}

bool CTreeObject::SetColissionObject(CMMObject* other, CVector, CVector)
{
    if (!other) return false;
    // A collision hurts the tree as hard as the mover is fast; no weapon.
    const auto* mover = dynamic_cast<const CDynamicObject*>(other);
    const bool standing = !(m_fHealth <= 0.0f);
    Damage(mover ? mover->m_vVelocity.Length() : 0.0f, CVector{}, 0, other, -1, 666);
    // A tree that falls makes an explosion; one that stands has only lost
    // health.
    return standing && !(m_fHealth > 0.0f);
}

void CTreeObject::Damage(float amount, CVector, int, CMMObject*, int weapon, int)
{
    if (weapon != -1 || !m_bDamageable || m_fHealth <= 0.0f) return;
    m_fHealth -= amount;
    if (m_fHealth > 0.0f) return;
    m_bShown = 0;
    CMatrix at(1.0f);
    at.SetTranslation(GetPosition());
    if (g_pMakeExplosion) g_pMakeExplosion("EXP_WOOD_01", at);
}
