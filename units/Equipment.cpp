#include "units/Equipment.h"

#include "foundation/ErrorLog.h"
#include "foundation/MemStream.h"
#include "foundation/StreamReader.h"

#include <cstring>

void CMMEqp::Damage(float* amount)
{
    m_bDamaged = 1;
    const float room = GetDurability() - m_fDamage;
    if (room > *amount)
    {
        m_fDamage += *amount;
        *amount = 0.0f;
        return;
    }
    *amount -= room;
    m_fDamage = GetDurability();
    m_bDestroyed = 1;
}

void CMMEqp::ClearDamage()
{
    m_fDamage = 0.0f;
    m_bDestroyed = 0;
    m_bDamaged = 0;
}

void CMMEqp::SaveToStream(CMemStream& stream) const
{
    char name[32] = {};
    const char* typeName = GetTable().GetName(m_Key.Index());
    std::strncpy(name, typeName ? typeName : kDefaultTypeName, sizeof name - 1);
    stream.Write(name, sizeof name);
    stream.Write(&m_fDamage, 4);
    stream.Write(&m_dwModif, 4);
}

void CMMEqp::LoadFromStream(CStreamReader& in, std::uint32_t version)
{
    XTRACE("CMMEqp::LoadFromStream");
    const std::uint32_t size = version >= 256 ? kRecordSize : kRecordSize - 4;
    if (in.Left() < size) in.Fail("item record: %u bytes wanted, %u left", size, in.Left());
    char name[33] = {};
    in.Bytes(name, 32);
    STypeKey key;
    std::memcpy(key.m_Bytes, name, 32);
    // Newer records name the type; older ones hold its index in place.
    if (version > 256) key.SetIndex(GetTable().FindName(name));
    std::uint32_t bits = in.U32();
    float damage;
    std::memcpy(&damage, &bits, 4);
    const std::uint32_t word = version >= 256 ? in.U32() : 0;
    Assign(key, word);
    if (damage != 0.0f) Damage(&damage);
}

CEquipment::CEquipment(const STypeKey& key)
{
    m_Key.SetIndex(-1);
    if (key.Index() != -1)
        Assign(key, 0);
    else
        g_ErrorLog.LogDebug("CEquipment::CEquipment Equipment '%d' does not exists.", key.Index());
}

void CEquipment::Assign(const STypeKey& key, std::uint32_t word)
{
    STypeKey k = key;
    if (k.Index() < -1 || k.Index() >= g_EquipmentManager.GetCount())
    {
        g_ErrorLog.LogDebug("CEquipment::Assign Invalid ID = '%d' ", k.Index());
        k.SetIndex(-1);
    }
    m_pOwn.reset();
    m_pParams = nullptr;
    if (const SEquipmentParameters* table = g_EquipmentManager.GetEquipment(k.Index()))
    {
        if (word != 0)
        {
            m_pOwn = std::make_unique<SEquipmentParameters>();
            g_EquipmentManager.GetParam(m_pOwn.get(), k.Index(), word);
            m_pParams = m_pOwn.get();
        }
        else
        {
            m_pParams = table;
        }
    }
    m_Key = k;
    m_dwModif = word;
    ClearDamage();
    const SEquipmentParameters* p = m_pParams;
    m_fWeight = p ? p->m_fWeight : 0.0f;
    m_fPower = p ? p->m_fPower : 0.0f;
    m_fValue1 = p ? p->m_fValue1 : 0.0f;
    m_fDurability = p ? p->m_fDamage : 0.0f;
    m_fPrice = p ? p->m_fPrice : 0.0f;
    m_fValue3 = p ? p->m_fValue3 : 0.0f;
    m_fValue2 = p ? p->m_fValue2 : 0.0f;
}

const DefaultManager& CEquipment::GetTable() const
{
    return g_EquipmentManager;
}

void CEquipment::SaveToStream(CMemStream& stream) const
{
    stream.Write(&m_bFlag, 1);
    CMMEqp::SaveToStream(stream);
}

void CEquipment::LoadFromStream(CStreamReader& in, std::uint32_t version)
{
    XTRACE("CEquipment::LoadFromStream");
    // The whole record must be there before anything changes.
    const std::uint32_t size = version >= 256 ? kRecordSize : kRecordSize - 4;
    if (in.Left() < size) in.Fail("equipment item record: %u bytes wanted, %u left", size, in.Left());
    const std::uint8_t flag = in.U8();
    CMMEqp::LoadFromStream(in, version);
    m_bFlag = flag;
}

void CGliderData::Assign(const STypeKey& key, std::uint32_t word)
{
    m_pOwn.reset();
    m_pParams = nullptr;
    if (const SGliderParameters* table = g_GliderManager.GetGlider(key.Index()))
    {
        if (word != 0)
        {
            m_pOwn = std::make_unique<SGliderParameters>();
            g_GliderManager.GetParam(*m_pOwn, key.Index(), word);
            m_pParams = m_pOwn.get();
        }
        else
        {
            m_pParams = table;
        }
    }
    m_Key = key;
    m_dwModif = word;
    ClearDamage();
    m_fWeight = m_pParams ? m_pParams->m_fWeight : 0.0f;
}

const DefaultManager& CGliderData::GetTable() const
{
    return g_GliderManager;
}
