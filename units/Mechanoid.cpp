#include "units/Mechanoid.h"

#include "foundation/ErrorLog.h"
#include "foundation/Name32.h"
#include "foundation/Random.h"
#include "units/GliderObject.h"
#include "units/GunManager.h"
#include "units/HitIndicators.h"
#include "units/MechRegistry.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

const char* const g_DeviceNames[EQP_COUNT] = {
    "EQP_REPAIR_BOT",
    "EQP_CHAOS_GEN",
    "EQP_NIGHTVISION",
    "EQP_EXTRA_ARMOR",
    "EQP_STRAFE_JUMPER",
    "EQP_SHIELD_MULTIPLIER",
    "EQP_PUSHER",
    "EQP_ACCUMULATOR",
    "EQP_REGENERATOR",
    "EQP_REPAIR_SYSTEM",
    "EQP_ANTIMATTER_SYNTH",
    "EQP_ACCELERATOR",
    "EQP_ANTIROCKET_SYSTEM",
    "EQP_BOOSTER",
    "EQP_BRAKE_BOOSTER",
    "EQP_CONTROL_BUSTER",
    "EQP_CRYOGENERATOR",
    "EQP_DISPERSE_SHIELD",
    "EQP_ELM_STABILIZER",
    "EQP_ENERGY_RECYCLER",
    "EQP_FUEL_EXPANDER",
    "EQP_HI-POWER_ANTIGRAV",
    "EQP_INVISIBILITY_SHIELD",
    "EQP_JUMP_CONCENTRATOR",
    "EQP_MOBILIZER",
    "EQP_RADIATION_SHIELD",
    "EQP_STASIS_GENERATOR",
    "EQP_ZERO_THICKENER",
};

void RatingToLevel(float points, std::int32_t* level, float* fraction)
{
    static const float kThresholds[11] = {0,     50,    200,    500,     1500,    5000,
                                          15000, 50000, 200000, 1000000, 10000000};
    *level = 0;
    *fraction = 0.0f;
    if (!(points > 0.0f)) return;
    for (int i = 1; i <= 10; ++i)
    {
        if (points < kThresholds[i])
        {
            *level = i;
            *fraction =
                std::min(0.99f, (points - kThresholds[i - 1]) / (kThresholds[i] - kThresholds[i - 1]));
            return;
        }
    }
    *level = 10;
    *fraction = 1.0f;
}

CMechanoid::CMechanoid()
{
    // The shield regenerates and draws power only while switched on.
    m_Shield.m_bFlag = 1;
    m_Reactor.KeepSummary(&m_Slots[SLOT_REACTOR]);
    m_Engine.KeepSummary(&m_Slots[SLOT_ENGINE]);
    m_Reactor2.KeepSummary(&m_Slots[SLOT_REACTOR2]);
    m_Engine2.KeepSummary(&m_Slots[SLOT_ENGINE2]);
    m_Shield.KeepSummary(&m_Slots[SLOT_SHIELD]);
    m_Armor.KeepSummary(&m_Slots[SLOT_ARMOR]);
    m_GliderData.KeepParams(&m_pHull);
}

CMechanoid::~CMechanoid()
{
    for (auto& item : m_AddEqp)
        item.reset();
}

// --- pools -------------------------------------------------------------------

// The pools, weights and prices read the slot items and the hull through
// the mechanoid's own block (m_Slots, m_pHull), which the items keep equal
// to their own values.
float CMechanoid::GetMaxShield() const
{
    const CEquipment::SSummary& shield = m_Slots[SLOT_SHIELD];
    if (!shield.record) return 0.0f;
    return shield.value1 * (IsOn(EQP_SHIELD_MULTIPLIER) ? 1.25f : 1.0f);
}

float CMechanoid::GetMaxArmor() const
{
    const SGliderParameters* glider = m_pHull;
    if (!glider) return 1.0f;
    return glider->m_fDamage * (IsFitted(EQP_EXTRA_ARMOR) ? 1.2f : 1.0f);
}

float CMechanoid::GetMaxEnergy() const
{
    float e = 1.0f;
    for (int slot : {SLOT_REACTOR, SLOT_REACTOR2})
        if (m_Slots[slot].record) e += 30.0f * m_Slots[slot].value1;
    return e * (IsOn(EQP_MOBILIZER) ? 1.25f : 1.0f);
}

namespace
{
float PoolQuery(int mode, float current, float maximum)
{
    switch (mode)
    {
    case 1:
        return current;
    case 2:
        return maximum;
    default:
    {
        // An empty maximum counts as full rather than dividing by zero.
        if (maximum <= 0.0f) return 1.0f;
        const float ratio = current / maximum;
        return ratio >= 1.0f ? 1.0f : ratio;
    }
    }
}
} // namespace

