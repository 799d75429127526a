// Fitting a mechanoid from a configuration and adding one item to its
// fitting by the slot rules.
#include "units/Mechanoid.h"

#include "foundation/ErrorLog.h"
#include "units/EquipmentStock.h"
#include "units/GliderObject.h"
#include "units/KindManagers.h"

#include <algorithm>
#include <stdexcept>
#include <string>

void CMechanoid::InitConfig(std::int32_t index, bool setLevel, std::int32_t)
{
    XTRACE("CMechanoid::InitConfig");
    try
    {
        if (index != -1)
        {
            const SMechanoidEquipment* config = g_MechConfigManager.GetConfig(index);
            if (!config) throw std::out_of_range("no configuration " + std::to_string(index));
            m_gEqp = *config;
            m_nConfigIndex = index;
        }
        if (setLevel || !m_bPlayer)
        {
            m_gEqp.m_nRating = m_nLevel;
            m_nConfigLevel = m_nLevel;
        }
        auto key = [this](int slot) { return STypeKey(m_gEqp.m_Config[slot].m_Key.Index()); };
        auto word = [this](int slot) { return m_gEqp.m_Config[slot].m_dwModif; };
        m_Reactor.Assign(key(CFG_REACTOR), word(CFG_REACTOR));
        m_Reactor2.Assign(key(CFG_REACTOR2), word(CFG_REACTOR2));
        m_Engine.Assign(key(CFG_ENGINE), word(CFG_ENGINE));
        m_Engine2.Assign(key(CFG_ENGINE2), word(CFG_ENGINE2));
        m_Shield.Assign(key(CFG_SHIELD), word(CFG_SHIELD));
        m_Armor.Assign(key(CFG_ARMOR), word(CFG_ARMOR));
        m_GliderData.Assign(key(CFG_GLIDER), word(CFG_GLIDER));
        m_fArmor = GetArmor(2);
        m_fShield = GetShield(2);
        m_fEnergy = GetEnergy(2);

        for (auto& item : m_AddEqp)
            item.reset();
        m_nAddCount = 0;
        const int items = std::clamp(m_gEqp.m_nEquipmentCount, 0, SMechanoidEquipment::kMaxEquipment);
        for (int i = 0; i < items; ++i)
            m_AddEqp[m_nAddCount++] = std::make_unique<CEquipment>(m_gEqp.m_Equipment[i]);

        // Missile type 0 is a type like any other; an empty entry is -1.
        m_nMissileCount = 0;
        const int missiles = std::clamp(std::min(m_gEqp.m_nMissileTypeCount, m_gEqp.m_nMissileCountCount), 0,
                                        SMechanoidEquipment::kMaxMissiles);
        for (int i = 0; i < missiles; ++i)
        {
            const STypeKey& type = m_gEqp.m_MissileTypes[i];
            // Param gives -1 the shared default record: an empty entry is tested first.
            if (m_gEqp.m_MissileCounts[i] <= 0 || type.Index() < 0 || !g_MissileManager.Param(type.Index()))
                continue;
            m_Missiles[m_nMissileCount++] = {STypeKey(type.Index()),
                                             std::uint32_t(m_gEqp.m_MissileCounts[i])};
        }
        for (SDeviceState& d : m_Devices)
            d = SDeviceState{};
        RepairAll();
    }
    catch (...)
    {
        g_ErrorLog.LogError("Error in %d configuration", index);
        g_ErrorLog.LogError("Error in %s configuration", m_gEqp.m_szName);
        throw;
    }
}

void CMechanoid::GiveBack(const char* building, const char* name, std::uint32_t modif, bool returnToStock)
{
    if (!returnToStock || !name || !building || !building[0]) return;
    if (IEquipmentStock* stock = g_pfnEquipmentStock ? g_pfnEquipmentStock() : nullptr)
        stock->OnSoldEqp(building, name, 1, modif);
}

