// CMechanoid: one machine unit of the world: its fitted equipment (two
// reactors, two engines, a shield, an armour item, the glider record and up
// to 35 additional items, among them the special devices), its shield,
// armour and energy pools, its missile stock, its cargo hold and the
// configuration record it was fitted from.
//
// Pools are queried with a mode: 0 the fraction of the maximum (at most
// 1.0), 1 the current value, 2 the maximum. The special devices act through
// 28 device states rebuilt by UpdateEquipment from the additional items;
// Run is one step of the equipment simulation (Mechanoid_Run.cpp).
//
// Ownership: the mechanoid owns its items; the world's mech record owns
// the mechanoid; m_lpObject, the glider object that carries it, is not
// owned. The damage split draws from g_Random. Threads: the main thread.
//
// Not here yet: the stream, fitting from configurations and the network
// record. CheckHeads reaches the world's mech records through
// g_pMechRegistry (MechRegistry.h).
#pragma once

#include "units/Equipment.h"
#include "units/Garbage.h"
#include "units/MechanoidEquipment.h"

#include <cstdint>
#include <memory>

class CGliderObject;

// The special devices, in the order of their states.
enum EDevice
{
    EQP_REPAIR_BOT,
    EQP_CHAOS_GEN,
    EQP_NIGHTVISION,
    EQP_EXTRA_ARMOR,
    EQP_STRAFE_JUMPER,
    EQP_SHIELD_MULTIPLIER,
    EQP_PUSHER,
    EQP_ACCUMULATOR,
    EQP_REGENERATOR,
    EQP_REPAIR_SYSTEM,
    EQP_ANTIMATTER_SYNTH,
    EQP_ACCELERATOR,
    EQP_ANTIROCKET_SYSTEM,
    EQP_BOOSTER,
    EQP_BRAKE_BOOSTER,
    EQP_CONTROL_BUSTER,
    EQP_CRYOGENERATOR,
    EQP_DISPERSE_SHIELD,
    EQP_ELM_STABILIZER,
    EQP_ENERGY_RECYCLER,
    EQP_FUEL_EXPANDER,
    EQP_HI_POWER_ANTIGRAV,
    EQP_INVISIBILITY_SHIELD,
    EQP_JUMP_CONCENTRATOR,
    EQP_MOBILIZER,
    EQP_RADIATION_SHIELD,
    EQP_STASIS_GENERATOR,
    EQP_ZERO_THICKENER,
    EQP_COUNT
};

// The equipment-type name of each device ("EQP_HI-POWER_ANTIGRAV" with its
// hyphen).
extern const char* const g_DeviceNames[EQP_COUNT];

struct SDeviceState
{
    std::uint32_t m_nIndex = 0; // 1-based into the additional items, 0 not fitted
    std::uint8_t m_bOn = 0;
    float m_fTimer = 0.0f;
};

struct SMissileStock
{
    STypeKey m_Type;
    std::uint32_t m_nCount = 0;
};

class CMechanoid
{
public:
    static constexpr int kMaxAddEquipment = 35;
    static constexpr int kMaxMissiles = 15;
    static constexpr std::uint32_t kStreamVersion = 260;

    CMechanoid();
    virtual ~CMechanoid();
    CMechanoid(const CMechanoid&) = delete;
    CMechanoid& operator=(const CMechanoid&) = delete;

    // Pools (mode 0 fraction, 1 current, 2 maximum).
    float GetShield(int mode) const;
    float GetArmor(int mode) const;
    // Clamps the current energy to the store first (twice the maximum while
    // the accumulator is on); mode 2 is the maximum without the doubling.
    float GetEnergy(int mode);
    // 100 / (100 - armour value 1), value 1 at most 99; 1.0 without armour.
    float GetArmorFactor() const;

    bool IsKilled() const;
    bool IsDamaged() const;
    bool IsBadlyDamaged() const;

    // Mends every slot and fills the pools; the glider object's result.
    int Repair();
    // Repair, back in action, the glider's part flags cleared, level anew.
    void RepairAll();

    // A hit: shield first, then armour, then the hull or an item. Both out
    // parts are always written.
    void Damage(float amount, bool ignoreShieldLimit, float* armorPart, float* shieldPart);

    float GetNettoWeight() const;
    float GetGoodsWeight() const;
    float GetSumWeight() const;
    float GetMaxWeight() const;
    float GetCapacity() const;
    float GetMaxGoodsWeight() const;

    // The sum of the prices (true) or of their square roots (false).
    float GetPrice(bool price) const;
    // Never below 1.0.
    float GetWarPower();
    // Hands the captured mechanoids of the hold in at the building; the
    // player's bounty in money (0 for anyone else).
    float CheckHeads(const char* building, bool all);

    // Additional items: appends an item of the key and word (false when
    // full). The fitting changed: call UpdateEquipment.
    bool AddEquipment(const STypeKey& key, std::uint32_t word);
    // Removes additional item i (the later ones move up); false outside the
    // list. The fitting changed: call UpdateEquipment.
    bool RemoveAddEquipment(int i);
    CEquipment* GetAddEquipment(int i) const
    {
        return i >= 0 && i < m_nAddCount ? m_AddEqp[i].get() : nullptr;
    }

    // Simulation (Mechanoid_Run.cpp).
    void UpdateEquipment();
    void Run(float dt);
    float GetPowerConsumed(int mode) const;
    void JamMissiles();

    // Device helpers.
    bool IsFitted(EDevice d) const { return m_Devices[d].m_nIndex != 0; }
    bool IsOn(EDevice d) const { return m_Devices[d].m_nIndex != 0 && m_Devices[d].m_bOn; }
    // Switches a fitted device and its item's switched-on flag.
    void SetDeviceOn(EDevice d, bool on);

    float GetMaxShield() const;
    float GetMaxArmor() const;
    float GetMaxEnergy() const;
    // The glider type that the configuration record names.
    const SGliderParameters* GetConfigGlider() const;

    char m_szName[32] = {};
    std::uint8_t m_bPlayer = 0;
    float m_fRating = 0.05f;
    std::int32_t m_nLevel = 1;
    std::int32_t m_nConfigLevel = 0;
    std::uint32_t m_dwSavedWord = 0;
    std::uint8_t m_bOutOfAction = 0;
    std::uint8_t m_bHalted = 0;
    CGarbage m_Garbage;
    CGliderObject* m_lpObject = nullptr;
    CEquipment m_Reactor;
    CEquipment m_Engine;
    CEquipment m_Reactor2;
    CEquipment m_Engine2;
    CEquipment m_Shield;
    CEquipment m_Armor;
    SDeviceState m_Devices[EQP_COUNT];
    CGliderData m_GliderData;
    float m_fShield = 0.0f;
    float m_fArmor = 0.0f;
    float m_fEnergy = 0.0f;
    float m_fDamageFactor = 1.0f;
    float m_fWaitingAmmo[2] = {};
    float m_fSpare = 0.0f;
    std::unique_ptr<CEquipment> m_AddEqp[kMaxAddEquipment];
    std::int32_t m_nAddCount = 0;
    SMissileStock m_Missiles[kMaxMissiles];
    std::uint32_t m_nMissileCount = 0;
    SMechanoidEquipment m_gEqp;
    std::int32_t m_nConfigIndex = -1;
    std::uint32_t m_dwVersion = kStreamVersion;

private:
    void ClearAllDamage();
    void FillPools();
    CEquipment* GetDeviceItem(EDevice d) const;
};

// Level 0..10 of rating points and the fraction towards the next level.
void RatingToLevel(float points, std::int32_t* level, float* fraction);