float CMechanoid::GetShield(int mode) const
{
    if (!m_Slots[SLOT_SHIELD].record) return 0.0f;
    return PoolQuery(mode, m_fShield, GetMaxShield());
}

float CMechanoid::GetArmor(int mode) const
{
    if (!m_pHull) return 1.0f;
    return PoolQuery(mode, m_fArmor, GetMaxArmor());
}

float CMechanoid::GetEnergy(int mode)
{
    const float maximum = GetMaxEnergy();
    const float store = maximum * (IsOn(EQP_ACCUMULATOR) ? 2.0f : 1.0f);
    if (m_fEnergy > store) m_fEnergy = store;
    switch (mode)
    {
    case 1:
        return m_fEnergy;
    case 2:
        return maximum;
    default:
        return m_fEnergy / store;
    }
}

float CMechanoid::GetArmorFactor() const
{
    const CEquipment::SSummary& armour = m_Slots[SLOT_ARMOR];
    if (!armour.record) return 1.0f;
    const float v = std::min(armour.value1, 99.0f);
    return 100.0f / (100.0f - v);
}

// --- state -------------------------------------------------------------------

bool CMechanoid::IsKilled() const
{
    return m_Reactor.m_bDestroyed || m_Engine.m_bDestroyed || m_Reactor2.m_bDestroyed ||
           m_Engine2.m_bDestroyed || m_GliderData.m_bDestroyed;
}

bool CMechanoid::IsDamaged() const
{
    const CMMEqp* items[] = {&m_Armor,   &m_Reactor, &m_Reactor2,  &m_Engine,
                             &m_Engine2, &m_Shield,  &m_GliderData};
    for (const CMMEqp* item : items)
        if (item->WasDamaged()) return true;
    return false;
}

bool CMechanoid::IsBadlyDamaged() const
{
    auto bad = [](const CMMEqp& item) { return item.m_fDamage > 0.5f * item.GetDurability(); };
    if (bad(m_GliderData) || bad(m_Reactor) || bad(m_Engine)) return true;
    return (m_Reactor2.HasRecord() && bad(m_Reactor2)) || (m_Engine2.HasRecord() && bad(m_Engine2));
}

// --- repair ------------------------------------------------------------------

void CMechanoid::ClearAllDamage()
{
    CMMEqp* items[] = {&m_GliderData, &m_Reactor, &m_Reactor2, &m_Engine, &m_Engine2, &m_Shield, &m_Armor};
    for (CMMEqp* item : items)
        item->ClearDamage();
}

void CMechanoid::FillPools()
{
    m_fArmor = GetArmor(2);
    m_fShield = GetShield(2);
    m_fEnergy = GetEnergy(2);
}

int CMechanoid::Repair()
{
    XTRACE("CMechanoid::Repair");
    ClearAllDamage();
    FillPools();
    return m_lpObject ? m_lpObject->ResetBrokenParts() : 0;
}

void CMechanoid::RepairAll()
{
    XTRACE("CMechanoid::RepairAll");
    m_bOutOfAction = 0;
    if (m_lpObject)
    {
        m_lpObject->m_bDestroyed = 0;
        m_lpObject->m_bActive = 1;
        m_lpObject->m_dwBrokenParts = 0;
    }
    ClearAllDamage();
    FillPools();
    float fraction = 0.0f;
    RatingToLevel(m_fRating, &m_nLevel, &fraction);
}

// --- damage ------------------------------------------------------------------

void CMechanoid::Damage(float amount, bool ignoreShieldLimit, float* armorPart, float* shieldPart)
{
    XTRACE("CMechanoid::Damage");
    // The out parts are written in every case: callers test them.
    *armorPart = 0.0f;
    *shieldPart = 0.0f;
    if (IsOn(EQP_STASIS_GENERATOR)) return;
    amount *= m_fDamageFactor;

    if (m_Shield.HasRecord())
    {
        float part = ignoreShieldLimit ? amount : std::min(amount, m_Shield.GetValue2());
        part = std::max(0.0f, std::min(part, m_fShield));
        m_fShield -= part;
        amount -= part;
        *shieldPart = part;
        if (m_bPlayer) g_PlayerHitIndicators[HIT_SHIELD] += part;
    }
    if (amount < 0.1f) return;

    if (m_Armor.HasRecord())
    {
        amount *= (100.0f - m_Armor.GetValue1()) * 0.01f;
        if (IsOn(EQP_DISPERSE_SHIELD)) amount *= 0.8f;
        // Armour of value 100 or more stops the hit; a negative rest would
        // mend the hull.
        amount = std::max(0.0f, amount);
        *armorPart = amount;
    }

    // Above a quarter of the armour every hit lands on the hull; below it
    // the reactors, engines and additional items can be hit.
    const std::uint32_t range = GetArmor(0) <= 0.25f ? std::uint32_t(m_nAddCount) + 900u : 500u;
    bool hull = false;
    for (int attempt = 0; attempt < 5 && amount > 0.0f; ++attempt)
    {
        const std::uint32_t r = g_Random.Next() % range;
        if (r < 500)
        {
            hull = true;
            break;
        }
        CEquipment* item = nullptr;
        if (r < 600)
            item = &m_Reactor;
        else if (r < 700)
            item = &m_Engine;
        else if (r < 800)
            item = &m_Engine2;
        else if (r < 900)
            item = &m_Reactor2;
        else
            item = GetAddEquipment(int(r - 900));
        if (m_bPlayer) g_PlayerHitIndicators[HIT_EQUIPMENT] += amount;
        // An empty slot absorbs nothing.
        if (item && item->HasRecord()) item->Damage(&amount);
    }
    if (!hull) return;

    if (m_bPlayer) g_PlayerHitIndicators[HIT_HULL] += amount;
    if (!m_GliderData.HasRecord()) return;
    m_GliderData.Damage(&amount);
    m_fArmor = GetArmor(2) - m_GliderData.m_fDamage;
}