namespace
{
float GunPrice(std::int32_t index, std::uint32_t modif)
{
    SGunParameters gun;
    g_GunManager.GetParam(&gun, index, modif, false);
    return gun.m_fPrice;
}

bool IsGun(std::int32_t index)
{
    return index >= 0 && index < g_GunManager.GetCount();
}

// The gun-mask bit of a mount (0 light, 1 heavy) for a gun of that class.
std::uint32_t MountBit(int mount, bool lightGun)
{
    return (lightGun ? 0x1u : 0x2u) << (mount == 0 ? 0 : 8);
}
} // namespace

float CMechanoid::FitEngineOrReactor(CEquipment& first, CEquipment& second, int firstSlot, int secondSlot,
                                     std::int32_t index, std::uint32_t modif, const char* building,
                                     bool returnToStock)
{
    const SGliderParameters* glider = GetConfigGlider();
    const bool roomForSecond = glider && glider->m_nStandard >= 3;
    auto fit = [&](CEquipment& slot, int key)
    {
        slot.Assign(STypeKey(index), modif);
        m_gEqp.m_Config[key] = {STypeKey(index), modif};
    };
    if (!first.HasRecord())
    {
        fit(first, firstSlot);
        return 0.0f;
    }
    if (second.HasRecord() || !roomForSecond)
    {
        if (first.GetIndex() == index && first.m_dwModif == modif) return -1.0f;
        const float price = first.GetPrice();
        GiveBack(building, g_EquipmentManager.GetName(first.GetIndex()), first.m_dwModif, returnToStock);
        fit(first, firstSlot);
        return price;
    }
    fit(second, secondSlot);
    return 0.0f;
}

float CMechanoid::FitGlider(std::int32_t index, std::uint32_t modif, const char* building, bool returnToStock)
{
    const SGliderParameters* type = g_GliderManager.GetGlider(index);
    float result = 0.0f;
    const std::int32_t old = m_gEqp.m_Config[CFG_GLIDER].m_Key.Index();
    if (const SGliderParameters* previous = g_GliderManager.GetGlider(old))
    {
        result = previous->m_fPrice;
        GiveBack(building, g_GliderManager.GetName(old), m_gEqp.m_Config[CFG_GLIDER].m_dwModif,
                 returnToStock);
    }
    // Guns the new hull cannot mount come off.
    for (int mount = 0; mount < 2; ++mount)
    {
        SMechConfig& gun = m_gEqp.m_Config[CFG_LIGHTGUN + mount];
        const std::int32_t g = gun.m_Key.Index();
        if (!IsGun(g)) continue;
        if (std::uint32_t(type->m_nGunMask) & MountBit(mount, g_GunManager.GetGun(g)->m_nType == 0)) continue;
        result += GunPrice(g, gun.m_dwModif);
        GiveBack(building, g_GunManager.GetName(g), gun.m_dwModif, returnToStock);
        gun = SMechConfig{};
        if (m_lpObject) m_lpObject->m_Guns[mount].Assign(STypeKey(-1), 0);
    }
    // A small hull has no room for a second engine or reactor.
    if (type->m_nStandard < 3)
    {
        for (auto [item, slot] :
             {std::pair{&m_Reactor2, int(CFG_REACTOR2)}, std::pair{&m_Engine2, int(CFG_ENGINE2)}})
        {
            if (!item->HasRecord()) continue;
            result += item->GetPrice();
            GiveBack(building, g_EquipmentManager.GetName(item->GetIndex()), item->m_dwModif, returnToStock);
            item->Assign(STypeKey(-1), 0);
            m_gEqp.m_Config[slot] = SMechConfig{};
        }
    }
    m_GliderData.Assign(STypeKey(index), modif);
    m_gEqp.m_Config[CFG_GLIDER] = {STypeKey(index), modif};
    Repair();
    return result;
}

