// The mechanoid's equipment simulation: device states, the power budget of
// a step, regeneration, repairs, reactor output and engine draw.

#include "units/Mechanoid.h"

#include "foundation/ErrorLog.h"
#include "units/GliderObject.h"
#include "units/GunManager.h"
#include "units/HitIndicators.h"
#include "units/MissileObject.h"
#include "world/ObjectList.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace
{

bool IsSwitchable(int d)
{
    return d == EQP_STASIS_GENERATOR || d == EQP_BOOSTER || d == EQP_INVISIBILITY_SHIELD ||
           d == EQP_NIGHTVISION || d == EQP_PUSHER;
}

// x / (40 (1 + |x| 1e-10))^dt, and 0 below 0.1.
void Decay(float& x, float dt)
{
    if (x == 0.0f) return;
    x = x / std::pow(40.0f * (1.0f + std::fabs(x) * 1e-10f), dt);
    if (x < 0.1f) x = 0.0f;
}

// Takes amount off an item's damage; at 0 the item is no longer damaged.
// Returns the amount.
float Mend(CMMEqp& item, float amount)
{
    item.m_fDamage -= amount;
    if (item.m_fDamage < 0.0f)
    {
        item.m_fDamage = 0.0f;
        item.m_bDamaged = 0;
    }
    return amount;
}

} // namespace

CEquipment* CMechanoid::GetDeviceItem(EDevice d) const
{
    return GetAddEquipment(int(m_Devices[d].m_nIndex) - 1);
}

void CMechanoid::SetDeviceOn(EDevice d, bool on)
{
    if (!IsFitted(d)) return;
    m_Devices[d].m_bOn = on ? 1 : 0;
    if (CEquipment* item = GetDeviceItem(d)) item->m_bFlag = m_Devices[d].m_bOn;
}

void CMechanoid::UpdateEquipment()
{
    XTRACE("CMechanoid::UpdateEquipment");
    auto write = [this](int slot, const CMMEqp& item)
    {
        m_gEqp.m_Config[slot].m_Key = item.m_Key;
        m_gEqp.m_Config[slot].m_dwModif = item.m_dwModif;
    };
    write(CFG_REACTOR, m_Reactor);
    write(CFG_REACTOR2, m_Reactor2);
    write(CFG_ENGINE, m_Engine);
    write(CFG_ENGINE2, m_Engine2);
    write(CFG_SHIELD, m_Shield);
    write(CFG_ARMOR, m_Armor);
    write(CFG_GLIDER, m_GliderData);
    for (int g = 0; g < 2; ++g)
    {
        SMechConfig& c = m_gEqp.m_Config[CFG_LIGHTGUN + g];
        if (m_lpObject)
        {
            c.m_Key = m_lpObject->m_Guns[g].m_Key;
            c.m_dwModif = m_lpObject->m_Guns[g].m_dwModif;
        }
        else
        {
            c.m_Key.SetIndex(-1);
        }
    }

    for (SDeviceState& s : m_Devices)
        s = SDeviceState{};
    for (int i = 0; i < m_nAddCount; ++i)
    {
        CEquipment& item = *m_AddEqp[i];
        const char* name = g_EquipmentManager.GetName(item.GetIndex());
        if (!name) name = kDefaultTypeName;
        for (int d = 0; d < EQP_COUNT; ++d)
        {
            if (std::strcmp(name, g_DeviceNames[d]) != 0) continue;
            // A later item of the same device replaces an earlier one.
            SDeviceState& s = m_Devices[d];
            s.m_nIndex = std::uint32_t(i + 1);
            s.m_fTimer = 0.0f;
            s.m_bOn = IsSwitchable(d) ? 0 : 1;
            item.m_bFlag = s.m_bOn;
        }
    }
}

float CMechanoid::GetPowerConsumed(int mode) const
{
    float p = 0.0f;
    if (mode != 0)
    {
        p = (m_Engine.GetPower() + m_Engine2.GetPower()) * float(mode) * float(mode + 1) * 0.5f;
        if (m_bPlayer && IsOn(EQP_FUEL_EXPANDER)) p *= 0.8f;
    }
    p += m_Shield.GetPower();
    for (int i = 0; i < m_nAddCount; ++i)
        if (m_AddEqp[i]->m_bFlag) p += m_AddEqp[i]->GetPower();
    return p;
}

