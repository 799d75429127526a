// Everything that hurts a glider, its parts breaking off, the repair robot,
// its destruction and its repair by a fraction.

#include "units/GliderObject.h"

#include "world/GameWorldState.h"
#include "foundation/ErrorLog.h"
#include "foundation/Random.h"
#include "units/ExploObject.h"
#include "units/HitIndicators.h"
#include "units/Mechanoid.h"
#include "units/SplinterObject.h"
#include "units/TowerObject.h"
#include "world/KindManagers.h"
#include "world/TheThing.h"
#include "units/MechRegistry.h"
#include "world/Mech.h"
#include "world/ObjectList.h"
#include "world/TypeManagers.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace
{
constexpr float kPi = 3.14159265f;

int Difficulty()
{
    return g_pMechRegistry ? g_pMechRegistry->GetDifficulty() : 0;
}

// A unit direction of three game-generator values in -1..1.
CVector RandomDirection()
{
    CVector v{g_Random.Random(2.0f) - 1.0f, g_Random.Random(2.0f) - 1.0f, g_Random.Random(2.0f) - 1.0f};
    const float l = v.Length();
    return l > 0.0f ? v * (1.0f / l) : CVector{0.0f, 0.0f, 1.0f};
}

CGliderObject* AsGlider(CMMObject* o)
{
    return o && o->m_nType == OBJ_GLIDER ? static_cast<CGliderObject*>(o) : nullptr;
}

// The first active tower within whose spy distance the victim lies hears
// of the attacker (only towers within the largest spy distance are asked).
void AlertTower(CGliderObject* victim, CMMObject* attacker)
{
    const CVector p = victim->GetPosition();
    SRadiusResult near;
    CObjectList::GetObjectsInRadius(&p, g_TowerManager.GetMaxSpyDistance(), OBJ_TOWER, &near);
    for (int i = 0; i < near.count; ++i)
    {
        auto* tower = dynamic_cast<CTowerObject*>(near.objects[i]);
        if (!tower || !tower->IsActive()) continue;
        const float spy = tower->GetSpyDistance();
        if ((tower->GetPosition() - p).LengthSq() > spy * spy) continue;
        tower->SetTarget(attacker, 7.0f, true, true);
        return;
    }
}

// A script event for the object name, with an empty argument.
void ScriptEvent(const char* object, const char* event)
{
    static const char kNone[32] = {};
    if (g_pAppEvent) g_pAppEvent->OnScriptEvent(object, event, kNone);
}

// The attacker flies for the player's group (the player's own glider
// included).
bool InPlayersGroup(const CGliderObject* g)
{
    if (!g || !g->m_pMech || !g_pPlayerGlider || !g_pPlayerGlider->m_pMech) return false;
    if (g == g_pPlayerGlider) return true;
    return g->m_pMech->m_pGroup && g->m_pMech->m_pGroup == g_pPlayerGlider->m_pMech->m_pGroup;
}
} // namespace

void CGliderObject::MakeExplosion(const char* name, const CVector& at, float scale)
{
    const std::int32_t type = g_ExploManager.FindName(name);
    if (type < 0) return;
    CMatrix m(1.0f);
    m.ScaleRotation(scale);
    m.SetTranslation(at);
    if (CMMObject* e = g_ExploManager.CreateObject(type, m)) e->m_pOwner = this;
}

