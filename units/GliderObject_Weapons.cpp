// The glider's side of firing: which gun may fire, from where and in which
// direction, and the rockets and bombs loaded from the mechanoid's stock.

#include "units/GliderObject.h"

#include "foundation/ErrorLog.h"
#include "foundation/Random.h"
#include "graphics/ComplexObject.h"
#include "graphics/Mesh.h"
#include "graphics/Model.h"
#include "graphics/ModelManager.h"
#include "units/Mechanoid.h"
#include "units/MechRegistry.h"
#include "world/Camera.h"
#include "world/MMEngine.h"
#include "world/TypeManagers.h"

#include <algorithm>
#include <cmath>

namespace
{
int Difficulty()
{
    return g_pMechRegistry ? g_pMechRegistry->GetDifficulty() : 0;
}

CVector Normalized(const CVector& v)
{
    const float l = v.Length();
    return l > 0.0f ? v * (1.0f / l) : v;
}

// The missile kind of a missile type index; -1 for none.
int MissileKind(std::int32_t type)
{
    const SMissileParameters* p = type >= 0 ? g_MissileManager.Param(type) : nullptr;
    return p ? p->m_nKind : -1;
}
} // namespace

CMatrix GetMountMatrix(std::int32_t modelId, std::int32_t part)
{
    CMatrix m(1.0f);
    auto* model = modelId >= 0 && part >= 0 && g_pModelManager
                      ? dynamic_cast<CComplexObject*>(g_pModelManager->GetModel(modelId))
                      : nullptr;
    if (!model || part >= model->GetPartCount()) return m;
    CModel* mesh = model->GetPart(part).m_pModel.get();
    if (!mesh || !mesh->m_pMesh) return m;
    // The mount's marker mesh: its box's lowest corner is the mount point.
    float corner[3];
    mesh->m_pMesh->GetMinPoint(corner);
    m.SetTranslation(CVector{corner[0], corner[1], corner[2]});
    return m;
}

bool CGliderObject::PrepareMounts()
{
    const SGliderParameters* t = GetParams();
    if (!t) return false;
    if (t->m_bPrepared) return true;
    g_GliderManager.InitGlider(m_Key.Index());
    if (m_pMechanoid && m_pMechanoid->m_GliderData.HasRecord() && m_pMechanoid->m_GliderData.m_dwModif != 0)
    {
        m_pMechanoid->m_GliderData.Assign(m_pMechanoid->m_GliderData.m_Key,
                                          m_pMechanoid->m_GliderData.m_dwModif);
        m_pType = m_pMechanoid->m_GliderData.GetParams();
    }
    t = GetParams();
    return t && t->m_bPrepared;
}

CMatrix CGliderObject::FiringMatrix(const CVector& direction) const
{
    CObjectFrame frame;
    frame.m_Matrix = m_Frame.m_Matrix;
    frame.m_vPosition = GetPosition();
    frame.UpdateAxes();
    if (direction.LengthSq() > 0.0f) frame.SetForward(direction);
    // Drawn as the hull is, so that the mounts sit on it.
    return GliderModelMatrix(frame.m_vSide, frame.m_vUp, frame.m_vForward, GetPosition());
}

CMatrix CGliderObject::MountMatrix(int gun) const
{
    const SGliderParameters* t = GetParams();
    const std::int32_t part = t ? t->m_Mounts[gun == 0 ? 0 : 2].m_nPart : -1;
    return GetMountMatrix(GetModelId(), part);
}

void CGliderObject::Fire(int gun, float inherit, float scatter, CVector target)
{
    XTRACE("CGliderObject::Fire");
    if (!m_bMoving) return;
    if (gun == 0 && !m_Guns[0].m_bMounted) return;
    if (gun == 1 && !m_Guns[1].m_bMounted) return;
    if (!PrepareMounts()) return;
    const SGliderParameters* t = GetParams();
    if (gun == 0 || gun == 1)
    {
        CGun& g = m_Guns[gun];
        const SGunParameters* rec = g.GetGunDesc();
        if (!rec || (rec->m_nType == 0 && t->m_Mounts[0].m_nPart < 0)) g.m_bMounted = 0;
    }
    if (GetModelId() < 0) return;

    CVector d;
    if (IsPlayer())
    {
        d = g_bFixCursor ? ForwardAxis() : m_vSight;
    }
    else
    {
        d = ForwardAxis();
        m_vSight = d;
        const int difficulty = Difficulty();
        const float precision = difficulty == 0 ? 0.98f : difficulty == 1 ? 0.95f : 0.9f;
        if (target.LengthSq() != 0.0f && Dot(ForwardAxis(), Normalized(target - GetPosition())) >= precision)
        {
            if (scatter != 0.0f)
            {
                const float r = (g_Random.Random(6.0f) + 12.0f) * scatter;
                target.x += g_Random.Random(r / 2.0f) - r;
                target.y += g_Random.Random(r * 0.1f) - r * 0.2f;
                target.z += g_Random.Random(r / 2.0f) - r;
            }
            d = Normalized(target - GetPosition());
        }
    }
    const CMatrix owner = FiringMatrix(d);
    switch (gun)
    {
    case 0:
    case 1:
    {
        XTRACE("Gun1||Gun2");
        CGun& g = m_Guns[gun];
        if (!g.m_bMounted) return;
        CMatrix mount = MountMatrix(gun);
        if (IsPlayer() && g_CameraMode == 6 && g.GetGunDesc())
        {
            const SGunParameters& rec = *g.GetGunDesc();
            mount = CMatrix(1.0f);
            mount.ScaleRotation(std::fabs(rec.m_fInsideMul));
            mount.SetTranslation(CVector{rec.m_nType == 0 ? rec.m_vInside[0] - 0.5f : rec.m_vInside[0],
                                         rec.m_vInside[1] + 0.5f,
                                         gun == 0 ? rec.m_vInside[2] - 0.1f : rec.m_vInside[2] + 0.2f});
        }
        g.Fire(&owner, mount, d, 0, 1.0f);
        break;
    }
    case 2:
    {
        XTRACE("RT");
        if (!m_Guns[2].m_bMounted) return;
        CMatrix mount(1.0f);
        mount.SetTranslation(CVector{0.0f, 0.0f, 1.0f});
        m_Guns[2].Fire(&owner, mount, d, 0, 1.0f);
        break;
    }
    case 3:
    {
        XTRACE("Bomb");
        if (m_Guns[3].m_fAmmo < 1.0f) return;
        const CVector bombDir = Normalized(m_vSight + UpAxis() * 0.1f);
        CMatrix mount(1.0f);
        mount.SetTranslation(CVector{-1.0f, 0.0f, -0.5f});
        m_Guns[3].Fire(&owner, mount, bombDir, 0, inherit);
        break;
    }
    default:
        break;
    }
}