// --- weights -----------------------------------------------------------------

float CMechanoid::GetNettoWeight() const
{
    const CEquipment::SSummary* s = m_Slots;
    float w = s[SLOT_REACTOR].weight + s[SLOT_ENGINE].weight + s[SLOT_REACTOR2].weight + s[SLOT_ENGINE2].weight +
              s[SLOT_SHIELD].weight + s[SLOT_ARMOR].weight;
    // The light and the heavy gun; the launchers weigh nothing of their own.
    if (m_lpObject)
        for (int g = 0; g < 2; ++g)
        {
            const std::int32_t index = m_lpObject->m_Guns[g].m_Key.Index();
            if (index >= 0 && index < g_GunManager.GetCount()) w += g_GunManager.GetGun(index)->m_fWeight;
        }
    for (int i = 0; i < m_nAddCount; ++i)
        w += m_AddEqp[i]->GetWeight();
    return w;
}

float CMechanoid::GetGoodsWeight() const
{
    float w = 0.0f;
    for (const SItemRec& e : m_Garbage.m_Items)
    {
        const SGoodsParameters* goods = nullptr;
        if (e.m_nKind == ITEM_GOODS || e.m_nKind == ITEM_UNIQUE)
        {
            char name[33] = {};
            CopyName(name, e.m_szName);
            goods = g_GoodsManager.FindGoods(name);
        }
        else if (e.m_nKind == ITEM_MECHANOID)
        {
            goods = g_GoodsManager.FindGoods("TOV_MECHANOID");
        }
        if (goods) w += float(e.m_nCount) * goods->m_fMass;
    }
    for (std::uint32_t i = 0; i < m_nMissileCount; ++i)
        if (const SMissileParameters* m = g_MissileManager.Param(m_Missiles[i].m_Type.Index()))
            w += float(m_Missiles[i].m_nCount) * m->m_fWeight;
    return w;
}

const SGliderParameters* CMechanoid::GetConfigGlider() const
{
    return g_GliderManager.GetGlider(m_gEqp.m_Config[CFG_GLIDER].m_Key.Index());
}

float CMechanoid::GetSumWeight() const
{
    const SGliderParameters* g = GetConfigGlider();
    return (g ? g->m_fWeight : 0.0f) + GetNettoWeight() + GetGoodsWeight();
}

float CMechanoid::GetMaxWeight() const
{
    const SGliderParameters* g = GetConfigGlider();
    return (g ? g->m_fMaxWeight : 0.0f) * (IsOn(EQP_HI_POWER_ANTIGRAV) ? 1.25f : 1.0f);
}

float CMechanoid::GetCapacity() const
{
    const SGliderParameters* g = GetConfigGlider();
    return (g ? g->m_fMaxWeight - g->m_fWeight : 0.0f) * (IsOn(EQP_HI_POWER_ANTIGRAV) ? 1.25f : 1.0f);
}

float CMechanoid::GetMaxGoodsWeight() const
{
    return GetCapacity() - GetNettoWeight();
}

// --- value -------------------------------------------------------------------

// GetPrice and GetWarPower keep no trace scope: nothing in them throws, and
// the society's spying asks for every neighbour's war power on each pass.
float CMechanoid::GetPrice(bool price) const
{
    float sum = 0.0f;
    auto add = [&](float term) { sum += price ? term : std::sqrt(std::max(0.0f, term)); };
    const SGliderParameters* g = GetConfigGlider();
    add(g ? g->m_fPrice : 0.0f);
    for (int slot : {SLOT_ENGINE, SLOT_ENGINE2, SLOT_REACTOR, SLOT_REACTOR2, SLOT_ARMOR, SLOT_SHIELD})
        add(m_Slots[slot].price);
    for (int slot : {CFG_LIGHTGUN, CFG_HEAVYGUN})
    {
        const SMechConfig& c = m_gEqp.m_Config[slot];
        if (c.m_Key.Index() < 0 || c.m_Key.Index() >= g_GunManager.GetCount()) continue;
        SGunParameters gun;
        g_GunManager.GetParam(&gun, c.m_Key.Index(), c.m_dwModif, false);
        add(gun.m_fPrice);
    }
    for (int i = 0; i < m_nAddCount; ++i)
        add(m_AddEqp[i]->GetPrice());
    return sum;
}