float CMechanoid::FitGun(std::int32_t index, std::uint32_t modif, const char* building, bool returnToStock)
{
    const SGliderParameters* glider = GetConfigGlider();
    const std::uint32_t mask = glider ? std::uint32_t(glider->m_nGunMask) : 0u;
    const bool light = g_GunManager.GetGun(index)->m_nType == 0;
    const bool lightAccepts = mask & MountBit(0, light);
    const bool heavyAccepts = mask & MountBit(1, light);
    const bool lightTaken = m_gEqp.m_Config[CFG_LIGHTGUN].m_Key.Index() != -1;
    int mount;
    if (lightAccepts && (!lightTaken || !heavyAccepts))
        mount = 0;
    else if (heavyAccepts)
        mount = 1;
    else
        return -1.0f;
    SMechConfig& key = m_gEqp.m_Config[CFG_LIGHTGUN + mount];
    if (!returnToStock)
    {
        key = {STypeKey(index), modif};
        return 0.0f;
    }
    float price = 0.0f;
    if (IsGun(key.m_Key.Index()))
    {
        price = GunPrice(key.m_Key.Index(), key.m_dwModif);
        GiveBack(building, g_GunManager.GetName(key.m_Key.Index()), key.m_dwModif, returnToStock);
    }
    key = {STypeKey(index), modif};
    // Without a glider object the configuration alone carries the gun.
    if (m_lpObject)
    {
        m_lpObject->m_Guns[mount].Assign(STypeKey(index), modif);
        UpdateEquipment();
    }
    return price;
}

float CMechanoid::AddToConfig(const char* item, const char* building, std::int32_t count, std::uint32_t modif,
                              bool returnToStock)
{
    XTRACE("CMechanoid::AddToConfig");
    if (!item) return -1.0f;
    if (const std::int32_t glider = g_GliderManager.FindName(item); glider != -1)
        return FitGlider(glider, modif, building, returnToStock);
    if (const std::int32_t gun = g_GunManager.FindName(item); gun != -1)
        return FitGun(gun, modif, building, returnToStock);
    if (const std::int32_t eqp = g_EquipmentManager.FindName(item); eqp != -1)
    {
        const SEquipmentParameters* p = g_EquipmentManager.GetEquipment(eqp);
        switch (p->m_nType)
        {
        case EQK_ENGINE:
            return FitEngineOrReactor(m_Engine, m_Engine2, CFG_ENGINE, CFG_ENGINE2, eqp, modif, building,
                                      returnToStock);
        case EQK_REACTOR:
            return FitEngineOrReactor(m_Reactor, m_Reactor2, CFG_REACTOR, CFG_REACTOR2, eqp, modif, building,
                                      returnToStock);
        case EQK_ARMOR:
        case EQK_SHIELD:
        {
            const bool armour = p->m_nType == EQK_ARMOR;
            CEquipment& slot = armour ? m_Armor : m_Shield;
            float price = 0.0f;
            if (slot.HasRecord())
            {
                price = slot.GetPrice();
                GiveBack(building, g_EquipmentManager.GetName(slot.GetIndex()), slot.m_dwModif,
                         returnToStock);
            }
            slot.Assign(STypeKey(eqp), modif);
            m_gEqp.m_Config[armour ? CFG_ARMOR : CFG_SHIELD] = {STypeKey(eqp), modif};
            return price;
        }
        case EQK_DEVICE:
            for (int i = 0; i < m_nAddCount; ++i)
                if (m_AddEqp[i]->GetIndex() == eqp) return -1.0f;
            [[fallthrough]];
        default:
        {
            if (m_nAddCount >= kMaxAddEquipment) return -1.0f;
            auto added = std::make_unique<CEquipment>();
            added->Assign(STypeKey(eqp), modif);
            if (!added->HasRecord()) return -1.0f;
            m_AddEqp[m_nAddCount++] = std::move(added);
            return 0.0f;
        }
        }
    }
    if (const std::int32_t missile = g_MissileManager.FindName(item); missile != -1)
    {
        if (count < 0) return -1.0f;
        for (std::uint32_t i = 0; i < m_nMissileCount; ++i)
            if (m_Missiles[i].m_Type.Index() == missile)
            {
                m_Missiles[i].m_nCount += std::uint32_t(count);
                return 0.0f;
            }
        // The stock has room for 15 kinds.
        if (m_nMissileCount >= std::uint32_t(kMaxMissiles)) return -1.0f;
        m_Missiles[m_nMissileCount++] = {STypeKey(missile), std::uint32_t(count)};
        return 0.0f;
    }
    return -1.0f;
}