void CGliderObject::GetThrowRay(CVector* origin, CVector* velocity, float* radius, float k) const
{
    *origin = GetPosition() + SideAxis() - UpAxis() * 0.5f;
    const SMissileParameters* m =
        m_Guns[3].m_iMissile >= 0 ? g_MissileManager.Param(m_Guns[3].m_iMissile) : nullptr;
    if (!m)
    {
        *velocity = CVector{};
        *radius = 0.0f;
        return;
    }
    *velocity = Normalized(m_vSight + UpAxis() * 0.1f) * (k * m->m_fSpeed);
    const SExploParameters* e = g_ExploManager.Param(m->m_iExplo);
    *radius = e ? e->m_fRadius : 0.0f;
}

int CGliderObject::UpdateAmmo(bool load, bool append)
{
    XTRACE("CGliderObject::UpdateAmmo");
    if (!m_pMechanoid) return -1;
    CMechanoid& m = *m_pMechanoid;
    // Unload: gun 4, then gun 3. The stock keeps at most 15 entries: an
    // entry that would pass them is dropped (appending) or pushes out the
    // last one (inserting at the front).
    const std::uint32_t maxCount = CMechanoid::kMaxMissiles;
    for (int i : {3, 2})
    {
        CGun& g = m_Guns[i];
        if (g.m_fAmmo >= 1.0f && g.m_iMissile >= 0)
        {
            SMissileStock entry;
            entry.m_Type.SetIndex(g.m_iMissile);
            entry.m_nCount = std::uint32_t(g.m_fAmmo);
            const bool atEnd = append && !load;
            if (atEnd)
            {
                if (m.m_nMissileCount < maxCount) m.m_Missiles[m.m_nMissileCount++] = entry;
            }
            else
            {
                const std::uint32_t n = std::min(m.m_nMissileCount, maxCount - 1);
                for (std::uint32_t k = n; k > 0; --k)
                    m.m_Missiles[k] = m.m_Missiles[k - 1];
                m.m_Missiles[0] = entry;
                m.m_nMissileCount = n + 1;
            }
        }
        g.m_iMissile = -1;
        g.m_fAmmo = 0.0f;
    }
    if (!load) return -1;
    // Load: the first bomb or mine entry into gun 4, the first rocket entry
    // into gun 3.
    auto take = [&m](CGun& g, auto wanted)
    {
        for (std::uint32_t k = 0; k < m.m_nMissileCount; ++k)
        {
            const std::int32_t type = m.m_Missiles[k].m_Type.Index();
            if (!wanted(MissileKind(type))) continue;
            g.m_iMissile = type;
            g.m_fAmmo = float(m.m_Missiles[k].m_nCount);
            for (std::uint32_t j = k + 1; j < m.m_nMissileCount; ++j)
                m.m_Missiles[j - 1] = m.m_Missiles[j];
            --m.m_nMissileCount;
            m.m_Missiles[m.m_nMissileCount] = SMissileStock{};
            return;
        }
    };
    take(m_Guns[3], [](int kind) { return kind == 4 || kind == 9; });
    take(m_Guns[2], [](int kind) { return kind == 2; });
    return -1;
}

void CGliderObject::UpdateAmmoPart(float fraction)
{
    for (int i = 0; i < 2; ++i)
    {
        const SGunParameters* g = m_Guns[i].GetGunDesc();
        if (!g) continue;
        float& ammo = m_Guns[i].m_fAmmo;
        if (ammo < g->m_fSpare) ammo = std::min(g->m_fSpare, ammo + fraction * g->m_fSpare);
    }
}

bool CGliderObject::IsFiring() const
{
    if (m_Guns[3].m_nBurstFrames != 0) return true;
    for (int i = 0; i < 3; ++i)
        if (m_Guns[i].m_bMounted && m_Guns[i].m_fShotFlash != 0.0f) return true;
    return false;
}