void CMechanoid::JamMissiles()
{
    XTRACE("CMechanoid::JamMissiles");
    if (!m_lpObject) return;
    SRadiusResult found;
    CObjectList::GetObjectsInRadius(&m_lpObject->GetPosition(), 30.0f, OBJ_MISSILE, &found);
    for (int i = 0; i < found.count; ++i)
    {
        auto* missile = dynamic_cast<CMissileObject*>(found.objects[i]);
        if (missile && missile->m_pTarget == m_lpObject) missile->m_bClimb = 1;
    }
}

void CMechanoid::Run(float dt)
{
    XTRACE("CMechanoid::Run");
    float used = 0.0f;
    float made = 0.0f;

    if (m_bPlayer)
    {
        for (float& x : g_PlayerHitRing)
            Decay(x, dt);
        for (float& x : g_PlayerHitIndicators)
            Decay(x, dt);
        m_bHalted = 0;
    }
    if (IsFitted(EQP_INVISIBILITY_SHIELD))
    {
        if (IsOn(EQP_INVISIBILITY_SHIELD) && GetEnergy(0) < 0.2f)
            m_Devices[EQP_INVISIBILITY_SHIELD].m_bOn = 0;
        if (CEquipment* item = GetDeviceItem(EQP_INVISIBILITY_SHIELD))
            item->m_bFlag = m_Devices[EQP_INVISIBILITY_SHIELD].m_bOn;
    }
    if (m_bOutOfAction || m_bHalted || !m_lpObject) return;

    const bool stasis = IsOn(EQP_STASIS_GENERATOR);
    float draw = 0.0f;
    if (!stasis)
        for (int i = 0; i < m_nAddCount; ++i)
            if (m_AddEqp[i]->m_bFlag) draw += m_AddEqp[i]->GetPower() * dt;
    // Devices that would take half the stored energy or more do nothing.
    const bool powered = 2.0f * draw < m_fEnergy;
    if (powered) used += draw;

    {
        XTRACE("Antirocket part");
        if (IsFitted(EQP_ANTIROCKET_SYSTEM))
        {
            SDeviceState& s = m_Devices[EQP_ANTIROCKET_SYSTEM];
            s.m_fTimer -= dt;
            bool fires = false;
            if (s.m_fTimer <= 0.0f)
            {
                fires = true;
                s.m_fTimer = 0.8f;
            }
            if (fires && powered) JamMissiles();
        }
        if (IsFitted(EQP_INVISIBILITY_SHIELD) && powered)
            m_lpObject->m_bShown = IsOn(EQP_INVISIBILITY_SHIELD) ? 0 : 1;
    }

    {
        XTRACE("Restore shield");
        if (m_Shield.HasRecord() && m_Shield.m_bFlag)
        {
            const float k = IsOn(EQP_SHIELD_MULTIPLIER) ? 1.25f : 1.0f;
            const float full = m_Shield.GetValue1() * k;
            if (m_fShield >= full)
            {
                used += m_Shield.GetPower() * k * dt * 0.2f;
            }
            else
            {
                m_fShield = std::min(full, m_fShield + m_Shield.GetValue3() * k * dt);
                used += m_Shield.GetPower() * k * dt;
            }
        }
    }

    if (IsOn(EQP_ANTIMATTER_SYNTH))
    {
        for (int g2 = 0; g2 < 2; ++g2)
        {
            CGun& gun = m_lpObject->m_Guns[g2];
            const std::int32_t index = gun.m_Key.Index();
            if (index < 0 || index >= g_GunManager.GetCount()) continue;
            const SGunParameters* g = g_GunManager.GetGun(index);
            if (!g->m_bTypeArms || gun.m_fAmmo >= g->m_fSpare) continue;
            gun.m_fAmmo = std::min(g->m_fSpare, gun.m_fAmmo + dt * g->m_fSpare * 0.001f);
        }
    }

    const bool regenerator = IsOn(EQP_CHAOS_GEN) && IsOn(EQP_REGENERATOR);
    const SGliderParameters* glider = m_GliderData.GetParams();
    if (glider)
    {
        if (m_GliderData.m_fDamage != 0.0f && glider->m_fRestore > 0.0f)
        {
            m_GliderData.m_fDamage = std::max(0.0f, m_GliderData.m_fDamage - (regenerator ? 3.0f : 1.0f) *
                                                                                 glider->m_fRestore * dt);
            m_fArmor = GetArmor(2) - m_GliderData.m_fDamage;
        }
        if (m_GliderData.m_fDamage == 0.0f) m_GliderData.m_bDamaged = 0;
    }

    if (IsOn(EQP_PUSHER) && powered)
    {
        SDeviceState& s = m_Devices[EQP_PUSHER];
        s.m_fTimer -= dt;
        if (s.m_fTimer <= 0.0f) SetDeviceOn(EQP_PUSHER, false);
    }

    {
        XTRACE("Chaos generator");
        if (IsOn(EQP_CHAOS_GEN) && powered && IsOn(EQP_REPAIR_SYSTEM))
        {
            float mended = 0.0f;
            if (m_GliderData.WasDamaged())
                mended += Mend(m_GliderData, dt * m_GliderData.GetDurability() * 0.0025f);
            // The shield item is not mended.
            for (CEquipment* item : {&m_Reactor, &m_Reactor2, &m_Engine, &m_Engine2, &m_Armor})
                if (item->WasDamaged()) mended += Mend(*item, dt * item->GetDurability() * 0.0025f);
            if (!stasis) used += mended * 30.0f;
        }
    }

    const float store = GetEnergy(2) * (IsOn(EQP_ACCUMULATOR) ? 2.0f : 1.0f);
    {
        XTRACE("Restore Armor");
        if (m_Armor.HasRecord() && 0.1f * store < m_fEnergy - used)
        {
            if (IsOn(EQP_DISPERSE_SHIELD)) m_fArmor += dt;
            const float maximum = GetArmor(2);
            if (m_fArmor < maximum)
            {
                m_fArmor =
                    std::min(maximum, m_fArmor + m_Armor.GetValue3() * dt * (regenerator ? 3.0f : 1.0f));
                if (glider) m_GliderData.m_fDamage = std::max(0.0f, maximum - m_fArmor);
                if (!stasis) used += m_Armor.GetPower() * dt;
            }
        }
    }

    {
        XTRACE("Calculate reactor power");
        if (m_Reactor.HasRecord())
        {
            float r = m_Reactor.GetValue1() * dt;
            if (m_Reactor2.HasRecord()) r += m_Reactor2.GetValue1() * dt;
            if (IsOn(EQP_MOBILIZER)) r *= 1.25f;
            if (m_bPlayer)
            {
                SDeviceState& booster = m_Devices[EQP_BOOSTER];
                if (IsOn(EQP_BOOSTER))
                {
                    booster.m_fTimer += dt;
                    // Ninety seconds of boost wear the reactors out.
                    if (booster.m_fTimer > 90.0f)
                    {
                        if (m_Reactor2.HasRecord())
                        {
                            float a = 2.5f * dt, b = 2.5f * dt;
                            m_Reactor.Damage(&a);
                            m_Reactor2.Damage(&b);
                        }
                        else
                        {
                            float a = 5.0f * dt;
                            m_Reactor.Damage(&a);
                        }
                    }
                    r *= 1.5f;
                }
                else if (booster.m_fTimer > dt)
                {
                    booster.m_fTimer -= 0.5f * dt;
                }
                const float cost = 0.0001f * r;
                if (m_Garbage.m_fMoney >= cost)
                    m_Garbage.m_fMoney -= cost;
                else
                    r *= 0.25f;
            }
            made += r;
        }
    }

    {
        XTRACE("Engine power consumption");
        float& throttle = m_lpObject->m_fThrottle;
        if (throttle != 0.0f && (m_Engine.HasRecord() || m_Engine2.HasRecord()))
        {
            if (!m_bPlayer)
            {
                const float s = m_fEnergy - used + made;
                if (s < 0.1f * store)
                    throttle *= 0.3f;
                else if (s < 0.2f * store)
                    throttle *= 0.5f;
                else if (s < 0.3f * store)
                    throttle *= 0.8f;
            }
            const float q = throttle * throttle + throttle;
            const float f = m_lpObject->m_fDrive <= 0.0f ? q * 0.75f : q * 0.5f;
            float e = 0.0f;
            if (m_Engine.HasRecord()) e += m_Engine.GetPower() * f * dt;
            if (m_Engine2.HasRecord()) e += m_Engine2.GetPower() * f * dt;
            if (IsOn(EQP_FUEL_EXPANDER)) e *= 0.8f;
            if (!stasis) used += e;
        }
    }

    m_fEnergy = std::clamp(m_fEnergy - used + made, 0.0f, store);
}