float CMechanoid::GetWarPower()
{
    const float k = GetArmorFactor();
    const float d = std::sqrt(
        std::max(0.0f, 0.01f * (GetArmor(2) * k + GetShield(2)) + 0.9f * (GetArmor(1) * k + GetShield(1))));
    float guns = 0.0f;
    for (int slot : {CFG_LIGHTGUN, CFG_HEAVYGUN})
    {
        const std::int32_t index = m_gEqp.m_Config[slot].m_Key.Index();
        if (index >= 0 && index < g_GunManager.GetCount()) guns += g_GunManager.GetGun(index)->m_fPrice;
    }
    const float o = std::sqrt(std::max(0.0f, 0.1f * GetPrice(true) + guns));
    const float goods = GetGoodsWeight();
    // With nothing aboard the hold counts as empty whatever its room: the
    // room (the glider's guns, a device, the items' weights) is read only
    // when something is.
    float t = 0.0f;
    if (!(goods <= 0.0f))
    {
        const float room = GetMaxGoodsWeight();
        // No free weight at all counts as a full hold once anything is aboard.
        t = room > 0.0f ? goods / room : (goods > 0.0f ? 1.0f : 0.0f);
        t = std::clamp(t, 0.0f, 1.0f);
    }
    const float power = ((1.0f - t) * 0.3f + 0.7f) * o * d;
    return power >= 1.0f ? power : 1.0f;
}

float CMechanoid::CheckHeads(const char* building, bool all)
{
    XTRACE("CMechanoid::CheckHeads");
    CItemRecArray& items = m_Garbage.m_Items;
    float bounty = 0.0f;
    for (std::size_t i = 0; i < items.size();)
    {
        if (items[i].m_nKind != ITEM_MECHANOID)
        {
            ++i;
            continue;
        }
        char name[33] = {};
        CopyName(name, items[i].m_szName);
        // One entry per captured mechanoid.
        for (std::size_t j = items.size(); j-- > 0;)
        {
            if (j == i || !SameName(items[j].m_szName, name)) continue;
            items.RemoveAt(j);
            if (j < i) --i;
        }
        // A head the goods table lists stays in the hold.
        if (g_GoodsManager.FindName((std::string("TOV_") + name).c_str()) != -1)
        {
            ++i;
            continue;
        }
        SMechInfo mech;
        if (!g_pMechRegistry || !g_pMechRegistry->FindMech(name, &mech))
        {
            bounty += 10.0f;
            items.RemoveAt(i);
            continue;
        }
        if (m_bPlayer &&
            SameName(mech.m_szOrganization, g_pMechRegistry->GetPlayerOrganization()) &&
            (mech.m_nLevel != 0 || mech.m_nClass >= 5) && (!all || mech.m_nClass >= 5))
        {
            ++i; // one of the player's own
            continue;
        }
        g_pMechRegistry->OnMechBuilding(name, building);
        bounty += std::floor(float(mech.m_nLevel) * float(mech.m_nLevel) * 0.19f + 1.0f);
        items.RemoveAt(i);
    }
    if (!m_bPlayer || bounty <= 0.0f) return 0.0f;
    const int difficulty = g_pMechRegistry ? g_pMechRegistry->GetDifficulty() : 1;
    if (difficulty == 0) bounty *= 2.0f;
    if (difficulty == 2) bounty *= 0.75f;
    const float amount = bounty * 50.0f;
    m_Garbage.m_fMoney += amount;
    if (g_pMechRegistry) g_pMechRegistry->OnMoneySound(int(amount));
    return amount;
}

// --- fitting -----------------------------------------------------------------

bool CMechanoid::AddEquipment(const STypeKey& key, std::uint32_t word)
{
    if (m_nAddCount >= kMaxAddEquipment) return false;
    auto item = std::make_unique<CEquipment>();
    item->Assign(key, word);
    m_AddEqp[m_nAddCount++] = std::move(item);
    return true;
}

bool CMechanoid::RemoveAddEquipment(int i)
{
    if (i < 0 || i >= m_nAddCount) return false;
    for (int k = i + 1; k < m_nAddCount; ++k)
        m_AddEqp[k - 1] = std::move(m_AddEqp[k]);
    m_AddEqp[--m_nAddCount].reset();
    return true;
}