void CGliderObject::AddShieldHit(float a, const CVector& d)
{
    // The strike's frame: its second axis along the hit direction, tilted
    // a little each way so that hits from one side do not all coincide.
    const float tilt[2] = {float(g_Random.RandomInt(100) - 50) * 0.001f,
                           float(g_Random.RandomInt(100) - 50) * 0.001f};
    const CVector helper = std::fabs(d.z) < 0.9f ? CVector{0.0f, 0.0f, 1.0f} : CVector{1.0f, 0.0f, 0.0f};
    CVector side, up;
    VectorCross(&side, &d, &helper);
    side = Normalize(side);
    VectorCross(&up, &side, &d);
    const CVector dir = Normalize(d + side * tilt[0] + up * tilt[1]);
    VectorCross(&side, &dir, &up);
    side = Normalize(side);
    VectorCross(&up, &side, &dir);
    const float rows[3][3] = {{side.x, side.y, side.z}, {dir.x, dir.y, dir.z}, {up.x, up.y, up.z}};
    // Expressed in the glider's frame: H = G^T x W (the rotation is
    // orthonormal), so that the view's G x H gives the strike back.
    const CMatrix& g = m_Frame.m_Matrix;
    float h[16] = {};
    h[15] = 1.0f;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
        {
            h[i * 4 + j] = g.m[0][i] * rows[0][j] + g.m[1][i] * rows[1][j] + g.m[2][i] * rows[2][j];
        }
    const float r = std::max(m_fGliderRadius, 1.0f);
    m_ShieldView.m_vScale = CVector{r, r, r};
    m_ShieldView.AddHit(std::uint32_t(std::max(a, 0.0f)), h, IsPlayer());
    m_bShieldEffect = m_ShieldView.m_bAnyHit;
}

