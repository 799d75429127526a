#include "app/PlayerGlider.h"

#include "world/GameWorldState.h"
#include "foundation/ErrorLog.h"
#include "foundation/ResourceDB.h"
#include "units/EquipmentManager.h"
#include "units/GliderObject.h"
#include "units/GunManager.h"
#include "units/Mechanoid.h"
#include "world/Mech.h"
#include "world/ObjectList.h"
#include "world/TypeManagers.h"

#include <algorithm>
#include <cmath>

namespace
{
const char* const kConfigurations = "\xca\xee\xed\xf4\xe8\xe3\xf3\xf0\xe0\xf6\xe8\xe8"; // Конфигурации

std::int32_t Field(const char* row, const char* field, const DefaultManager& table)
{
    char name[64] = {};
    g_ResourceDB.SelectSection(kConfigurations, false);
    g_ResourceDB.GetStringField(row, field, name, sizeof name);
    return name[0] ? table.FindName(name) : -1;
}
} // namespace

bool FitFromConfiguration(CMechanoid& m, const char* row)
{
    XTRACE("FitFromConfiguration");
    if (!g_ResourceDB.SelectSection(kConfigurations, false)) return false;
    const std::int32_t glider = Field(row, "GLIDER", g_GliderManager);
    if (glider < 0)
    {
        g_ErrorLog.LogError("Configuration %s: no glider", row);
        return false;
    }
    SMechanoidEquipment& cfg = m.m_gEqp;
    auto set = [&cfg](int slot, std::int32_t index)
    {
        cfg.m_Config[slot].m_Key.SetIndex(index);
        cfg.m_Config[slot].m_dwModif = 0;
    };
    set(CFG_GLIDER, glider);
    set(CFG_LIGHTGUN, Field(row, "LIGHTGUN1", g_GunManager));
    set(CFG_HEAVYGUN, Field(row, "HEAVYGUN1", g_GunManager));
    const struct
    {
        int slot;
        const char* field;
        CEquipment* item;
    } items[] = {{CFG_REACTOR, "REACTOR", &m.m_Reactor}, {CFG_REACTOR2, "REACTOR2", &m.m_Reactor2},
                 {CFG_ENGINE, "ENGINE", &m.m_Engine},    {CFG_ENGINE2, "ENGINE2", &m.m_Engine2},
                 {CFG_SHIELD, "SHIELD", &m.m_Shield},    {CFG_ARMOR, "ARMOR", &m.m_Armor}};
    for (const auto& i : items)
    {
        const std::int32_t index = Field(row, i.field, g_EquipmentManager);
        set(i.slot, index);
        i.item->Assign(STypeKey(index), 0);
    }
    m.m_GliderData.Assign(STypeKey(glider), 0);
    char missile[64] = {};
    g_ResourceDB.SelectSection(kConfigurations, false);
    g_ResourceDB.GetStringField(row, "NAME_MISSILE1", missile, sizeof missile);
    const std::int32_t count = g_ResourceDB.GetIntegerField(row, "COUNT_MISSILE1", 0);
    const std::int32_t type = missile[0] ? g_MissileManager.FindName(missile) : -1;
    m.m_nMissileCount = 0;
    if (type >= 0 && count > 0)
    {
        m.m_Missiles[0].m_Type.SetIndex(type);
        m.m_Missiles[0].m_nCount = std::uint32_t(count);
        m.m_nMissileCount = 1;
    }
    return true;
}

CPlayer::CPlayer() = default;

CPlayer::~CPlayer()
{
    Release();
}

bool CPlayer::Create(const CVector& position, float heading, const char* configuration)
{
    XTRACE("CPlayer::Create");
    Release();
    m_pMech = std::make_unique<CPlayerMech>();
    m_pMechanoid = std::make_unique<CMechanoid>();
    m_pMechanoid->m_bPlayer = 1;
    if (!FitFromConfiguration(*m_pMechanoid, configuration))
    {
        m_pMechanoid.reset();
        m_pMech.reset();
        return false;
    }
    // A level heading: side, up and forward in the matrix's columns, the
    // side axis to the glider's right.
    CObjectFrame frame;
    frame.SetForward(CVector{std::sin(heading), std::cos(heading), 0.0f});
    CMatrix placement = frame.m_Matrix;
    placement.SetTranslation(position);
    auto* glider = new CGliderObject;
    glider->m_pMechanoid = m_pMechanoid.get();
    glider->Init(placement, m_pMechanoid->m_gEqp.m_Config[CFG_GLIDER].m_Key);
    glider->AssignMechanoid(m_pMech.get(), m_pMechanoid.get(), true);
    m_pMechanoid->Repair();
    g_ObjectList.AddObject(glider);
    m_pGlider = glider;
    g_pPlayerGlider = glider;
    return true;
}

void CPlayer::Run(float dt)
{
    if (m_pGlider && m_pMechanoid) m_pMechanoid->Run(dt);
}

void CPlayer::Release()
{
    if (m_pGlider && g_pPlayerGlider == m_pGlider) g_pPlayerGlider = nullptr;
    if (m_pMechanoid) m_pMechanoid->m_lpObject = nullptr;
    if (m_pGlider)
    {
        m_pGlider->m_pMechanoid = nullptr;
        m_pGlider->m_pMech = nullptr;
    }
    m_pGlider = nullptr;
}
