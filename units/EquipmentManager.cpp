#include "units/EquipmentManager.h"

#include "foundation/ErrorLog.h"
#include "foundation/ResourceDB.h"
#include "graphics/ModelManager.h"
#include "units/ModifManager.h"

CEquipmentManager g_EquipmentManager;

bool CEquipmentManager::Init(const char* section)
{
    XTRACE("CEquipmentManager::Init");
    const bool ok = DefaultManager::Init(section);
    m_Records.assign(std::size_t(m_nCount), SEquipmentParameters{});
    for (std::int32_t i = 0; i < m_nCount; ++i)
    {
        const char* r = GetName(i);
        SEquipmentParameters& e = m_Records[std::size_t(i)];
        e.m_nType = g_ResourceDB.GetIntegerField(r, "TYPE", 0);
        if (e.m_nType == 0) e.m_nType = EQK_DEVICE;
        e.m_fWeight = g_ResourceDB.GetFloatField(r, "WEIGHT", 0.0f);
        e.m_nStandard = g_ResourceDB.GetIntegerField(r, "STANDARD", 0);
        g_ResourceDB.GetStringField(r, "MODEL", e.m_Model, sizeof e.m_Model);
        g_ResourceDB.GetStringField(r, "FXMODEL", e.m_FxModel, sizeof e.m_FxModel);
        e.m_fPower = g_ResourceDB.GetFloatField(r, "POWER", 0.0f);
        e.m_fValue1 = g_ResourceDB.GetFloatField(r, "VALUE1", 0.0f);
        e.m_fValue2 = g_ResourceDB.GetFloatField(r, "VALUE2", 0.0f);
        e.m_fValue3 = g_ResourceDB.GetFloatField(r, "VALUE3", 0.0f);
        e.m_fDamage = g_ResourceDB.GetFloatField(r, "DAMAGE", 0.0f);
        e.m_bManual = g_ResourceDB.GetIntegerField(r, "MANUAL", 0) == 1;
        e.m_bShowOnCockpit = g_ResourceDB.GetIntegerField(r, "SHOWONCOCKPIT", 0) == 1;
        e.m_fPrice = g_ResourceDB.GetFloatField(r, "PRICE", 0.0f);
        e.m_bNoTrade = g_ResourceDB.GetIntegerField(r, "NOTRADE", 0) == 1;
        e.m_nIcon = g_ResourceDB.GetIntegerField(r, "ICON", 0);
    }
    for (SEquipmentParameters& e : m_Records)
    {
        SetFieldId(e.m_Model, g_pModelManager && e.m_Model[0] ? g_pModelManager->FindName(e.m_Model) : -1);
        SetFieldId(e.m_FxModel,
                   g_pModelManager && e.m_FxModel[0] ? g_pModelManager->FindName(e.m_FxModel) : -1);
    }
    return ok;
}

const SEquipmentParameters* CEquipmentManager::GetEquipment(std::int32_t index) const
{
    if (index < 0 || index >= std::int32_t(m_Records.size())) return nullptr;
    return &m_Records[std::size_t(index)];
}

void CEquipmentManager::GetParam(SEquipmentParameters* out, std::int32_t index, std::uint32_t word) const
{
    XTRACE("CEquipmentManager::GetParam");
    const SEquipmentParameters* base = GetEquipment(index);
    if (!base) return;
    *out = *base;
    if (word == 0) return;
    std::int32_t ids[3] = {-1, -1, -1};
    g_ModifManager.GetModifID(word, &ids[0], &ids[1], &ids[2]);
    if (ids[0] == -1 && ids[1] == -1 && ids[2] == -1) return;

    // Per property: the parameter raised by the first factor and its base,
    // the parameter lowered by the second and its base. A negated base
    // turns a factor's direction.
    struct SRule
    {
        float* p1;
        float base1;
        float* p2;
        float base2;
    };
    SEquipmentParameters& o = *out;
    const SEquipmentParameters& b = *base;
    SRule rules[3];
    switch (CModifManager::GetModifType(word))
    {
    case MODIF_REACTOR:
        if (b.m_nType != EQK_REACTOR) return;
        rules[0] = {&o.m_fDamage, b.m_fDamage, &o.m_fWeight, -b.m_fWeight};
        rules[1] = {&o.m_fWeight, -b.m_fWeight, &o.m_fValue1, b.m_fValue1};
        rules[2] = {&o.m_fValue1, b.m_fValue1, &o.m_fDamage, b.m_fDamage};
        break;
    case MODIF_ENGINE:
        if (b.m_nType != EQK_ENGINE) return;
        rules[0] = {&o.m_fDamage, b.m_fDamage, &o.m_fWeight, -b.m_fWeight};
        rules[1] = {&o.m_fValue1, b.m_fValue1, &o.m_fPower, -b.m_fPower};
        rules[2] = {&o.m_fPower, -b.m_fPower, &o.m_fValue1, b.m_fValue1};
        break;
    case MODIF_SHIELD:
        if (b.m_nType != EQK_SHIELD) return;
        rules[0] = {&o.m_fValue1, b.m_fValue1, &o.m_fWeight, -b.m_fWeight};
        rules[1] = {&o.m_fValue3, b.m_fValue3, &o.m_fPower, -b.m_fPower};
        rules[2] = {&o.m_fValue2, b.m_fValue2, &o.m_fValue1, b.m_fValue1};
        break;
    default:
        return;
    }
    for (int p = 0; p < 3; ++p)
    {
        if (ids[p] == -1) continue;
        g_ModifManager.ApplyModif(ids[p], rules[p].base1, rules[p].p1, rules[p].base2, rules[p].p2,
                                  b.m_fPrice, &o.m_fPrice);
    }
}

float CEquipmentManager::GetRepairPrice(const STypeKey& key, std::uint32_t word) const
{
    SEquipmentParameters p;
    GetParam(&p, key.Index(), word);
    return 0.1f * p.m_fPrice;
}
