#include "units/ModifManager.h"

#include "foundation/ErrorLog.h"
#include "foundation/ResourceDB.h"
#include "graphics/ModelManager.h"
#include "units/UnitTypes.h"

CModifManager g_ModifManager;

bool CModifManager::Init(const char* section)
{
    XTRACE("CModifManager::Init");
    const bool ok = DefaultManager::Init(section);
    m_Records.assign(std::size_t(m_nCount), SModifParameters{});
    for (std::int32_t i = 0; i < m_nCount; ++i)
    {
        const char* name = GetName(i);
        SModifParameters& r = m_Records[std::size_t(i)];
        r.m_dwUnicumId = std::uint32_t(g_ResourceDB.GetIntegerField(name, "UNICUM_ID", 0));
        g_ResourceDB.GetStringField(name, "Model", r.m_Model, sizeof r.m_Model);
        r.m_nMask = g_ResourceDB.GetIntegerField(name, "MASK", 0);
        r.m_fPrice = g_ResourceDB.GetFloatField(name, "PRICE", 0.0f);
        r.m_fProbability = g_ResourceDB.GetFloatField(name, "PROBABILITY", 0.0f);
        r.m_fKChangePrice = g_ResourceDB.GetFloatField(name, "K_CHANGE_PRICE", 0.0f);
        r.m_fKIncrease1 = g_ResourceDB.GetFloatField(name, "K_INCREASE_1_PAR", 0.0f);
        r.m_fKDecrease2 = g_ResourceDB.GetFloatField(name, "K_DECREASE_2_PAR", 0.0f);
    }
    for (SModifParameters& r : m_Records)
        SetFieldId(r.m_Model, g_pModelManager && r.m_Model[0] ? g_pModelManager->FindName(r.m_Model) : -1);
    return ok;
}

std::uint32_t CModifManager::CreateModif(std::uint32_t word, std::uint32_t type, std::uint32_t property,
                                         std::uint32_t level)
{
    if (level == 0)
    {
        g_ErrorLog.LogDebug("CModifManager::CreateModif - dwLevel=NULL");
        return 0;
    }
    const std::uint32_t shift = 4 * (property & 3);
    word = (word & ~(0xfu << shift)) | ((level & 0xf) << shift);
    return (word & ~0xf000u) | ((type & 0xf) << 12);
}

void CModifManager::GetModifLevel(std::uint32_t word, std::uint32_t* l0, std::uint32_t* l1, std::uint32_t* l2)
{
    *l0 = GetModifNibble(word, 0);
    *l1 = GetModifNibble(word, 1);
    *l2 = GetModifNibble(word, 2);
}

void CModifManager::GetProperties(std::uint32_t word, std::uint32_t* type, std::uint32_t* property,
                                  std::uint32_t* level)
{
    *type = GetModifType(word);
    int set = 0;
    std::uint32_t found = 0, foundLevel = 0;
    for (std::uint32_t p = 0; p < 3; ++p)
    {
        const std::uint32_t l = GetModifNibble(word, p);
        if (l == 0) continue;
        ++set;
        found = p;
        foundLevel = l;
    }
    if (set == 1)
    {
        *property = found;
        *level = foundLevel;
    }
    else if (set == 0)
    {
        *level = 0;
    }
    else
    {
        *type = 0;
        *level = 0;
    }
}

std::int32_t CModifManager::FindModif(std::uint32_t identifier) const
{
    for (std::size_t i = 0; i < m_Records.size(); ++i)
        if (m_Records[i].m_dwUnicumId == identifier) return std::int32_t(i);
    return -1;
}

void CModifManager::GetModifID(std::uint32_t word, std::int32_t* a, std::int32_t* b, std::int32_t* c) const
{
    std::int32_t* out[3] = {a, b, c};
    const std::uint32_t type = GetModifType(word);
    for (std::uint32_t p = 0; p < 3; ++p)
    {
        const std::uint32_t level = GetModifNibble(word, p);
        *out[p] = level ? FindModif(CreateModif(0, type, p, level)) : -1;
    }
}

bool CModifManager::UpgradeModif(std::uint32_t* itemWord, std::uint32_t identifier)
{
    std::uint32_t type = 0, property = 0, level = 0;
    GetProperties(identifier, &type, &property, &level);
    const std::uint32_t itemType = GetModifType(*itemWord);
    if (itemType != 0 && itemType != type) return false;
    if (GetModifNibble(*itemWord, property) != 0) return false;
    // An identifier of no single property cannot be added (its level is 0).
    if (level == 0) return false;
    *itemWord = CreateModif(*itemWord, type, property, level);
    return true;
}

void CModifManager::ApplyModif(std::int32_t index, float base1, float* p1, float base2, float* p2,
                               float basePrice, float* price) const
{
    const SModifParameters* r = GetModif(index);
    if (!r) return;
    *p1 += (r->m_fKIncrease1 - 1.0f) * base1;
    *p2 -= (1.0f - r->m_fKDecrease2) * base2;
    *price += (r->m_fKChangePrice - 1.0f) * basePrice;
    if (*p1 < 0.0f) *p1 = 0.0f;
    if (*p2 < 0.0f) *p2 = 0.0f;
    if (*price < 0.0f) *price = 0.0f;
}

const SModifParameters* CModifManager::GetModif(std::int32_t index) const
{
    if (index < 0 || index >= std::int32_t(m_Records.size())) return nullptr;
    return &m_Records[std::size_t(index)];
}