void CGliderObject::Damage(float a, CVector point, int ignoreShieldLimit, CMMObject* attacker, int kind,
                           int weaponKind)
{
    XTRACE("CGliderObject::Damage");
    // 1.
    if (m_pMechanoid && m_pMechanoid->IsKilled()) return;
    // 2. A missile's collision counts as its owner's.
    if (attacker && attacker->m_nType == OBJ_MISSILE && attacker->m_pOwner && kind == 100)
        attacker = attacker->m_pOwner;
    CGliderObject* by = AsGlider(attacker);
    const float passed = a;
    const bool player = IsPlayer();
    // 3. Towers hear of an attack by a glider.
    if (by && kind != 100) AlertTower(this, by);
    // 4. The energy recycler turns a quarter of the hit into energy.
    if (m_pMechanoid && m_pMechanoid->IsOn(EQP_ENERGY_RECYCLER))
    {
        m_pMechanoid->m_fEnergy = std::min(m_pMechanoid->m_fEnergy + a / 4.0f, m_pMechanoid->GetEnergy(2));
        a -= a / 4.0f;
    }
    // 5. Stun, shock wave and drain do no damage.
    if (kind == 4)
    {
        m_bMoving = 0;
        m_bEnabled = 0;
        m_fStunTime += a * 0.02f;
        m_vVelocity = CVector{};
        a = 0.0f;
    }
    else if (kind == 5)
    {
        CVector away = GetPosition() - point;
        const float l = away.Length();
        if (l > 0.0f) away = away * (1.0f / l);
        AddImpulse(away * a);
        m_vLevelling.x += a * 1e-5f;
        m_vLevelling.y += a * 5e-5f;
        a = 0.0f;
    }
    else if (kind == 6)
    {
        if (m_pMechanoid)
        {
            a = std::min(a, m_pMechanoid->m_fEnergy);
            m_pMechanoid->m_fEnergy -= a;
            if (by && by->m_pMechanoid)
                by->m_pMechanoid->m_fEnergy =
                    std::min(by->m_pMechanoid->m_fEnergy + a, by->m_pMechanoid->GetEnergy(2));
        }
        a = 0.0f;
    }
    // 6. Difficulty scales what the player takes (collisions excepted).
    if (player && kind < 3)
    {
        const int difficulty = Difficulty();
        if (difficulty == 0) a *= 0.5f;
        if (difficulty == 2) a *= 1.2f;
    }
    if (g_pAppEvent)
    {
        if (player && kind != 100) g_pAppEvent->OnPlayerHit(attacker);
        if (!player && by && by->IsPlayer()) g_pAppEvent->OnDamageObject(a, weaponKind);
    }
    // 7. Environment damage.
    if (kind != -1)
    {
        if (player && m_pMechanoid)
        {
            const EDevice resist = kind == 0   ? EQP_RADIATION_SHIELD
                                   : kind == 1 ? EQP_CRYOGENERATOR
                                   : kind == 2 ? EQP_ELM_STABILIZER
                                               : EQP_COUNT;
            if (resist != EQP_COUNT && m_pMechanoid->IsOn(resist)) a *= 0.25f;
            g_PlayerHitIndicators[HIT_ENVIRONMENT] += a;
        }
        if (m_pMechanoid && m_pMechanoid->IsOn(EQP_ZERO_THICKENER)) a *= 0.75f;
        // The hit comes from a random direction round the glider (the
        // direction only feeds the player's hit ring).
        point = GetPosition() + RandomDirection();
    }
    // 8.
    CVector d = point - GetPosition();
    if (const float l = d.Length(); l > 0.0f) d = d * (1.0f / l);
    // 9. The shield flashes where a weapon struck.
    if (kind == -1 && a != 0.0f) AddShieldHit(a, d);
    // 10. A copy of another machine's glider only collects the damage.
    if (m_bRemote && !m_bOwnedHere && a != 0.0f)
    {
        m_bDamagePending = 1;
        m_fNetDamage[ignoreShieldLimit ? 1 : 0] += a;
        return;
    }
    // 11. The player's hit ring.
    if (player && a != 0.0f)
    {
        m_Frame.UpdateAxes();
        const float x = Dot(d, m_Frame.m_vSide), z = Dot(d, m_Frame.m_vForward);
        const int n = int(std::atan2(x, z) * 28.0f / kPi + 112.0f) % 56;
        g_PlayerHitRing[n] += a;
        float b = a;
        for (int i = 1; b > 100.0f && i < 28; ++i)
        {
            b *= 0.25f;
            g_PlayerHitRing[(n + i) % 56] += b;
            g_PlayerHitRing[(n - i + 56) % 56] += b;
        }
    }
    // 12. The AI, then the group, hear of a hit by a glider with a mech
    // record; a collision counts squared down. A hit on the player's escort
    // is the player's business too.
    if (m_pAI && by && by->m_pMech && m_pMech && m_pMech->m_pGroup)
    {
        const float c = std::min(passed / 150.0f, 1.0f);
        const float v = kind == 100 ? c * c * 150.0f : passed;
        m_pAI->OnHit(by->m_pMech, v);
        if (m_pAI->OnGroupHit(by->m_pMech, v) && g_pAppEvent) g_pAppEvent->OnEscortHit(by->m_pMech->m_szId);
    }
    // 13.
    if (!m_pMech || a == 0.0f || !m_pMechanoid) return;
    // 14. The scripts hear who hit the player (a collision is no hit).
    if (player && kind != 100 && by && by->m_pMech) ScriptEvent(by->m_pMech->m_szId, "OnPlayerHit");
    if (player && kind != 100 && attacker && attacker->m_nType == OBJ_BOUND) ScriptEvent("KONTUR", "OnPlayerHit");
    // 15.
    float armorPart = 0.0f, shieldPart = 0.0f;
    {
        XTRACE("MECH");
        m_pMechanoid->Damage(a, ignoreShieldLimit != 0, &armorPart, &shieldPart);
    }
    // 16. Weapon hits break parts off a badly hurt hull.
    if (kind == -1 && armorPart != 0.0f)
    {
        if (!player) MakeExplosion("EXP_GL_MINI", GetPosition() + d * (m_fGliderRadius * 0.8f), 1.0f);
        const SGliderParameters* t = GetParams();
        if (t && m_pMechanoid->GetArmor(0) < 0.5f && PrepareMounts())
        {
            t = GetParams();
            const int parts = std::min(t->m_nPoints, kPartCount);
            for (int i = 0; i < parts; ++i)
            {
                const CVector dir{t->m_Points[i].m_fPoint[0], t->m_Points[i].m_fPoint[1],
                                  t->m_Points[i].m_fPoint[2]};
                if (Dot(d, dir) <= 0.5f) continue;
                m_PartDamage[i] += armorPart;
                if (m_PartDamage[i] > t->m_fDamage * 0.05f && !(m_dwBrokenParts & (1u << i))) DetachPart(i);
            }
        }
    }
    // 17.
    if (!m_pMechanoid->IsKilled()) return;
    XTRACE("KILLED");
    // 18. The repair robot saves the glider once.
    const SDeviceState& bot = m_pMechanoid->m_Devices[EQP_REPAIR_BOT];
    if (bot.m_bOn)
    {
        const int n = int(bot.m_nIndex);
        if (n >= 1 && n <= m_pMechanoid->m_nAddCount)
        {
            MakeExplosion("EXP_HEAL", GetPosition(), 1.0f);
            PlaySound("SND_G_HEAL", GetPosition());
            m_pMechanoid->RemoveAddEquipment(n - 1);
            m_pMechanoid->m_Devices[EQP_REPAIR_BOT] = SDeviceState{};
            RepairPart(0.5f);
            m_pMechanoid->m_fArmor = m_pMechanoid->GetArmor(2) * 0.2f;
            m_pMechanoid->m_fShield = m_pMechanoid->GetShield(2) * 0.5f;
            m_pMechanoid->UpdateEquipment();
        }
        return;
    }
    // 19. The kill.
    if (!player && by && by->IsPlayer())
    {
        if (g_pAppEvent) g_pAppEvent->OnPlayerKill(m_pMech);
    }
    else if (InPlayersGroup(by))
    {
        ScriptEvent(m_pMech->m_szId, "OnEscortKill");
    }
    m_pMech->Kill(by ? by->m_pMech : nullptr);
    m_bEnabled = 0;
}

