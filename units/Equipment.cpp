#include "units/Equipment.h"

#include "foundation/ErrorLog.h"
#include "foundation/MemStream.h"
#include "foundation/Name32.h"
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
    CopyName(name, typeName ? typeName : kDefaultTypeName);
    stream.Write(name, sizeof name);
    stream.Write(&m_fDamage, 4);
    stream.Write(&m_dwModif, 4);
}

SEqpImage CMMEqp::ReadImage(CStreamReader& in, std::uint32_t version, bool withFlag)
{
    const std::uint32_t size = (version >= 256 ? kRecordSize : kRecordSize - 4) + (withFlag ? 1 : 0);
    if (in.Left() < size)
        in.Fail("%s record: %u bytes wanted, %u left", withFlag ? "equipment item" : "item", size, in.Left());
    SEqpImage image;
    if (withFlag) image.m_bFlag = in.U8();
    in.Bytes(image.m_szName, 32);
    const std::uint32_t bits = in.U32();
    std::memcpy(&image.m_fDamage, &bits, 4);
    image.m_dwModif = version >= 256 ? in.U32() : 0;
    return image;
}

void CMMEqp::Restore(const SEqpImage& image, std::uint32_t version)
{
    STypeKey key;
    std::memcpy(key.m_Bytes, image.m_szName, 32);
    // Newer records name the type; older ones hold its index in place.
    if (version > 256) key.SetIndex(FindTypeName(image.m_szName));
    Assign(key, image.m_dwModif);
    float damage = image.m_fDamage;
    if (damage != 0.0f) Damage(&damage);
}

void CMMEqp::LoadFromStream(CStreamReader& in, std::uint32_t version)
{
    XTRACE("CMMEqp::LoadFromStream");
    Restore(ReadImage(in, version, false), version);
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
    Publish();
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
    const SEqpImage image = ReadImage(in, version, true);
    Restore(image, version);
    m_bFlag = image.m_bFlag;
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
    if (m_ppMirror) *m_ppMirror = m_pParams;
}

const DefaultManager& CGliderData::GetTable() const
{
    return g_GliderManager;
}

std::int32_t CGliderData::FindTypeName(const char* name) const
{
    const std::int32_t index = g_GliderManager.FindName(name);
    if (index != -1) return index;
    const std::int32_t old = g_EquipmentManager.FindName(name);
    return g_GliderManager.GetType(old) ? old : -1;
}
