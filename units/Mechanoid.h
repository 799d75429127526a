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
// The record, its older versions and the network record are in
// Mechanoid_Stream.cpp; fitting from configurations and adding items in
// Mechanoid_Config.cpp. CheckHeads reaches the world's mech records through
// g_pMechRegistry (MechRegistry.h), and a displaced item goes back to the
// building's stock through g_pfnEquipmentStock (EquipmentStock.h).
//
// Mechanoid record (version 260; little-endian):
//     u32       version; a first word below 256 is the additional count of
//               the oldest layout, which has no version word
//     u32 n     additional count, at most 35
//     n x 41    additional items (CEquipment records)
//     f32 rating points, u32 saved word, u8 out of action, u8 halted,
//     f32 shield, f32 armour, f32 energy, u8 player, i32 configuration
//     index (below 256: one more u32, skipped)
//     ...       the configuration record (SMechanoidEquipment), keys named
//     6 x 41    reactor, second reactor, engine, second engine, shield,
//               armour (from 256; older records re-fit them from the keys)
//     40        the glider record (from 256)
//     u32 m     missile stock count, at most 15
//     m x 36    missile type name char[32] (an index in the first word
//               before 259), count u32; before 260 a repeated name is
//               dropped, the first count kept
//     f32 money, u32 k, k x 48 cargo entries
//     28 x 12   device states (from 258): index u32, on u8, 3 unused, timer
// A record that is cut short or has a count above its limit throws
// CStreamError naming the field and offset, and the mechanoid is left as
// it was.
//
// Network record: name char[32], the configuration's 1736-byte image with
// named keys, u32 m and m x 36 missile stock, the six slot items and the
// glider record (named, as in the 260 record), f32 rating points, u8 out of
// action, u8 halted, f32 shield, armour, energy.
#pragma once

#include "units/Equipment.h"
#include "units/Garbage.h"
#include "units/MechanoidEquipment.h"

#include <cstdint>
#include <memory>

class CGliderObject;
class CMemStream;
class CStreamReader;

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

    // Stream (Mechanoid_Stream.cpp).
    void SaveToStream(CMemStream& stream);
    void LoadFromStream(CStreamReader& in);
    void LoadFromStream(CMemStream& stream);
    // Configuration keys and (from version 259) the missile stock between
    // row indices (false) and row names (true); a name no row has becomes
    // -1, an index outside its table "_DEFAULT_".
    void ConvertIds(bool toNames);
    // Appends the network record at *position of a buffer of size bytes
    // (CStreamError when it does not fit, nothing written).
    void PutNetBuffer(std::uint8_t* buffer, std::uint32_t size, std::uint32_t* position);
    // Reads a network record at *position; a damaged one throws
    // CStreamError and leaves the mechanoid and the position as they were.
    void GetNetBuffer(const std::uint8_t* buffer, std::uint32_t size, std::uint32_t* position);

    // Configurations (Mechanoid_Config.cpp).
    // Fits the mechanoid from configuration index, or with -1 from m_gEqp
    // as it stands; the third argument is not used.
    void InitConfig(std::int32_t index, bool setLevel, std::int32_t unused = 0);
    // Fits one more item (glider, gun, equipment or missiles by its name);
    // -1.0 when refused, else the price of what it displaced. A displaced
    // item goes back to the building's stock when asked.
    float AddToConfig(const char* item, const char* building, std::int32_t count, std::uint32_t modif,
                      bool returnToStock);

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

    // First, side by side, the fields a war power reads besides the device
    // states and the configuration keys: the society judges hundreds of
    // groups a frame by them, and those no longer stay in the caches from
    // one frame to the next, so each line less is a miss less per member.
    CGliderObject* m_lpObject = nullptr;
    float m_fShield = 0.0f;
    float m_fArmor = 0.0f;
    std::uint32_t m_nMissileCount = 0;
    std::int32_t m_nAddCount = 0;
    CGarbage m_Garbage;

private:
    // The slot items' values and the hull's record, kept by the items
    // (CEquipment::KeepSummary, CGliderData::KeepParams).
    enum ESlot
    {
        SLOT_REACTOR,
        SLOT_ENGINE,
        SLOT_REACTOR2,
        SLOT_ENGINE2,
        SLOT_SHIELD,
        SLOT_ARMOR,
        SLOT_COUNT
    };
    const SGliderParameters* m_pHull = nullptr;
    CEquipment::SSummary m_Slots[SLOT_COUNT];

public:
    SDeviceState m_Devices[EQP_COUNT];
    char m_szName[32] = {};
    std::uint8_t m_bPlayer = 0;
    float m_fRating = 0.05f;
    std::int32_t m_nLevel = 1;
    std::int32_t m_nConfigLevel = 0;
    std::uint32_t m_dwSavedWord = 0;
    std::uint8_t m_bOutOfAction = 0;
    std::uint8_t m_bHalted = 0;
    CEquipment m_Reactor;
    CEquipment m_Engine;
    CEquipment m_Reactor2;
    CEquipment m_Engine2;
    CEquipment m_Shield;
    CEquipment m_Armor;
    CGliderData m_GliderData;
    float m_fEnergy = 0.0f;
    float m_fDamageFactor = 1.0f;
    float m_fWaitingAmmo[2] = {};
    float m_fSpare = 0.0f;
    std::unique_ptr<CEquipment> m_AddEqp[kMaxAddEquipment];
    SMissileStock m_Missiles[kMaxMissiles];
    SMechanoidEquipment m_gEqp;
    std::int32_t m_nConfigIndex = -1;
    std::uint32_t m_dwVersion = kStreamVersion;

private:
    struct SRecord;
    static void ReadRecord(CStreamReader& in, SRecord& r);
    void ApplyRecord(SRecord& r);
    static void GiveBack(const char* building, const char* name, std::uint32_t modif, bool returnToStock);
    float FitEngineOrReactor(CEquipment& first, CEquipment& second, int firstSlot, int secondSlot,
                             std::int32_t index, std::uint32_t modif, const char* building,
                             bool returnToStock);
    float FitGlider(std::int32_t index, std::uint32_t modif, const char* building, bool returnToStock);
    float FitGun(std::int32_t index, std::uint32_t modif, const char* building, bool returnToStock);
    void ClearAllDamage();
    void FillPools();
    CEquipment* GetDeviceItem(EDevice d) const;
};

// Level 0..10 of rating points and the fraction towards the next level.
void RatingToLevel(float points, std::int32_t* level, float* fraction);