void CGliderObject::DetachPart(int i)
{
    XTRACE("CGliderObject::DetachPart");
    const SGliderParameters* t = GetParams();
    if (!t || i < 0 || i >= std::min(t->m_nPoints, kPartCount)) return;
    for (int k = 0; k < 4 && k < SGliderParameters::kFirePoints; ++k)
        if (t->m_FirePoints[k].m_nPart == i) m_dwLostFirePoints |= 1u << k;
    m_dwBrokenParts |= 1u << i;
    const CVector dir{t->m_Points[i].m_fPoint[0], t->m_Points[i].m_fPoint[1], t->m_Points[i].m_fPoint[2]};
    MakeExplosion("EXP_GL_PART", GetPosition() + dir * (m_fGliderRadius * 0.8f), 1.0f);
}

void CGliderObject::RepairPart(float f)
{
    XTRACE("CGliderObject::RepairPart");
    if (!m_pMechanoid) return;
    if (!(f > 0.0f)) f = 0.0f;
    f = std::min(f, 1.0f);
    CMechanoid& m = *m_pMechanoid;
    CMMEqp* items[] = {&m.m_GliderData, &m.m_Reactor, &m.m_Reactor2, &m.m_Engine,
                       &m.m_Engine2,    &m.m_Shield,  &m.m_Armor};
    for (CMMEqp* item : items)
    {
        if (!item->HasRecord() || !item->m_bDamaged) continue;
        item->m_bDestroyed = 0;
        item->m_fDamage = std::max(0.0f, item->m_fDamage - f * item->GetDurability());
        if (item->m_fDamage == 0.0f) item->m_bDamaged = 0;
    }
    m.m_fArmor = std::min(m.GetArmor(2), m.m_fArmor + f * m.GetArmor(2));
    m.m_fShield = std::min(m.GetShield(2), m.m_fShield + f * m.GetShield(2));
}

