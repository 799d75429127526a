// Equipment items: the abstract item CMMEqp (type key, modifier word,
// accumulated damage), the fitted equipment CEquipment and the glider hull
// record CGliderData.
//
// An item turns its key and word into an effective parameter record: the
// table's own record when the word is 0, else a private copy with the
// modifiers applied, owned by the item and freed on reassignment or
// destruction. Damage fills the item up to its durability and passes the
// rest on to the caller's next protective layer.
//
// Saved form of an equipment item (41 bytes, little-endian):
//     0  u8        flag byte (switched on)
//     1  char[32]  type name from the equipment table, "_DEFAULT_" for none
//    33  f32       accumulated damage
//    37  u32       modifier word
// The glider record is the same without the flag byte (40 bytes); its name
// comes from the glider table (older records named it through the
// equipment table and are still read). Records of version 256 and below hold the
// type index in the first four bytes of the name; the word is there from
// version 256 on.
//
// Threads: the main thread.
#pragma once

#include "units/EquipmentManager.h"
#include "units/KindManagers.h"
#include "units/UnitTypes.h"

#include <cstdint>
#include <memory>

class CMemStream;
class CStreamReader;

// One item record as read from a stream, before it is applied to an item.
struct SEqpImage
{
    std::uint8_t m_bFlag = 0;
    char m_szName[33] = {}; // the 32-byte field, always terminated
    float m_fDamage = 0.0f;
    std::uint32_t m_dwModif = 0;
};

class CMMEqp
{
public:
    static constexpr std::uint32_t kRecordSize = 40;

    CMMEqp() = default;
    virtual ~CMMEqp() = default;
    CMMEqp(const CMMEqp&) = delete;
    CMMEqp& operator=(const CMMEqp&) = delete;

    virtual void Assign(const STypeKey& key, std::uint32_t word) = 0;
    // Takes what fits below the durability; amount keeps the rest.
    virtual void Damage(float* amount);
    virtual bool WasDamaged() const { return HasRecord() && m_bDamaged; }
    virtual float GetDamageRatio() const { return m_fDamage / GetDurability(); }

    virtual bool HasRecord() const = 0;
    virtual float GetDurability() const = 0;

    // The 40-byte record; name through the item's own table.
    void SaveToStream(CMemStream& stream) const;
    // Reads the record of the given version and reassigns the item; a short
    // record throws CStreamError and leaves the item as it was.
    void LoadFromStream(CStreamReader& in, std::uint32_t version);
    // The record of the given version (with the flag byte ahead when asked)
    // read whole, or CStreamError with nothing taken.
    static SEqpImage ReadImage(CStreamReader& in, std::uint32_t version, bool withFlag);
    // Reassigns the item from a record read with that version.
    void Restore(const SEqpImage& image, std::uint32_t version);

    std::int32_t GetIndex() const { return m_Key.Index(); }
    // Clears damage, destroyed and damaged.
    void ClearDamage();

    // Set by the assignment alone, from the item's record.
    float GetWeight() const { return m_fWeight; }

    STypeKey m_Key;
    float m_fDamage = 0.0f;
    std::uint8_t m_bDestroyed = 0;
    std::uint8_t m_bDamaged = 0;
    std::uint32_t m_dwModif = 0;

protected:
    float m_fWeight = 0.0f;

    // The table that names this item's type.
    virtual const DefaultManager& GetTable() const = 0;
    // The row of a saved type name.
    virtual std::int32_t FindTypeName(const char* name) const { return GetTable().FindName(name); }
};

class CEquipment : public CMMEqp
{
public:
    static constexpr std::uint32_t kRecordSize = 41;

    // What the mechanoid that has the item in a slot reads of it for every
    // war power and weight, copied by the item on each assignment into a
    // block of the mechanoid's own (CMechanoid), where the six slots'
    // summaries fit in two cache lines instead of ten.
    struct SSummary
    {
        float value1 = 0.0f;
        float price = 0.0f;
        float weight = 0.0f;
        std::uint8_t record = 0; // HasRecord
    };

    CEquipment() { m_Key.SetIndex(-1); }
    explicit CEquipment(const STypeKey& key);

    void Assign(const STypeKey& key, std::uint32_t word) override;
    float GetDamageRatio() const override { return m_fDurability == 0.0f ? 0.0f : m_fDamage / m_fDurability; }
    bool HasRecord() const override { return m_pParams != nullptr; }
    float GetDurability() const override { return m_fDurability; }

    void SaveToStream(CMemStream& stream) const;
    void LoadFromStream(CStreamReader& in, std::uint32_t version);

    const SEquipmentParameters* GetParams() const { return m_pParams; }
    float GetPower() const { return m_fPower; }
    float GetValue1() const { return m_fValue1; }
    float GetValue2() const { return m_fValue2; }
    float GetValue3() const { return m_fValue3; }
    float GetPrice() const { return m_fPrice; }

    // From now on the item keeps *summary up to date (null: no longer).
    void KeepSummary(SSummary* summary)
    {
        m_pSummary = summary;
        Publish();
    }

    // Switched on; saved ahead of the item record.
    std::uint8_t m_bFlag = 0;

protected:
    const DefaultManager& GetTable() const override;

private:
    void Publish() const
    {
        if (m_pSummary) *m_pSummary = SSummary{m_fValue1, m_fPrice, m_fWeight, std::uint8_t(m_pParams ? 1 : 0)};
    }
    SSummary* m_pSummary = nullptr;
    const SEquipmentParameters* m_pParams = nullptr;
    std::unique_ptr<SEquipmentParameters> m_pOwn;
    float m_fPower = 0.0f;
    float m_fValue1 = 0.0f;
    float m_fDurability = 0.0f;
    float m_fPrice = 0.0f;
    float m_fValue3 = 0.0f;
    float m_fValue2 = 0.0f;
};

class CGliderData : public CMMEqp
{
public:
    CGliderData() { m_Key.SetIndex(-1); }

    // From now on the item keeps *params equal to GetParams() (null: no
    // longer), for a mechanoid that reads it beside its other hot fields.
    void KeepParams(const SGliderParameters** params)
    {
        m_ppMirror = params;
        if (m_ppMirror) *m_ppMirror = m_pParams;
    }

    void Assign(const STypeKey& key, std::uint32_t word) override;
    bool HasRecord() const override { return m_pParams != nullptr; }
    float GetDurability() const override { return m_pParams ? m_pParams->m_fDamage : 0.0f; }
    const SGliderParameters* GetParams() const { return m_pParams; }

protected:
    const DefaultManager& GetTable() const override;
    // Records written before the glider table named the glider carry the
    // equipment table's name of the glider's index: still read.
    std::int32_t FindTypeName(const char* name) const override;

private:
    const SGliderParameters** m_ppMirror = nullptr;
    const SGliderParameters* m_pParams = nullptr;
    std::unique_ptr<SGliderParameters> m_pOwn;
};