void CGliderObject::Boom()
{
    XTRACE("CGliderObject::Boom");
    m_bActive = 0;
    m_bDestroyed = 1;
    m_bFullSync = 1;
    if (!IsPlayer()) g_ObjectList.DeleteObject(this);
    bool broken = false;
    if (m_pMechanoid)
        broken = m_pMechanoid->m_Reactor.m_bDestroyed || m_pMechanoid->m_Engine.m_bDestroyed ||
                 (m_pMechanoid->m_Engine2.HasRecord() && m_pMechanoid->m_Engine2.m_bDestroyed);
    MakeExplosion(broken ? "EXP_GLIDER_02" : "EXP_GLIDER_01", GetPosition(), std::max(m_fGliderRadius, 1.0f));
    if (m_pMech && !(m_bRemote && !m_bOwnedHere))
    {
        XTRACE("Throw");
        ThrowOutGoods(true);
        const CVector half = m_vVelocity * 0.5f;
        // The pilot's capsule, when the mech lives on.
        if (m_pMech->m_bAlive)
        {
            const CVector dir =
                Normalize(CVector{g_Random.Random(4.0f) - 2.0f, g_Random.Random(4.0f) - 2.0f, 1.0f});
            if (CTheThing* capsule = ThrowThing("TT_MECHANOID", 2, m_pMech->m_szId, 1,
                                                dir * (g_Random.Random(15.0f) + 3.0f) + half))
                capsule->m_bMoving = 0;
        }
        // Money by the mech's level.
        const float n = float(std::max(m_pMech->m_nLevel, 1));
        float amount = (n * 8.6f + n * n * 1.4f) * (g_Random.Random(1.0f) + 1.0f) + 90.0f;
        if (g_Random.Random(1.0f) < 0.05f)
        {
            const float k = g_Random.Random(1.0f) + 1.0f;
            amount *= k * k;
        }
        const CVector dir =
            Normalize(CVector{g_Random.Random(4.0f) - 2.0f, g_Random.Random(4.0f) - 2.0f, 1.0f});
        ThrowThing("TT_MONEY", 3, "", std::uint32_t(amount), dir * (g_Random.Random(15.0f) + 3.0f) + half);
        // Raw fragments, one time in three.
        if ((g_Random.Next() >> 8) % 3 == 1)
        {
            const int k = std::min(3, g_Random.RandomInt(int(m_fMass / 3000.0f + 2.0f)));
            for (int i = 0; i < k; ++i)
            {
                const float r = g_Random.Random(1.0f) * 3.0f;
                const CVector d =
                    Normalize(CVector{g_Random.Random(4.0f) - 2.0f, g_Random.Random(4.0f) - 2.0f, 1.0f});
                ThrowThing("TT_RAW_FRAGMENT", 0, "TOV_RAW_FRAGMENT", std::uint32_t(r * r + 1.0f),
                           d * (g_Random.Random(5.0f) + 3.0f) + half);
            }
        }
    }
    XTRACE("Events");
    if (g_pAppEvent) g_pAppEvent->OnKill(m_pMech);
    if (m_pMech) m_pMech->OnKill();
    // The glider goes with the object list's next pack: its driver keeps no
    // pointer to it (the mechanoid and its record run on without a glider).
    if (!IsPlayer())
    {
        if (m_pMechanoid && m_pMechanoid->m_lpObject == this) m_pMechanoid->m_lpObject = nullptr;
        if (m_pMech && m_pMech->m_pObject == this) m_pMech->m_pObject = nullptr;
    }
}

CTheThing* CGliderObject::ThrowThing(const char* type, std::uint32_t kind, const char* name,
                                     std::uint32_t count, const CVector& velocity)
{
    CMatrix m(1.0f);
    m.SetTranslation(GetPosition());
    auto* thing = new CTheThing;
    thing->Init(&m, type, nullptr);
    thing->AddContent(kind, name, count);
    if (m_bRemote)
    {
        thing->m_bNetwork = 1;
        thing->m_bLocal = 1;
    }
    g_ObjectList.AddObject(thing);
    auto* carrier = new CSplinterObject;
    carrier->Init(m, STypeKey(-1), CSplinterObject::kTrailCarry, thing);
    carrier->m_pOwner = this;
    carrier->m_vVelocity = velocity;
    g_ObjectList.AddObject(carrier);
    return thing;
}

namespace
{
// A direction of the ejection's throws.
CVector EjectDirection()
{
    return Normalize(CVector{2.0f - 0.4f * float(g_Random.RandomInt(10)),
                             2.0f - 0.4f * float(g_Random.RandomInt(10)), 1.0f});
}
} // namespace

void CGliderObject::ThrowOutGoods(bool destroyed)
{
    XTRACE("CGliderObject::ThrowOutGoods");
    if (!m_pMechanoid) return;
    CMechanoid& m = *m_pMechanoid;
    if (!m_bRemote) PlaySound("SND_G_HOLD_EJECT", GetPosition());
    const CVector inherited = m_vVelocity * 0.75f;
    if (destroyed && m.m_nMissileCount > 0 && (g_Random.Next() >> 8) % 10 < 4)
    {
        XTRACE("Ammo");
        // A container of missiles from the stock: entries drawn from the
        // stored ones.
        SThingContent contents[CTheThing::kMaxContents];
        int n = 0;
        int c = 0;
        do
        {
            c = int((g_Random.Next() >> 8) % 10) + 2;
            const std::uint32_t entry = std::uint32_t(g_Random.RandomInt(int(m.m_nMissileCount)));
            const std::int32_t type = m.m_Missiles[entry].m_Type.Index();
            const char* missile = type >= 0 ? g_MissileManager.GetName(type) : nullptr;
            if (missile && n < CTheThing::kMaxContents)
            {
                contents[n] = SThingContent{1, {}, std::uint32_t(c)};
                std::snprintf(contents[n].name, sizeof contents[n].name, "%s", missile);
                ++n;
            }
        } while (c > 9);
        if (n > 0)
        {
            CTheThing* box = ThrowThing(
                "TT_CONTAINER", contents[0].kind, contents[0].name, contents[0].amount,
                EjectDirection() * (50.0f * (0.5f + 0.1f * float(g_Random.RandomInt(10)))) + inherited);
            for (int i = 1; i < n; ++i)
                box->AddContent(contents[i].kind, contents[i].name, contents[i].amount);
        }
    }
    XTRACE("Goods");
    const bool reactorGone = m.m_Reactor.m_bDestroyed || m.m_Reactor2.m_bDestroyed;
    const bool engineGone = m.m_Engine.m_bDestroyed || m.m_Engine2.m_bDestroyed;
    for (std::size_t e = 0; e < m.m_Garbage.m_Items.size(); ++e)
    {
        const SItemRec item = m.m_Garbage.m_Items[e];
        const int p = item.m_nKind == 4                        ? 0
                      : item.m_nKind == 1 || item.m_nKind == 2 ? 100
                      : reactorGone                            ? 5
                      : engineGone                             ? 15
                                                               : 30;
        int portion = 1;
        if (item.m_nKind == 0)
        {
            const SGoodsParameters* goods = g_GoodsManager.FindGoods(item.m_szName);
            const float unit = goods && goods->m_fMass > 1.0f ? goods->m_fMass : 1.0f;
            portion = int(499.0f / unit + 1.0f);
        }
        int left = item.m_nCount;
        do
        {
            const int count = std::min(portion, left);
            left -= count;
            if (int((g_Random.Next() >> 8) % 100) >= p) continue;
            CTheThing* thing = ThrowThing(
                item.m_nKind == 2 ? "TT_MECHANOID" : "TT_CONTAINER", std::uint32_t(item.m_nKind),
                item.m_szName, std::uint32_t(std::max(count, 1)),
                EjectDirection() * (50.0f * (0.75f + 0.1f * float(g_Random.RandomInt(20)))) + inherited);
            if (!destroyed)
            {
                // The player cannot take back at once what it dropped.
                if (IsPlayer()) g_pLastDroppedThing = thing;
                // A voluntary ejection throws one thing a call.
                SGoodsItem taken;
                std::snprintf(taken.m_szName, sizeof taken.m_szName, "%s", item.m_szName);
                taken.m_nCount = count;
                m.m_Garbage.RemoveGoods(taken, true);
                if (!m.IsKilled()) UpdateGliderConfig();
                return;
            }
        } while (left > 0);
    }
    if (!m.IsKilled()) UpdateGliderConfig();
}
